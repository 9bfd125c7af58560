#!/usr/bin/env bash
# Two machines, one shared folder, the real sync engine: two Syncthing instances on the
# loopback address, each with a home of its own, linked to each other and to nothing
# else (no discovery, relays or NAT), keep one folder in step. It writes on both sides,
# the same file on both while one side's folder is paused, and checks that after the
# sync has settled both sides hold every file, and that the two texts of the file written
# on both sides are both there: the file and one conflict copy, each side alike.
# Given a build folder, two copies of its drvesk, each with a home (and so a diary) of its
# own, then keep their diaries in step through that folder with --mirror-sync, as two
# machines would: both write, the same day on both while one is offline, a file is edited
# by hand; at the end both diaries hold every entry and every text of the day written
# twice exactly once, and no conflict copy is left in the folder.
#   scripts/two-machines.sh [BUILD_DIR]   (installs syncthing when it is missing)
# Everything it starts is stopped by its process id when it ends, however it ends, and
# it fails if anything it started is still running then.
set -euo pipefail

if ! command -v syncthing >/dev/null; then
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get install -y --no-install-recommends syncthing >/dev/null
fi
command -v curl >/dev/null || { echo "two-machines: curl is missing" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  local status=$? p left
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  # Nothing it started may outlive it: every process of ours names the work folder.
  left=$(pgrep -af -- "$work" || true)
  if [ -n "$left" ]; then
    echo "two-machines: still running after the end:" >&2
    echo "$left" >&2
    status=1
  fi
  [ -n "${KEEP_WORK:-}" ] && echo "two-machines: left $work" >&2 || rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
fail() {
  echo "two-machines: $*" >&2
  for s in a b; do
    [ -f "$work/st-$s/log.txt" ] && tail -n 20 "$work/st-$s/log.txt" >&2
  done
  exit 1
}
started=$(date +%s)
say() { printf '[%3ds] %s\n' $(($(date +%s) - started)) "$*"; }

# Four free ports on the loopback address: a GUI (REST) and a sync port per side.
read -r gui_a gui_b sync_a sync_b < <(python3 - <<'EOF'
import socket
held = [socket.socket() for _ in range(4)]
for s in held:
    s.bind(("127.0.0.1", 0))
print(*[s.getsockname()[1] for s in held])
EOF
)
apikey=two-machines-$RANDOM$RANDOM
folder_id=diary

for s in a b; do
  syncthing generate --home="$work/st-$s" --no-default-folder >/dev/null 2>&1 ||
    fail "syncthing cannot make a home in $work/st-$s"
done
id_a=$(syncthing serve --home="$work/st-a" --device-id)
id_b=$(syncthing serve --home="$work/st-b" --device-id)
mkdir -p "$work/a/shared" "$work/b/shared"

# One side's config: its own addresses, the other device, the shared folder. Only b
# dials: when both dial at once, each may drop the other's connection as a duplicate
# and the first link then waits some 20 s for a time-out.
configure() { # side gui-port sync-port other-id [other-port]
  python3 - "$work/st-$1/config.xml" "$work/$1/shared" "$2" "$3" "$4" "$5" "$apikey" \
    "$folder_id" "$id_a" "$id_b" <<'EOF'
import sys
import xml.etree.ElementTree as ET
path, shared, gui, sync, other, other_port, apikey, folder_id, id_a, id_b = sys.argv[1:]
tree = ET.parse(path)
root = tree.getroot()
g = root.find("gui")
g.find("address").text = "127.0.0.1:" + gui
g.find("apikey").text = apikey
o = root.find("options")
for l in o.findall("listenAddress"):
    o.remove(l)
ET.SubElement(o, "listenAddress").text = "tcp://127.0.0.1:" + sync
for key, value in {"globalAnnounceEnabled": "false", "localAnnounceEnabled": "false",
                   "relaysEnabled": "false", "natEnabled": "false", "startBrowser": "false",
                   "urAccepted": "-1", "autoUpgradeIntervalH": "0",
                   "crashReportingEnabled": "false", "setLowPriority": "false"}.items():
    e = o.find(key)
    if e is None:
        e = ET.SubElement(o, key)
    e.text = value
d = ET.SubElement(root, "device", id=other, name="other", compression="metadata",
                  introducer="false")
ET.SubElement(d, "address").text = "tcp://127.0.0.1:" + other_port if other_port else "dynamic"
f = ET.SubElement(root, "folder", id=folder_id, label=folder_id, path=shared, type="sendreceive",
                  rescanIntervalS="3600", fsWatcherEnabled="true", fsWatcherDelayS="1")
for dev in (id_a, id_b):
    ET.SubElement(f, "device", id=dev)
# An element left out reads as zero, and no conflict copies at all.
ET.SubElement(f, "maxConflicts").text = "10"
tree.write(path)
EOF
}
configure a "$gui_a" "$sync_a" "$id_b" ""
configure b "$gui_b" "$sync_b" "$id_a" "$sync_a"

for s in a b; do
  gui=gui_$s
  STNODEFAULTFOLDER=1 syncthing serve --home="$work/st-$s" --no-browser --no-restart \
    --no-upgrade --gui-address="127.0.0.1:${!gui}" --logfile="$work/st-$s/log.txt" \
    >/dev/null 2>&1 &
  pids+=($!)
done

# The REST API of a side: rest a GET /rest/... ; rest a POST /rest/...
rest() {
  local gui=gui_$1
  curl -fsS -X "$2" -H "X-API-Key: $apikey" "http://127.0.0.1:${!gui}$3" "${@:4}"
}
for s in a b; do
  for _ in $(seq 100); do
    rest $s GET /rest/system/ping >/dev/null 2>&1 && break
    sleep 0.2
  done
  rest $s GET /rest/system/ping >/dev/null 2>&1 || fail "syncthing $s does not answer"
done
say "two instances up: ${id_a:0:7} on $sync_a, ${id_b:0:7} on $sync_b"

# Settled: on both sides the folder is idle, needs nothing, the other device has all
# of it, and both sides report the same global state on two polls in a row.
settle() { # seconds
  for s in a b; do rest $s POST "/rest/db/scan?folder=$folder_id" >/dev/null; done
  python3 - "$1" "$apikey" "$folder_id" "$gui_a" "$id_b" "$gui_b" "$id_a" <<'EOF' ||
import json, sys, time, urllib.request
limit, key, folder = float(sys.argv[1]), sys.argv[2], sys.argv[3]
sides = [(sys.argv[4], sys.argv[5]), (sys.argv[6], sys.argv[7])]
def get(port, path):
    req = urllib.request.Request("http://127.0.0.1:%s%s" % (port, path), headers={"X-API-Key": key})
    with urllib.request.urlopen(req, timeout=10) as r:
        return json.load(r)
def state():
    sig = []
    for port, other in sides:
        st = get(port, "/rest/db/status?folder=" + folder)
        if st["state"] != "idle" or st["needTotalItems"] != 0:
            return None
        done = get(port, "/rest/db/completion?folder=%s&device=%s" % (folder, other))
        if done["completion"] != 100 or done["needItems"] or done["needDeletes"]:
            return None
        link = get(port, "/rest/system/connections")["connections"].get(other, {})
        if not link.get("connected"):
            return None
        sig.append((st["globalFiles"], st["globalBytes"], st["inSyncFiles"], st["localBytes"]))
    return sig if sig[0] == sig[1] else None
deadline, last = time.time() + limit, None
while time.time() < deadline:
    now = state()
    if now is not None and now == last:
        sys.exit(0)
    last = now
    time.sleep(0.25)
sys.exit(1)
EOF
    fail "no settled state within $1 s"
  say "settled"
}
pause() { # side true|false
  rest "$1" PATCH "/rest/config/folders/$folder_id" -d "{\"paused\": $2}" >/dev/null
}

# What a side's folder holds: each file's path and digest, conflict copies by their
# own names. Syncthing's own temporary files (kept for a pull that was cut short) are
# not part of the folder.
listing() {
  (cd "$work/$1/shared" && find . -path ./.stfolder -prune -o -type f \
    ! -name '.syncthing.*.tmp' -print0 | sort -z | xargs -0 -r sha256sum)
}

# 1. Files written on each side reach the other.
mkdir -p "$work/a/shared/2026" "$work/b/shared/2026"
printf '# 雪\n\n朝から雪。\n' >"$work/a/shared/2026/2026-12-01.md"
printf '# 晴れ\n\n散歩。\n' >"$work/b/shared/2026/2026-12-02.md"
settle 60
[ "$(listing a)" = "$(listing b)" ] || fail "the sides differ after the first sync"
grep -q 散歩 "$work/a/shared/2026/2026-12-02.md" || fail "b's file did not reach a"

# 2. The same day on both sides while b's folder is paused (b is offline).
pause b true
printf '# 机の上で\n\nデスクトップで書いた。\n' >"$work/a/shared/2026/2026-12-03.md"
printf '# 膝の上で\n\nノートで書いた。\n' >"$work/b/shared/2026/2026-12-03.md"
printf '# 手で直した\n\nエディターで直した。\n' >"$work/a/shared/2026/2026-12-01.md"
sleep 1 # the later edit wins a conflict by its time: a's and b's must not tie
printf '# 膝の上で\n\nノートで書いた。続き。\n' >"$work/b/shared/2026/2026-12-03.md"
# a's edits are in its index (the call waits for the scan) before b is back, so the run
# does not hang on the watcher's delay.
rest a POST "/rest/db/scan?folder=$folder_id" >/dev/null
pause b false
settle 90
[ "$(listing a)" = "$(listing b)" ] || fail "the sides differ after the paused folder came back"
grep -q エディター "$work/b/shared/2026/2026-12-01.md" || fail "the edit by hand did not reach b"

# Both texts of 12-03 exist once on each side: the file and exactly one conflict copy.
for s in a b; do
  d=$work/$s/shared/2026
  copies=$(find "$d" -name '2026-12-03.sync-conflict-*.md' | wc -l)
  [ "$copies" = 1 ] || fail "$s holds $copies conflict copies of 12-03"
  texts=$(cat "$d"/2026-12-03*.md)
  grep -q 続き <<<"$texts" || fail "$s lost b's text of 12-03"
  grep -q デスクトップ <<<"$texts" || fail "$s lost a's text of 12-03"
done
say "plain folder: both sides alike, the paused day's two texts kept once each"

# 3. Two diaries, one on each side, kept in step through the shared folder by the program.
build=${1:+$(cd "$1" && pwd)}
if [ -z "$build" ]; then
  say "no build folder given: the program's part is left out"
  exit 0
fi
program=$build/bin/drvesk
template=$build/bin/apData/dbVesk.mdb
[ -f "$template" ] || fail "no diary template at $template"
"$program" --help 2>&1 | grep -q -- --mirror-sync || fail "$program has no --mirror-sync"
rm -rf "$work/a/shared"/* "$work/b/shared"/*
settle 60

# Each side is a machine of its own: its own home, data folder, settings and cache.
side() { # side command...
  local home=$work/$1/home
  shift
  HOME=$home XDG_DATA_HOME=$home/.local/share XDG_CONFIG_HOME=$home/.config \
    XDG_CACHE_HOME=$home/.cache XDG_RUNTIME_DIR=$home/run LANG=C.UTF-8 LC_ALL=C.UTF-8 \
    QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS=unix:path=$home/no-bus "$program" "$@"
}
# The diary the program's first start makes: the template in the data folder that the
# UserData.ini beside the program names (the user's data folder).
for s in a b; do
  home=$work/$s/home
  mkdir -p -m 700 "$home/run" "$home/.local/share/Orbena/drvesk"
  install -m 600 "$template" "$home/.local/share/Orbena/drvesk/dbVesk.mdb"
done
aside() { echo "$work/$1/home/.local/share/Orbena/drvesk/mirror-aside"; }

# One pass; a file that is still being written, or a conflict copy of a day that was not
# in step yet, is left for the next one, 2 s later. Prints the pass's last line.
mirror() { # side [--on-conflict HOW] [--yes]
  local s=$1 said
  shift
  for _ in 1 2 3 4 5; do
    said=$(side "$s" --mirror-sync "$work/$s/shared" "$@" 2>&1) || fail "$s: $said"
    if ! grep -q '次の回' <<<"$said"; then
      tail -n 1 <<<"$said"
      return 0
    fi
    sleep 2.1
  done
  fail "$s: the mirror never settled: $said"
}
entries() { # side json-text (entries without the brackets)
  local file
  file=$(mktemp -p "$work/$1" in-XXXX.json)
  printf '[\n%s\n]\n' "$2" >"$file"
  side "$1" --import "$file" --on-conflict replace >/dev/null || fail "$1: import of $2"
}
# Every entry of a side's diary as the program exports it: one line a day, date, title
# and body (its line ends as \n), in date order.
exports=0
diary() { # side
  exports=$((exports + 1))
  local file=$work/$1/export-$exports.json
  side "$1" --export "$file" --format json >/dev/null || fail "$1: export"
  python3 - "$file" <<'EOF'
import json, sys
for e in sorted(json.load(open(sys.argv[1], encoding="utf-8")), key=lambda e: e["date"]):
    print(e["date"], e["title"], e["body"].replace("\n", "\\n"), sep="\t")
EOF
}

entries a '{"date":"2026-12-01","title":"雪","body":"朝から雪。"},
{"date":"2026-12-03","title":"同じ日","body":"はじめの文。"}'
entries b '{"date":"2026-12-02","title":"晴れ","body":"散歩。"}'
mirror a >/dev/null
settle 60
# b's diary was never linked: it joins the folder that a's diary made its own.
mirror b --yes >/dev/null
settle 60
mirror a >/dev/null
da=$(diary a)
[ "$da" = "$(diary b)" ] || fail "the diaries differ after the first link: $da"
[ "$(wc -l <<<"$da")" = 3 ] && grep -q 散歩 <<<"$da" && grep -q はじめの文 <<<"$da" ||
  fail "the first link did not bring both diaries' days together: $da"
say "two diaries linked through the folder"

# b goes offline; both write 12-03 and a day of their own, a's file of 12-01 is edited
# by hand (as a text editor does: a new file renamed over the old one).
pause b true
entries a '{"date":"2026-12-03","title":"同じ日","body":"デスクトップで書いた。"},
{"date":"2026-12-04","title":"机","body":"デスクトップだけの日。"}'
mirror a >/dev/null
hand=$work/a/shared/2026/.2026-12-01.md.swp
printf '# 雪\r\n\r\n朝から雪。手で直した。\r\n' >"$hand"
mv "$hand" "$work/a/shared/2026/2026-12-01.md"
sleep 1 # the later write wins a conflict by its time: a's and b's must not tie
entries b '{"date":"2026-12-03","title":"同じ日","body":"ノートで書いた。"},
{"date":"2026-12-05","title":"膝","body":"ノートだけの日。"}'
mirror b >/dev/null
rest a POST "/rest/db/scan?folder=$folder_id" >/dev/null
pause b false
settle 90
copies=$(find "$work/a/shared" "$work/b/shared" -name '*.sync-conflict-*' -printf '%f\n' |
  sort -u | wc -l)
[ "$copies" -ge 1 ] || fail "the paused day made no conflict copy: nothing to offer"

# Each side takes in what arrived, conflict copies appended to their day; what that
# wrote goes round once more, until a round changes nothing on either side.
quiet="写しのファイルを 0 件書き、0 日を日記に読み込みました"
rounds=0
for rounds in 1 2 3 4; do
  said_a=$(mirror a --on-conflict append)
  said_b=$(mirror b --on-conflict append)
  settle 60
  [ "$said_a" = "$quiet" ] && [ "$said_b" = "$quiet" ] && break
  [ "$rounds" -lt 4 ] || fail "the diaries still change after 4 rounds: a: $said_a; b: $said_b"
done

da=$(diary a)
[ "$da" = "$(diary b)" ] || fail "the diaries differ at the end: a: $da; b: $(diary b)"
for day in 01 02 03 04 05; do
  [ "$(grep -c "^2026-12-$day	" <<<"$da")" = 1 ] || fail "12-$day is not in the diaries once: $da"
done
for text in 手で直した 散歩 デスクトップだけの日 ノートだけの日 デスクトップで書いた ノートで書いた; do
  n=$(grep -o "$text" <<<"$da" | wc -l)
  [ "$n" = 1 ] || fail "the diaries hold \"$text\" $n times: $da"
done
! grep -q はじめの文 <<<"$da" || fail "12-03's first text came back: $da"
left=$(find "$work/a/shared" "$work/b/shared" -name '*sync-conflict*' | wc -l)
[ "$left" = 0 ] || fail "$left conflict copies left in the shared folders"
[ "$(listing a)" = "$(listing b)" ] || fail "the shared folders differ at the end"
# Each copy was taken in on one side at least, and moved aside there (a side whose
# Syncthing brought the other's move first just lets the copy go).
offered=$(find "$(aside a)" "$(aside b)" -name '*sync-conflict*' -printf '%f\n' 2>/dev/null |
  sort -u | wc -l)
[ "$offered" = "$copies" ] || fail "$copies conflict copies seen, $offered put aside"
say "two diaries: 5 days on both sides, both texts of 12-03 once each, the edit by hand in;" \
  "$copies conflict copy seen and put aside, none left in the folder; $rounds rounds"

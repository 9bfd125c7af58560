#!/usr/bin/env bash
# drvesk as a new user meets it: installed into a fresh prefix, started on a fresh
# home under a real X server, driven by X key events, checked through its files.
#   scripts/e2e.sh BUILD_DIR ARTEFACT_DIR
set -euo pipefail
source "$(dirname "$0")/private-display.sh"
in_private_bus "$0" "$@"
build=$(cd "${1:?build folder}" && pwd)
out=${2:?artefact folder}
mkdir -p "$out"
out=$(cd "$out" && pwd)

work=$(mktemp -d)
xvfb_pid=""
app=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "e2e: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >/dev/null
program=$work/prefix/bin/drvesk
[ -L "$program" ] || fail "bin/drvesk is not a link"

export HOME=$work/home
export XDG_DATA_HOME=$HOME/.local/share XDG_CONFIG_HOME=$HOME/.config
export XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
unset SESSION_MANAGER

start_xvfb "$work" || fail "no X server"

# xdotool types a character that has no key by changing the keyboard's map for that one
# key press; a program that reads the press late reads it in another map, and characters
# went missing on a loaded machine. Every character this script types gets a key of its
# own (a free one, or a multimedia key's) before the program starts.
keys=$(xmodmap -pke | python3 -c '
import re, sys
script = open(sys.argv[1], encoding="utf-8").read()
typed = re.findall(r"xdotool type[^\"]*\"([^\"]*)\"", script)
chars = sorted({c for t in typed for c in t if ord(c) > 127})
free = []
for line in sys.stdin:
    m = re.match(r"keycode\s+(\d+) =(.*)", line)
    if m and (not m.group(2).split() or m.group(2).split()[0].startswith("XF86")):
        free.append(m.group(1))
if len(free) < len(chars):
    sys.exit("too few keys for %d characters" % len(chars))
for code, c in zip(free, chars):
    print("keycode %s = U%04X" % (code, ord(c)))
' "$0") || fail "no keys for the typed characters"
xmodmap - <<<"$keys" || fail "xmodmap failed"

data=$XDG_DATA_HOME/Orbena/drvesk
key=$(date +%y%m%d)

start_app() {
  "$program" >"$work/app$1.log" 2>&1 &
  app=$!
  wid=$(timeout 30 xdotool search --sync --onlyvisible --class drvesk | head -n1) ||
    fail "no window (log: $(cat "$work/app$1.log"))"
  xdotool windowfocus --sync "$wid"
  sleep 0.5
}
wait_exit() {
  for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app" 2>/dev/null && fail "the program did not end"
  wait "$app" || fail "the program ended with status $?"
  app=""
}
shot() { import -window root "$out/$1.png"; }
# The window's name is the shown day (yy/mm/dd). A calendar key is handled once the name
# changed: typing before that would land in the day being left.
day_key() {
  local old
  old=$(xdotool getwindowname "$wid")
  xdotool mousemove --window "$wid" 80 30 click 1
  xdotool key "$1"
  # Home on the first of a month stays where it is.
  if [ "$1" = Home ] && [ "${old##*/}" = 01 ]; then
    sleep 0.3
    return 0
  fi
  for _ in $(seq 100); do
    [ "$(xdotool getwindowname "$wid")" != "$old" ] && return 0
    sleep 0.1
  done
  fail "the key $1 left the shown day at $old"
}

# First start: no message box may stand in the way (it would own the focus).
start_app 1
[ -f "$data/dbVesk.mdb" ] || fail "no diary in $data"
[ -f "$data/User.xml" ] || fail "no settings file"
grep -q "が見つかりません\|定義されていません" "$work/app1.log" && fail "start-up message: $(cat "$work/app1.log")"

# The title box has the focus; Enter moves on to the body.
xdotool type --delay 60 "E2E title"
xdotool key Return
xdotool type --delay 80 "日本語の本文です"
xdotool key F5
sleep 0.5
shot e2e-saved

# Another day and back, through the calendar's keys: a click on the month's name
# gives the calendar the focus without picking a day.
day_key Right
# Showing a day hands the focus to its title: the next day's entry is typed there.
xdotool type --delay 60 "Day two"
xdotool key Return
xdotool type --delay 80 "二日目の本文"
xdotool key F5
sleep 0.3
day_key Left
sleep 0.5
shot e2e-back
# Back on the day, the title is there again; what is added now is saved on exit.
xdotool type --delay 60 " again"

xdotool windowsize --sync "$wid" 800 600
xdotool windowmove --sync "$wid" 50 40
sleep 0.5
xdotool key F9
wait_exit

got=$(sqlite3 "$data/dbVesk.mdb" "select szTtl || '|' || szDoc from tbDoc where skYmn='$key'")
[ "$got" = "E2E title again|日本語の本文です" ] || fail "stored entry is '$got'"
next=$(date -d tomorrow +%y%m%d)
got=$(sqlite3 "$data/dbVesk.mdb" "select szTtl || '|' || szDoc from tbDoc where skYmn='$next'")
[ "$got" = "Day two|二日目の本文" ] || fail "next day's entry is '$got'"
[ "$(stat -c %a "$data/dbVesk.mdb")" = 600 ] || fail "diary file is not private"
settings=$(iconv -f CP932 -t UTF-8 "$data/User.xml")
for want in "<LEFT>750</LEFT>" "<TOP>600</TOP>" "<WIDTH>12000</WIDTH>" "<HEIGHT>9000</HEIGHT>"; do
  grep -qF "$want" <<<"$settings" || fail "settings lack $want: $settings"
done
case "$settings" in *"</運用>") ;; *) fail "settings file does not end with its root";; esac

# Second start: the same place and size, the entry on screen.
start_app 2
geometry=$(xdotool getwindowgeometry "$wid")
grep -q "Position: 50,40" <<<"$geometry" || fail "window moved: $geometry"
grep -q "Geometry: 800x600" <<<"$geometry" || fail "window resized: $geometry"
shot e2e-restarted

# A month with holidays: 2026/11 holds 文化の日 on the 3rd and 勤労感謝の日 on the 23rd.
# Showing a day hands the focus to its title, so each calendar key comes after a click
# on the month's name.
months=$(((10#$(date +%Y) - 2026) * 12 + 10#$(date +%m) - 11))
while [ "$months" -gt 0 ]; do day_key Prior; months=$((months - 1)); done
while [ "$months" -lt 0 ]; do day_key Next; months=$((months + 1)); done
for k in Home Right Right; do day_key $k; done
xdotool type --delay 60 "文化の日"
xdotool key Return
xdotool type --delay 80 "美術館で菊の展示を見た。"
xdotool key F5
for k in Down Down Down Left; do day_key $k; done
xdotool type --delay 60 "勤労感謝の日"
xdotool key Return
xdotool type --delay 80 "家族で大掃除。"
xdotool key F5
for k in Home Right Right; do day_key $k; done
sleep 0.5
[ "$(xdotool getwindowname "$wid")" = "26/11/03" ] ||
  fail "the calendar keys showed $(xdotool getwindowname "$wid"), not 26/11/03"
# Red holidays, the entries in bold, the status line: 令和8年11月3日(火)　文化の日, 12 文字.
shot e2e-holidays
xdotool key F9
wait_exit
for want in "261103|文化の日|美術館で菊の展示を見た。" "261123|勤労感謝の日|家族で大掃除。"; do
  got=$(sqlite3 "$data/dbVesk.mdb" \
    "select skYmn || '|' || szTtl || '|' || szDoc from tbDoc where skYmn='${want%%|*}'")
  [ "$got" = "$want" ] || fail "holiday entry is '$got', not '$want'"
done

# The listing window with a highlighted word, for the record.
if [ -x "$build/tests/shot_search" ]; then
  bash "$(dirname "$0")/screenshot-search.sh" "$build" "$out" >/dev/null
fi

echo "e2e: passed; screenshots in $out"

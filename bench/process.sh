#!/usr/bin/env bash
# Whole-program figures under a private Xvfb: the time from starting the built drvesk
# to its window being mapped, and its peak resident memory once it sits idle, with the
# largest diary and with an empty one. Each case runs in a temporary HOME of its own,
# so nothing is read from or written to yours.
#
#   bench/process.sh DRVESK RUNS NAME=DIARY.mdb...
#
# DRVESK is the built program (build-bench/bin/drvesk), each NAME=DIARY a diary
# (bench/run.sh gives empty=, oneday=, largest=, largest_noindex=). A case whose name
# ends in _noindex starts every time with an empty cache folder, so its search index is
# built anew in the background; the others start with the index the warm-up start left
# (it waits WARM_SECONDS, 20, for the build). Prints one line per start and the medians
# by name.
set -euo pipefail

bin=$1
runs=$2
shift 2
names=()
declare -A diaries
for arg in "$@"; do
  names+=("${arg%%=*}")
  diaries[${arg%%=*}]=${arg#*=}
done
idle_s=${IDLE_SECONDS:-1}
warm_s=${WARM_SECONDS:-20}

for tool in Xvfb xdpyinfo xdotool; do
  command -v "$tool" >/dev/null || { echo "process.sh: $tool is missing" >&2; exit 1; }
done

scratch=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null || true
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# Our own server on the first free display number (scripts/private-display.sh).
source "$(dirname "$0")/../scripts/private-display.sh"
start_xvfb "$scratch" 1600x1200x24 || { echo "process.sh: no X server" >&2; exit 1; }

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Is the program's window mapped? xdotool's own --sync polls only every half second,
# far too coarse for a start of a few hundred milliseconds, so poll here instead.
mapped() { xdotool search --onlyvisible --pid "$1" >/dev/null 2>&1; }

# A home of its own for each case, made before any timing: copying a large diary just
# before a start would leave the disk busy writing it back while the program starts.
# The homes are reused from start to start, as a user's is; a start writes only the
# window's place into them.
declare -A homes
make_home() {
  local name=$1 diary=$2 home=$scratch/home-$1
  mkdir -p "$home/.local/share/Orbena/drvesk" "$home/.config" "$home/.cache" "$home/run"
  chmod 700 "$home/.local/share/Orbena/drvesk" "$home/run"
  install -m 600 "$diary" "$home/.local/share/Orbena/drvesk/dbVesk.mdb"
  homes[$name]=$home
}

# start NAME [IDLE]: prints "ms hwm_kb rss_kb". Runs in this shell (never in $(...)), so
# the trap knows the program's pid and an exit ends the script.
start() {
  local home=${homes[$1]}
  local idle=${2:-$idle_s}
  local t0 t1
  [[ $1 == *_noindex ]] && rm -rf "$home/.cache"
  t0=$(now_ms)
  env HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" \
    XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/run" LANG=C.UTF-8 LC_ALL=C.UTF-8 \
    QT_QPA_PLATFORM=xcb "$bin" >"$home/out.log" 2>&1 &
  app_pid=$!
  until mapped "$app_pid"; do
    if ! kill -0 "$app_pid" 2>/dev/null; then
      echo "process.sh: drvesk ended before its window was mapped:" >&2
      cat "$home/out.log" "$scratch/xvfb.log" >&2
      exit 1
    fi
    if (($(now_ms) - t0 > 30000)); then
      echo "process.sh: no window after 30 s" >&2
      exit 1
    fi
    sleep 0.002
  done
  t1=$(now_ms)
  sleep "$idle"
  local hwm rss
  hwm=$(awk '/^VmHWM:/{print $2}' "/proc/$app_pid/status")
  rss=$(awk '/^VmRSS:/{print $2}' "/proc/$app_pid/status")
  # A termination request closes the window the normal way.
  kill -TERM "$app_pid"
  wait "$app_pid" || true
  app_pid=
  echo "$((t1 - t0)) $hwm $rss"
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

declare -A ms hwm rss
for name in "${names[@]}"; do
  make_home "$name" "${diaries[$name]}"
done
sync
# One start of each first, unmeasured, so every case finds the libraries and fonts cached
# (and the cases that keep their index find it built).
result=$scratch/result
for name in "${names[@]}"; do
  if [[ $name == *_noindex ]]; then start "$name" >/dev/null; else start "$name" "$warm_s" >/dev/null; fi
done
for ((i = 1; i <= runs; i++)); do
  # Round by round, so a change of machine load hits every case alike.
  for name in "${names[@]}"; do
    start "$name" >"$result"
    read -r m h r <"$result"
    echo "$name run $i: start to mapped ${m} ms, VmHWM ${h} kB, VmRSS ${r} kB"
    ms[$name]+="$m "
    hwm[$name]+="$h "
    rss[$name]+="$r "
  done
done

for name in "${names[@]}"; do
  echo "${name}_start_ms_median=$(tr ' ' '\n' <<<"${ms[$name]}" | grep . | median)"
  echo "${name}_vmhwm_kb_median=$(tr ' ' '\n' <<<"${hwm[$name]}" | grep . | median)"
  echo "${name}_vmrss_kb_median=$(tr ' ' '\n' <<<"${rss[$name]}" | grep . | median)"
done

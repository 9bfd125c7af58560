#!/usr/bin/env bash
# Typed text outlives SIGKILL: the installed program, under a real X server, is killed at
# a random moment while X key events type into its body; the next start offers the text
# back, Return accepts it, and the exit command saves it. The diary must then hold every
# character typed more than two seconds before the kill.
#   scripts/e2e-drafts.sh BUILD_DIR [KILLS]      (KILLS also from DRVESK_E2E_KILLS; 8)
set -euo pipefail
source "$(dirname "$0")/private-display.sh"
in_private_bus "$0" "$@"
build=$(cd "${1:?build folder}" && pwd)
kills=${2:-${DRVESK_E2E_KILLS:-8}}

work=$(mktemp -d)
xvfb_pid=""
app=""
killer=""
cleanup() {
  [ -n "$killer" ] && kill "$killer" 2>/dev/null || true
  [ -n "$app" ] && kill -9 "$app" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "e2e-drafts: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >/dev/null
program=$work/prefix/bin/drvesk

export HOME=$work/home
export XDG_DATA_HOME=$HOME/.local/share XDG_CONFIG_HOME=$HOME/.config
export XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
unset SESSION_MANAGER

start_xvfb "$work" || fail "no X server"

data=$XDG_DATA_HOME/Orbena/drvesk
key=$(date +%y%m%d)
run=0

start_app() {
  run=$((run + 1))
  "$program" >"$work/app$run.log" 2>&1 &
  app=$!
  wid=$(timeout 30 xdotool search --sync --onlyvisible --class drvesk | head -n1) ||
    fail "no window (log: $(cat "$work/app$run.log"))"
}
# The offer is a message box titled with the program's name; the main window's title is
# the shown day. Returns 1 when no box comes within $1 seconds.
accept_offer() {
  local box
  box=$(timeout "$1" xdotool search --sync --onlyvisible --name '^drvesk$' | head -n1) || return 1
  xdotool windowfocus --sync "$box"
  sleep 0.3
  xdotool key Return
  sleep 0.5
}
exit_app() {
  wid=$(xdotool search --onlyvisible --class drvesk | head -n1)
  xdotool windowfocus --sync "$wid"
  sleep 0.3
  xdotool key F9
  for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app" 2>/dev/null && fail "the program did not end"
  wait "$app" || fail "the program ended with status $?"
  app=""
}
stored_body() {
  sqlite3 "$data/dbVesk.mdb" "select szDoc from tbDoc where skYmn='$key'"
}
now_us() { echo $((${EPOCHREALTIME/./})); }

saved=""   # the body the diary holds before a round
total_lost=0
worst_ms=0
for round in $(seq "$kills"); do
  start_app
  if accept_offer 2; then fail "round $round: offered a draft after a clean exit"; fi
  xdotool windowfocus --sync "$wid"
  sleep 0.3
  # From the title into the body, at its end.
  xdotool key Return ctrl+End

  # Letters and digits only, so the editor's trimming of blanks at the ends changes nothing.
  text=""
  for i in $(seq 0 399); do
    text+=$(printf "\\x$(printf %x $((97 + (round * 7 + i) % 26)))")$((i % 10))
  done
  delay_ms=$((300 + RANDOM % 5700))
  (sleep "$(printf '%d.%03d' $((delay_ms / 1000)) $((delay_ms % 1000)))"
   now_us >"$work/killed"
   kill -9 "$app" 2>/dev/null) &
  killer=$!
  : >"$work/times"
  for ((i = 0; i < ${#text}; ++i)); do
    kill -0 "$app" 2>/dev/null || break
    xdotool type --delay 0 "${text:i:1}"
    now_us >>"$work/times"
    sleep 0.02
  done
  wait "$killer" || true
  killer=""
  wait "$app" 2>/dev/null || true
  app=""
  [ -s "$work/killed" ] || fail "round $round: the program was not killed while typing"
  killed=$(cat "$work/killed")
  rm -f "$work/killed"
  # Characters whose key event had gone out more than two seconds before the kill.
  needed=$(awk -v k="$killed" '$1 < k - 2000000 { n++ } END { print n + 0 }' "$work/times")
  typed=$(awk -v k="$killed" '$1 < k { n++ } END { print n + 0 }' "$work/times")

  start_app
  offered=yes
  accept_offer 5 || offered=no
  exit_app
  body=$(stored_body)
  case "$body" in "$saved"*) ;; *) fail "round $round: the diary lost what was saved before";; esac
  got=${body#"$saved"}
  [ "${text:0:${#got}}" = "$got" ] || fail "round $round: restored text '$got' is not what was typed"
  ((${#got} >= needed)) ||
    fail "round $round: $needed characters typed more than 2 s before the kill, ${#got} restored (offer: $offered)"
  # How long before the kill the last restored character was typed.
  lost=$((typed - ${#got}))
  ((lost < 0)) && lost=0
  if ((${#got} < typed)); then
    first_lost_at=$(sed -n "$((${#got} + 1))p" "$work/times")
    ms=$(((killed - first_lost_at) / 1000))
    ((ms > worst_ms)) && worst_ms=$ms
  fi
  total_lost=$((total_lost + lost))
  echo "e2e-drafts: round $round: killed after ${delay_ms} ms, $typed typed, $needed needed, ${#got} restored (offer: $offered)"
  saved=$body
done
# The folder also holds the day's snapshots of the diary; only drafts count here.
aside=$(find "$data/backup" -name 'draft-*' 2>/dev/null)
[ -z "$aside" ] || fail "a draft was put aside: $aside"
ls "$data"/draft*.txt >/dev/null 2>&1 && fail "a draft remained after the clean exit"
echo "e2e-drafts: passed; $kills kills, $total_lost characters lost in all, the oldest typed ${worst_ms} ms before its kill"

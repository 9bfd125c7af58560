#!/usr/bin/env bash
# Runs a test program on a display of its own: Xvfb, Qt's xcb platform.
#   scripts/under-xvfb.sh PROGRAM [ARGUMENTS...]
set -euo pipefail
work=$(mktemp -d)
xvfb=""
cleanup() {
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# -noreset: the display must outlive its last client, or a client that connects while
# it resets fails. Xvfb reports its number once it listens.
exec 3>"$work/display"
Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "under-xvfb: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$work/display")
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
export QT_QPA_PLATFORM=xcb
"$@"

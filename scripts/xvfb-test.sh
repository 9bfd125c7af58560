#!/usr/bin/env bash
# Runs a test program on a real X server of its own (Xvfb, xcb platform) under a session
# bus of its own, for what the offscreen platform hides: key bindings, shortcut contexts,
# window ownership.
#   scripts/xvfb-test.sh PROGRAM [ARGS...]
set -euo pipefail
source "$(dirname "$0")/private-display.sh"
in_private_bus "$0" "$@"
work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
start_xvfb "$work"
export QT_QPA_PLATFORM=xcb
"$@"

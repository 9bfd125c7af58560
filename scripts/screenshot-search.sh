#!/usr/bin/env bash
# Saves a picture of the listing window with a highlighted search word.
# Usage: screenshot-search.sh BUILD_DIR OUT_DIR
# BUILD_DIR is a configured and built tree (target shot_search); nothing is built here.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR OUT_DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
shot=$build/tests/shot_search
if [ ! -x "$shot" ]; then
  echo "$shot is missing: build the target shot_search first" >&2
  exit 1
fi
mkdir -p "$2"
out=$(cd "$2" && pwd)/search-listing.png

source "$(dirname "$0")/private-display.sh"
scratch=$(mktemp -d)
xvfb_pid=""
cleanup() {
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
start_xvfb "$scratch" 1280x1000x24

# A home of its own, so nothing touches the real one.
mkdir -p "$scratch/home/run"
chmod 700 "$scratch/home/run"
env -i PATH="$PATH" DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb LANG=C.UTF-8 LC_ALL=C.UTF-8 \
  HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/home/run" \
  XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$scratch/home/.local/share" \
  XDG_CACHE_HOME="$scratch/home/.cache" \
  "$shot" "$out"
echo "$out"

#!/usr/bin/env bash
# Makes the pictures that the README shows: the main window on a month with holidays and
# entries, the listing window with a highlighted search word, the year at a glance and the
# diary's figures.
# Usage: screenshots.sh BUILD_DIR [OUT_DIR]     (OUT_DIR defaults to docs/)
# BUILD_DIR is a configured tree with the targets shot_main, shot_search and shot_lookback
# built:
#   cmake --build --preset dev --target shot_main shot_search shot_lookback
#   (then: screenshots.sh build-dev)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 BUILD_DIR [OUT_DIR]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
for shot in shot_main shot_search shot_lookback; do
  if [ ! -x "$build/tests/$shot" ]; then
    echo "$build/tests/$shot is missing: build the target $shot first" >&2
    exit 1
  fi
done
mkdir -p "${2:-$here/../docs}"
out=$(cd "${2:-$here/../docs}" && pwd)

# A home of its own, so nothing touches the real one.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/run"
chmod 700 "$scratch/run"
env -i PATH="$PATH" LANG=C.UTF-8 LC_ALL=C.UTF-8 \
  HOME="$scratch" XDG_RUNTIME_DIR="$scratch/run" XDG_CONFIG_HOME="$scratch/.config" \
  XDG_DATA_HOME="$scratch/.local/share" XDG_CACHE_HOME="$scratch/.cache" \
  bash "$here/xvfb-test.sh" "$build/tests/shot_main" "$out/main-window.png"
bash "$here/screenshot-search.sh" "$build" "$out" >/dev/null
env -i PATH="$PATH" LANG=C.UTF-8 LC_ALL=C.UTF-8 \
  HOME="$scratch" XDG_RUNTIME_DIR="$scratch/run" XDG_CONFIG_HOME="$scratch/.config" \
  XDG_DATA_HOME="$scratch/.local/share" XDG_CACHE_HOME="$scratch/.cache" \
  bash "$here/xvfb-test.sh" "$build/tests/shot_lookback" "$out/year-window.png" "$out/figures.png"

# Fewer colours keep the pictures small in the repository; text stays sharp.
if command -v convert >/dev/null && convert -version 2>/dev/null | grep -q ImageMagick; then
  for png in "$out/main-window.png" "$out/search-listing.png" "$out/year-window.png" \
    "$out/figures.png"; do
    convert "$png" -strip -colors 128 "PNG8:$png"
  done
fi
echo "$out/main-window.png"
echo "$out/search-listing.png"
echo "$out/year-window.png"
echo "$out/figures.png"

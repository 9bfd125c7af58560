#!/usr/bin/env bash
# Makes the README's pictures of a printed page: a small diary printed to PDF in each
# direction (横書き, 縦書き) and the first page of each rendered by pdftoppm.
# Usage: print-pictures.sh BUILD_DIR [OUT_DIR]     (OUT_DIR defaults to docs/)
# BUILD_DIR is a configured tree with the target shot_print built:
#   cmake --build --preset dev --target shot_print   (then: print-pictures.sh build-dev)
# Needs poppler-utils (pdftoppm); no X server.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 BUILD_DIR [OUT_DIR]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
if [ ! -x "$build/tests/shot_print" ]; then
  echo "$build/tests/shot_print is missing: build the target shot_print first" >&2
  exit 1
fi
mkdir -p "${2:-$here/../docs}"
out=$(cd "${2:-$here/../docs}" && pwd)

# A home of its own, so nothing touches the real one.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/run" "$scratch/pdf"
chmod 700 "$scratch/run"
env -i PATH="$PATH" LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen \
  HOME="$scratch" XDG_RUNTIME_DIR="$scratch/run" XDG_CONFIG_HOME="$scratch/.config" \
  XDG_DATA_HOME="$scratch/.local/share" XDG_CACHE_HOME="$scratch/.cache" \
  DRVESK_TEMPLATE="$build/bin/apData/dbVesk.mdb" \
  "$build/tests/shot_print" "$scratch/pdf" >/dev/null
for direction in horizontal vertical; do
  pdftoppm -png -r 110 -f 1 -l 1 -singlefile "$scratch/pdf/print-$direction.pdf" \
    "$out/print-$direction"
  # Fewer colours keep the pictures small in the repository; text stays sharp.
  if command -v convert >/dev/null && convert -version 2>/dev/null | grep -q ImageMagick; then
    convert "$out/print-$direction.png" -strip -colors 64 "PNG8:$out/print-$direction.png"
  fi
  echo "$out/print-$direction.png"
done

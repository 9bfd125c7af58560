#!/usr/bin/env bash
# Builds drvesk (preset dev, build-dev/) and starts it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
bash scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target drvesk
exec "$here/build-dev/bin/drvesk"

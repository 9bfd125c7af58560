#!/usr/bin/env bash
# Builds drvesk and runs every test (preset dev, build-dev/), then again in a build with
# sanitizers (preset asan, build-asan/): the presets of CMakePresets.json.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
bash scripts/setup.sh
# A badly formatted file fails the run before anything is built.
bash scripts/format-check.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer: any
# error or leak they find fails its test. DRVESK_SANITIZE=0 leaves this part out.
if [ "${DRVESK_SANITIZE:-1}" != 0 ]; then
  cmake --preset asan >/dev/null
  cmake --build --preset asan
  # The preset makes fewer kills than the ordinary run (DRVESK_CRASH_ROUNDS 60): each
  # costs several times as much here. It leaves out the end-to-end runs: they type into
  # the program with X key events at a fixed pace, which the slowed program cannot
  # follow. A DRVESK_CRASH_ROUNDS of your own is kept (preset asan-rounds).
  if [ -n "${DRVESK_CRASH_ROUNDS:-}" ]; then
    ctest --preset asan-rounds
  else
    ctest --preset asan
  fi
fi

#!/usr/bin/env bash
# Builds drvesk and runs every test, then again in a build with sanitizers.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
bash "$here/scripts/setup.sh"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2
cd "$build"
ctest --output-on-failure -j2

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer: any
# error or leak they find fails its test. DRVESK_SANITIZE=0 leaves this part out.
if [ "${DRVESK_SANITIZE:-1}" != 0 ]; then
  asan=${ASAN_BUILD_DIR:-$here/build-asan}
  flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
  cmake -S "$here" -B "$asan" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS="$flags" \
    -DCMAKE_CXX_FLAGS="$flags" >/dev/null
  cmake --build "$asan" -j2
  cd "$asan"
  # Fewer kills than the ordinary run: each costs several times as much here. The
  # end-to-end runs type into the program with X key events at a fixed pace, which the
  # slowed program cannot follow; they run in the ordinary build only.
  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    DRVESK_CRASH_ROUNDS="${DRVESK_CRASH_ROUNDS:-60}" \
    ctest --output-on-failure -j2 -E '^e2e'
fi

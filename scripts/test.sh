#!/usr/bin/env bash
# The test command: installs what is missing, builds with warnings as errors and with
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs every test. Tests that need a
# database start throwaway servers through a ctest fixture and stop them at the end.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QEL_BUILD_DIR:-$root/build}"
jobs="$(nproc 2>/dev/null || echo 2)"

"$root/scripts/install-deps.sh"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DQEL_WERROR=ON -DQEL_SANITIZE=ON \
  -DQEL_BUILD_BENCH=ON
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
cd "$build"
ctest --output-on-failure -j "$jobs" "$@"

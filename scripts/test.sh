#!/usr/bin/env bash
# The test command: installs what is missing, builds with warnings as errors and with
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs every test. Tests that need a
# database start throwaway servers through a ctest fixture and stop them at the end. Then a
# second build with ThreadSanitizer (it cannot share a program with AddressSanitizer) builds
# and runs the tests of the code that starts threads (ctest label "threads"), and nothing else.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QEL_BUILD_DIR:-$root/build}"
tsan_build="${QEL_TSAN_BUILD_DIR:-$root/build-tsan}"
jobs="$(nproc 2>/dev/null || echo 2)"

"$root/scripts/install-deps.sh"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DQEL_WERROR=ON -DQEL_SANITIZE=ON \
  -DQEL_BUILD_BENCH=ON
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
(cd "$build" && ctest --output-on-failure -j "$jobs" "$@")

# The arguments select among the thread tests too; with "-L unit" (the tests without a server)
# only the thread tests without a server are built and run, and no server is started.
tsan_targets=(varnel_thread_tests varnel_pg_read_ahead_db_tests varnel_table_data_db_tests)
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  case "${args[i]}" in
    -Lunit | --label-regex=unit) tsan_targets=(varnel_thread_tests) ;;
    -L | --label-regex) [[ ${args[i + 1]:-} == unit ]] && tsan_targets=(varnel_thread_tests) ;;
  esac
done
cmake -S "$root" -B "$tsan_build" -DCMAKE_BUILD_TYPE=Debug -DQEL_WERROR=ON -DQEL_SANITIZE_THREAD=ON
cmake --build "$tsan_build" -j "$jobs" --target "${tsan_targets[@]}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}"
cd "$tsan_build"
# Every -L must match: "-L threads -L unit" runs the thread tests labelled unit.
ctest --output-on-failure -j "$jobs" -L threads "$@"

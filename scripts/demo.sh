#!/usr/bin/env bash
# The demo: installs what is missing, builds the example program (Release, in build-demo/) and
# prints the update script that turns the bundled order-entry schema of version 1
# (examples/data/orders_v1.sql) into version 2 (examples/data/orders_v2.sql).
#
#   scripts/demo.sh                     the bundled pair
#   scripts/demo.sh MASTER.sql TARGET.sql   any two PostgreSQL scripts
#
# The update script goes to standard output; the build's progress and the comparer's messages
# go to standard error. Exit code: that of `varnel compare` (0 success, 1 the scripts could not
# be read or compared, 2 bad arguments), or the build's when it failed.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QEL_DEMO_BUILD_DIR:-$root/build-demo}"
jobs="$(nproc 2>/dev/null || echo 2)"

if (($# != 0 && $# != 2)); then
  echo "usage: scripts/demo.sh [MASTER.sql TARGET.sql]" >&2
  exit 2
fi
master="${1:-$root/examples/data/orders_v2.sql}"
target="${2:-$root/examples/data/orders_v1.sql}"

{
  "$root/scripts/install-deps.sh"
  echo "demo: building the example program in $build"
  mkdir -p "$build"
  log="$build/demo-build.log"
  # The build's output is kept in a log and shown only when the build fails.
  if ! { cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQEL_WERROR=OFF \
    -DQEL_SANITIZE=OFF -DQEL_BUILD_TESTS=OFF -DQEL_BUILD_BENCH=OFF &&
    cmake --build "$build" -j "$jobs" --target varnel_cli; } >"$log" 2>&1; then
    cat "$log"
    echo "demo: the build failed (log: $log)"
    exit 1
  fi
  echo "demo: varnel compare --dialect postgresql --master $master --target $target"
  echo
} >&2

exec "$build/examples/varnel" compare --dialect postgresql --master "$master" --target "$target"

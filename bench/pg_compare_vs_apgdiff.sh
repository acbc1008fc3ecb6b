#!/usr/bin/env bash
# Two PostgreSQL scripts of 10,000 tables (keys, indexes, views; 1% of the tables changed),
# compared end to end by `varnel compare` and by apgdiff on the very same files, in one run.
#
#   bench/pg_compare_vs_apgdiff.sh [RUNS]
#
# Builds bench_pg_compare and the example program (Release, in build-bench-pg/ or
# $QEL_BENCH_BUILD_DIR), runs bench_pg_compare (which writes the two scripts and reports the
# parser's and the whole comparison's MB/s), then times both programs on the two files with
# hyperfine (or, without it, with bash's clock) and prints the ratio of their mean times.
# apgdiff comes from the Debian package of that name; it is installed when missing.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QEL_BENCH_BUILD_DIR:-$root/build-bench-pg}"
runs="${1:-5}"
jobs="$(nproc 2>/dev/null || echo 2)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

if ! command -v apgdiff >/dev/null; then
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq apgdiff >/dev/null
fi

echo "== build (Release) in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQEL_WERROR=OFF -DQEL_SANITIZE=OFF \
  -DQEL_BUILD_TESTS=OFF -DQEL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$jobs" --target bench_pg_compare varnel_cli >/dev/null
varnel="${QEL_VARNEL:-$build/examples/varnel}"

echo "== bench_pg_compare (writes the scripts to $work)"
QEL_PG_BENCH_DIR="$work" "$build/bench/bench_pg_compare" --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true
master="$work/pg_bench_master.sql"
target="$work/pg_bench_target.sql"
ls -l "$master" "$target"

# Both programs must succeed on the files before they are timed.
"$varnel" compare --dialect postgresql --master "$master" --target "$target" >"$work/varnel.sql"
apgdiff "$target" "$master" >"$work/apgdiff.sql"
echo "update scripts: varnel $(wc -l <"$work/varnel.sql") lines," \
  "apgdiff $(wc -l <"$work/apgdiff.sql") lines"

varnel_cmd="$varnel compare --dialect postgresql --master $master --target $target"
apgdiff_cmd="apgdiff $target $master"

echo "== end to end, $runs runs each"
if command -v hyperfine >/dev/null; then
  hyperfine --warmup 1 --runs "$runs" --export-json "$work/times.json" \
    --command-name varnel "$varnel_cmd >/dev/null" \
    --command-name apgdiff "$apgdiff_cmd >/dev/null"
  python3 - "$work/times.json" <<'EOF'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
print(f"varnel {r['varnel']:.3f} s, apgdiff {r['apgdiff']:.3f} s: "
      f"varnel is {r['apgdiff'] / r['varnel']:.1f} times as fast end to end")
EOF
else
  mean() {
    local start end
    start=$(date +%s.%N)
    for ((i = 0; i < runs; i++)); do eval "$1" >/dev/null; done
    end=$(date +%s.%N)
    echo "($end - $start) / $runs" | bc -l
  }
  v=$(mean "$varnel_cmd")
  a=$(mean "$apgdiff_cmd")
  printf 'varnel %.3f s, apgdiff %.3f s: varnel is %.1f times as fast end to end\n' \
    "$v" "$a" "$(echo "$a / $v" | bc -l)"
fi

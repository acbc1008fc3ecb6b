#!/usr/bin/env bash
# The PostgreSQL catalog extractor next to pg_dump --schema-only on the same database:
# bench_pg_extract makes (once) a database of 2,000 tables with 20 columns, keys and an index
# each and times one extraction of it; pg_dump --schema-only then dumps that very database, in
# the same run. Prints the median time of each over several rounds and the ratio.
#
# The two are timed in turn within each round, so that a busy machine slows them alike. pg_dump
# writes to /dev/null; its start-up is part of its time, as the connect is part of the
# extractor's.
#
# Usage: bench/pg_extract_vs_pg_dump.sh [BUILD_DIR]
#   BUILD_DIR is a build configured with -DQEL_BUILD_BENCH=ON, best a Release build without
#   sanitizers (default: build-bench-pgx beside this folder's parent, configured when absent).
#   The server comes from QEL_PG_HOST/PORT/USER/PASSWORD/DATABASE; when they are not set, the
#   script starts the throwaway servers of scripts/dbservers.sh and stops them after.
#   QEL_BENCH_ROUNDS (5) sets the number of rounds; QEL_BENCH_PG_DATABASE (qel_bench_pgx) names
#   the benchmark database, which is kept for later runs.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build-bench-pgx}"
ROUNDS="${QEL_BENCH_ROUNDS:-5}"
export QEL_BENCH_PG_DATABASE="${QEL_BENCH_PG_DATABASE:-qel_bench_pgx}"

. "$ROOT/bench/lib.sh"
bench_build bench_pg_extract
bench_need_tools jq pg_dump
bench_pg_server "$QEL_BENCH_PG_DATABASE"
BENCH="$BUILD/bench/bench_pg_extract"

# Milliseconds of one extraction (the benchmark's own repetitions, real time).
extract_ms() {
  "$BENCH" --benchmark_filter=BM_PGExtract --benchmark_min_time=0.01 \
    --benchmark_format=json 2>/dev/null | jq -e '.benchmarks[0].real_time'
}
# Milliseconds of one pg_dump --schema-only of the benchmark database.
pg_dump_ms() {
  local start end
  start=$(date +%s.%N)
  pg_dump --schema-only >/dev/null
  end=$(date +%s.%N)
  echo "$end $start" | awk '{ printf "%.3f\n", ($1 - $2) * 1000 }'
}

# A first run makes the database (once) and warms the server and its caches.
if ! extract_ms >/dev/null; then
  "$BENCH" --benchmark_filter=BM_PGExtract --benchmark_min_time=0.01 >&2 || true
  echo "bench_pg_extract failed" >&2
  exit 1
fi
pg_dump --schema-only >/dev/null
: >"$WORK/extract" && : >"$WORK/dump"
for _ in $(seq "$ROUNDS"); do
  extract_ms >>"$WORK/extract"
  pg_dump_ms >>"$WORK/dump"
done

EXTRACT=$(median <"$WORK/extract")
DUMP=$(median <"$WORK/dump")
awk -v x="$EXTRACT" -v d="$DUMP" -v r="$ROUNDS" 'BEGIN {
  printf "database:                        2000 tables x 20 columns, keys and an index each\n";
  printf "rounds:                          %d (medians)\n", r;
  printf "TPGDBExtract.ExtractDatabase:    %8.1f ms\n", x;
  printf "pg_dump --schema-only:           %8.1f ms\n", d;
  printf "ratio, pg_dump time / extractor: %.2f\n", d / x;
}'

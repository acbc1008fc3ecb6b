#!/usr/bin/env bash
# The table data comparer next to the floor of reading both tables: bench_table_data compares
# two PostgreSQL tables of QEL_BENCH_ROWS rows (default 1,000,000; 1% of the rows differ) in
# script mode, and in the same run psql copies both tables, ordered by key as the comparer reads
# them, to /dev/null:
#
#   psql -c "COPY (SELECT * FROM qel_bench_dm ORDER BY id) TO STDOUT" >/dev/null
#   psql -c "COPY (SELECT * FROM qel_bench_dt ORDER BY id) TO STDOUT" >/dev/null
#
# Prints rows per second of each (rows of both tables; the median of several rounds), their
# ratio, and the comparer's peak resident memory at 1/10 of the rows and at all of them, which
# shows whether memory grows with the row count.
#
# Usage: bench/table_data_vs_copy.sh [BUILD_DIR]
#   BUILD_DIR is a build configured with -DQEL_BUILD_BENCH=ON, best a Release build without
#   sanitizers (default: build-bench-data beside this folder's parent, configured when absent).
#   The server comes from QEL_PG_HOST/PORT/USER/PASSWORD/DATABASE; when they are not set, the
#   script starts the throwaway servers of scripts/dbservers.sh and stops them after.
#   QEL_BENCH_ROUNDS (3) sets the number of rounds.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build-bench-data}"
ROUNDS="${QEL_BENCH_ROUNDS:-3}"
ROWS="${QEL_BENCH_ROWS:-1000000}"

. "$ROOT/bench/lib.sh"
bench_build bench_table_data
bench_need_tools jq psql
bench_pg_server
PSQL=(psql -X -q -v ON_ERROR_STOP=1)
BENCH="$BUILD/bench/bench_table_data"
export QEL_BENCH_SCRIPT="$WORK/result.sql"

# One comparer run (its own process, so that its peak memory is its own): "rows/s peak_MiB".
comparer() {
  QEL_BENCH_ROWS="$1" "$BENCH" --benchmark_format=json 2>/dev/null |
    jq -r '.benchmarks[0] | "\(.items_per_second) \(.peak_rss_MiB) \(.rows) \(.label)"'
}
copy_seconds() {
  local start end
  start=$(date +%s.%N)
  "${PSQL[@]}" -c "COPY (SELECT * FROM qel_bench_dm ORDER BY id) TO STDOUT" >/dev/null
  "${PSQL[@]}" -c "COPY (SELECT * FROM qel_bench_dt ORDER BY id) TO STDOUT" >/dev/null
  end=$(date +%s.%N)
  echo "$end $start" | awk '{ printf "%.6f\n", $1 - $2 }'
}

# The small run first (it makes its own tables), then the full one, which also leaves its
# tables for the copies; a first full run makes the tables and warms the server.
SMALL=$(comparer $((ROWS / 10)))
comparer "$ROWS" >/dev/null
: >"$WORK/cmp" && : >"$WORK/copy" && : >"$WORK/mem"
LAST=""
for _ in $(seq "$ROUNDS"); do
  LAST=$(comparer "$ROWS")
  echo "$LAST" | awk '{ print $1 }' >>"$WORK/cmp"
  echo "$LAST" | awk '{ print $2 }' >>"$WORK/mem"
  copy_seconds >>"$WORK/copy"
done
BOTH=$(echo "$LAST" | awk '{ print $3 }')
LABEL=$(echo "$LAST" | cut -d' ' -f4-)
CMP=$(median <"$WORK/cmp")
COPY=$(median <"$WORK/copy")
MEM=$(sort -g "$WORK/mem" | tail -1)
SMALL_MEM=$(echo "$SMALL" | awk '{ print $2 }')
SMALL_ROWS=$(echo "$SMALL" | awk '{ print $3 }')
awk -v n="$BOTH" -v c="$CMP" -v p="$COPY" -v m="$MEM" -v sm="$SMALL_MEM" -v sn="$SMALL_ROWS" \
  -v r="$ROUNDS" -v l="$LABEL" 'BEGIN {
  printf "tables:                  %d rows of both tables, median of %d rounds\n", n, r;
  printf "comparer (script mode):  %10.0f rows/s   (%s)\n", c, l;
  printf "psql COPY of both:       %10.0f rows/s\n", n / p;
  printf "ratio, COPY vs comparer: %.2f\n", (n / p) / c;
  printf "peak memory:             %.1f MiB at %d rows, %.1f MiB at %d rows\n", sm, sn, m, n;
}'

#!/usr/bin/env bash
# The script executor next to psql on the same script: bench_exec_inserts runs 10,000 small
# INSERT statements through the executor against local PostgreSQL and writes its script text
# to a file; psql then runs that very file against the same server, in the same run. Prints
# statements per second of each (the median of several rounds) and the ratios.
#
#   executor, data statements    one transaction for the run (as data scripts run)
#   executor, plain statements   a transaction per statement (BEGIN, statement, COMMIT)
#   psql                         autocommit, one implicit transaction per statement
#   psql --single-transaction    one transaction for the file
#
# The four are timed in turn within each round, so that a busy machine slows them alike; the
# start-up of psql (timed on an empty file) is taken off its times.
#
# Usage: bench/exec_vs_psql.sh [BUILD_DIR]
#   BUILD_DIR is a build configured with -DQEL_BUILD_BENCH=ON, best a Release build without
#   sanitizers (default: build-bench-exec beside this folder's parent, configured when
#   absent). The server comes from QEL_PG_HOST/PORT/USER/PASSWORD/DATABASE; when they are not
#   set, the script starts the throwaway servers of scripts/dbservers.sh and stops them after.
#   QEL_BENCH_ROUNDS (5) sets the number of rounds.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build-bench-exec}"
ROUNDS="${QEL_BENCH_ROUNDS:-5}"

. "$ROOT/bench/lib.sh"
bench_build bench_exec_inserts
bench_need_tools jq psql
bench_pg_server
PSQL=(psql -X -q -v ON_ERROR_STOP=1)
SCRIPT="$WORK/inserts.sql"
BENCH="$BUILD/bench/bench_exec_inserts"

# Statements per second of one executor run (Data or Plain).
executor_rate() {
  "$BENCH" --benchmark_filter="BM_ExecInserts_$1" --benchmark_min_time=0.01 \
    --benchmark_format=json 2>/dev/null | jq '.benchmarks[0].items_per_second'
}
# Seconds of one psql run on a file, extra options first.
psql_seconds() {
  "${PSQL[@]}" -c 'TRUNCATE qel_bench_exec'
  local start end
  start=$(date +%s.%N)
  "${PSQL[@]}" "$@"
  end=$(date +%s.%N)
  echo "$end $start" | awk '{ printf "%.6f\n", $1 - $2 }'
}

# A first run writes the script and warms the server.
QEL_EXEC_SCRIPT="$SCRIPT" "$BENCH" --benchmark_min_time=0.01 >/dev/null 2>&1
N=$(grep -c '^INSERT' "$SCRIPT")
: >"$WORK/data" && : >"$WORK/plain" && : >"$WORK/auto" && : >"$WORK/one" && : >"$WORK/empty"
for _ in $(seq "$ROUNDS"); do
  executor_rate Data >>"$WORK/data"
  psql_seconds --single-transaction -f "$SCRIPT" >>"$WORK/one"
  executor_rate Plain >>"$WORK/plain"
  psql_seconds -f "$SCRIPT" >>"$WORK/auto"
  psql_seconds -f /dev/null >>"$WORK/empty"
done
"${PSQL[@]}" -c 'DROP TABLE qel_bench_exec'

DATA=$(median <"$WORK/data")
PLAIN=$(median <"$WORK/plain")
AUTO=$(median <"$WORK/auto")
ONE=$(median <"$WORK/one")
EMPTY=$(median <"$WORK/empty")
awk -v n="$N" -v d="$DATA" -v p="$PLAIN" -v a="$AUTO" -v o="$ONE" -v e="$EMPTY" -v r="$ROUNDS" 'BEGIN {
  pa = n / (a - e); po = n / (o - e);
  printf "script:                          %d INSERT statements, median of %d rounds\n", n, r;
  printf "executor, data statements:       %8.0f statements/s\n", d;
  printf "executor, plain statements:      %8.0f statements/s\n", p;
  printf "psql (autocommit):               %8.0f statements/s\n", pa;
  printf "psql --single-transaction:       %8.0f statements/s\n", po;
  printf "ratio, data vs psql -1:          %.2f\n", d / po;
  printf "ratio, plain vs psql:            %.2f\n", p / pa;
}'

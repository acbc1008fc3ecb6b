#!/usr/bin/env bash
# The live comparison of two PostgreSQL databases next to ONE pg_dump --schema-only, at several
# sizes side by side in one run (1,000 and 10,000 tables per side unless QEL_BENCH_PG_SIZES says
# otherwise). For each size bench_pg_extract makes (once) the two databases it describes, each
# table with 20 columns, keys, an index, a trigger function and a trigger, views and domains, the
# second differing from the first in 1% of its tables. In each round it times:
#
#   one extraction of the master database,
#   the comparison (ExtractDatabases + CompareDatabases) reading the master's catalog on a
#     second connection while the target's is read,
#   the same comparison reading the master after the target, as every comparison did before,
#   pg_dump --schema-only of the master database.
#
# Prints the medians over the rounds and each comparison's ratio to one pg_dump. Everything is
# timed in turn within each round, so that a busy machine slows all alike; pg_dump writes to
# /dev/null and its start-up is part of its time, as the connect is part of the comparison's.
#
# Usage: bench/pg_extract_compare_sizes.sh [BUILD_DIR]
#   BUILD_DIR as for bench/pg_extract_vs_pg_dump.sh (a Release build with -DQEL_BUILD_BENCH=ON;
#   default build-bench-pgx beside this folder's parent, configured when absent). The server
#   comes from QEL_PG_HOST/PORT/USER/PASSWORD/DATABASE; when they are not set, the script starts
#   the throwaway servers of scripts/dbservers.sh and stops them after.
#   QEL_BENCH_PG_SIZES ("1000 10000") the tables per side of each size; QEL_BENCH_ROUNDS (3) the
#   rounds. The databases are named qel_bench_pgx_SIZE and qel_bench_pgx_SIZE_target and kept
#   for later runs (making those of 10,000 tables takes minutes).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build-bench-pgx}"
ROUNDS="${QEL_BENCH_ROUNDS:-3}"
SIZES="${QEL_BENCH_PG_SIZES:-1000 10000}"

. "$ROOT/bench/lib.sh"
bench_build bench_pg_extract
bench_need_tools jq pg_dump
bench_pg_server
BENCH="$BUILD/bench/bench_pg_extract"

: >"$WORK/table"
for size in $SIZES; do
  export QEL_BENCH_PG_TABLES="$size" QEL_BENCH_PG_DATABASE="qel_bench_pgx_$size"
  # A first comparison makes the databases (once) and warms the server and its caches.
  bench_first_run '^BM_PGCompareDatabases/' "bench_pg_extract at $size tables"
  pg_dump --schema-only -d "$QEL_BENCH_PG_DATABASE" >/dev/null
  for f in extract ahead serial dump; do : >"$WORK/$f"; done
  for _ in $(seq "$ROUNDS"); do
    bench_ms BM_PGExtract >>"$WORK/extract"
    bench_ms BM_PGCompareDatabases >>"$WORK/ahead"
    pg_dump_ms "$QEL_BENCH_PG_DATABASE" >>"$WORK/dump"
    bench_ms BM_PGCompareDatabasesSerial >>"$WORK/serial"
  done
  echo "$size $(median <"$WORK/dump") $(median <"$WORK/extract") $(median <"$WORK/serial") $(median <"$WORK/ahead")" >>"$WORK/table"
done

echo "rounds: $ROUNDS (medians, ms); comparison = ExtractDatabases + CompareDatabases of two databases"
awk 'BEGIN {
  printf "%-8s %12s %12s %18s %18s %12s %14s\n", "tables", "pg_dump -s", "extraction", "compare, serial",
    "compare, ahead", "serial/dump", "ahead/dump";
}
{
  printf "%-8s %12.1f %12.1f %18.1f %18.1f %12.2f %14.2f\n", $1, $2, $3, $4, $5, $4 / $2, $5 / $2;
}
END { printf "goal: ahead/dump at most 1.10\n" }' "$WORK/table"

#!/usr/bin/env bash
# The PostgreSQL catalog extractor next to pg_dump --schema-only on the same databases, and the
# comparison of two databases next to the two extractions it is made of. bench_pg_extract makes
# (once) two databases of 2,000 tables with 20 columns, keys, an index, a trigger function and a
# trigger each, views and domains (the second differing from the first in 1% of its tables); in
# each round it times one extraction of each and one comparison of the two (in two steps,
# ExtractDatabases then CompareDatabases, and in one call, ExtractAndCompareDatabases; both read
# the master's catalog on a second connection while the target's is read, and the two steps once
# more reading the master after the target, as before), and pg_dump --schema-only dumps each of
# the very same databases. Prints the median time of each over the rounds and the ratios, the
# comparison's also to ONE pg_dump (bench/pg_extract_compare_sizes.sh does that at 1,000 and
# 10,000 tables).
#
# Everything is timed in turn within each round, so that a busy machine slows all alike.
# pg_dump writes to /dev/null; its start-up is part of its time, as the connect is part of the
# extractor's.
#
# Usage: bench/pg_extract_vs_pg_dump.sh [BUILD_DIR]
#   BUILD_DIR is a build configured with -DQEL_BUILD_BENCH=ON, best a Release build without
#   sanitizers (default: build-bench-pgx beside this folder's parent, configured when absent).
#   The server comes from QEL_PG_HOST/PORT/USER/PASSWORD/DATABASE; when they are not set, the
#   script starts the throwaway servers of scripts/dbservers.sh and stops them after.
#   QEL_BENCH_ROUNDS (5) sets the number of rounds; QEL_BENCH_PG_DATABASE (qel_bench_pgx) names
#   the master database (the target is the same name with "_target"); both are kept for later
#   runs.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build-bench-pgx}"
ROUNDS="${QEL_BENCH_ROUNDS:-5}"
export QEL_BENCH_PG_DATABASE="${QEL_BENCH_PG_DATABASE:-qel_bench_pgx}"
MASTER_DB="$QEL_BENCH_PG_DATABASE"
TARGET_DB="${QEL_BENCH_PG_DATABASE}_target"

. "$ROOT/bench/lib.sh"
bench_build bench_pg_extract
bench_need_tools jq pg_dump
bench_pg_server "$MASTER_DB"
BENCH="$BUILD/bench/bench_pg_extract"

# A first run makes the databases (once) and warms the server and its caches; it also shows
# what each read holds.
bench_first_run "" bench_pg_extract
pg_dump --schema-only -d "$MASTER_DB" >/dev/null
pg_dump --schema-only -d "$TARGET_DB" >/dev/null
for f in extract_m extract_t compare compare1 serial dump_m dump_t; do : >"$WORK/$f"; done
for _ in $(seq "$ROUNDS"); do
  bench_ms BM_PGExtract >>"$WORK/extract_m"
  pg_dump_ms "$MASTER_DB" >>"$WORK/dump_m"
  bench_ms BM_PGExtractTarget >>"$WORK/extract_t"
  pg_dump_ms "$TARGET_DB" >>"$WORK/dump_t"
  bench_ms BM_PGCompareDatabases >>"$WORK/compare"
  bench_ms BM_PGExtractAndCompareDatabases >>"$WORK/compare1"
  bench_ms BM_PGCompareDatabasesSerial >>"$WORK/serial"
done

jq -r '.benchmarks[] | select(.name == "BM_PGExtract/real_time") |
  "read per side:                   \(.tables) tables, \(.functions) functions, \(.triggers) triggers, \(.views) views, \(.domains) domains and types"' \
  "$WORK/first.json"
XM=$(median <"$WORK/extract_m")
XT=$(median <"$WORK/extract_t")
DM=$(median <"$WORK/dump_m")
DT=$(median <"$WORK/dump_t")
CMP=$(median <"$WORK/compare")
CMP1=$(median <"$WORK/compare1")
SER=$(median <"$WORK/serial")
awk -v xm="$XM" -v xt="$XT" -v dm="$DM" -v dt="$DT" -v c="$CMP" -v c1="$CMP1" -v s="$SER" -v r="$ROUNDS" 'BEGIN {
  printf "databases:                       2 x 2000 tables x 20 columns, keys, an index, a function and a trigger each; views, domains\n";
  printf "rounds:                          %d (medians)\n", r;
  printf "extraction, master:              %8.1f ms   pg_dump --schema-only: %8.1f ms   pg_dump / extractor: %.2f\n", xm, dm, dm / xm;
  printf "extraction, target:              %8.1f ms   pg_dump --schema-only: %8.1f ms   pg_dump / extractor: %.2f\n", xt, dt, dt / xt;
  printf "comparison, in two steps:        %8.1f ms   / both extractions: %.3f (goal: below 1.10)   / both pg_dumps: %.2f\n", c, c / (xm + xt), c / (dm + dt);
  printf "comparison, in one call:         %8.1f ms   / both extractions: %.3f (goal: below 1.10)   / both pg_dumps: %.2f\n", c1, c1 / (xm + xt), c1 / (dm + dt);
  printf "comparison, master after target: %8.1f ms   / both extractions: %.3f\n", s, s / (xm + xt);
  printf "comparison / one pg_dump of the master: master read ahead %.2f (goal: at most 1.10), master after target %.2f\n", c / dm, s / dm;
}'

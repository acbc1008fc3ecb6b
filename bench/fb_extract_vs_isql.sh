#!/usr/bin/env bash
# The Firebird catalog extractor next to isql-fb -x on the same database. Makes (once) a database
# of 1,000 tables with 8 columns, a primary key, an index, a trigger and a procedure each, and a
# view over every tenth table; in each round it times `varnel extract --db firebird://...` and
# `isql-fb -x` of that database, one after the other, each to /dev/null, with bash's clock.
# Prints the median of each over the rounds and their ratio.
#
# Both programs are timed as a user runs them: start-up and connect are part of each time.
#
# Usage: bench/fb_extract_vs_isql.sh [BUILD_DIR]
#   BUILD_DIR is a Release build without sanitizers (default: build-bench-fbx beside this
#   folder's parent, configured when absent).
#   The server comes from QEL_FB_HOST/PORT/USER/PASSWORD; when they are not set, the server of
#   scripts/dbservers.sh is used when it answers, else the script starts the throwaway servers
#   of scripts/dbservers.sh in a scratch folder and stops them after.
#   QEL_BENCH_ROUNDS (5) sets the number of rounds; QEL_BENCH_FB_DIR (/tmp/qel_bench_fbx) is the
#   folder of the database file, kept for later runs (remove it to make the database again).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build-bench-fbx}"
ROUNDS="${QEL_BENCH_ROUNDS:-5}"
DBDIR="${QEL_BENCH_FB_DIR:-/tmp/qel_bench_fbx}"
TABLES=1000

. "$ROOT/bench/lib.sh"
bench_build varnel_cli
VARNEL="$BUILD/examples/varnel"
command -v isql-fb >/dev/null || { echo "isql-fb is not installed" >&2; exit 1; }

WORK="$(mktemp -d)"
trap bench_cleanup EXIT
fb_answers() {
  echo "SELECT 1 FROM RDB\$DATABASE;" | isql-fb -q -b -user "$QEL_FB_USER" \
    -password "$QEL_FB_PASSWORD" "$QEL_FB_HOST/$QEL_FB_PORT:$QEL_FB_DATABASE" >/dev/null 2>&1
}
if [ -z "${QEL_FB_HOST:-}" ]; then
  eval "$("$ROOT/scripts/dbservers.sh" env)"
  if ! fb_answers; then
    export QEL_DB_DIR="$WORK/dbservers"
    STARTED=1
    "$ROOT/scripts/dbservers.sh" start >/dev/null
    eval "$("$ROOT/scripts/dbservers.sh" env)"
  fi
fi

DB="$DBDIR/bench.fdb"
SERVER="$QEL_FB_HOST/$QEL_FB_PORT"
ISQL=(isql-fb -user "$QEL_FB_USER" -password "$QEL_FB_PASSWORD")
URI="firebird://$QEL_FB_USER:$QEL_FB_PASSWORD@$QEL_FB_HOST:$QEL_FB_PORT/$DB"

# The schema: table, index, procedure and trigger of each number; a view over every tenth.
schema() {
  local i
  for i in $(seq "$TABLES"); do
    printf 'CREATE TABLE T%d (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40) NOT NULL, ' "$i"
    printf 'QTY INTEGER DEFAULT 0 NOT NULL, PRICE NUMERIC(12, 2), MADE DATE, NOTE BLOB SUB_TYPE 1, '
    printf 'REF_ID INTEGER, CHANGED TIMESTAMP);\n'
    printf 'CREATE INDEX IX_T%d_NAME ON T%d (NAME);\n' "$i" "$i"
    printf 'COMMIT;\n'
  done
  printf 'SET TERM ^ ;\n'
  for i in $(seq "$TABLES"); do
    printf 'CREATE PROCEDURE P%d (MIN_QTY INTEGER)\nRETURNS (ID INTEGER, NAME VARCHAR(40))\nAS\n' "$i"
    printf 'BEGIN\n  FOR SELECT ID, NAME FROM T%d WHERE QTY >= :MIN_QTY INTO :ID, :NAME DO\n' "$i"
    printf '    SUSPEND;\nEND^\n'
    printf 'CREATE TRIGGER T%d_BU FOR T%d ACTIVE BEFORE UPDATE POSITION 0\nAS\n' "$i" "$i"
    printf 'BEGIN\n  NEW.CHANGED = CURRENT_TIMESTAMP;\nEND^\nCOMMIT^\n'
  done
  printf 'SET TERM ; ^\n'
  for i in $(seq 10 10 "$TABLES"); do
    printf 'CREATE VIEW V%d AS SELECT ID, NAME, QTY * PRICE AS AMOUNT FROM T%d;\n' "$i" "$i"
  done
  printf 'COMMIT;\n'
}

if [ ! -f "$DB" ]; then
  mkdir -p "$DBDIR"
  chmod 777 "$DBDIR"  # the server runs as a user of its own
  printf "CREATE DATABASE '%s:%s' USER '%s' PASSWORD '%s' DEFAULT CHARACTER SET UTF8;\nCOMMIT;\n" \
    "$SERVER" "$DB" "$QEL_FB_USER" "$QEL_FB_PASSWORD" | isql-fb -q -b >/dev/null
  schema >"$WORK/schema.sql"
  if ! "${ISQL[@]}" -q -b -i "$WORK/schema.sql" "$SERVER:$DB" >"$WORK/load.log" 2>&1; then
    cat "$WORK/load.log" >&2
    rm -f "$DB"
    echo "the benchmark database could not be made" >&2
    exit 1
  fi
fi

# Milliseconds of one run of the command.
ms() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>"$WORK/run.err" || { cat "$WORK/run.err" >&2; exit 1; }
  end=$(date +%s.%N)
  echo "$end $start" | awk '{ printf "%.3f\n", ($1 - $2) * 1000 }'
}
extract() { "$VARNEL" extract --db "$URI" >/dev/null; }
isql_x() { "${ISQL[@]}" -x "$SERVER:$DB"; }

# A first run of each warms the server and its caches; the extract shows what it read.
"$VARNEL" extract --db "$URI" --output "$WORK/extract.sql" >/dev/null
isql_x >"$WORK/isql.sql"
: >"$WORK/x"
: >"$WORK/i"
for _ in $(seq "$ROUNDS"); do
  ms extract >>"$WORK/x"
  ms isql_x >>"$WORK/i"
done
X=$(median <"$WORK/x")
I=$(median <"$WORK/i")
count() { grep -ciE "^ *$1" "$2" || true; }
printf 'database:           %d tables x 8 columns, a key, an index, a procedure and a trigger each; %d views\n' \
  "$TABLES" "$((TABLES / 10))"
printf 'read:               extract: %s tables, %s procedures, %s triggers; isql-fb -x: %s tables, %s procedures, %s triggers\n' \
  "$(count 'CREATE TABLE' "$WORK/extract.sql")" "$(count 'CREATE (OR ALTER )?PROCEDURE' "$WORK/extract.sql")" \
  "$(count 'CREATE TRIGGER' "$WORK/extract.sql")" "$(count 'CREATE TABLE' "$WORK/isql.sql")" \
  "$(count 'CREATE (OR ALTER )?PROCEDURE' "$WORK/isql.sql")" "$(count 'CREATE TRIGGER' "$WORK/isql.sql")"
awk -v x="$X" -v i="$I" -v r="$ROUNDS" 'BEGIN {
  printf "rounds:             %d (medians)\n", r;
  printf "varnel extract:     %8.1f ms\n", x;
  printf "isql-fb -x:         %8.1f ms\n", i;
  printf "extract / isql -x:  %.2f\n", x / i;
}'

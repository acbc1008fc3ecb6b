#!/usr/bin/env bash
# varnel next to its peers, side by side in one run on this machine. Every round times each
# pair in turn, so that a busy machine slows both alike; the table shows the medians over the
# rounds and their ratio (varnel's time / the peer's: below 1 means varnel is faster).
#
#   script comparison  `varnel compare` of two PostgreSQL scripts of TABLES tables
#                      (bench/pg_schema_pair.py: 20 columns, a key and an index per table, a
#                      view and a foreign key on every tenth, 1% of the tables changed) next to
#                      apgdiff on the very same files; peak memory of both. A second row does
#                      the same for the plain shape (--plain: no view, no foreign key), on
#                      which apgdiff is much faster: the two rows bound what a user sees
#   PostgreSQL live    `varnel compare` of two databases made from those scripts next to ONE
#                      `pg_dump -s` of the master database
#   MariaDB live       the same shape in MariaDB (bench/script_schema_pair.py mysql, MY_TABLES
#                      tables) next to
#                      ONE `mariadb-dump --no-data` of the master database
#   Firebird live      the same shape in Firebird (FB_TABLES tables) next to ONE `isql-fb -x`
#   row comparison     `varnel datacompare` of two PostgreSQL tables of ROWS rows (1% of the
#                      rows differ), the statements to a script file (--script) and to
#                      standard output, each next to ONE psql
#                      `COPY (SELECT * FROM qel_rows ORDER BY id) TO STDOUT` of the master
#
# Each program is timed as a user runs it (start-up and connect included, output to
# /dev/null), by GNU time, which also gives its peak resident memory.
#
# Usage: bench/peers.sh [BUILD_DIR]
#   BUILD_DIR: a Release build (default build-bench-peers beside this folder, configured when
#   absent). Servers come from QEL_PG_*, QEL_MY_*, QEL_FB_* (scripts/dbservers.sh env); when
#   QEL_PG_HOST is not set the throwaway servers are started in a scratch folder and stopped
#   after. QEL_BENCH_ROUNDS (3), QEL_BENCH_TABLES (10000), QEL_BENCH_MY_TABLES (1000: MariaDB
#   makes a table in about 0.15 s here), QEL_BENCH_FB_TABLES (1000),
#   QEL_BENCH_ROWS (5000000); QEL_BENCH_PEERS names the parts to run (default "apgdiff pg
#   mariadb firebird rows"). The databases are kept for later runs (named qel_peers_*; making
#   them takes minutes).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build-bench-peers}"
ROUNDS="${QEL_BENCH_ROUNDS:-3}"
TABLES="${QEL_BENCH_TABLES:-10000}"
FB_TABLES="${QEL_BENCH_FB_TABLES:-1000}"
MY_TABLES="${QEL_BENCH_MY_TABLES:-1000}"
ROWS="${QEL_BENCH_ROWS:-5000000}"
PEERS="${QEL_BENCH_PEERS:-apgdiff pg mariadb firebird rows}"

. "$ROOT/bench/lib.sh"
bench_varnel
bench_need_tools jq psql pg_dump apgdiff
bench_servers QEL_PG_HOST
export PGHOST="$QEL_PG_HOST" PGPORT="$QEL_PG_PORT" PGUSER="$QEL_PG_USER" \
  PGPASSWORD="$QEL_PG_PASSWORD" PGDATABASE="$QEL_PG_DATABASE"
PSQL=(psql -X -q -v ON_ERROR_STOP=1)
MY=(mariadb -h "$QEL_MY_HOST" -P "$QEL_MY_PORT" -u "$QEL_MY_USER" "-p$QEL_MY_PASSWORD")
FB_SERVER="$QEL_FB_HOST/$QEL_FB_PORT"
FB_DIR="$(dirname "$QEL_FB_DATABASE")"
ISQL=(isql-fb -q -user "$QEL_FB_USER" -password "$QEL_FB_PASSWORD")
pg_uri() { echo "postgresql://$QEL_PG_USER:$QEL_PG_PASSWORD@$QEL_PG_HOST:$QEL_PG_PORT/$1"; }
my_uri() { echo "mysql://$QEL_MY_USER:$QEL_MY_PASSWORD@$QEL_MY_HOST:$QEL_MY_PORT/$1"; }
fb_uri() { echo "firebird://$QEL_FB_USER:$QEL_FB_PASSWORD@$QEL_FB_HOST:$QEL_FB_PORT/$1"; }
wants() { [[ " $PEERS " == *" $1 "* ]]; }

# One timed run of a command, output to /dev/null: appends "seconds peak_KiB" to file $1.
timed() {
  local out="$1"
  shift
  if ! /usr/bin/time -f "%e %M" -o "$WORK/time" "$@" >/dev/null 2>"$WORK/run.err"; then
    cat "$WORK/run.err" >&2
    echo "failed: $*" >&2
    exit 1
  fi
  tail -1 "$WORK/time" >>"$out"
}
med() { awk '{ print $1 }' "$1" | median; }
peak() { awk '{ print $2 / 1024 }' "$1" | sort -g | tail -1; }
# A row of the table: what, varnel's median seconds (file $2), the peer and its file ($3, $4).
row() {
  awk -v what="$1" -v v="$(med "$2")" -v peer="$3" -v p="$(med "$4")" \
    -v vm="$(peak "$2")" -v pm="$(peak "$4")" 'BEGIN {
    printf "| %s | %s | %.2f (%.2f s / %.2f s) | %.1f | %.2f (%.0f / %.0f MiB) |\n",
      what, peer, v / p, v, p, p / v, vm / pm, vm, pm }' >>"$WORK/table"
}

echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -1)," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"
echo "rounds: $ROUNDS (medians); tables: $TABLES (MariaDB $MY_TABLES, Firebird $FB_TABLES); rows: $ROWS"
: >"$WORK/table"

# The PostgreSQL pair, also the source of the MariaDB-free databases below.
python3 "$ROOT/bench/pg_schema_pair.py" "$TABLES" "$WORK/pg_m.sql" "$WORK/pg_t.sql"

if wants apgdiff; then
  python3 "$ROOT/bench/pg_schema_pair.py" --plain "$TABLES" "$WORK/pl_m.sql" "$WORK/pl_t.sql"
  # Both must succeed on the files before they are timed.
  for shape in pg pl; do
    "$varnel" compare --dialect postgresql --master "$WORK/${shape}_m.sql" \
      --target "$WORK/${shape}_t.sql" >/dev/null
    apgdiff "$WORK/${shape}_t.sql" "$WORK/${shape}_m.sql" >/dev/null
  done
  : >"$WORK/sv" && : >"$WORK/sp" && : >"$WORK/lv" && : >"$WORK/lp"
  for _ in $(seq "$ROUNDS"); do
    timed "$WORK/sv" "$varnel" compare --dialect postgresql --master "$WORK/pg_m.sql" \
      --target "$WORK/pg_t.sql"
    timed "$WORK/sp" apgdiff "$WORK/pg_t.sql" "$WORK/pg_m.sql"
    timed "$WORK/lv" "$varnel" compare --dialect postgresql --master "$WORK/pl_m.sql" \
      --target "$WORK/pl_t.sql"
    timed "$WORK/lp" apgdiff "$WORK/pl_t.sql" "$WORK/pl_m.sql"
  done
  row "script comparison, $TABLES tables, views and foreign keys" "$WORK/sv" apgdiff "$WORK/sp"
  row "script comparison, $TABLES tables, plain" "$WORK/lv" apgdiff "$WORK/lp"
fi

# Makes database $1 (master, true/false as $2) of the PostgreSQL pair unless it holds the
# tables already; the count is kept as the database's comment.
pg_database() {
  local db="$1" script="$2"
  if [ "$("${PSQL[@]}" -At -c "SELECT shobj_description(oid, 'pg_database') FROM pg_database WHERE datname = '$db'")" != "$TABLES" ]; then
    "${PSQL[@]}" -c "DROP DATABASE IF EXISTS $db" -c "CREATE DATABASE $db"
    "${PSQL[@]}" -d "$db" -f "$script" >/dev/null
    PGOPTIONS="-c client_min_messages=error" "${PSQL[@]}" -d "$db" -c "ANALYZE" \
      -c "COMMENT ON DATABASE $db IS '$TABLES'"
  fi
}
if wants pg; then
  pg_database qel_peers_m "$WORK/pg_m.sql"
  pg_database qel_peers_t "$WORK/pg_t.sql"
  pg_dump -s -d qel_peers_m >/dev/null
  : >"$WORK/pv" && : >"$WORK/pp"
  for _ in $(seq "$ROUNDS"); do
    timed "$WORK/pv" "$varnel" compare --dialect postgresql --master-db "$(pg_uri qel_peers_m)" \
      --target-db "$(pg_uri qel_peers_t)"
    timed "$WORK/pp" pg_dump -s -d qel_peers_m
  done
  row "PostgreSQL live comparison, $TABLES tables" "$WORK/pv" "one pg_dump -s" "$WORK/pp"
fi

if wants mariadb; then
  python3 "$ROOT/bench/script_schema_pair.py" mysql "$MY_TABLES" "$WORK/my_m.sql" "$WORK/my_t.sql"
  for side in m t; do
    db="${QEL_MY_DATABASE}_peers_$side"
    # The table count is kept as the database's comment.
    if [ "$("${MY[@]}" -N -e "SELECT schema_comment FROM information_schema.schemata WHERE schema_name = '$db'")" != "$MY_TABLES" ]; then
      "${MY[@]}" -e "DROP DATABASE IF EXISTS $db; CREATE DATABASE $db COMMENT '$MY_TABLES'"
      "${MY[@]}" "$db" <"$WORK/my_$side.sql"
    fi
  done
  MY_M="${QEL_MY_DATABASE}_peers_m"
  MY_T="${QEL_MY_DATABASE}_peers_t"
  mariadb-dump -h "$QEL_MY_HOST" -P "$QEL_MY_PORT" -u "$QEL_MY_USER" "-p$QEL_MY_PASSWORD" \
    --no-data "$MY_M" >/dev/null
  : >"$WORK/mv" && : >"$WORK/mp"
  for _ in $(seq "$ROUNDS"); do
    timed "$WORK/mv" "$varnel" compare --dialect mysql --master-db "$(my_uri "$MY_M")" \
      --target-db "$(my_uri "$MY_T")"
    timed "$WORK/mp" mariadb-dump -h "$QEL_MY_HOST" -P "$QEL_MY_PORT" -u "$QEL_MY_USER" \
      "-p$QEL_MY_PASSWORD" --no-data "$MY_M"
  done
  row "MariaDB live comparison, $MY_TABLES tables" "$WORK/mv" "one mariadb-dump --no-data" "$WORK/mp"
fi

if wants firebird; then
  # The PostgreSQL pair in Firebird's words, FB_TABLES tables.
  python3 "$ROOT/bench/pg_schema_pair.py" "$FB_TABLES" "$WORK/fb_m.sql" "$WORK/fb_t.sql"
  for side in m t; do
    db="$FB_DIR/qel_peers_$side.fdb"
    mark="$FB_DIR/qel_peers_$side.tables"
    if [ ! -f "$db" ] || [ "$(cat "$mark" 2>/dev/null)" != "$FB_TABLES" ]; then
      rm -f "$db"
      sed -e '/^SET client_encoding/d' -e 's/DEFAULT now()/DEFAULT CURRENT_TIMESTAMP/' \
        -e 's/ note text/ note BLOB SUB_TYPE TEXT/' "$WORK/fb_$side.sql" >"$WORK/fb_$side.isql"
      printf "CREATE DATABASE '%s:%s' USER '%s' PASSWORD '%s' DEFAULT CHARACTER SET UTF8;\nCOMMIT;\n" \
        "$FB_SERVER" "$db" "$QEL_FB_USER" "$QEL_FB_PASSWORD" | isql-fb -q -b >/dev/null
      "${ISQL[@]}" -b -i "$WORK/fb_$side.isql" "$FB_SERVER:$db" >/dev/null
      echo "$FB_TABLES" >"$mark"
    fi
  done
  "${ISQL[@]}" -x "$FB_SERVER:$FB_DIR/qel_peers_m.fdb" >/dev/null
  : >"$WORK/fv" && : >"$WORK/fp"
  for _ in $(seq "$ROUNDS"); do
    timed "$WORK/fv" "$varnel" compare --dialect firebird \
      --master-db "$(fb_uri "$FB_DIR/qel_peers_m.fdb")" --target-db "$(fb_uri "$FB_DIR/qel_peers_t.fdb")"
    timed "$WORK/fp" "${ISQL[@]}" -x "$FB_SERVER:$FB_DIR/qel_peers_m.fdb"
  done
  row "Firebird live comparison, $FB_TABLES tables" "$WORK/fv" "one isql-fb -x" "$WORK/fp"
fi

if wants rows; then
  # Table qel_rows of ROWS rows in database $1; the target (qel_peers_rows_t) has 0.4% of the
  # rows changed, 0.3% missing and 0.3% more. The count is kept as the table's comment.
  rows_table() {
    local db="$1" where="" extra=0 name="'name ' || g"
    if [ "$db" = qel_peers_rows_t ]; then
      where="WHERE g % 1000 NOT IN (1, 2, 3)"
      extra=$((ROWS * 3 / 1000))
      name="CASE WHEN g % 250 = 7 THEN 'changed ' || g ELSE 'name ' || g END"
    fi
    if [ "$("${PSQL[@]}" -At -d "$db" -c "SELECT obj_description('qel_rows'::regclass)" 2>/dev/null)" != "$ROWS" ]; then
      "${PSQL[@]}" -c "DROP DATABASE IF EXISTS $db" -c "CREATE DATABASE $db"
      "${PSQL[@]}" -d "$db" \
        -c "CREATE TABLE qel_rows (id integer PRIMARY KEY, name varchar(40), amount numeric(12,2), created timestamp, flag boolean)" \
        -c "INSERT INTO qel_rows SELECT g, $name, g * 0.01, timestamp '2020-01-01' + g * interval '1 second', g % 2 = 0 FROM generate_series(1, $((ROWS + extra))) g $where" \
        -c "ANALYZE qel_rows" -c "COMMENT ON TABLE qel_rows IS '$ROWS'"
    fi
  }
  rows_table qel_peers_rows_m
  rows_table qel_peers_rows_t
  datacompare=("$varnel" datacompare --master-db "$(pg_uri qel_peers_rows_m)"
    --target-db "$(pg_uri qel_peers_rows_t)" --table qel_rows)
  copy=("${PSQL[@]}" -d qel_peers_rows_m -c "COPY (SELECT * FROM qel_rows ORDER BY id) TO STDOUT")
  "${datacompare[@]}" --script "$WORK/rows.sql" >/dev/null 2>&1
  "${copy[@]}" >/dev/null
  : >"$WORK/rv" && : >"$WORK/ro" && : >"$WORK/rp"
  for _ in $(seq "$ROUNDS"); do
    timed "$WORK/rv" "${datacompare[@]}" --script "$WORK/rows.sql"
    timed "$WORK/ro" "${datacompare[@]}"
    timed "$WORK/rp" "${copy[@]}"
  done
  row "row comparison to a script file (--script), 2 x $ROWS rows" "$WORK/rv" "one ordered COPY" "$WORK/rp"
  row "row comparison to standard output, 2 x $ROWS rows" "$WORK/ro" "one ordered COPY" "$WORK/rp"
fi

echo
echo "| comparison | peer | varnel's time / the peer's | varnel is ... times as fast | varnel's peak memory / the peer's |"
echo "| --- | --- | ---: | ---: | ---: |"
cat "$WORK/table"

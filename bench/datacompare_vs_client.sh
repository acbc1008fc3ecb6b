#!/usr/bin/env bash
# `varnel datacompare` of two large MariaDB tables and of two large Firebird tables, each next to
# its server's own command-line client reading the larger table once, in the same run:
#
#   mariadb -e 'SELECT * FROM qel_bench_m ORDER BY id' >/dev/null
#   isql-fb (SELECT * FROM qel_bench_m ORDER BY id, output to /dev/null)
#
# The tables have QEL_BENCH_ROWS rows (default 5,000,000; id, a text and a number); 1 row in
# 1000 differs and the target lacks the last 1000 rows, so the comparer writes its statements
# to a script file (--script, not run). Prints each run's seconds (median of QEL_BENCH_ROUNDS,
# default 3), the ratio of comparer to client, and the comparer's peak resident memory at 1/10
# of the rows and at all of them (GNU time), which shows whether memory grows with the rows.
#
# Then (QEL_BENCH_PARTS, default "read execute": the first part is the one above) the row changes
# written with --execute, next to the servers' own bulk path in the same run: QEL_BENCH_EXEC_ROWS
# rows (default 1,000,000; int key, bigint, real, double, numeric(12,2), varchar with Unicode,
# timestamp(6) holding milliseconds, which Firebird keeps too, date) from PostgreSQL into an empty MariaDB table and back, set next to
#
#   psql \copy (SELECT ...) TO STDOUT | mariadb LOAD DATA LOCAL INFILE '/dev/stdin'
#   mariadb --quick -B -e 'SELECT ...' | psql \copy ... FROM STDIN
#
# and from PostgreSQL into an empty Firebird table, set next to isql-fb running the same rows as
# one script of INSERTs (the script datacompare writes to standard output, in one transaction);
# then the same with 1% of the target's rows differing, set next to the same bulk path. Each
# direction is run with --execute and with --script FILE --execute (QEL_BENCH_EXEC_MODES), each
# set next to the bulk path, and the second next to the first.
#
# Usage: bench/datacompare_vs_client.sh [BUILD_DIR]
#   BUILD_DIR as for the other scripts (default: build-bench-data beside this folder's parent,
#   configured as a Release build when absent). The servers come from QEL_MY_* and QEL_FB_*;
#   when QEL_MY_HOST is not set, the throwaway servers of scripts/dbservers.sh are started in a
#   scratch folder and stopped after.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build-bench-data}"
ROUNDS="${QEL_BENCH_ROUNDS:-3}"
ROWS="${QEL_BENCH_ROWS:-5000000}"

. "$ROOT/bench/lib.sh"
bench_build varnel_cli
VARNEL="$BUILD/examples/varnel"
bench_servers QEL_MY_HOST
MY=(mariadb -h "$QEL_MY_HOST" -P "$QEL_MY_PORT" -u "$QEL_MY_USER" "-p$QEL_MY_PASSWORD")
MY_TARGET=qel_bench_target
my_uri() { echo "mysql://$QEL_MY_USER:$QEL_MY_PASSWORD@$QEL_MY_HOST:$QEL_MY_PORT/$1"; }
FB_DIR="$(dirname "$QEL_FB_DATABASE")"
FB_TARGET="$FB_DIR/qel_bench_target.fdb"
fb_uri() { echo "firebird://$QEL_FB_USER:$QEL_FB_PASSWORD@$QEL_FB_HOST:$QEL_FB_PORT/$1"; }
fb() { isql-fb -q -user "$QEL_FB_USER" -password "$QEL_FB_PASSWORD" "$QEL_FB_HOST/$QEL_FB_PORT:$1"; }

# Table qel_bench of N rows in the master database and, with 1 row in 1000 changed and the last
# 1000 rows missing, in the target database, on each server.
make_tables() {
  local n=$1
  "${MY[@]}" -e "
    CREATE DATABASE IF NOT EXISTS $MY_TARGET;
    DROP TABLE IF EXISTS $QEL_MY_DATABASE.qel_bench, $MY_TARGET.qel_bench;
    CREATE TABLE $QEL_MY_DATABASE.qel_bench (id INT PRIMARY KEY, s VARCHAR(40), n DECIMAL(12,2));
    CREATE TABLE $MY_TARGET.qel_bench LIKE $QEL_MY_DATABASE.qel_bench;
    INSERT INTO $QEL_MY_DATABASE.qel_bench SELECT seq, CONCAT('row ', seq), seq / 100 FROM seq_1_to_$n;
    INSERT INTO $MY_TARGET.qel_bench SELECT id, IF(MOD(id, 1000) = 0, 'changed', s), n
      FROM $QEL_MY_DATABASE.qel_bench WHERE id <= $n - 1000;"
  rm -f "$FB_TARGET"
  printf "CREATE DATABASE '%s' USER '%s' PASSWORD '%s';\n" "$QEL_FB_HOST/$QEL_FB_PORT:$FB_TARGET" \
    "$QEL_FB_USER" "$QEL_FB_PASSWORD" | isql-fb -q >/dev/null
  echo 'DROP TABLE qel_bench; COMMIT;' | fb "$QEL_FB_DATABASE" >/dev/null 2>&1 || true
  fb_fill "$QEL_FB_DATABASE" "$n" "'row ' || :i" "$n"
  fb_fill "$FB_TARGET" "$n" "IIF(MOD(:i, 1000) = 0, 'changed', 'row ' || :i)" "$((n - 1000))"
}
# fb_fill DATABASE N S-EXPRESSION LAST: rows 1..LAST of qel_bench.
fb_fill() {
  fb "$1" <<SQL
CREATE TABLE qel_bench (id INTEGER NOT NULL PRIMARY KEY, s VARCHAR(40), n DECIMAL(12,2));
COMMIT;
SET TERM ^;
EXECUTE BLOCK AS DECLARE i INTEGER = 1; BEGIN
  WHILE (i <= $4) DO BEGIN
    INSERT INTO qel_bench VALUES (:i, $3, :i / 100.00);
    i = i + 1;
  END
END^
SET TERM ;^
COMMIT;
SQL
}

# Seconds and peak MiB of one command: "seconds mib".
timed() {
  /usr/bin/time -f '%e %M' -o "$WORK/time" "$@" >/dev/null 2>"$WORK/err" || {
    # datacompare exits 0; a client failing is a broken run.
    cat "$WORK/err" >&2
    exit 1
  }
  awk '{ printf "%s %.1f\n", $1, $2 / 1024 }' "$WORK/time"
}
cmp_my() {
  timed "$VARNEL" datacompare --master-db "$(my_uri "$QEL_MY_DATABASE")" \
    --target-db "$(my_uri "$MY_TARGET")" --table qel_bench --script "$WORK/my.sql"
}
cmp_fb() {
  timed "$VARNEL" datacompare --master-db "$(fb_uri "$QEL_FB_DATABASE")" \
    --target-db "$(fb_uri "$FB_TARGET")" --table qel_bench --script "$WORK/fb.sql"
}
client_my() { timed "${MY[@]}" "$QEL_MY_DATABASE" -e 'SELECT * FROM qel_bench ORDER BY id'; }
client_fb() {
  printf 'SELECT * FROM qel_bench ORDER BY id;\n' >"$WORK/select.sql"
  timed isql-fb -q -user "$QEL_FB_USER" -password "$QEL_FB_PASSWORD" -i "$WORK/select.sql" \
    "$QEL_FB_HOST/$QEL_FB_PORT:$QEL_FB_DATABASE"
}

# The small run first (1/10 of the rows), then the full tables, each pair of runs side by side.
report() {
  local name=$1 cmp=$2 client=$3 small_mem=$4
  : >"$WORK/c" && : >"$WORK/k" && : >"$WORK/m"
  for _ in $(seq "$ROUNDS"); do
    "$cmp" >"$WORK/one"
    awk '{ print $1 }' "$WORK/one" >>"$WORK/c"
    awk '{ print $2 }' "$WORK/one" >>"$WORK/m"
    "$client" | awk '{ print $1 }' >>"$WORK/k"
  done
  awk -v name="$name" -v c="$(median <"$WORK/c")" -v k="$(median <"$WORK/k")" \
    -v m="$(sort -g "$WORK/m" | tail -1)" -v sm="$small_mem" -v n="$ROWS" -v r="$ROUNDS" 'BEGIN {
    printf "%s: two tables of %d rows, median of %d rounds\n", name, n, r;
    printf "  varnel datacompare:       %8.2f s, peak %.1f MiB (%.1f MiB at 1/10 of the rows)\n", c, m, sm;
    printf "  client read of one table: %8.2f s\n", k;
    printf "  ratio, comparer / client: %.2f\n", c / k;
  }'
}

PARTS="${QEL_BENCH_PARTS:-read execute}"
if [[ " $PARTS " == *" read "* ]]; then
  make_tables $((ROWS / 10))
  SMALL_MY=$(cmp_my | awk '{ print $2 }')
  SMALL_FB=$(cmp_fb | awk '{ print $2 }')
  make_tables "$ROWS"
  report "MariaDB" cmp_my client_my "$SMALL_MY"
  report "Firebird" cmp_fb client_fb "$SMALL_FB"
  "${MY[@]}" -e "DROP TABLE $QEL_MY_DATABASE.qel_bench; DROP DATABASE $MY_TARGET;"
  echo 'DROP TABLE qel_bench; COMMIT;' | fb "$QEL_FB_DATABASE" >/dev/null 2>&1 || true
  rm -f "$FB_TARGET"
fi
[[ " $PARTS " == *" execute "* ]] || exit 0

# --- Row changes written with --execute, next to the servers' bulk path ---------------------
EROWS="${QEL_BENCH_EXEC_ROWS:-1000000}"
# The directions measured (QEL_BENCH_EXEC_DIRS, default all three): Firebird takes rows one
# statement at a time, so it is often measured apart with fewer rows.
DIRS="${QEL_BENCH_EXEC_DIRS:-pg_my my_pg pg_fb}"
PSQL=(psql -q -v ON_ERROR_STOP=1 -h "$QEL_PG_HOST" -p "$QEL_PG_PORT" -U "$QEL_PG_USER")
export PGPASSWORD="$QEL_PG_PASSWORD"
pg_uri() { echo "postgresql://$QEL_PG_USER:$QEL_PG_PASSWORD@$QEL_PG_HOST:$QEL_PG_PORT/$1"; }
PG_COLS="id int PRIMARY KEY, b bigint, r real, d double precision, n numeric(12,2), s varchar(60), ts timestamp(6), dt date"
MY_COLS="id int PRIMARY KEY, b bigint, r float, d double, n decimal(12,2), s varchar(60), ts datetime(6), dt date"
FB_COLS="id integer NOT NULL PRIMARY KEY, b bigint, r float, d double precision, n numeric(12,2), s varchar(60), ts timestamp, dt date"
# Master rows (PostgreSQL, MariaDB) and the empty targets (qel_exec in the target databases).
"${PSQL[@]}" -d "$QEL_PG_DATABASE" -c "DROP DATABASE IF EXISTS qel_exec_target" \
  -c "CREATE DATABASE qel_exec_target" >/dev/null
"${PSQL[@]}" -d "$QEL_PG_DATABASE" <<SQL
DROP TABLE IF EXISTS qel_exec;
CREATE TABLE qel_exec ($PG_COLS);
INSERT INTO qel_exec SELECT g, g::bigint * 1000003, g / 7.0, g / 3.0, g / 100.0,
  'row ' || g || ' żółw ☃', timestamp '2020-01-01' + g * interval '1.001 second',
  date '2000-01-01' + (g % 9000) FROM generate_series(1, $EROWS) g;
SQL
"${MY[@]}" -e "CREATE DATABASE IF NOT EXISTS $MY_TARGET;
  DROP TABLE IF EXISTS $QEL_MY_DATABASE.qel_exec;
  CREATE TABLE $QEL_MY_DATABASE.qel_exec ($MY_COLS) DEFAULT CHARSET utf8mb4;
  INSERT INTO $QEL_MY_DATABASE.qel_exec SELECT seq, seq * 1000003, seq / 7.0, seq / 3.0, seq / 100.0,
    CONCAT('row ', seq, ' żółw ☃'), TIMESTAMPADD(MICROSECOND, seq * 1001000, '2020-01-01'),
    DATE_ADD('2000-01-01', INTERVAL seq % 9000 DAY) FROM seq_1_to_$EROWS;"
# empty_targets [PERCENT]: the targets empty, or holding the master's rows with PERCENT of them
# changed.
empty_targets() {
  "${PSQL[@]}" -d qel_exec_target -c "DROP TABLE IF EXISTS qel_exec" -c "CREATE TABLE qel_exec ($PG_COLS)" >/dev/null
  "${MY[@]}" -e "DROP TABLE IF EXISTS $MY_TARGET.qel_exec;
    CREATE TABLE $MY_TARGET.qel_exec ($MY_COLS) DEFAULT CHARSET utf8mb4;"
  rm -f "$FB_TARGET"
  if [[ " $DIRS " == *" pg_fb "* ]]; then
    printf "CREATE DATABASE '%s' USER '%s' PASSWORD '%s' DEFAULT CHARACTER SET UTF8;\n" \
      "$QEL_FB_HOST/$QEL_FB_PORT:$FB_TARGET" "$QEL_FB_USER" "$QEL_FB_PASSWORD" | isql-fb -q >/dev/null
    printf 'CREATE TABLE qel_exec (%s);\nCOMMIT;\n' "$FB_COLS" | fb "$FB_TARGET" >/dev/null
  fi
  [ -n "${1:-}" ] || return 0
  # The PostgreSQL target is the MariaDB master's copy: MariaDB computed its own values, so the
  # rows are made equal to them first (the bulk path's text loses float digits), then changed.
  "${PSQL[@]}" -d qel_exec_target -c "\\copy qel_exec FROM '$WORK/rows.tsv'" >/dev/null
  if [[ " $DIRS " == *" my_pg "* ]]; then
    "$VARNEL" datacompare --master-db "$(my_uri "$QEL_MY_DATABASE")" \
      --target-db "$(pg_uri qel_exec_target)" --table qel_exec --execute >/dev/null 2>&1
  fi
  "${PSQL[@]}" -d qel_exec_target -c "UPDATE qel_exec SET s = 'changed' WHERE id % (100 / $1) = 0" >/dev/null
  "${MY[@]}" --local-infile=1 -e "LOAD DATA LOCAL INFILE '$WORK/rows.tsv' INTO TABLE $MY_TARGET.qel_exec;
    UPDATE $MY_TARGET.qel_exec SET s = 'changed' WHERE id % (100 / $1) = 0;"
  [[ " $DIRS " == *" pg_fb "* ]] || return 0
  "$VARNEL" datacompare --master-db "$(pg_uri "$QEL_PG_DATABASE")" \
    --target-db "$(fb_uri "$FB_TARGET")" --table qel_exec --execute >/dev/null 2>&1
  printf "UPDATE qel_exec SET s = 'changed' WHERE MOD(id, 100 / %s) = 0;\nCOMMIT;\n" "$1" |
    fb "$FB_TARGET" >/dev/null
}
"${PSQL[@]}" -d "$QEL_PG_DATABASE" -c "\\copy qel_exec TO '$WORK/rows.tsv'" >/dev/null
# The ways of writing the rows measured (QEL_BENCH_EXEC_MODES, default both): "execute" runs
# them at once (--execute), "script" writes the script file and runs it (--script FILE --execute).
MODES="${QEL_BENCH_EXEC_MODES:-execute script}"
exec_cmp() { # MODE MASTER-URI TARGET-URI
  local script=()
  [ "$1" = execute ] || script=(--script "$WORK/exec.sql")
  timed "$VARNEL" datacompare --master-db "$2" --target-db "$3" --table qel_exec "${script[@]}" \
    --execute
}
bulk_pg_my() {
  timed bash -c "psql -q -h '$QEL_PG_HOST' -p '$QEL_PG_PORT' -U '$QEL_PG_USER' -d '$QEL_PG_DATABASE' \
    -c '\\copy (SELECT * FROM qel_exec) TO STDOUT' | mariadb -h '$QEL_MY_HOST' -P '$QEL_MY_PORT' \
    -u '$QEL_MY_USER' -p'$QEL_MY_PASSWORD' --local-infile=1 $MY_TARGET \
    -e \"LOAD DATA LOCAL INFILE '/dev/stdin' REPLACE INTO TABLE qel_exec\""
}
bulk_my_pg() {
  timed bash -c "mariadb -h '$QEL_MY_HOST' -P '$QEL_MY_PORT' -u '$QEL_MY_USER' -p'$QEL_MY_PASSWORD' \
    --quick -B -N -e 'SELECT * FROM qel_exec' $QEL_MY_DATABASE | psql -q -h '$QEL_PG_HOST' \
    -p '$QEL_PG_PORT' -U '$QEL_PG_USER' -d qel_exec_target \
    -c 'CREATE TEMP TABLE l (LIKE qel_exec)' -c '\\copy l FROM STDIN' \
    -c 'INSERT INTO qel_exec SELECT * FROM l ON CONFLICT (id) DO UPDATE SET s = EXCLUDED.s'"
}
bulk_pg_fb() {
  "$VARNEL" datacompare --master-db "$(pg_uri "$QEL_PG_DATABASE")" \
    --target-db "$(fb_uri "$FB_TARGET")" --table qel_exec >"$WORK/fb_rows.sql" 2>/dev/null
  printf 'SET AUTODDL OFF;\nINPUT %s;\nCOMMIT;\n' "$WORK/fb_rows.sql" >"$WORK/fb_run.sql"
  timed isql-fb -q -user "$QEL_FB_USER" -password "$QEL_FB_PASSWORD" -i "$WORK/fb_run.sql" \
    "$QEL_FB_HOST/$QEL_FB_PORT:$FB_TARGET"
}
# exec_row NAME CHANGED: each mode of --execute and the bulk path of each direction, each from
# the same targets ("" empty, else the percent changed); prints seconds, memory and the ratio of
# each mode to the bulk path, and of --script --execute to --execute.
exec_row() {
  local name=$1 changed=$2 dir mode v b line
  declare -A V
  for dir in $DIRS; do
    for mode in $MODES; do
      empty_targets "$changed"
      case $dir in
        pg_my) V[$mode]=$(exec_cmp "$mode" "$(pg_uri "$QEL_PG_DATABASE")" "$(my_uri "$MY_TARGET")") ;;
        my_pg) V[$mode]=$(exec_cmp "$mode" "$(my_uri "$QEL_MY_DATABASE")" "$(pg_uri qel_exec_target)") ;;
        pg_fb) V[$mode]=$(exec_cmp "$mode" "$(pg_uri "$QEL_PG_DATABASE")" "$(fb_uri "$FB_TARGET")") ;;
      esac
    done
    empty_targets "$changed"
    b=$("bulk_$dir")
    for mode in $MODES; do
      v=${V[$mode]}
      line=$([ "$mode" = execute ] && echo "--execute" || echo "--script --execute")
      awk -v n="$name" -v d="$dir" -v m="$line" -v v="$v" -v b="$b" -v e="${V[execute]:-}" 'BEGIN {
        split(v, V, " "); split(b, B, " "); split(e, E, " ");
        printf "%s %s: %s %.2f s (peak %.1f MiB), bulk path %.2f s, ratio %.2f", n, d, m, V[1],
          V[2], B[1], V[1] / B[1];
        if (m != "--execute" && E[1] > 0) printf ", to --execute %.2f", V[1] / E[1];
        printf "\n" }'
    done
  done
}
exec_row "$EROWS rows into an empty target," ""
exec_row "$EROWS rows, 1% changed," 1
"${MY[@]}" -e "DROP TABLE $QEL_MY_DATABASE.qel_exec; DROP DATABASE IF EXISTS $MY_TARGET;"
"${PSQL[@]}" -d "$QEL_PG_DATABASE" -c "DROP TABLE qel_exec" -c "DROP DATABASE qel_exec_target" >/dev/null
rm -f "$FB_TARGET"

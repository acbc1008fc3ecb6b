#!/usr/bin/env bash
# Peak resident memory of `varnel datacompare` for a table row holding one large value, in each
# way of writing the rows: standard output, --script FILE, --execute, --script FILE --execute.
#
# The master tables hold two rows, one of them with a value of QEL_BENCH_VALUE_MIB MiB (default
# 100): a bytea and a text column on PostgreSQL, a LONGBLOB and a LONGTEXT column on MariaDB;
# the target tables are empty, so that the large value is inserted. Each run is timed with GNU
# time; after each --execute the target's value is checked against the master's (md5), and the
# target emptied again. Prints one line per run: server, column, mode, seconds, peak MiB and the
# peak as a multiple of the value.
#
# MariaDB takes a statement of at most max_allowed_packet bytes, and --execute sends the value
# as a hexadecimal literal (twice its size): the server's setting is raised when the user may
# (SET GLOBAL), else the MariaDB value is cut to what the server takes, and the line says so.
#
# Usage: bench/datacompare_large_value.sh [BUILD_DIR]
#   BUILD_DIR as for the other scripts (default: build-bench-data beside this folder's parent,
#   configured as a Release build when absent). The servers come from QEL_PG_* and QEL_MY_*;
#   when QEL_PG_HOST is not set, the throwaway servers of scripts/dbservers.sh are started in a
#   scratch folder and stopped after. QEL_BENCH_SERVERS (default "postgresql mysql") and
#   QEL_BENCH_MODES (default "stdout script execute script-execute") choose the runs.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build-bench-data}"
MIB="${QEL_BENCH_VALUE_MIB:-100}"
SERVERS="${QEL_BENCH_SERVERS:-postgresql mysql}"
MODES="${QEL_BENCH_MODES:-stdout script execute script-execute}"

. "$ROOT/bench/lib.sh"
bench_build varnel_cli
VARNEL="$BUILD/examples/varnel"
bench_servers QEL_PG_HOST
export PGHOST="$QEL_PG_HOST" PGPORT="$QEL_PG_PORT" PGUSER="$QEL_PG_USER" \
  PGPASSWORD="$QEL_PG_PASSWORD" PGDATABASE="$QEL_PG_DATABASE"
PSQL=(psql -q -X -v ON_ERROR_STOP=1)
MY=(mariadb -h "$QEL_MY_HOST" -P "$QEL_MY_PORT" -u "$QEL_MY_USER" "-p$QEL_MY_PASSWORD")
PG_TARGET=qel_big_target
MY_TARGET=qel_big_target
pg_uri() { echo "postgresql://$QEL_PG_USER:$QEL_PG_PASSWORD@$QEL_PG_HOST:$QEL_PG_PORT/$1"; }
my_uri() { echo "mysql://$QEL_MY_USER:$QEL_MY_PASSWORD@$QEL_MY_HOST:$QEL_MY_PORT/$1"; }

# The values: random bytes, and text of every byte class a literal escapes (quotes, backslashes,
# line ends, characters of several bytes; a character the cut split is dropped).
value_files() {
  local bytes=$(($1 << 20))
  head -c "$bytes" /dev/urandom >"$WORK/value.bin"
  # The last head ends the pipe early: the writers before it meet a closed pipe.
  (
    set +o pipefail
    head -c "$bytes" /dev/urandom | base64 -w 76 | tr '+/' "'\\\\" | sed 's/Q/é/g' |
      head -c "$bytes" | iconv -c -f UTF-8 -t UTF-8 >"$WORK/value.txt"
  )
}

setup_pg() {
  value_files "$MIB"
  "${PSQL[@]}" -c "DROP DATABASE IF EXISTS $PG_TARGET" -c "CREATE DATABASE $PG_TARGET"
  "${PSQL[@]}" <<SQL
DROP TABLE IF EXISTS qel_big_b, qel_big_t;
CREATE TABLE qel_big_b (id int PRIMARY KEY, v bytea);
CREATE TABLE qel_big_t (id int PRIMARY KEY, v text);
\lo_import $WORK/value.bin
SELECT :LASTOID AS oid \gset
INSERT INTO qel_big_b VALUES (1, lo_get(:oid)), (2, '\x0102');
SELECT lo_unlink(:oid) \g /dev/null
\lo_import $WORK/value.txt
SELECT :LASTOID AS oid \gset
INSERT INTO qel_big_t VALUES (1, convert_from(lo_get(:oid), 'UTF8')), (2, 'small');
SELECT lo_unlink(:oid) \g /dev/null
SQL
  "${PSQL[@]}" -d "$PG_TARGET" -c "CREATE TABLE qel_big_b (id int PRIMARY KEY, v bytea)" \
    -c "CREATE TABLE qel_big_t (id int PRIMARY KEY, v text)"
}

MY_MIB="$MIB"
setup_my() {
  local need=$(((MY_MIB << 21) + (1 << 20))) have
  have=$("${MY[@]}" -N -e 'SELECT @@global.max_allowed_packet')
  if [ "$have" -lt "$need" ]; then
    "${MY[@]}" -e "SET GLOBAL max_allowed_packet = $need" 2>/dev/null ||
      MY_MIB=$(((have - (1 << 20)) >> 21))
  fi
  value_files "$MY_MIB"
  # LOAD_FILE needs the FILE privilege: the value goes as a hexadecimal literal instead.
  {
    echo "CREATE DATABASE IF NOT EXISTS $MY_TARGET;"
    echo "DROP TABLE IF EXISTS qel_big_b, qel_big_t;"
    echo "CREATE TABLE qel_big_b (id int PRIMARY KEY, v LONGBLOB);"
    echo "CREATE TABLE qel_big_t (id int PRIMARY KEY, v LONGTEXT) DEFAULT CHARSET utf8mb4;"
    printf "INSERT INTO qel_big_b VALUES (1, X'%s'), (2, X'0102');\n" "$(xxd -p "$WORK/value.bin" | tr -d '\n')"
    printf "INSERT INTO qel_big_t VALUES (1, CONVERT(X'%s' USING utf8mb4)), (2, 'small');\n" \
      "$(xxd -p "$WORK/value.txt" | tr -d '\n')"
    echo "DROP TABLE IF EXISTS $MY_TARGET.qel_big_b, $MY_TARGET.qel_big_t;"
    echo "CREATE TABLE $MY_TARGET.qel_big_b LIKE qel_big_b;"
    echo "CREATE TABLE $MY_TARGET.qel_big_t LIKE qel_big_t;"
  } | "${MY[@]}" --max-allowed-packet=1G "$QEL_MY_DATABASE"
}

# The md5 of the bytes of the value of row 1 in table $2 of database $3 on server $1.
digest() {
  local v=v
  case $1 in
    postgresql)
      [ "$2" = qel_big_t ] && v="convert_to(v, 'UTF8')"
      "${PSQL[@]}" -d "$3" -A -t -c "SELECT md5($v) FROM $2 WHERE id = 1"
      ;;
    mysql) "${MY[@]}" -N -e "SELECT md5(v) FROM $3.$2 WHERE id = 1" ;;
  esac
}
empty_target() {
  case $1 in
    postgresql) "${PSQL[@]}" -d "$PG_TARGET" -c "TRUNCATE $2" ;;
    mysql) "${MY[@]}" -e "TRUNCATE $MY_TARGET.$2" ;;
  esac
}

# run SERVER TABLE MODE: one datacompare, its line printed.
run() {
  local server=$1 table=$2 mode=$3 master target mib args=() got want
  case $server in
    postgresql) master=$(pg_uri "$QEL_PG_DATABASE") target=$(pg_uri "$PG_TARGET") mib=$MIB ;;
    mysql) master=$(my_uri "$QEL_MY_DATABASE") target=$(my_uri "$MY_TARGET") mib=$MY_MIB ;;
  esac
  case $mode in
    stdout) ;;
    script) args=(--script "$WORK/rows.sql") ;;
    execute) args=(--execute) ;;
    script-execute) args=(--script "$WORK/rows.sql" --execute) ;;
  esac
  empty_target "$server" "$table"
  /usr/bin/time -f '%e %M' -o "$WORK/time" "$VARNEL" datacompare --master-db "$master" \
    --target-db "$target" --table "$table" "${args[@]}" >/dev/null 2>"$WORK/err" || {
    cat "$WORK/err" >&2
    exit 1
  }
  rm -f "$WORK/rows.sql" "$WORK/rows.LOB"
  if [[ $mode == *execute ]]; then
    case $server in
      postgresql) want=$(digest "$server" "$table" "$QEL_PG_DATABASE") got=$(digest "$server" "$table" "$PG_TARGET") ;;
      mysql) want=$(digest "$server" "$table" "$QEL_MY_DATABASE") got=$(digest "$server" "$table" "$MY_TARGET") ;;
    esac
    [ "$got" = "$want" ] || { echo "$server $table $mode: the target's value differs" >&2; exit 1; }
  fi
  awk -v s="$server" -v t="$table" -v m="$mode" -v mib="$mib" '{
    printf "%-10s %-9s %-15s %6.2f s  peak %7.1f MiB  %4.2f x the value (%d MiB)\n",
      s, t, m, $1, $2 / 1024, $2 / 1024 / mib, mib }' "$WORK/time"
}

for server in $SERVERS; do
  case $server in
    postgresql) setup_pg ;;
    mysql) setup_my ;;
  esac
  for table in qel_big_b qel_big_t; do
    for mode in $MODES; do run "$server" "$table" "$mode"; done
  done
done
"${PSQL[@]}" -c "DROP TABLE IF EXISTS qel_big_b, qel_big_t" -c "DROP DATABASE IF EXISTS $PG_TARGET"
"${MY[@]}" -e "DROP TABLE IF EXISTS $QEL_MY_DATABASE.qel_big_b, $QEL_MY_DATABASE.qel_big_t;
  DROP DATABASE IF EXISTS $MY_TARGET"

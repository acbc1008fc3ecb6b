#!/usr/bin/env bash
# Throwaway database servers on loopback for the tests that need real servers.
#
#   scripts/dbservers.sh start    start PostgreSQL 15, MariaDB 10.11 and Firebird 3.0 (reuses
#                                 servers of ours that already run in the state folder)
#   scripts/dbservers.sh stop     stop them and kill any leftover process of ours
#   scripts/dbservers.sh status   exit 0 when all three answer a trivial query
#   scripts/dbservers.sh env      print `export` lines for the tests and the command-line clients:
#                                   eval "$(scripts/dbservers.sh env)"
#
# All state lives in one folder, ${QEL_DB_DIR:-<repo>/build/dbservers}, one subfolder per
# server. A server that is not running when `start` is called is created from scratch: nothing
# of an earlier run is kept, so every run of the tests sees the same empty databases.
#
# Ports (loopback only, overridable): QEL_PG_PORT (55432), QEL_MY_PORT (53306),
# QEL_FB_PORT (53050). QEL_DB_TIMEOUT (30) bounds the wait for each server, in seconds.
#
# Accounts:
#   PostgreSQL  role qel/qel (LOGIN CREATEDB CREATEROLE, not superuser), database qel, scram
#               over TCP. CREATEROLE lets the tests make and drop the roles their grants name.
#   MariaDB     qel@127.0.0.1 and qel@localhost, password qel, ALL on `qel%`.* with grant
#               option (so it may create and drop databases whose name starts with "qel" and
#               grant on them), and CREATE USER (for the roles and users of the grant tests),
#               database qel.
#   Firebird    SYSDBA/masterkey, database file <state>/firebird/data/qel.fdb.
#
# Firebird: we run a real server (the SuperServer binary /usr/sbin/firebird, without fbguard)
# rather than the embedded engine, so that the tests use the same remote protocol as a real
# deployment: connect through libfbclient with "127.0.0.1/PORT:/path/qel.fdb". The server gets
# a root folder of its own (FIREBIRD=<state>/firebird) holding our firebird.conf (port, bind
# address, security database) and our own security database, so SYSDBA's password is known
# and the system installation is left untouched. Everything else of the root folder (messages,
# intl, plugins) is linked to the installed one.
#
# Written for root on Debian 12 (CI runs as root). PostgreSQL refuses to run as root, so its
# server runs as the `postgres` system user; see pg_home() for where its files go.
set -euo pipefail
export LC_ALL=C

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
DIR="$(realpath -m "${QEL_DB_DIR:-$repo/build/dbservers}")"

HOST=127.0.0.1
PG_PORT="${QEL_PG_PORT:-55432}"
MY_PORT="${QEL_MY_PORT:-53306}"
FB_PORT="${QEL_FB_PORT:-53050}"
TIMEOUT="${QEL_DB_TIMEOUT:-30}"

# Client settings of the caller's shell (say, those `env` prints for other servers) must not
# steer the servers started here or the queries that check them.
unset PGHOST PGHOSTADDR PGPORT PGUSER PGPASSWORD PGDATABASE PGDATA PGSERVICE PGSSLMODE \
  PGOPTIONS MYSQL_HOST MYSQL_TCP_PORT MYSQL_PWD MYSQL_HOME MYSQL_UNIX_PORT \
  ISC_USER ISC_PASSWORD FIREBIRD

DB_USER=qel
DB_PASSWORD=qel
DB_NAME=qel
FB_USER=SYSDBA
FB_PASSWORD=masterkey

PG_BIN="${QEL_PG_BIN:-/usr/lib/postgresql/15/bin}"
FB_SERVER=/usr/sbin/firebird

MY_HOME="$DIR/mariadb"
FB_HOME="$DIR/firebird"
FB_DATABASE="$FB_HOME/data/qel.fdb"

# Every server process we launch carries this variable; `stop` uses it to find leftovers of
# ours (and only ours) even when a pid file is gone.
MARK="QEL_DBSERVERS_DIR=$DIR"

IS_ROOT=$(($(id -u) == 0))

# ---------------------------------------------------------------------------------------------
# Small helpers

say() { printf 'dbservers: %s\n' "$*"; }
err() { printf 'dbservers: %s\n' "$*" >&2; }
die() {
  err "$*"
  exit 1
}

# The paths end up inside server configuration files and SQL string literals.
case "$DIR" in
  *[[:space:]\'\"\\]*) die "state folder '$DIR' must not contain blanks, quotes or backslashes" ;;
esac
for p in "$PG_PORT" "$MY_PORT" "$FB_PORT"; do
  if ! [[ $p =~ ^[0-9]+$ ]] || ((p < 1 || p > 65535)); then die "not a port number: '$p'"; fi
done
[[ $TIMEOUT =~ ^[0-9]+$ ]] || die "QEL_DB_TIMEOUT is not a number of seconds: '$TIMEOUT'"

# A private folder under /tmp for what cannot live in $DIR (too long for a unix socket path, or
# not reachable by the postgres user). Named after $DIR so two build trees do not clash.
fallback_dir() {
  printf '/tmp/qel-dbservers-%s' "$(printf '%s' "$DIR" | sha1sum | cut -c1-12)"
}

# Unix socket paths are limited to 107 bytes.
fits_socket() { ((${#1} <= 100)); }

port_open() { (exec 3<>"/dev/tcp/$HOST/$1") 2>/dev/null; }

# Whether a server could listen on PORT of $HOST: bound and listened on as the servers do (with
# SO_REUSEADDR). A listener check alone misses another program's socket that holds the port
# without listening: an outgoing connection that took it as its local port (the default ports
# lie inside Linux's range for those), which keeps a server off it all the same.
port_bindable() {
  perl -MSocket -e 'socket(my $s, PF_INET, SOCK_STREAM, 0) or die "socket: $!\n";
    setsockopt($s, SOL_SOCKET, SO_REUSEADDR, 1);
    bind($s, pack_sockaddr_in($ARGV[1], inet_aton($ARGV[0]))) or die "$!\n";
    listen($s, 1) or die "$!\n";' "$HOST" "$1"
}

# check_port PORT VARIABLE SERVER: dies with a clear message when SERVER cannot have PORT. An
# outgoing connection ends soon: a port held that way is waited for a few seconds first.
check_port() {
  local port="$1" var="$2" server="$3" why
  port_open "$port" && die "port $port is taken by another program (set $var to another port)"
  if ! wait_for 10 "" port_bindable "$port"; then
    why="$(port_bindable "$port" 2>&1)" || true
    die "$server cannot listen on $HOST:$port: the port cannot be bound ($why); another" \
      "program's socket holds it, such as an outgoing connection that uses it as its local" \
      "port (see ss -tanp 'sport = :$port'); set $var to another port"
  fi
}

# Prints the pid stored in FILE (first line) when that process is alive and is one we launched
# for this state folder (checked through its environment or its command line).
live_pid() {
  local file="$1" pid
  [[ -r $file ]] || return 1
  read -r pid <"$file" 2>/dev/null || return 1
  [[ $pid =~ ^[0-9]+$ ]] || return 1
  is_ours "$pid" || return 1
  echo "$pid"
}

is_ours() {
  local pid="$1"
  [[ -r /proc/$pid/environ ]] || return 1
  # (The process may vanish at any moment: errors reading /proc are silenced.)
  if tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF -- "$MARK"; then
    return 0
  fi
  tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | grep -qF -- "$DIR/"
}

# wait_for SECONDS PID CHECK...: runs CHECK until it succeeds; fails when the time is up or when
# process PID (if not empty) has died meanwhile.
wait_for() {
  local secs="$1" pid="$2"
  shift 2
  local deadline=$((SECONDS + secs))
  until "$@" >/dev/null 2>&1; do
    if [[ -n $pid ]] && ! kill -0 "$pid" 2>/dev/null; then return 1; fi
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

# Sends TERM, waits up to SECONDS, then KILL.
terminate() {
  local pid="$1" secs="$2"
  kill -TERM "$pid" 2>/dev/null || return 0
  local deadline=$((SECONDS + secs))
  while kill -0 "$pid" 2>/dev/null; do
    if ((SECONDS >= deadline)); then
      err "process $pid did not stop in ${secs}s, killing it"
      kill -KILL "$pid" 2>/dev/null || true
      sleep 0.2
      return 0
    fi
    sleep 0.1
  done
}

# Stops what is left of our server processes (matched by the mark in their environment or our
# folder on their command line, and by program name, so this never touches anything else).
kill_leftovers() {
  local names="$1" proc pid comm found=()
  for proc in /proc/[0-9]*; do
    pid="${proc#/proc/}"
    [[ $pid == "$$" ]] && continue
    comm="$(cat 2>/dev/null <"$proc/comm")" || continue
    [[ " $names " == *" $comm "* ]] || continue
    is_ours "$pid" && found+=("$pid")
  done
  ((${#found[@]})) || return 0
  err "stopping leftover processes: ${found[*]}"
  for pid in "${found[@]}"; do terminate "$pid" 10; done
}

# Prints the last lines of the given logs on stderr, for a failed start.
show_logs() {
  local f
  for f in "$@"; do
    [[ -s $f ]] || continue
    err "---- last lines of $f ----"
    tail -n 40 "$f" >&2
  done
}

# Runs a server launch command with our mark, detached from the caller's session and with no
# inherited descriptor: ctest waits for the pipes of a test to close, and the lock on fd 9 must
# not outlive this script.
launch() {
  local log="$1"
  shift
  (cd / && exec env "$MARK" setsid "$@" </dev/null >>"$log" 2>&1 9>&-) &
  LAUNCHED_PID=$!
}

# ---------------------------------------------------------------------------------------------
# PostgreSQL

# PostgreSQL runs as `postgres`, which needs search permission on every folder above its data
# folder. A build tree under a private home folder (mode 0700) does not give it that, and a deep
# build tree can make the socket path too long; in both cases PostgreSQL's files go to a private
# folder under /tmp and $DIR/pg becomes a link to it, so the layout seen from $DIR is the same.
pg_home() {
  local want="$DIR/pg"
  if fits_socket "$want/run/.s.PGSQL.$PG_PORT.lock" &&
    { ((!IS_ROOT)) || runuser -u postgres -- test -x "$DIR" 2>/dev/null; }; then
    echo "$want"
  else
    echo "$(fallback_dir)/pg"
  fi
}

PG_SUPER=postgres
((IS_ROOT)) || PG_SUPER="$(id -un)"

as_pg() {
  if ((IS_ROOT)); then
    (cd / && runuser -u postgres -- "$@")
  else
    (cd / && "$@")
  fi
}

pg_query() {
  [[ "$(PGPASSWORD="$DB_PASSWORD" PGCONNECT_TIMEOUT=3 timeout 10 "$PG_BIN/psql" -X -Atq \
    -h "$HOST" -p "$PG_PORT" -U "$DB_USER" -d "$DB_NAME" -c 'SELECT 1' 2>/dev/null)" == 1 ]]
}

pg_stop() {
  local home pid
  # Resolved: postgres may not be able to go through $DIR when $DIR/pg links to /tmp.
  home="$(readlink -f "$DIR/pg" 2>/dev/null || true)"
  if [[ -n $home ]] && pid="$(live_pid "$home/data/postmaster.pid")"; then
    say "stopping PostgreSQL (pid $pid)"
    as_pg "$PG_BIN/pg_ctl" stop -D "$home/data" -m fast -w -t 20 >/dev/null 2>&1 ||
      terminate "$pid" 5
  fi
  kill_leftovers "postgres postmaster"
}

pg_start() {
  local home pid
  if pid="$(live_pid "$DIR/pg/data/postmaster.pid")" &&
    [[ "$(cat "$DIR/pg/port" 2>/dev/null)" == "$PG_PORT" ]]; then
    if wait_for "$TIMEOUT" "$pid" pg_query; then
      say "PostgreSQL already running (pid $pid), reused"
      return 0
    fi
    err "PostgreSQL (pid $pid) runs but does not answer; starting a fresh one"
  fi
  pg_stop

  # Fresh cluster. Remove both our folder and a /tmp folder an earlier run may have used.
  home="$(pg_home)"
  rm -rf "$DIR/pg" "$(fallback_dir)/pg"
  if [[ $home != "$DIR/pg" ]]; then
    say "PostgreSQL files go to $home (linked from $DIR/pg)"
    mkdir -p "$(dirname "$home")"
    chmod 0755 "$(dirname "$home")"
    mkdir -p "$home"
    ln -s "$home" "$DIR/pg"
  fi
  mkdir -p "$home/run"
  echo "$PG_PORT" >"$home/port"
  if ((IS_ROOT)); then chown -R postgres:postgres "$home"; fi
  check_port "$PG_PORT" QEL_PG_PORT PostgreSQL

  say "creating PostgreSQL cluster in $home/data"
  if ! as_pg "$PG_BIN/initdb" -D "$home/data" -U "$PG_SUPER" -E UTF8 --locale=C \
    --auth-local=peer --auth-host=scram-sha-256 --no-sync >"$home/initdb.log" 2>&1; then
    show_logs "$home/initdb.log"
    die "initdb failed"
  fi
  # Settings appended last override initdb's. Durability is not wanted for throwaway data.
  cat >>"$home/data/postgresql.conf" <<EOF

# ---- throwaway test server (scripts/dbservers.sh) ----
listen_addresses = '$HOST'
port = $PG_PORT
unix_socket_directories = '$home/run'
password_encryption = scram-sha-256
fsync = off
synchronous_commit = off
full_page_writes = off
lc_messages = 'C'
EOF
  # The superuser only through the socket as its own system user; everybody else with a password.
  cat >"$home/data/pg_hba.conf" <<EOF
# TYPE  DATABASE  USER         ADDRESS        METHOD
local   all       $PG_SUPER    peer
local   all       all                         scram-sha-256
host    all       all          $HOST/32       scram-sha-256
EOF

  say "starting PostgreSQL on $HOST:$PG_PORT"
  if ! as_pg env "$MARK" "$PG_BIN/pg_ctl" start -D "$home/data" -l "$home/server.log" -w -t "$TIMEOUT" \
    -o "" >/dev/null 2>&1 9>&-; then
    show_logs "$home/server.log"
    die "PostgreSQL did not start"
  fi
  if ! as_pg "$PG_BIN/psql" -X -q -v ON_ERROR_STOP=1 -h "$home/run" -p "$PG_PORT" \
    -U "$PG_SUPER" -d postgres >>"$home/server.log" 2>&1 <<EOF; then
CREATE ROLE $DB_USER LOGIN CREATEDB CREATEROLE NOSUPERUSER PASSWORD '$DB_PASSWORD';
CREATE DATABASE $DB_NAME OWNER $DB_USER;
EOF
    show_logs "$home/server.log"
    die "could not create PostgreSQL role and database"
  fi
  pid="$(head -n1 "$home/data/postmaster.pid")"
  if ! wait_for "$TIMEOUT" "$pid" pg_query; then
    show_logs "$home/server.log"
    die "PostgreSQL does not accept $DB_USER over TCP"
  fi
}

# ---------------------------------------------------------------------------------------------
# MariaDB

# The socket sits in our folder unless that path is too long for a unix socket.
my_socket() {
  if fits_socket "$MY_HOME/mysqld.sock"; then
    echo "$MY_HOME/mysqld.sock"
  else
    echo "$(fallback_dir)/mysqld.sock"
  fi
}

my_query() {
  [[ "$(MYSQL_PWD="$DB_PASSWORD" timeout 10 mariadb --no-defaults --protocol=TCP -h "$HOST" \
    -P "$MY_PORT" -u "$DB_USER" --connect-timeout=3 -N -B -e 'SELECT 1' "$DB_NAME" 2>/dev/null)" == 1 ]]
}

my_stop() {
  local pid
  if pid="$(live_pid "$MY_HOME/mysqld.pid")"; then
    say "stopping MariaDB (pid $pid)"
    terminate "$pid" 30
  fi
  kill_leftovers "mariadbd mysqld"
}

# Writes the server's and the clients' option files for the data folder under $MY_HOME.
my_write_config() {
  local sock="$1"
  # Our own option file, read instead of the system's (/etc/mysql is ignored entirely).
  # skip-name-resolve: accounts are matched on 127.0.0.1 / localhost, never on DNS names.
  # innodb-use-native-aio=0: asynchronous I/O is not available in every container.
  {
    echo "[mariadbd]"
    echo "datadir=$MY_HOME/data"
    echo "socket=$sock"
    echo "pid-file=$MY_HOME/mysqld.pid"
    echo "log-error=$MY_HOME/server.log"
    echo "port=$MY_PORT"
    echo "bind-address=$HOST"
    if ((IS_ROOT)); then echo "user=root"; fi
    echo "skip-name-resolve"
    echo "character-set-server=utf8mb4"
    echo "collation-server=utf8mb4_general_ci"
    echo "innodb-use-native-aio=0"
    echo "innodb-buffer-pool-size=64M"
    echo "innodb-log-file-size=16M"
    echo "innodb-flush-log-at-trx-commit=2"
  } >"$MY_HOME/my.cnf"
  # Option file for the command-line clients (found through MYSQL_HOME, see `env`).
  cat >"$MY_HOME/client/my.cnf" <<EOF
[client]
host=$HOST
port=$MY_PORT
user=$DB_USER
password=$DB_PASSWORD
[mysql]
database=$DB_NAME
EOF
}

# Starts the server on the data folder it had, keeping its databases; the option files are
# written again for this run's port.
my_restart() {
  local sock="$1" pid
  say "keeping the MariaDB data folder $MY_HOME/data (it holds a database): starting the server on it"
  rm -f "$sock" "$MY_HOME/mysqld.pid"
  mkdir -p "$MY_HOME/client" "$(dirname "$sock")"
  echo "$MY_PORT" >"$MY_HOME/port"
  check_port "$MY_PORT" QEL_MY_PORT MariaDB
  my_write_config "$sock"
  say "starting MariaDB on $HOST:$MY_PORT"
  launch "$MY_HOME/server.log" mariadbd --defaults-file="$MY_HOME/my.cnf"
  pid="$LAUNCHED_PID"
  if ! wait_for "$TIMEOUT" "$pid" my_query; then
    show_logs "$MY_HOME/server.log"
    die "MariaDB did not start on its kept data folder $MY_HOME/data (remove $MY_HOME to start afresh)"
  fi
  say "MariaDB started on its kept data (pid $pid)"
}

my_start() {
  local pid sock
  if pid="$(live_pid "$MY_HOME/mysqld.pid")" &&
    [[ "$(cat "$MY_HOME/port" 2>/dev/null)" == "$MY_PORT" ]]; then
    if wait_for "$TIMEOUT" "$pid" my_query; then
      say "MariaDB already running (pid $pid), reused"
      return 0
    fi
    err "MariaDB (pid $pid) runs but does not answer; starting a fresh one"
  fi
  my_stop

  sock="$(my_socket)"
  # A data folder that holds a database (a server killed, or stopped, earlier) is started again
  # as it is: its databases may be what the user is looking at.
  if [[ -d $MY_HOME/data/mysql ]]; then
    my_restart "$sock"
    return 0
  fi
  rm -rf "$MY_HOME" "$sock"
  mkdir -p "$MY_HOME/data" "$MY_HOME/client" "$(dirname "$sock")"
  echo "$MY_PORT" >"$MY_HOME/port"
  check_port "$MY_PORT" QEL_MY_PORT MariaDB
  my_write_config "$sock"

  say "creating MariaDB data folder in $MY_HOME/data"

  if ! mariadb-install-db --defaults-file="$MY_HOME/my.cnf" --skip-name-resolve \
    --auth-root-authentication-method=socket --skip-test-db >"$MY_HOME/install.log" 2>&1; then
    show_logs "$MY_HOME/install.log"
    die "mariadb-install-db failed"
  fi

  say "starting MariaDB on $HOST:$MY_PORT"
  launch "$MY_HOME/server.log" mariadbd --defaults-file="$MY_HOME/my.cnf"
  pid="$LAUNCHED_PID"
  local admin=(mariadb --no-defaults --socket="$sock" -u root)
  if ! wait_for "$TIMEOUT" "$pid" "${admin[@]}" -e 'SELECT 1'; then
    show_logs "$MY_HOME/server.log"
    die "MariaDB did not start"
  fi
  # root connects through the socket by unix_socket authentication: no password to keep.
  if ! "${admin[@]}" >>"$MY_HOME/install.log" 2>&1 <<EOF; then
CREATE USER '$DB_USER'@'$HOST' IDENTIFIED BY '$DB_PASSWORD';
CREATE USER '$DB_USER'@'localhost' IDENTIFIED BY '$DB_PASSWORD';
CREATE DATABASE \`$DB_NAME\`;
GRANT ALL PRIVILEGES ON \`$DB_NAME%\`.* TO '$DB_USER'@'$HOST' WITH GRANT OPTION;
GRANT ALL PRIVILEGES ON \`$DB_NAME%\`.* TO '$DB_USER'@'localhost' WITH GRANT OPTION;
GRANT CREATE USER ON *.* TO '$DB_USER'@'$HOST';
GRANT CREATE USER ON *.* TO '$DB_USER'@'localhost';
EOF
    show_logs "$MY_HOME/install.log" "$MY_HOME/server.log"
    die "could not create MariaDB user and database"
  fi
  if ! wait_for "$TIMEOUT" "$pid" my_query; then
    show_logs "$MY_HOME/server.log"
    die "MariaDB does not accept $DB_USER over TCP"
  fi
}

# ---------------------------------------------------------------------------------------------
# Firebird

# The installed root folder (firebird.msg, intl/, plugins/...): /usr/lib/<triplet>/firebird/3.0.
fb_root() {
  local d
  for d in /usr/lib/*/firebird/3.0; do
    [[ -f $d/firebird.msg ]] && {
      echo "$d"
      return 0
    }
  done
  return 1
}

# The server writes its own log to a fixed place (/var/log/firebird), next to our capture of its
# standard output.
FB_SYSTEM_LOG=/var/log/firebird/firebird3.0.log

# Client calls go through the system client configuration, like the tests' own programs.
fb_isql() {
  env -u FIREBIRD -u FIREBIRD_LOCK -u FIREBIRD_TMP -u ISC_USER -u ISC_PASSWORD \
    timeout 20 isql-fb -q -b -user "$FB_USER" -password "$FB_PASSWORD" "$@"
}

fb_query() {
  # shellcheck disable=SC2016 # RDB$DATABASE is a table name, not a shell variable
  fb_isql "$HOST/$FB_PORT:$FB_DATABASE" <<<'SELECT 1 FROM RDB$DATABASE;' 2>/dev/null |
    grep -qE '^[[:space:]]*1[[:space:]]*$'
}

fb_stop() {
  local pid
  if pid="$(live_pid "$FB_HOME/firebird.pid")"; then
    say "stopping Firebird (pid $pid)"
    terminate "$pid" 20
  fi
  kill_leftovers "firebird fbguard"
}

fb_start() {
  local pid root entry
  if pid="$(live_pid "$FB_HOME/firebird.pid")" &&
    [[ "$(cat "$FB_HOME/port" 2>/dev/null)" == "$FB_PORT" ]]; then
    if wait_for "$TIMEOUT" "$pid" fb_query; then
      say "Firebird already running (pid $pid), reused"
      return 0
    fi
    err "Firebird (pid $pid) runs but does not answer; starting a fresh one"
  fi
  fb_stop

  root="$(fb_root)" || die "Firebird 3.0 is not installed (no /usr/lib/*/firebird/3.0)"
  [[ -x $FB_SERVER ]] || die "Firebird server $FB_SERVER is not installed"
  rm -rf "$FB_HOME"
  mkdir -p "$FB_HOME/lock" "$FB_HOME/tmp" "$FB_HOME/data"
  echo "$FB_PORT" >"$FB_HOME/port"
  check_port "$FB_PORT" QEL_FB_PORT Firebird

  # FIREBIRD makes the engine look for its configuration and messages in our folder, and intl/
  # is looked up there too: link all of the installed root folder except the two files we own.
  for entry in "$root"/*; do
    case "${entry##*/}" in
      firebird.conf | databases.conf) ;;
      *) ln -s "$entry" "$FB_HOME/${entry##*/}" ;;
    esac
  done
  cat >"$FB_HOME/firebird.conf" <<EOF
# Throwaway test server (scripts/dbservers.sh)
RemoteServicePort = $FB_PORT
RemoteBindAddress = $HOST
ServerMode = Super
SecurityDatabase = $FB_HOME/security3.fdb
AuthServer = Srp
AuthClient = Srp
UserManager = Srp
WireCrypt = Enabled
UdfAccess = Restrict UDF
EOF
  echo "# no aliases: tests name databases by path" >"$FB_HOME/databases.conf"

  # Our security database, built as the packaging builds the system one, through the embedded
  # engine (which reads our firebird.conf thanks to FIREBIRD), then SYSDBA's password set.
  say "creating Firebird security database"
  local sec="$FB_HOME/security3.fdb"
  if ! (
    export FIREBIRD="$FB_HOME" FIREBIRD_LOCK="$FB_HOME/lock" FIREBIRD_TMP="$FB_HOME/tmp"
    unset ISC_USER ISC_PASSWORD
    echo "CREATE DATABASE '$sec';" | isql-fb -q -b &&
      isql-fb -q -b -user SYSDBA -i /usr/share/firebird/3.0/security.sql "$sec" &&
      echo "CREATE OR ALTER USER SYSDBA PASSWORD '$FB_PASSWORD' USING PLUGIN Srp;" |
      isql-fb -q -b -user SYSDBA "$sec"
  ) >"$FB_HOME/setup.log" 2>&1; then
    show_logs "$FB_HOME/setup.log" "$FB_SYSTEM_LOG"
    die "could not create the Firebird security database"
  fi

  say "starting Firebird on $HOST:$FB_PORT"
  launch "$FB_HOME/server.log" env FIREBIRD="$FB_HOME" FIREBIRD_LOCK="$FB_HOME/lock" \
    FIREBIRD_TMP="$FB_HOME/tmp" "$FB_SERVER"
  pid="$LAUNCHED_PID"
  echo "$pid" >"$FB_HOME/firebird.pid"
  if ! wait_for "$TIMEOUT" "$pid" port_open "$FB_PORT"; then
    show_logs "$FB_HOME/server.log" "$FB_SYSTEM_LOG"
    die "Firebird did not start"
  fi
  # Created through the server, so the file belongs to the server process that will open it.
  if ! fb_isql >>"$FB_HOME/setup.log" 2>&1 <<EOF; then
CREATE DATABASE '$HOST/$FB_PORT:$FB_DATABASE' PAGE_SIZE 8192 DEFAULT CHARACTER SET UTF8;
EOF
    show_logs "$FB_HOME/setup.log" "$FB_SYSTEM_LOG"
    die "could not create the Firebird test database"
  fi
  if ! wait_for "$TIMEOUT" "$pid" fb_query; then
    show_logs "$FB_HOME/server.log" "$FB_SYSTEM_LOG"
    die "Firebird does not answer on $HOST/$FB_PORT:$FB_DATABASE"
  fi
}

# ---------------------------------------------------------------------------------------------
# Commands

print_env() {
  emit() { printf 'export %s=%q\n' "$1" "$2"; }
  emit QEL_DB_DIR "$DIR"
  emit QEL_PG_HOST "$HOST"
  emit QEL_PG_PORT "$PG_PORT"
  emit QEL_PG_USER "$DB_USER"
  emit QEL_PG_PASSWORD "$DB_PASSWORD"
  emit QEL_PG_DATABASE "$DB_NAME"
  emit QEL_MY_HOST "$HOST"
  emit QEL_MY_PORT "$MY_PORT"
  emit QEL_MY_USER "$DB_USER"
  emit QEL_MY_PASSWORD "$DB_PASSWORD"
  emit QEL_MY_DATABASE "$DB_NAME"
  emit QEL_FB_HOST "$HOST"
  emit QEL_FB_PORT "$FB_PORT"
  emit QEL_FB_USER "$FB_USER"
  emit QEL_FB_PASSWORD "$FB_PASSWORD"
  emit QEL_FB_DATABASE "$FB_DATABASE"
  # psql and the other libpq programs.
  emit PGHOST "$HOST"
  emit PGPORT "$PG_PORT"
  emit PGUSER "$DB_USER"
  emit PGPASSWORD "$DB_PASSWORD"
  emit PGDATABASE "$DB_NAME"
  # mariadb: host, port and password from the environment; user and database (which the
  # client takes from no variable) from $MYSQL_HOME/my.cnf.
  emit MYSQL_HOST "$HOST"
  emit MYSQL_TCP_PORT "$MY_PORT"
  emit MYSQL_PWD "$DB_PASSWORD"
  emit MYSQL_HOME "$MY_HOME/client"
  # isql-fb, gbak, gfix...: isql-fb "$QEL_FB_HOST/$QEL_FB_PORT:$QEL_FB_DATABASE"
  emit ISC_USER "$FB_USER"
  emit ISC_PASSWORD "$FB_PASSWORD"
}

# A server counts as down only when it has not answered for STATUS_WAIT seconds: a client can
# fail once while the machine is busy starting many test programs, and one refused query is no
# proof that the server is gone.
STATUS_WAIT="${QEL_DB_STATUS_WAIT:-10}"

cmd_status() {
  local down=()
  if wait_for "$STATUS_WAIT" "" pg_query; then say "PostgreSQL up on $HOST:$PG_PORT"; else down+=(PostgreSQL); fi
  if wait_for "$STATUS_WAIT" "" my_query; then say "MariaDB up on $HOST:$MY_PORT"; else down+=(MariaDB); fi
  if wait_for "$STATUS_WAIT" "" fb_query; then
    say "Firebird up on $HOST:$FB_PORT"
  else
    down+=(Firebird)
    # What the client says, for the log.
    # shellcheck disable=SC2016 # RDB$DATABASE is a table name
    fb_isql "$HOST/$FB_PORT:$FB_DATABASE" <<<'SELECT 1 FROM RDB$DATABASE;' 2>&1 | head -5 >&2 || true
  fi
  if ((${#down[@]})); then
    err "down: ${down[*]}"
    return 1
  fi
}

# One invocation at a time per state folder (fd 9 is closed in every server we launch).
take_lock() {
  mkdir -p "$DIR"
  exec 9>"$DIR/.lock"
  flock -w 300 9 || die "another dbservers.sh holds $DIR/.lock"
}

case "${1:-}" in
  start)
    take_lock
    started=$SECONDS
    pg_start
    my_start
    fb_start
    say "all servers up in $((SECONDS - started))s; state in $DIR"
    ;;
  stop)
    take_lock
    pg_stop
    my_stop
    fb_stop
    say "stopped"
    ;;
  status) cmd_status ;;
  env) print_env ;;
  *)
    echo "usage: $0 start|stop|status|env" >&2
    exit 2
    ;;
esac

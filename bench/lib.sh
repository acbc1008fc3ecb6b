# Shared set-up of the benchmark scripts that time a bench binary against a PostgreSQL client
# tool. Sourced (not run) by those scripts after they have set ROOT (the repository) and BUILD
# (the build folder); they run under set -euo pipefail.

# Configures BUILD once (Release, no sanitizers, benchmarks on) and builds the target every time
# (an up-to-date build costs nothing); on failure prints the build log and exits.
bench_build() {
  local log
  log="$(mktemp)"
  if ! { { [ -f "$BUILD/CMakeCache.txt" ] ||
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DQEL_SANITIZE=OFF \
      -DQEL_BUILD_BENCH=ON; } &&
    cmake --build "$BUILD" -j"$(nproc)" --target "$1"; } >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
  fi
  rm -f "$log"
}

# Installs the named tools when missing; the PostgreSQL clients come with postgresql-client.
bench_need_tools() {
  local tool pkg
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      pkg="$tool"
      case "$tool" in psql | pg_dump) pkg=postgresql-client ;; esac
      apt-get install -y "$pkg" >/dev/null 2>&1 ||
        { apt-get update >/dev/null && apt-get install -y "$pkg" >/dev/null; }
    fi
  done
}

# Makes the scratch folder WORK (removed on exit) and points the PG* variables at the server of
# QEL_PG_HOST/PORT/USER/PASSWORD, with the database $1 (default QEL_PG_DATABASE). When no server
# is given, starts the throwaway servers of scripts/dbservers.sh in WORK and stops them on exit.
WORK=""
STARTED=""
bench_cleanup() {
  if [ -n "$STARTED" ]; then
    QEL_DB_DIR="$WORK/dbservers" "$ROOT/scripts/dbservers.sh" stop >/dev/null 2>&1 || true
  fi
  rm -rf "$WORK"
}
bench_pg_server() {
  WORK="$(mktemp -d)"
  trap bench_cleanup EXIT
  if [ -z "${QEL_PG_HOST:-}" ]; then
    export QEL_DB_DIR="$WORK/dbservers"
    STARTED=1
    "$ROOT/scripts/dbservers.sh" start >/dev/null
    eval "$("$ROOT/scripts/dbservers.sh" env)"
  fi
  export PGHOST="$QEL_PG_HOST" PGPORT="$QEL_PG_PORT" PGUSER="$QEL_PG_USER" \
    PGPASSWORD="$QEL_PG_PASSWORD" PGDATABASE="${1:-$QEL_PG_DATABASE}"
}

# Median of the numbers on standard input, one a line.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

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
# Makes the scratch folder WORK and, when the variable named $1 (a server's host) is not set,
# starts the throwaway servers in it (stopped on exit) and takes their QEL_* settings.
bench_servers() {
  WORK="$(mktemp -d)"
  trap bench_cleanup EXIT
  if [ -z "${!1:-}" ]; then
    export QEL_DB_DIR="$WORK/dbservers"
    STARTED=1
    "$ROOT/scripts/dbservers.sh" start >/dev/null
    eval "$("$ROOT/scripts/dbservers.sh" env)"
  fi
}
bench_pg_server() {
  bench_servers QEL_PG_HOST
  export PGHOST="$QEL_PG_HOST" PGPORT="$QEL_PG_PORT" PGUSER="$QEL_PG_USER" \
    PGPASSWORD="$QEL_PG_PASSWORD" PGDATABASE="${1:-$QEL_PG_DATABASE}"
}

# Median of the numbers on standard input, one a line.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Milliseconds of one run of benchmark $1 of the bench binary $BENCH (the benchmark's own
# repetitions, real time; the benchmarks are named NAME/real_time).
bench_ms() {
  "$BENCH" --benchmark_filter="^$1/" --benchmark_min_time=0.01 \
    --benchmark_format=json 2>/dev/null | jq -e '.benchmarks[0].real_time'
}

# Milliseconds of one pg_dump --schema-only of database $1.
pg_dump_ms() {
  local start end
  start=$(date +%s.%N)
  pg_dump --schema-only -d "$1" >/dev/null
  end=$(date +%s.%N)
  echo "$end $start" | awk '{ printf "%.3f\n", ($1 - $2) * 1000 }'
}

# A first run of $BENCH with the benchmark filter $1 (every benchmark when empty), which makes
# the databases and warms the server; on a failure prints what each benchmark said and exits,
# naming $2.
bench_first_run() {
  if ! "$BENCH" --benchmark_filter="${1:-.}" --benchmark_min_time=0.01 --benchmark_format=json \
    >"$WORK/first.json" 2>"$WORK/first.err" ||
    ! jq -e '[.benchmarks[] | select(.error_occurred)] | length == 0' "$WORK/first.json" >/dev/null; then
    cat "$WORK/first.err" >&2
    jq -r '.benchmarks[]? | "\(.name): \(.error_message // "ok")"' "$WORK/first.json" >&2 || true
    echo "$2 failed" >&2
    exit 1
  fi
}

# Sets varnel: the program QEL_VARNEL names, else the one built in BUILD.
bench_varnel() {
  if [ -z "${QEL_VARNEL:-}" ]; then
    bench_build varnel_cli
    varnel="$BUILD/examples/varnel"
  else
    varnel="$QEL_VARNEL"
  fi
}

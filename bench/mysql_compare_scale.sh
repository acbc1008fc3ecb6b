#!/usr/bin/env bash
# `varnel compare` of a generated MySQL script with an empty one (every table written as a
# CREATE TABLE with its keys and indexes inline) next to a DB2 script of the same shape, in one
# run, at 1,000 and 5,000 tables (bench/script_schema_pair.py writes the master scripts: 20
# columns, a named key and an index per table, a view and a named foreign key on every tenth).
# Prints the mean time of each (hyperfine), MySQL's time over DB2's at each size, and how each
# grows from one size to the next (5x the tables: 5.0 is linear). The MySQL table text is meant
# to grow linearly, as the DB2 one does.
#
#   bench/mysql_compare_scale.sh [RUNS] [SIZES...]        default: 3 runs; 1000 5000
#
# QEL_BENCH_BUILD_DIR  the Release build folder (default build-bench-my/)
# QEL_VARNEL           a varnel program to time instead of building one
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${QEL_BENCH_BUILD_DIR:-$ROOT/build-bench-my}"
# shellcheck source=bench/lib.sh
. "$ROOT/bench/lib.sh"

runs="${1:-3}"
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000 5000)

bench_need_tools hyperfine python3
if [ -z "${QEL_VARNEL:-}" ]; then
  bench_build varnel_cli
  varnel="$BUILD/examples/varnel"
else
  varnel="$QEL_VARNEL"
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

: >"$work/empty.sql"
results="$work/results.txt"
: >"$results"
for n in "${sizes[@]}"; do
  cmds=()
  for d in mysql db2; do
    python3 "$ROOT/bench/script_schema_pair.py" "$d" "$n" "$work/$d-m$n.sql" "$work/$d-t$n.sql"
    cmd="$varnel compare --dialect $d --master $work/$d-m$n.sql --target $work/empty.sql"
    # Each must read its script and write its update script before it is timed.
    $cmd >"$work/$d-$n.sql"
    echo "$d, $n tables: update script of $(grep -c . "$work/$d-$n.sql") lines"
    cmds+=(--command-name "$d" "$cmd >/dev/null")
  done
  hyperfine --warmup 1 --runs "$runs" --export-json "$work/t$n.json" "${cmds[@]}"
  python3 - "$work/t$n.json" "$n" >>"$results" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
print(sys.argv[2], r["mysql"], r["db2"])
PY
done

echo
echo "== summary (mean time of $runs runs)"
python3 - "$results" <<'PY'
import sys
rows = [(int(n), float(m), float(d)) for n, m, d in (l.split() for l in open(sys.argv[1]) if l.strip())]
print(f"{'tables':>8} {'mysql':>9} {'db2':>9} {'mysql/db2':>10}")
for n, m, d in rows:
    print(f"{n:>8} {m:>7.2f} s {d:>7.2f} s {m / d:>9.2f}x")
for (n1, m1, d1), (n2, m2, d2) in zip(rows, rows[1:]):
    print(f"from {n1} to {n2} tables ({n2 / n1:.1f}x): mysql x{m2 / m1:.1f}, db2 x{d2 / d1:.1f}")
PY

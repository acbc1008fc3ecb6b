#!/usr/bin/env bash
# `varnel compare` of a generated script of one dialect next to a DB2 script of the same shape, in
# one run (bench/script_schema_pair.py writes them: 20 columns, a named key and an index per
# table, a view and a named foreign key on every tenth, 1% of the tables changed). With "pair"
# each master is compared with its changed target; with "empty" with an empty script, so that
# every table is written whole. Prints the mean time of each (hyperfine), the dialect's time over
# DB2's at each size, and how each grows from one size to the next (5x the tables: 5.0 is
# linear). bench/oracle_compare_scale.sh and bench/mysql_compare_scale.sh run it.
#
#   bench/script_compare_scale.sh DIALECT pair|empty [RUNS] [SIZES...]   default: 3 runs
#
# QEL_BENCH_BUILD_DIR  the Release build folder (default build-bench-DIALECT/)
# QEL_VARNEL           a varnel program to time instead of building one
# QEL_BENCH_KEYS       "inline": the keys stand inside CREATE TABLE (see script_schema_pair.py)
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dialect="$1"
mode="$2"
shift 2
BUILD="${QEL_BENCH_BUILD_DIR:-$ROOT/build-bench-$dialect}"
# shellcheck source=bench/lib.sh
. "$ROOT/bench/lib.sh"

runs="${1:-3}"
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000 5000)

bench_need_tools hyperfine python3
bench_varnel

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

: >"$work/empty.sql"
results="$work/results.txt"
: >"$results"
for n in "${sizes[@]}"; do
  cmds=()
  for d in "$dialect" db2; do
    python3 "$ROOT/bench/script_schema_pair.py" "$d" "$n" "$work/$d-m$n.sql" "$work/$d-t$n.sql" \
      ${QEL_BENCH_KEYS:+"$QEL_BENCH_KEYS"}
    target="$work/$d-t$n.sql"
    [ "$mode" = empty ] && target="$work/empty.sql"
    cmd="$varnel compare --dialect $d --master $work/$d-m$n.sql --target $target"
    # Each must read its scripts and write its update script before it is timed.
    $cmd >"$work/$d-$n.sql"
    echo "$d, $n tables: update script of $(grep -c . "$work/$d-$n.sql") lines"
    cmds+=(--command-name "$d" "$cmd >/dev/null")
  done
  hyperfine --warmup 1 --runs "$runs" --export-json "$work/t$n.json" "${cmds[@]}"
  python3 - "$work/t$n.json" "$n" "$dialect" >>"$results" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
print(sys.argv[2], r[sys.argv[3]], r["db2"])
PY
done

echo
echo "== summary (mean time of $runs runs)"
python3 - "$results" "$dialect" <<'PY'
import sys
name = sys.argv[2]
rows = [(int(n), float(m), float(d)) for n, m, d in (l.split() for l in open(sys.argv[1]) if l.strip())]
print(f"{'tables':>8} {name:>9} {'db2':>9} {name + '/db2':>11}")
for n, m, d in rows:
    print(f"{n:>8} {m:>7.2f} s {d:>7.2f} s {m / d:>10.2f}x")
for (n1, m1, d1), (n2, m2, d2) in zip(rows, rows[1:]):
    print(f"from {n1} to {n2} tables ({n2 / n1:.1f}x): {name} x{m2 / m1:.1f}, db2 x{d2 / d1:.1f}")
PY

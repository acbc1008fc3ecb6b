#!/usr/bin/env bash
# `varnel compare` of generated Oracle script pairs next to DB2 pairs of the same shape, in one
# run, at 10,000 and 50,000 tables (bench/script_schema_pair.py writes them: 20 columns, a named
# key and an index per table, a view and a named foreign key on every tenth, 1% of the tables
# changed). Prints the mean time of each (hyperfine), Oracle's time over DB2's at each size, and
# how each grows from one size to the next (5x the tables: 5.0 is linear). The Oracle reader is
# meant to stay within 1.5x of the DB2 reader.
#
#   bench/oracle_compare_scale.sh [RUNS] [SIZES...]        default: 3 runs; 10000 50000
#
# QEL_BENCH_BUILD_DIR  the Release build folder (default build-bench-ora/)
# QEL_VARNEL           a varnel program to time instead of building one
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${QEL_BENCH_BUILD_DIR:-$ROOT/build-bench-ora}"
# shellcheck source=bench/lib.sh
. "$ROOT/bench/lib.sh"

runs="${1:-3}"
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10000 50000)

bench_need_tools hyperfine python3
if [ -z "${QEL_VARNEL:-}" ]; then
  bench_build varnel_cli
  varnel="$BUILD/examples/varnel"
else
  varnel="$QEL_VARNEL"
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

results="$work/results.txt"
: >"$results"
for n in "${sizes[@]}"; do
  cmds=()
  for d in oracle db2; do
    python3 "$ROOT/bench/script_schema_pair.py" "$d" "$n" "$work/$d-m$n.sql" "$work/$d-t$n.sql"
    cmd="$varnel compare --dialect $d --master $work/$d-m$n.sql --target $work/$d-t$n.sql"
    # Each must read its pair and write its script before it is timed.
    $cmd >"$work/$d-$n.sql"
    echo "$d, $n tables: update script of $(grep -c . "$work/$d-$n.sql") lines"
    cmds+=(--command-name "$d" "$cmd >/dev/null")
  done
  hyperfine --warmup 1 --runs "$runs" --export-json "$work/t$n.json" "${cmds[@]}"
  python3 - "$work/t$n.json" "$n" >>"$results" <<'EOF'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
print(sys.argv[2], r["oracle"], r["db2"])
EOF
done

echo
echo "== summary (mean time of $runs runs)"
python3 - "$results" <<'EOF'
import sys
rows = [(int(n), float(o), float(d)) for n, o, d in (l.split() for l in open(sys.argv[1]) if l.strip())]
print(f"{'tables':>8} {'oracle':>9} {'db2':>9} {'oracle/db2':>11}")
for n, o, d in rows:
    print(f"{n:>8} {o:>7.2f} s {d:>7.2f} s {o / d:>10.2f}x")
for (n1, o1, d1), (n2, o2, d2) in zip(rows, rows[1:]):
    print(f"from {n1} to {n2} tables ({n2 / n1:.1f}x): oracle x{o2 / o1:.1f}, db2 x{d2 / d1:.1f}")
EOF

#!/usr/bin/env bash
# `varnel compare` next to apgdiff on pairs of PostgreSQL scripts of 1,000, 10,000 and 50,000
# tables (20 columns, a key and an index per table, a view and a foreign key on every tenth,
# 1% of the tables changed; bench/pg_schema_pair.py writes them), in one run: the mean time of
# each (hyperfine), the peak memory of each (/usr/bin/time -f %M), their ratios, and how
# varnel's time and memory grow from one size to the next (per 10x of tables).
#
#   bench/pg_compare_scale.sh [RUNS] [SIZES...]        default: 3 runs; 1000 10000 50000
#
# QEL_BENCH_SKIP_PEER_ABOVE=N  runs apgdiff only on pairs of at most N tables (default: all;
#                               apgdiff takes minutes at 50,000)
# QEL_BENCH_BUILD_DIR          the Release build folder (default build-bench-pg/)
# QEL_VARNEL                   a varnel program to time instead of building one
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${QEL_BENCH_BUILD_DIR:-$ROOT/build-bench-pg}"
# shellcheck source=bench/lib.sh
. "$ROOT/bench/lib.sh"

runs="${1:-3}"
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000 10000 50000)
skip_above="${QEL_BENCH_SKIP_PEER_ABOVE:-}"

bench_need_tools apgdiff hyperfine python3
[ -x /usr/bin/time ] || bench_need_tools time
bench_varnel

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Peak resident memory of one run, in KB.
peak_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }

results="$work/results.txt"
: >"$results"
for n in "${sizes[@]}"; do
  master="$work/m$n.sql"
  target="$work/t$n.sql"
  python3 "$ROOT/bench/pg_schema_pair.py" "$n" "$master" "$target"
  echo "== $n tables: $(($(stat -c %s "$master") / 1024)) KB and $(($(stat -c %s "$target") / 1024)) KB"
  vcmd="$varnel compare --dialect postgresql --master $master --target $target"
  acmd="apgdiff $target $master"
  # Both must succeed on the pair before they are timed.
  $vcmd >"$work/varnel.sql"
  peer=1
  if [ -n "$skip_above" ] && [ "$n" -gt "$skip_above" ]; then peer=0; fi
  cmds=(--command-name varnel "$vcmd >/dev/null")
  if [ $peer = 1 ]; then
    $acmd >"$work/apgdiff.sql"
    echo "update scripts: varnel $(wc -l <"$work/varnel.sql") lines," \
      "apgdiff $(wc -l <"$work/apgdiff.sql") lines"
    cmds+=(--command-name apgdiff "$acmd >/dev/null")
  fi
  hyperfine --warmup 1 --runs "$runs" --export-json "$work/t$n.json" "${cmds[@]}"
  vmem=$(peak_kb $vcmd)
  amem=0
  [ $peer = 0 ] || amem=$(peak_kb $acmd)
  python3 - "$work/t$n.json" "$n" "$vmem" "$amem" >>"$results" <<'EOF'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
print(sys.argv[2], r["varnel"], r.get("apgdiff", 0), sys.argv[3], sys.argv[4])
EOF
done

echo
echo "== summary (mean time of $runs runs, peak memory of one run)"
python3 - "$results" <<'EOF'
import sys
rows = [l.split() for l in open(sys.argv[1]) if l.strip()]
rows = [(int(n), float(vt), float(at), int(vm), int(am)) for n, vt, at, vm, am in rows]
print(f"{'tables':>8} {'varnel':>9} {'apgdiff':>9} {'speed-up':>9} {'varnel MB':>10} {'apgdiff MB':>11} {'memory':>7}")
for n, vt, at, vm, am in rows:
    sp = f"{at / vt:.1f}x" if at else "-"
    ratio = f"{vm / am:.2f}" if am else "-"
    a = f"{at:.2f} s" if at else "-"
    amb = f"{am / 1024:.0f}" if am else "-"
    print(f"{n:>8} {vt:>7.2f} s {a:>9} {sp:>9} {vm / 1024:>10.0f} {amb:>11} {ratio:>7}")
print("memory: varnel's peak over apgdiff's; speed-up: apgdiff's time over varnel's")
import math
for (n1, t1, _, m1, _), (n2, t2, _, m2, _) in zip(rows, rows[1:]):
    k = math.log10(n2 / n1)
    print(f"varnel from {n1} to {n2} tables: time x{(t2 / t1) ** (1 / k):.1f}, "
          f"memory x{(m2 / m1) ** (1 / k):.1f} per 10x of tables (10.0 is linear)")
EOF

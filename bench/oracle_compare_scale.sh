#!/usr/bin/env bash
# Generated Oracle script pairs compared next to DB2 pairs of the same shape (see
# bench/script_compare_scale.sh), the keys written inside CREATE TABLE unless QEL_BENCH_KEYS says
# otherwise. The Oracle reader is meant to stay within 1.5x of the DB2 one, and to grow linearly.
#
#   bench/oracle_compare_scale.sh [RUNS] [SIZES...]        default: 3 runs; 10000 50000
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
runs="${1:-3}"
shift || true
[ $# -gt 0 ] || set -- 10000 50000
export QEL_BENCH_KEYS="${QEL_BENCH_KEYS-inline}"
exec "$here/script_compare_scale.sh" oracle pair "$runs" "$@"

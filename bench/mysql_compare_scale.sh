#!/usr/bin/env bash
# A generated MySQL script compared with an empty one (every table written as a CREATE TABLE
# with its keys and indexes inline) next to a DB2 script of the same shape (see
# bench/script_compare_scale.sh). The MySQL table text is meant to grow linearly, as DB2's does.
#
#   bench/mysql_compare_scale.sh [RUNS] [SIZES...]        default: 3 runs; 1000 5000
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
runs="${1:-3}"
shift || true
[ $# -gt 0 ] || set -- 1000 5000
exec "$here/script_compare_scale.sh" mysql empty "$runs" "$@"

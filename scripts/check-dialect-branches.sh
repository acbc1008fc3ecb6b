#!/usr/bin/env bash
# Fails when the core (Common/, the object model in Common/model/ aside) branches on the dialect
# more often than it did: a fact of one dialect belongs in that dialect's registration
# (Common/base/qelDialects.h) or its parser class, where a new dialect is asked for it, not in
# a `case dbX` or `== dbX` of the core. A change that takes branches out lowers the limit with
# it; one that must add a branch says why in its commit.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
limit=141
count="$(grep -rEo 'case db[A-Za-z]+|[=!]= *db[A-Za-z]+' Common --include='*.cpp' --include='*.h' |
  grep -vc '^Common/model/' || true)"
if ((count > limit)); then
  echo "check-dialect-branches: $count branches on the dialect in Common/ outside model/, more than $limit:"
  grep -rEo 'case db[A-Za-z]+|[=!]= *db[A-Za-z]+' Common --include='*.cpp' --include='*.h' |
    grep -v '^Common/model/' | cut -d: -f1 | sort | uniq -c | sort -rn
  exit 1
fi
echo "check-dialect-branches: $count branches on the dialect in Common/ outside model/ (limit $limit)"

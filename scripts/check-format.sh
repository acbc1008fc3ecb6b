#!/usr/bin/env bash
# Fails when a tracked C++ source or header differs from what clang-format makes of it, and
# names each such file. Run `clang-format -i FILE` (major version 14) on what it names.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
# Each major version of clang-format lays some code out otherwise: the tree is kept as this one
# writes it.
want=14
fmt=""
for c in "clang-format-$want" clang-format; do
  command -v "$c" >/dev/null || continue
  if [[ "$("$c" --version | sed -nE 's/.*version ([0-9]+)\..*/\1/p')" == "$want" ]]; then
    fmt="$c"
    break
  fi
done
[[ -n "$fmt" ]] || { echo "check-format: clang-format $want is not installed"; exit 1; }
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  echo "check-format: $root is not a git checkout; nothing to check"
  exit 0
fi
bad=()
while IFS= read -r -d '' f; do
  [[ -f "$f" ]] || continue
  "$fmt" --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done < <(git ls-files -z -- '*.cpp' '*.h')
if ((${#bad[@]})); then
  printf 'check-format: not formatted: %s\n' "${bad[@]}"
  exit 1
fi
echo "check-format: every tracked .cpp and .h is formatted"

#!/usr/bin/env bash
# Fails when a function of the library, its adapters or the example program runs to 120 lines
# or more, and names each such function. A function is read as clang-format lays it out: its
# signature starts in the first column and its body ends with a "}" alone on a line; the
# lines counted run from the one to the other. (Functions defined inside a class body are not
# seen; they are kept short anyway.)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
limit=120
# Left whole on purpose, named by file and signature: the symbol scanner's switch, one case per
# leading character, reads best as one piece.
allowed=$'qelParser_Lex.cpp\tvoid TCustomParser::DoGetSy() {'
folders=(Common dialects adapters platform design examples)
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -d '' files < <(git ls-files -z -- "${folders[@]}" | grep -zE '\.(cpp|h)$')
else
  present=()
  for d in "${folders[@]}"; do [[ -d "$d" ]] && present+=("$d"); done
  mapfile -d '' files < <(find "${present[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) -print0)
fi
((${#files[@]})) || { echo "check-function-length: no sources found"; exit 1; }
long="$(awk -v limit="$limit" -v allowed="$allowed" '
  BEGIN { n = split(allowed, a, "\n"); for (i = 1; i <= n; ++i) ok[a[i]] = 1 }
  FNR == 1 { start = 0; base = FILENAME; sub(/.*\//, "", base) }
  /^[^ \t#}\/]/ { start = FNR; sig = $0 }
  /^}$/ {
    if (start && FNR - start + 1 >= limit && !((base "\t" sig) in ok))
      printf "%s:%d: %d lines: %s\n", FILENAME, start, FNR - start + 1, sig
    start = 0
  }' "${files[@]}")"
if [[ -n "$long" ]]; then
  echo "check-function-length: functions of $limit lines or more (split them):"
  echo "$long"
  exit 1
fi
echo "check-function-length: no function of $limit lines or more (${#files[@]} files)"

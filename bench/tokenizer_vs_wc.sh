#!/usr/bin/env bash
# Tokenizer throughput next to the physical floor: bench_tokenizer reads its generated 50 MB
# script symbol by symbol, and `wc -l` reads the very same bytes (the benchmark writes the script
# it generates to a file for this). Prints both rates in MB/s and their ratio.
#
# Usage: bench/tokenizer_vs_wc.sh [BUILD_DIR]
#   BUILD_DIR is a build configured with -DQEL_BUILD_BENCH=ON, best a Release build without
#   sanitizers (default: build-bench beside this folder's parent, configured and built if absent).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build-bench}"

if [ ! -x "$BUILD/bench/bench_tokenizer" ]; then
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DQEL_SANITIZE=OFF \
    -DQEL_BUILD_BENCH=ON -DQEL_BUILD_TESTS=OFF >/dev/null
  cmake --build "$BUILD" -j"$(nproc)" --target bench_tokenizer >/dev/null
fi
for tool in hyperfine jq; do
  if ! command -v "$tool" >/dev/null; then
    apt-get install -y "$tool" >/dev/null 2>&1 || { apt-get update >/dev/null && apt-get install -y "$tool" >/dev/null; }
  fi
done

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
SCRIPT="$WORK/tokenizer_script.sql"

QEL_TOKENIZER_SCRIPT="$SCRIPT" "$BUILD/bench/bench_tokenizer" \
  --benchmark_format=json --benchmark_out="$WORK/tokenizer.json" --benchmark_out_format=json \
  >/dev/null
hyperfine --style basic --warmup 3 --runs 20 --export-json "$WORK/wc.json" "wc -l $SCRIPT"

BYTES=$(stat -c %s "$SCRIPT")
TOK_BPS=$(jq '.benchmarks[0].bytes_per_second' "$WORK/tokenizer.json")
WC_MEAN=$(jq '.results[0].mean' "$WORK/wc.json")
awk -v b="$BYTES" -v t="$TOK_BPS" -v w="$WC_MEAN" 'BEGIN {
  tok = t / 1e6; wc = b / w / 1e6;
  printf "script:    %.1f MB\n", b / 1e6;
  printf "tokenizer: %.0f MB/s (%.1f ms per pass)\n", tok, b / t * 1000;
  printf "wc -l:     %.0f MB/s (%.1f ms per pass)\n", wc, w * 1000;
  printf "ratio:     wc -l is %.1f times as fast as the tokenizer\n", wc / tok;
}'

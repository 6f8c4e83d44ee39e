#!/usr/bin/env bash
# Runs every benchmark of a build tree and keeps the figures as JSON beside the console output.
set -euo pipefail
build="${1:-build}"
out="$build/bench-results"
mkdir -p "$out"
for b in "$build"/bin/*_bench; do
  [ -x "$b" ] || continue
  name=$(basename "$b")
  echo "== $name"
  "$b" --benchmark_out="$out/$name.json" --benchmark_out_format=json
done
echo "Results in $out"

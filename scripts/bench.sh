#!/usr/bin/env bash
# Builds the optimised preset and runs every benchmark, printing its figures.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release
for bench in build/release/bench/*Bench; do
  echo "== $(basename "$bench")"
  "$bench" "$@"
done

#!/usr/bin/env bash
# Builds and runs every test: the optimised build (SIMD kernels chosen at load
# time) and the portable scalar build (-DNMXJ_SIMD=OFF). Usage: scripts/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)
for variant in release portable; do
  dir=build/test-$variant
  opts=(-DCMAKE_BUILD_TYPE=Release -DNMXJ_BENCH=OFF)
  [ "$variant" = portable ] && opts+=(-DNMXJ_SIMD=OFF -DNMXJ_TOOLS=OFF)
  echo "== $variant build"
  cmake -S . -B "$dir" -G Ninja "${opts[@]}" > /dev/null
  ninja -C "$dir" -j "$jobs"
  echo "== $variant tests"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure
done

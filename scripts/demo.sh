#!/usr/bin/env bash
# Builds the library and the example JPEG codec, then runs the demo: a
# built-in picture is encoded to build/demo/out/demo.jpg (opens in any viewer)
# and decoded back; size, PSNR and times are printed. Usage: scripts/demo.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
dir=build/demo
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNMXJ_TESTS=OFF -DNMXJ_BENCH=OFF > /dev/null
ninja -C "$dir" -j "$(nproc)" nmxj-jpeg nmxj-demo
mkdir -p "$dir/out"
"$dir/tools/nmxj-jpeg" demo "$dir/out"

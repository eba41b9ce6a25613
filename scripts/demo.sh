#!/usr/bin/env bash
# Builds the library and runs the demo. Usage: scripts/demo.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
dir=build/demo
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNMXJ_TESTS=OFF -DNMXJ_BENCH=OFF > /dev/null
ninja -C "$dir" -j "$(nproc)" nmxj-demo
"$dir/tools/nmxj-demo"

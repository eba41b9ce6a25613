#!/usr/bin/env bash
# Builds the Huffman fuzz targets with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer straight from the library sources they need, and
# runs each for a bounded time. Exits non-zero when a target finds a crash,
# a sanitizer report or a difference between the fast and plain paths.
#
#   tests/fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET] [TARGET...]
#
# Needs clang++ with its libFuzzer runtime (Debian: clang, libclang-rt-14-dev).
set -euo pipefail
out=${1:?usage: run.sh BUILD_DIR [SECONDS_PER_TARGET] [TARGET...]}
secs=${2:-20}
shift $(( $# >= 2 ? 2 : 1 ))
root=$(cd "$(dirname "$0")/../.." && pwd)
cxx=${CXX_FUZZ:-clang++}
command -v "$cxx" > /dev/null || { echo "fuzz: $cxx not found" >&2; exit 1; }
mkdir -p "$out"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_huff_tables fuzz_huff_decode fuzz_huff_direct fuzz_huff_encode jpeg_decode_fuzz)
fi

flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -msse4.1 -DNMXJ_SIMD=1 -fopenmp -I"$root/src" -I"$root/include" -I"$root/core" -I"$root/tests/fuzz"
       -I"$root/tools")
avx2=(-mavx2 -mfma -mbmi -mbmi2 -mlzcnt -mpopcnt)
avx512=("${avx2[@]}" -mavx512f -mavx512bw -mavx512vl -mavx512dq)

# The whole library, the core stand-in and the example JPEG codec. Objects
# are built once and shared by the targets.
objs=()
for src in $(find "$root/src" -name '*.cpp' | sort) "$root"/core/nmxcore.cpp "$root"/tools/jpeg/{decoder,encoder,pnm}.cpp; do
  extra=()
  case "$src" in
    *_avx512.cpp) extra=("${avx512[@]}") ;;
    *_avx2.cpp) extra=("${avx2[@]}") ;;
  esac
  obj="$out/$(basename "${src%.cpp}").o"
  if [ ! -f "$obj" ] || [ -n "$(find "$root/src" "$root/core" "$root/include" "$root/tools/jpeg" \
                                  -newer "$obj" -print -quit)" ]; then
    "$cxx" "${flags[@]/-fsanitize=fuzzer,/-fsanitize=fuzzer-no-link,}" "${extra[@]}" -c "$src" -o "$obj"
  fi
  objs+=("$obj")
done

status=0
for t in "${targets[@]}"; do
  echo "== $t (${secs}s)"
  "$cxx" "${flags[@]}" "$root/tests/fuzz/$t.cpp" "${objs[@]}" -o "$out/$t"
  mkdir -p "$out/corpus-$t"
  [ -d "$root/tests/fuzz/seeds/$t" ] && cp -n "$root/tests/fuzz/seeds/$t"/* "$out/corpus-$t/"
  if ! "$out/$t" -max_total_time="$secs" -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$out/$t-" "$out/corpus-$t" > "$out/$t.log" 2>&1; then
    echo "fuzz: $t failed; log: $out/$t.log" >&2
    tail -n 40 "$out/$t.log" >&2
    status=1
  else
    grep -E "^stat::number_of_executed_units|^stat::new_units_added" "$out/$t.log" | tr '\n' ' '
    echo
  fi
done
exit $status

#!/usr/bin/env bash
# Installs the build into a temporary prefix, then builds a small C program
# against it twice: through find_package(nmxj) and through pkg-config.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cmake --install "$build" --prefix "$tmp/prefix" > /dev/null
mkdir "$tmp/consumer"
cp "$here/consumer.c" "$tmp/consumer/"
cp "$here/consumer_cmake.txt" "$tmp/consumer/CMakeLists.txt"
cmake -S "$tmp/consumer" -B "$tmp/consumer/build" -G Ninja -DCMAKE_PREFIX_PATH="$tmp/prefix" > /dev/null
ninja -C "$tmp/consumer/build" > /dev/null
"$tmp/consumer/build/consumer_shared"
flags=$(PKG_CONFIG_PATH="$tmp/prefix/lib/pkgconfig" pkg-config --cflags --libs nmxj)
cc "$here/consumer.c" $flags -Wl,-rpath,"$tmp/prefix/lib" -o "$tmp/consumer_pc"
"$tmp/consumer_pc"

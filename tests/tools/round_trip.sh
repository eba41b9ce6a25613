#!/usr/bin/env bash
# The command-line tool end to end: encode a photograph with each sampling,
# decode it at each scale, and check the sizes of what comes out; a missing
# input must fail with a message and a non-zero exit.
set -euo pipefail
tool=$1 data=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for s in 444 422 420 gray; do
  "$tool" encode -q 80 -s "$s" -r 4 "$data/chelsea.ppm" "$tmp/c.jpg"
  for scale in 1 2 4 8; do
    ext=ppm; [ "$s" = gray ] && ext=pgm
    "$tool" decode --scale "$scale" --threads $(( scale % 3 + 1 )) "$tmp/c.jpg" "$tmp/c.$ext"
    w=$(( (451 + scale - 1) / scale )) h=$(( (300 + scale - 1) / scale ))
    head -c 20 "$tmp/c.$ext" | tr '\n' ' ' | grep -q "^P[56] $w $h 255 " || { echo "bad output size for $s 1/$scale"; exit 1; }
  done
done
if "$tool" decode "$tmp/missing.jpg" "$tmp/x.ppm" 2> "$tmp/err"; then echo "missing input accepted"; exit 1; fi
grep -q "cannot open" "$tmp/err"
if "$tool" --threads 0 demo "$tmp" 2> "$tmp/err"; then echo "zero threads accepted"; exit 1; fi
grep -q "threads must be" "$tmp/err"
echo "round trip ok"

// Shared pieces of the Huffman fuzz targets: tables taken from the input (or
// fixed ones), and the kernels of every target this machine has, so that each
// input also checks the fast paths against the plain forms.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "frame/target.h"
#include "jpeg/huffman/huffman_kernels.h"

namespace nmx::fuzz {

// Reads bytes from the front of the input; zeros once it is used up.
struct Input {
  const uint8_t* p;
  size_t n;
  uint8_t byte() {
    if (!n) return 0;
    --n;
    return *p++;
  }
  // DHT lists: 16 counts, then as many symbols as they add up to (at most
  // what is left of the input).
  void dht(uint8_t* counts, std::vector<uint8_t>& symbols) {
    size_t total = 0;
    for (int i = 0; i < 16; ++i) total += counts[i] = byte();
    symbols.clear();
    for (size_t i = 0; i < total && n; ++i) symbols.push_back(byte());
    symbols.resize(total < 256 ? total : 256);
  }
};

// Fixed tables: every symbol with an 8-bit code (AC) or a 5-bit code (DC).
inline void fixed_dht(bool ac, uint8_t* counts, std::vector<uint8_t>& symbols) {
  std::memset(counts, 0, 16);
  symbols.clear();
  if (ac) {
    symbols.push_back(0x00);
    symbols.push_back(0xF0);
    for (int r = 0; r < 16; ++r)
      for (int c = 1; c <= 15; ++c) symbols.push_back(static_cast<uint8_t>(r << 4 | c));
    counts[7] = static_cast<uint8_t>(symbols.size());
  } else {
    for (int c = 0; c <= 16; ++c) symbols.push_back(static_cast<uint8_t>(c));
    counts[4] = 17;
  }
}

// The DC and AC tables of a target (taken from the input when bit 0 / bit 1 of
// `mode` is set, else the fixed ones), built one byte off alignment in `mem`.
// False when a build fails.
template <class Spec>
bool tables(Input& in, uint8_t mode, std::vector<uint8_t>& mem, Spec* spec[2],
            nmxStatus (*build)(const uint8_t*, const uint8_t*, Spec*)) {
  mem.assign(2 * sizeof(Spec) + 1, 0);
  for (int t = 0; t < 2; ++t) {
    uint8_t counts[16];
    std::vector<uint8_t> symbols;
    if (mode & (1 << t)) in.dht(counts, symbols);
    else fixed_dht(t == 1, counts, symbols);
    symbols.push_back(0);  // never an empty (null) list
    spec[t] = reinterpret_cast<Spec*>(mem.data() + 1 + sizeof(Spec) * t);
    if (build(counts, symbols.data(), spec[t]) != nmxStatusOk) return false;
  }
  return true;
}

// Stops the run: a difference between two paths that must agree.
inline void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace nmx::fuzz

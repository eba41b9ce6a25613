// Test-side helpers for the Huffman coders: DHT lists (simple fixed-length
// ones whose codes are easy to write down, and random valid ones with codes of
// up to 16 bits), records built from them, random blocks and expected streams
// written as bits.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "nmxj.h"
#include "support/harness.h"

namespace nmx::test {

struct Dht {
  uint8_t counts[16] = {};
  std::vector<uint8_t> symbols;
};

// All symbols with codes of one length, in the given order: the code of the
// i-th listed symbol is i.
inline Dht fixed_length_dht(int length, const std::vector<uint8_t>& symbols) {
  Dht d;
  d.counts[length - 1] = static_cast<uint8_t>(symbols.size());
  d.symbols = symbols;
  return d;
}

// DC table: categories 0..16 with 5-bit codes equal to the category.
inline Dht simple_dc_dht() {
  std::vector<uint8_t> s;
  for (int c = 0; c <= 16; ++c) s.push_back(static_cast<uint8_t>(c));
  return fixed_length_dht(5, s);
}

// AC table: EOB, ZRL and every (run, category 1..15) with 8-bit codes in
// increasing symbol order.
inline std::vector<uint8_t> all_ac_symbols() {
  std::vector<uint8_t> s{0x00, 0xF0};
  for (int r = 0; r < 16; ++r)
    for (int c = 1; c <= 15; ++c) s.push_back(static_cast<uint8_t>(r << 4 | c));
  std::sort(s.begin(), s.end());
  return s;
}
inline Dht simple_ac_dht() { return fixed_length_dht(8, all_ac_symbols()); }
// Code of an AC symbol in simple_ac_dht().
inline uint32_t simple_ac_code(int symbol) {
  const auto s = all_ac_symbols();
  return static_cast<uint32_t>(std::find(s.begin(), s.end(), symbol) - s.begin());
}

// Random valid code lengths (1..16, Kraft sum below 1 so no code is all ones)
// for the given symbols, listed by length and in random order within a length.
inline Dht random_dht(std::vector<uint8_t> symbols, Rng& rng, int shortest = 1) {
  std::vector<int> len(symbols.size(), 16);
  int64_t kraft = static_cast<int64_t>(symbols.size());  // in units of 2^-16
  std::uniform_int_distribution<size_t> pick(0, symbols.size() - 1);
  for (int step = 0; step < 4000; ++step) {
    const size_t i = pick(rng);
    if (len[i] <= shortest) continue;
    const int64_t grow = int64_t{1} << (16 - len[i]);  // shortening doubles its share
    if (kraft + grow <= 65535) {
      kraft += grow;
      --len[i];
    }
  }
  std::vector<size_t> order(symbols.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), rng);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return len[a] < len[b]; });
  Dht d;
  for (size_t i : order) {
    ++d.counts[len[i] - 1];
    d.symbols.push_back(symbols[i]);
  }
  return d;
}

inline std::vector<uint8_t> dc_symbols(int top = 16) {
  std::vector<uint8_t> s;
  for (int c = 0; c <= top; ++c) s.push_back(static_cast<uint8_t>(c));
  return s;
}

// Records in plain byte vectors, placed off alignment on purpose: tables built
// from a DHT list (with the build status), states reset by their Init export.
template <class Rec, size_t kSize, size_t kOffset>
struct Held {
  std::vector<uint8_t> mem = std::vector<uint8_t>(kSize + kOffset);
  Rec* get() { return reinterpret_cast<Rec*>(mem.data() + kOffset); }
  const uint8_t* bytes() const { return mem.data() + kOffset; }
};
template <class Rec, size_t kSize, nmxStatus (*kInit)(const uint8_t*, const uint8_t*, Rec*)>
struct Table : Held<Rec, kSize, 1> {
  nmxStatus status;
  explicit Table(const Dht& d) {
    static const uint8_t none = 0;  // the symbol list is never null, also when empty
    status = kInit(d.counts, d.symbols.empty() ? &none : d.symbols.data(), this->get());
  }
};
using EncSpec = Table<NmxEncodeHuffmanSpec, 1024, nmxiEncodeHuffmanSpecInit_JPEG_8u>;
using DecSpec = Table<NmxDecodeHuffmanSpec, 1644, nmxiDecodeHuffmanSpecInit_JPEG_8u>;
struct EncState : Held<NmxEncodeHuffmanState, 1048, 3> {
  EncState() { nmxiEncodeHuffmanStateInit_JPEG_8u(get()); }
};
struct DecState : Held<NmxDecodeHuffmanState, 24, 3> {
  DecState() { nmxiDecodeHuffmanStateInit_JPEG_8u(get()); }
};

// A random block: mostly small values thinning out along the zig-zag order
// (like a quantized photograph), sometimes dense or extreme.
inline void random_block(int16_t* b, Rng& rng, int max_category = 15) {
  std::uniform_int_distribution<int> kind(0, 9), u(0, 1 << 20);
  const int k = kind(rng);
  const int limit = (1 << max_category) - 1;
  for (int i = 0; i < 64; ++i) {
    int v = 0;
    const int keep = k == 0 ? 100 : k == 1 ? 3 : 60 - (i % 8 + i / 8) * 5;
    if (static_cast<int>(u(rng) % 100) < keep) {
      const int cat = k == 2 ? max_category : 1 + static_cast<int>(u(rng) % (k < 5 ? 4 : max_category));
      v = static_cast<int>(u(rng) % (1 << cat));
      if (v == 0) v = 1;
      v = std::min(v, limit);
      if (u(rng) & 1) v = -v;
    }
    b[i] = static_cast<int16_t>(v);
  }
  if (k == 3) b[63] = static_cast<int16_t>(1 + u(rng) % 5);  // ends without EOB
  // DC differences stay within category 15: the block decoder reads the DC
  // symbol modulo 16, so a difference of category 16 does not round-trip.
  b[0] = static_cast<int16_t>(std::clamp<int>(b[0], -16383, 16383));
}

// Expected bits as (value, count) pairs, MSB first, and the byte stream they
// make: a 0x00 after each 0xFF, the last byte completed with 1 bits (pad 1),
// 0 bits (pad 0) or left out (pad -1).
using Bits = std::vector<std::pair<uint32_t, int>>;
template <class T>
std::vector<T> operator+(std::vector<T> a, const std::vector<T>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
inline int bit_count(const Bits& bits) {
  int n = 0;
  for (const auto& b : bits) n += b.second;
  return n;
}
inline std::vector<uint8_t> stream(const Bits& bits, int pad = 1) {
  std::vector<uint8_t> out;
  uint32_t acc = 0;
  int n = 0;
  auto put = [&](uint32_t v, int count) {
    for (int i = count - 1; i >= 0; --i) {
      acc = acc << 1 | ((v >> i) & 1);
      if (++n < 8) continue;
      out.push_back(static_cast<uint8_t>(acc));
      if (acc == 0xFF) out.push_back(0);
      acc = 0, n = 0;
    }
  };
  for (const auto& [v, count] : bits) put(v, count);
  if (n && pad >= 0) put(pad ? 0xFF : 0, 8 - n);
  return out;
}

// Completes the direct encoder's unfinished last byte as its caller does
// before a marker: 1 bits, then a stuffed 0x00 if that made 0xFF. Returns the
// number of bytes.
inline int32_t pad_direct(uint8_t* out, int32_t bitpos) {
  int32_t n = bitpos >> 3;
  if (bitpos & 7) {
    out[n] = static_cast<uint8_t>(out[n] | (0xFF >> (bitpos & 7)));
    if (out[n++] == 0xFF) out[n++] = 0;
  }
  return n;
}

}  // namespace nmx::test

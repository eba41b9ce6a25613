// Fast block encoder core shared by the vector targets: the bits of a block
// gather in a 64-bit accumulator that goes out 8 bytes at once (with 0x00
// stuffing after each 0xFF when it holds any). The target front ends supply
// the coefficients in zig-zag order and a mask of the nonzero ones.
//
// The fast path commits nothing until the whole block is coded: when it meets
// anything it does not handle (too little room, a symbol without a code, an
// AC value of category 16, an unusual state) it returns false having changed
// only scratch bytes at and beyond *dstPos, and the plain form codes the block.
#pragma once

#include <cstdint>
#include <cstring>
#ifdef __LZCNT__
#include <immintrin.h>
#endif

#include "jpeg/huffman/huffman_records.h"

// The fast paths are written with small lambdas over the coder's variables;
// they must all be inlined for those variables to live in registers.
#define NMX_INLINE __attribute__((always_inline))

namespace nmx::huff::fast {
// Internal linkage: each target's file keeps its own copy, built with its flags.
namespace {

inline uint64_t load_be64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return __builtin_bswap64(v);
}
inline void store_be64(uint8_t* p, uint64_t v) {
  v = __builtin_bswap64(v);
  std::memcpy(p, &v, 8);
}
inline uint32_t load_be32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return __builtin_bswap32(v);
}
// True when some byte of v is 0xFF.
inline bool has_ff(uint64_t v) {
  const uint64_t x = ~v;
  return ((x - 0x0101010101010101ull) & ~x & 0x8080808080808080ull) != 0;
}

// Category of a nonzero value with |v| <= 32767 and its extra bits.
inline int nz_category(int32_t v) {
  const uint32_t m = static_cast<uint32_t>(v < 0 ? -v : v);
  return 32 - __builtin_clz(m);
}

// Category of a DC difference (0 for 0); |v| <= 65535.
inline int dc_category(int32_t v) {
  const uint32_t m = static_cast<uint32_t>(v < 0 ? -v : v);
#ifdef __LZCNT__
  return 32 - static_cast<int>(_lzcnt_u32(m));
#else
  return m ? 32 - __builtin_clz(m) : 0;
#endif
}

// 16 or more zeros before some nonzero AC coefficient (ZRL codes needed);
// m: the nonzero AC positions.
inline bool has_long_zero_run(uint64_t m) {
  const uint64_t below_last = m ? (~uint64_t{0} >> __builtin_clzll(m)) >> 1 : 0;
  uint64_t x = ~m & below_last & ~uint64_t{1};  // the zeros before the last nonzero (the DC is not one)
  x &= x >> 1, x &= x >> 2, x &= x >> 4, x &= x >> 8;  // bit i: zeros at i..i+15
  return x != 0;
}

// The last data byte written between first and out (a stuffed 0 after 0xFF
// is not one), else the one the state kept, in bits 24-31.
inline uint32_t last_byte_top(const uint8_t* first, const uint8_t* out, uint32_t sacc) {
  if (out == first) return sacc & 0xFF000000u;
  return (out - first >= 2 && out[-1] == 0 && out[-2] == 0xFF ? 0xFFu : out[-1]) << 24;
}

// kRoomy: the caller checked that the buffer holds any block (kRoomyOutput).
// A block codes to at most 2056 bits (DC 32, three ZRLs, 63 AC codes of 31
// bits, EOB, 7 pending) = 257 bytes, 514 when every byte is stuffed, and the
// last store may reach 8 bytes beyond.
constexpr int64_t kRoomyOutput = 528;

// zz: the 64 coefficients in zig-zag order (the DC, zz[0], also passed as
// dc_value, read from the caller's block rather than back from zz);
// nonzero: bit k set when zz[k] != 0 (bit 0 is ignored). With kPrepared,
// cats[k] and bits[k] hold each AC value's category and its extra bits
// (already cut to the category), and the block holds no -32768.
template <bool kPrepared, bool kRoomy = false>
inline bool encode_block_core(const int16_t* zz, int16_t dc_value, const uint8_t* cats, const uint16_t* bits,
                              uint64_t nonzero, uint8_t* dst, int32_t dstLen, int32_t* dstPos, int16_t* lastDC,
                              const EncodeSpec* dc, const EncodeSpec* ac, EncodeState* state) {
  const int32_t pos0 = *dstPos;
  if (pos0 < 0 || static_cast<int64_t>(dstLen) - pos0 < 24) return false;
  const int sn = state->bitCount;
  if (sn < 0 || sn > 7) return false;
  const uint32_t sacc = static_cast<uint32_t>(state->accumulator);

  uint8_t* out = dst + pos0;
  uint8_t* const end = dst + dstLen;
  uint64_t acc = sn ? (sacc >> (24 - sn)) & ((1u << sn) - 1u) : 0;  // right-aligned pending bits
  int free = 64 - sn;

  auto emit8 = [&]() NMX_INLINE -> bool {
    if (has_ff(acc)) {
      if (!kRoomy && end - out < 16) return false;
      for (int sh = 56; sh >= 0; sh -= 8) {
        const uint8_t b = static_cast<uint8_t>(acc >> sh);
        *out++ = b;
        if (b == 0xFF) *out++ = 0;
      }
    } else {
      if (!kRoomy && end - out < 8) return false;
      store_be64(out, acc);
      out += 8;
    }
    return true;
  };
  // Puts n (1..62) bits; bits holds nothing above them.
  auto put = [&](uint64_t bits, int n) NMX_INLINE -> bool {
    if (n <= free) {
      acc = (acc << n) | bits;
      free -= n;
      return true;
    }
    const int spill = n - free;
    acc = (acc << free) | (bits >> spill);
    if (!emit8()) return false;
    acc = bits;  // bits above the spilled ones leave before the next output
    free = 64 - spill;
    return true;
  };
  auto put_coded = [&](uint32_t e, int32_t v, int c) NMX_INLINE -> bool {  // a symbol's code, then c extra bits of v
    if (e == 0) return false;
    const uint32_t extra = static_cast<uint32_t>(v + (v >> 31)) & ((1u << c) - 1u);
    return put((static_cast<uint64_t>(e & 0xFFFF) << c) | extra, static_cast<int>(e >> 16) + c);
  };

  const int32_t diff = int32_t{dc_value} - int32_t{*lastDC};
  const int dc_cat = dc_category(diff);
  if (!put_coded(dc->entry[dc_cat], diff, dc_cat)) return false;

  uint64_t m = nonzero & ~uint64_t{1};
  int prev = 0;
  if constexpr (kPrepared) {
    if (!has_long_zero_run(m)) {
      // No ZRL codes and (the caller checked) no -32768: per coefficient a
      // lookup and a put; a symbol without a code is noticed at the end.
      // Two symbols are joined (at most 2 x 31 bits) before they go into
      // the accumulator: half as many steps on its dependency chain.
      uint32_t missing = 0;  // bit 31 set when some entry is 0
      auto next = [&](uint64_t& code, int& n) NMX_INLINE {
        const int k = __builtin_ctzll(m);
        const int c = cats[k];
        const uint32_t e = ac->entry[((k - prev - 1) << 4) + c];
        missing |= e - 1;
        code = (static_cast<uint64_t>(e & 0xFFFF) << c) | bits[k];
        n = static_cast<int>(e >> 16) + c;
        prev = k;
        m &= m - 1;
      };
      while (m) {
        uint64_t c1, c2 = 0;
        int n1, n2 = 0;
        next(c1, n1);
        if (m) next(c2, n2);
        if (!put((c1 << n2) | c2, n1 + n2)) return false;
      }
      if (missing >> 31) return false;
    }
  }
  while (m) {
    const int k = __builtin_ctzll(m);
    int r = k - prev - 1;
    for (; r > 15; r -= 16)
      if (!put_coded(ac->entry[0xF0], 0, 0)) return false;
    if constexpr (kPrepared) {
      const int c = cats[k];
      if (c > 15) return false;  // -32768
      const uint32_t e = ac->entry[(r << 4) + c];
      if (e == 0) return false;
      if (!put((static_cast<uint64_t>(e & 0xFFFF) << c) | bits[k], static_cast<int>(e >> 16) + c)) return false;
    } else {
      const int32_t v = zz[k];
      if (v == -32768) return false;
      const int c = nz_category(v);
      if (!put_coded(ac->entry[(r << 4) + c], v, c)) return false;
    }
    prev = k;
    m &= m - 1;
  }
  if (prev != 63 && !put_coded(ac->entry[0x00], 0, 0)) return false;

  // Whole bytes out; the last 0..7 bits stay in the state as the byte writer keeps them.
  int pending = 64 - free;
  if (pending == 64) {
    if (!emit8()) return false;
    pending = 0;
  }
  uint64_t x = pending ? acc << free : 0;  // left-aligned
  const int whole = pending >> 3;
  if (!kRoomy && end - out < 16) return false;
  // The byte writer keeps the last data byte it wrote above the pending bits.
  uint32_t top;
  if (!has_ff(x & ~(~uint64_t{0} >> (8 * whole)))) {  // 8 bytes out, `whole` of them counted
    store_be64(out, x);
    out += whole;
    top = whole ? static_cast<uint32_t>(x >> (64 - 8 * whole)) << 24 : last_byte_top(dst + pos0, out, sacc);
    x <<= 8 * whole;
  } else {
    for (int i = 0; i < whole; ++i) {
      const uint8_t b = static_cast<uint8_t>(x >> 56);
      x <<= 8;
      *out++ = b;
      if (b == 0xFF) *out++ = 0;
    }
    top = last_byte_top(dst + pos0, out, sacc);
  }
  state->accumulator = top | static_cast<uint32_t>(x >> 40);
  state->bitCount = pending & 7;
  *dstPos = static_cast<int32_t>(out - dst);
  *lastDC = dc_value;
  return true;
}

}  // namespace
}  // namespace nmx::huff::fast

// Block decoder fast path, shared by the targets' files (each compiles it
// with its own instruction set): a 64-bit read-ahead refilled 8 bytes at once
// when none of them is 0xFF.
//
// The plain reader refills to 25..32 bits whenever a symbol finds fewer than
// 8 bits or a value finds fewer than its own count. The fast path tracks how
// many bits the plain reader would hold at each step (`plain`), and at the end
// of the block gives back (or reads on) whole bytes so that the position, the
// 32-bit accumulator and the bit count are exactly those of the plain reader.
// It gives up on a marker, a fill byte, fewer than 8 bytes left for a refill,
// a code longer than 16 bits or a position past 63.
#pragma once

#include <smmintrin.h>

#include "jpeg/huffman/huffman_fast.h"

namespace nmx::huff::fast {
// Internal linkage: each target's file keeps its own copy, built with its flags.
namespace {

// Cold pieces, out of line so that the hot loop keeps its variables in
// registers.
struct ReadAhead {
  uint64_t buf;
  const uint8_t* p;
  int held;
  int ok;  // 0: give up; 2: a stuffed 0x00 was passed
};

// Refill byte by byte (an 0xFF is near): stuffing removed; a marker, a fill
// byte or the end of the input gives up.
__attribute__((noinline)) ReadAhead refill_bytes(ReadAhead r, const uint8_t* end) {
  r.buf &= ~(~uint64_t{0} >> r.held);  // the bits after the valid ones may hold a stuffed 0x00
  r.ok = 1;
  for (int i = (63 - r.held) >> 3; i > 0; --i) {
    if (end - r.p < 2) return {0, nullptr, 0, 0};
    const uint8_t b = *r.p;
    if (b == 0xFF) {
      if (r.p[1] != 0) return {0, nullptr, 0, 0};
      r.p += 2;
      r.ok = 2;
    } else {
      ++r.p;
    }
    r.buf |= static_cast<uint64_t>(b) << (56 - r.held);
    r.held += 8;
  }
  return r;
}

// A code of 9 to 16 bits from the next 16 bits c16: its symbol, and its
// length in *len; -1 when no code matches. The eight lengths are tried at
// once: c16 holds a code of length L or shorter when it is at most the last
// code of length L with ones appended (the lengths without codes excluded);
// the shortest such L is the code's.
__attribute__((noinline)) int long_symbol(const DecodeSpec* t, uint32_t c16, int* len) {
  const __m128i last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&t->lastCode[9]));
  const __m128i scale = _mm_setr_epi16(128, 64, 32, 16, 8, 4, 2, 1);  // 2^(16 - L)
  const __m128i last_left = _mm_add_epi16(_mm_mullo_epi16(last, scale), _mm_sub_epi16(scale, _mm_set1_epi16(1)));
  const __m128i c = _mm_set1_epi16(static_cast<int16_t>(c16));
  const __m128i within = _mm_cmpeq_epi16(_mm_min_epu16(c, last_left), c);
  const __m128i none = _mm_cmpeq_epi16(last, _mm_set1_epi16(-1));
  const unsigned m = static_cast<unsigned>(_mm_movemask_epi8(_mm_andnot_si128(none, within)));
  if (m == 0) return -1;
  const int L = 9 + __builtin_ctz(m) / 2;
  *len = L;
  return t->symbolsByCode[(t->firstIndex[L] + (c16 >> (16 - L)) - t->firstCode[L]) & 255];
}

// The plain reader's accumulator after it read up to pend: its last four data
// bytes (older ones from acc0 when this call read fewer).
__attribute__((noinline)) uint32_t last_four(const uint8_t* start, const uint8_t* pend, uint32_t acc0) {
  uint32_t t = 0;
  int cnt = 0;
  for (const uint8_t* q = pend; cnt < 4 && q > start; ++cnt) {
    uint32_t b;
    if (q - start >= 2 && q[-1] == 0 && q[-2] == 0xFF) {
      b = 0xFF;
      q -= 2;
    } else {
      b = q[-1];
      q -= 1;
    }
    t |= b << (8 * cnt);
  }
  return cnt == 4 ? t : (acc0 << (8 * cnt)) | t;
}

// Input beyond which no check of the end is needed while decoding a block: a
// block passes at most 64 x 32 bits = 256 bytes, 512 with stuffing, and a
// refill reads 8 bytes ahead.
constexpr int64_t kRoomyInput = 536;

template <bool kRoomy>
NMX_INLINE inline bool decode_block_impl(const uint8_t* src, int32_t srcLen, int32_t* srcPos, int16_t* dst,
                                         int16_t* lastDC, const DecodeSpec* dc, const DecodeSpec* ac,
                                         DecodeState* state) {
  const int32_t pos0 = *srcPos;
  const int n0 = state->bitCount;
  if (n0 < 0 || n0 > 32) return false;

  const uint8_t* const start = src + pos0;
  const uint8_t* const end = src + srcLen;
  const uint32_t acc0 = static_cast<uint32_t>(state->accumulator);
  // Unread bits left-aligned: the next bit is bit 63. Bits below the `held`
  // valid ones are the stream bits that follow them (or 0), so a refill may
  // OR a whole 8-byte load over them.
  ReadAhead r{n0 ? static_cast<uint64_t>(acc0) << (64 - n0) : 0, start, n0, 1};
  // Positions in bits, all from one origin: `consumed` by the decoding,
  // `loaded` into r.buf (so r.held = loaded - consumed, brought up to date
  // only where it is needed), and read by the plain reader, `read_to` (a
  // whole number of bytes). The plain reader's refill test is then a compare
  // and a conditional move off the bit chain.
  int consumed = -n0, loaded = 0, read_to = 0;  // the plain reader holds read_to - consumed bits
  bool stuffed = false;

  // Brings r.held to 56..63 bits; called every second coefficient whatever
  // r.held is (a refill of 0 bytes costs less than a mispredicted branch).
#define NMX_REFILL()                                      \
  do {                                                    \
    r.held = loaded - consumed;                           \
    if (!kRoomy && end - r.p < 8) return false;           \
    const uint64_t w_ = load_be64(r.p);                   \
    if (__builtin_expect(!has_ff(w_), 1)) {               \
      r.buf |= w_ >> r.held;                              \
      const int k_ = (63 - r.held) >> 3;                  \
      r.p += k_;                                          \
      loaded += 8 * k_;                                   \
    } else {                                              \
      r = refill_bytes(r, end);                           \
      if (!r.ok) return false;                            \
      stuffed |= r.ok == 2;                               \
      loaded = consumed + r.held;                         \
    }                                                     \
  } while (0)
  // The plain reader refills to 25..32 bits when it holds fewer than `need`.
#define NMX_PLAIN(need, used)                                        \
  do {                                                               \
    const int refilled_ = (consumed + 32) & ~7;                      \
    read_to = read_to < consumed + (need) ? refilled_ : read_to;     \
    consumed += (used);                                              \
  } while (0)
  // A code of 9 to 16 bits into `sym`; a refill follows.
#define NMX_LONG_SYMBOL(t, sym)                                    \
  do {                                                             \
    int len_ = 0;                                                  \
    sym = long_symbol((t), static_cast<uint32_t>(r.buf >> 48), &len_); \
    if (sym < 0) return false;                                     \
    r.buf <<= len_;                                                \
    NMX_PLAIN(8, 0);                                               \
    NMX_PLAIN(9, 9);                                               \
    if (read_to - consumed < len_ - 9) read_to += 32; /* bit by bit */ \
    consumed += len_ - 9;                                          \
    NMX_REFILL();                                                  \
  } while (0)
  // The s (1..15) value bits into `v`, extended without a branch on their sign.
#define NMX_VALUE(s, v)                                                 \
  do {                                                                  \
    NMX_PLAIN(s, s);                                                    \
    const int32_t u_ = static_cast<int32_t>(r.buf >> (64 - (s)));       \
    r.buf <<= (s);                                                      \
    v = u_ + (((u_ - (1 << ((s) - 1))) >> 31) & (1 - (1 << (s))));      \
  } while (0)
  // A symbol with a code of up to 8 bits and its value bits go in one
  // shift by the lookup entry (the value is read from the bits before it),
  // so the chain from one symbol to the next is a lookup and a shift. The
  // plain reader's count still sees a symbol and then a value. A value whose
  // first bit is 0 is negative: its bits minus 2^s - 1.
#define NMX_SHORT(e_, v)                                                               \
  do {                                                                                 \
    const int len_ = lookup_length(e_), s_ = static_cast<int>((e_ >> 8) & 15);         \
    const uint64_t x_ = r.buf << len_;                                                 \
    r.buf <<= (e_ & 63);                                                               \
    NMX_PLAIN(8, len_);                                                                \
    NMX_PLAIN(s_, s_);                                                                 \
    const uint32_t u_ = static_cast<uint32_t>((x_ >> 1) >> (e_ >> 24));                \
    const uint32_t neg_ = ~static_cast<uint32_t>(static_cast<int64_t>(x_) >> 63);      \
    v = static_cast<int32_t>(u_ - (neg_ & ((1u << s_) - 1u)));                         \
  } while (0)

  // Eight plain stores, written out: a loop here becomes a string store,
  // which costs more for 128 bytes.
  const __m128i zero = _mm_setzero_si128();
  __m128i* const d = reinterpret_cast<__m128i*>(dst);
  _mm_storeu_si128(d + 0, zero), _mm_storeu_si128(d + 1, zero), _mm_storeu_si128(d + 2, zero);
  _mm_storeu_si128(d + 3, zero), _mm_storeu_si128(d + 4, zero), _mm_storeu_si128(d + 5, zero);
  _mm_storeu_si128(d + 6, zero), _mm_storeu_si128(d + 7, zero);

  NMX_REFILL();
  int sym;
  int16_t dcv = *lastDC;
  {
    const uint32_t e = dc->lookup[r.buf >> 56];
    int32_t v = 0;
    if (__builtin_expect(e != 0, 1)) {
      NMX_SHORT(e, v);
    } else {
      NMX_LONG_SYMBOL(dc, sym);
      if (sym & 15) NMX_VALUE(sym & 15, v);
    }
    dcv = static_cast<int16_t>(dcv + v);
  }
  dst[0] = dcv;

  // Two coefficients per refill: a short code and its value take at most 23
  // bits, and a long code refills on its own.
  int k = 1;
#define NMX_AC()                                                  \
  do {                                                            \
    const uint32_t e = ac->lookup[r.buf >> 56];                   \
    int run, s;                                                   \
    int32_t v = 0;                                                \
    if (__builtin_expect(e != 0, 1)) {                            \
      NMX_SHORT(e, v);                                            \
      run = static_cast<int>((e >> 12) & 15);                     \
      s = static_cast<int>((e >> 8) & 15);                        \
    } else {                                                      \
      NMX_LONG_SYMBOL(ac, sym);                                   \
      run = (sym >> 4) & 15, s = sym & 15;                        \
      if (s) NMX_VALUE(s, v);                                     \
    }                                                             \
    if (__builtin_expect(s != 0, 1)) {                            \
      k += run;                                                   \
      if (k > 63) return false;                                   \
      dst[kZigzag[k]] = static_cast<int16_t>(v);                  \
      if (++k >= 64) goto done;                                   \
    } else if (run < 15 || (k += 16) >= 64) {                     \
      goto done;                                                  \
    }                                                             \
  } while (0)
  for (;;) {
    NMX_REFILL();
    NMX_AC();
    NMX_AC();
  }
done:
#undef NMX_AC
#undef NMX_SHORT
#undef NMX_VALUE
#undef NMX_LONG_SYMBOL
#undef NMX_PLAIN
#undef NMX_REFILL

  r.held = loaded - consumed;
  const int plain = read_to - consumed;
  // Settle to the plain reader's position: give back the bytes it would not
  // have read yet, or read on those it would have.
  const uint8_t* pend = r.p;
  if (r.held < plain) {
    for (int i = (plain - r.held) >> 3; i > 0; --i) {
      if (pend >= end) return false;
      if (*pend == 0xFF) {
        if (end - pend < 2 || pend[1] != 0) return false;
        pend += 2;
        stuffed = true;
      } else {
        ++pend;
      }
    }
  } else if (!stuffed) {
    pend -= (r.held - plain) >> 3;
  } else {
    for (int i = (r.held - plain) >> 3; i > 0; --i)
      pend -= pend - start >= 2 && pend[-1] == 0 && pend[-2] == 0xFF ? 2 : 1;
  }
  *srcPos = static_cast<int32_t>(pend - src);
  *lastDC = dcv;
  // The plain reader's accumulator: the last four data bytes it read, older
  // ones from the state when it read fewer here.
  uint32_t acc32;
  if (stuffed) {
    acc32 = last_four(start, pend, acc0);
  } else if (pend - start >= 4) {
    acc32 = load_be32(pend - 4);
  } else {
    const uint64_t both = static_cast<uint64_t>(acc0) << 32 | load_be32(start);
    acc32 = static_cast<uint32_t>(both >> (32 - 8 * (pend - start)));
  }
  state->accumulator = acc32;
  state->bitCount = plain;
  state->endPosition = k;
  return true;
}

// The fast path: true when it decoded the block, false when it gave up
// without visible effect.
NMX_INLINE inline bool decode_block_fast_path(const uint8_t* src, int32_t srcLen, int32_t* srcPos, int16_t* dst,
                                              int16_t* lastDC, int32_t* marker, const DecodeSpec* dc,
                                              const DecodeSpec* ac, DecodeState* state) {
  if (*marker != 0) return false;
  const int32_t pos0 = *srcPos;
  if (pos0 < 0 || static_cast<int64_t>(srcLen) - pos0 < 24) return false;
  if (static_cast<int64_t>(srcLen) - pos0 >= kRoomyInput)
    return decode_block_impl<true>(src, srcLen, srcPos, dst, lastDC, dc, ac, state);
  return decode_block_impl<false>(src, srcLen, srcPos, dst, lastDC, dc, ac, state);
}

}  // namespace
}  // namespace nmx::huff::fast

// 128-bit building blocks of the fixed-point transforms, shared by the SSE4.1
// and AVX2 kernel files. Everything here has internal linkage so that each
// kernel file gets its own copy compiled for its own instruction set.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "jpeg/dct/dct_consts.h"

// The kernels are straight-line code over a block held in registers: their
// helpers are always inlined so that no block goes through memory between them.
#define NMX_DCT_INLINE inline __attribute__((always_inline))

namespace nmx::dct {
namespace {

// A constant table as a memory operand: left to itself the compiler rebuilds
// the 16-bit broadcasts in registers (two instructions each), which costs
// these short kernels more than the loads; laundering the address keeps the
// table in memory, where the instructions read it directly.
template <class T>
NMX_DCT_INLINE const T& in_memory(const T& table) {
  const T* p = &table;
  asm("" : "+r"(p));
  return *p;
}

NMX_DCT_INLINE __m128i load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
NMX_DCT_INLINE void store(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
NMX_DCT_INLINE __m128i set16(int16_t v) { return _mm_set1_epi16(v); }

// Constant vectors of the forward row pass for one row set. A row becomes
// pair sums S and differences D, interleaved by dword as (S0,S1) (D0,D1)
// (S2,S3) (D2,D3); pmaddwd of its first two dwords repeated (`p`) and of its
// last two repeated (`q`) with these vectors gives Z0..Z3 (`lo_*`) and
// Z4..Z7 (`hi_*`) in natural order.
struct alignas(16) FwdRowVecs {
  int16_t lo_p[8], lo_q[8], hi_p[8], hi_q[8];
};
constexpr FwdRowVecs fwd_row_vecs(const RowSet& c) {
  const auto k = static_cast<int16_t>(c.k), o1 = static_cast<int16_t>(c.o1), o3 = static_cast<int16_t>(c.o3),
             o5 = static_cast<int16_t>(c.o5), o7 = static_cast<int16_t>(c.o7), e2 = static_cast<int16_t>(c.e2),
             e6 = static_cast<int16_t>(c.e6);
  const auto n = [](int16_t v) { return static_cast<int16_t>(-v); };
  return {{k, k, o1, o3, e2, e6, o3, n(o7)},
          {k, k, o5, o7, n(e6), n(e2), n(o1), n(o5)},
          {k, n(k), o5, n(o1), e6, n(e2), o7, n(o5)},
          {n(k), k, o7, o3, e2, n(e6), o3, n(o1)}};
}
inline constexpr FwdRowVecs kFwdRowVecs[8] = {
    fwd_row_vecs(kRowSets[kSetOfRow[0]]), fwd_row_vecs(kRowSets[kSetOfRow[1]]), fwd_row_vecs(kRowSets[kSetOfRow[2]]),
    fwd_row_vecs(kRowSets[kSetOfRow[3]]), fwd_row_vecs(kRowSets[kSetOfRow[4]]), fwd_row_vecs(kRowSets[kSetOfRow[5]]),
    fwd_row_vecs(kRowSets[kSetOfRow[6]]), fwd_row_vecs(kRowSets[kSetOfRow[7]])};

// Constant vectors of the inverse row pass for one row set: the row is
// reordered to pairs (x0,x4), (x2,x6), (x1,x3), (x5,x7); pmaddwd of each
// broadcast pair gives the even parts a0..a3 and the odd parts b0..b3.
struct alignas(16) InvRowVecs {
  int16_t x04[8], x26[8], x13[8], x57[8];
};
constexpr InvRowVecs inv_row_vecs(const RowSet& c) {
  const auto k = static_cast<int16_t>(c.k), o1 = static_cast<int16_t>(c.o1), o3 = static_cast<int16_t>(c.o3),
             o5 = static_cast<int16_t>(c.o5), o7 = static_cast<int16_t>(c.o7), e2 = static_cast<int16_t>(c.e2),
             e6 = static_cast<int16_t>(c.e6);
  const auto n = [](int16_t v) { return static_cast<int16_t>(-v); };
  return {{k, k, k, n(k), k, n(k), k, k},
          {e2, e6, e6, n(e2), n(e6), e2, n(e2), n(e6)},
          {o1, o3, o3, n(o7), o5, n(o1), o7, n(o5)},
          {o5, o7, n(o1), n(o5), o7, o3, o3, n(o1)}};
}
inline constexpr InvRowVecs kInvRowVecs[4] = {inv_row_vecs(kRowSets[0]), inv_row_vecs(kRowSets[1]),
                                              inv_row_vecs(kRowSets[2]), inv_row_vecs(kRowSets[3])};

// Forward column pass over all eight columns at once, from the sums
// sum[j] = x_j +s x_(7-j) and differences dif[j] = x_j -s x_(7-j) of the
// rows (t0..t3 and t7..t4 of the column pass); x[r] receives output row r.
NMX_DCT_INLINE void fwd_columns_from(const __m128i sum[4], const __m128i dif[4], __m128i x[8]) {
  const __m128i one = set16(1);
  const __m128i t0 = sum[0], t1 = sum[1], t2 = sum[2], t3 = sum[3];
  const __m128i t7 = dif[0], t6 = dif[1], t5 = dif[2], t4 = dif[3];
  const __m128i p1 = _mm_slli_epi16(t1, 3), p2 = _mm_slli_epi16(t2, 3);
  const __m128i a = _mm_subs_epi16(p1, p2), b = _mm_adds_epi16(p1, p2);
  const __m128i c = _mm_slli_epi16(_mm_subs_epi16(t0, t3), 3);
  const __m128i d = _mm_slli_epi16(_mm_adds_epi16(t0, t3), 3);
  x[0] = _mm_adds_epi16(d, b);
  x[4] = _mm_subs_epi16(d, b);
  const __m128i t2c = set16(kT2);
  x[2] = _mm_or_si128(_mm_adds_epi16(_mm_mulhi_epi16(a, t2c), c), one);
  x[6] = _mm_or_si128(_mm_subs_epi16(_mm_mulhi_epi16(c, t2c), a), one);
  const __m128i u6 = _mm_slli_epi16(t6, 4), u5 = _mm_slli_epi16(t5, 4);
  const __m128i c4 = set16(kC4);
  const __m128i h = _mm_or_si128(_mm_mulhi_epi16(_mm_adds_epi16(u6, u5), c4), one);
  const __m128i i = _mm_mulhi_epi16(_mm_subs_epi16(u6, u5), c4);
  const __m128i g4 = _mm_slli_epi16(t4, 3);
  const __m128i k = _mm_adds_epi16(g4, i), l = _mm_subs_epi16(g4, i);
  const __m128i g7 = _mm_slli_epi16(t7, 3);
  const __m128i m = _mm_subs_epi16(g7, h), n = _mm_adds_epi16(g7, h);
  const __m128i t1c = set16(kT1), t3c = set16(kT3);
  x[1] = _mm_or_si128(_mm_adds_epi16(_mm_mulhi_epi16(k, t1c), n), one);
  x[7] = _mm_subs_epi16(_mm_mulhi_epi16(n, t1c), k);
  x[3] = _mm_subs_epi16(m, _mm_adds_epi16(_mm_mulhi_epi16(l, t3c), l));
  x[5] = _mm_adds_epi16(_mm_adds_epi16(_mm_mulhi_epi16(m, t3c), m), l);
}

// Forward column pass over all eight columns at once (x[r] = row r).
NMX_DCT_INLINE void fwd_columns(__m128i x[8]) {
  __m128i t[4], d[4];
  #pragma GCC unroll 4
  for (int j = 0; j < 4; ++j) {
    t[j] = _mm_adds_epi16(x[j], x[7 - j]);
    d[j] = _mm_subs_epi16(x[j], x[7 - j]);
  }
  fwd_columns_from(t, d, x);
}

// One row of the forward row pass from its interleaved sums and differences.
NMX_DCT_INLINE __m128i fwd_row(__m128i sd, const FwdRowVecs& cv) {
  const __m128i rnd = _mm_set1_epi32(kFwdRound);
  const __m128i p = _mm_shuffle_epi32(sd, 0x44), q = _mm_shuffle_epi32(sd, 0xEE);
  const __m128i lo = _mm_add_epi32(_mm_madd_epi16(p, load(cv.lo_p)), _mm_madd_epi16(q, load(cv.lo_q)));
  const __m128i hi = _mm_add_epi32(_mm_madd_epi16(p, load(cv.hi_p)), _mm_madd_epi16(q, load(cv.hi_q)));
  return _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(lo, rnd), kFwdShift),
                         _mm_srai_epi32(_mm_add_epi32(hi, rnd), kFwdShift));
}

// Forward row pass of rows a and b: the upper halves reversed, so that one
// saturating add and one subtract give both rows' S and D.
NMX_DCT_INLINE void fwd_row_pair(__m128i& ra, __m128i& rb, const FwdRowVecs& ca, const FwdRowVecs& cb) {
  const __m128i wa = _mm_shufflehi_epi16(ra, 0x1B), wb = _mm_shufflehi_epi16(rb, 0x1B);
  const __m128i lo = _mm_unpacklo_epi64(wa, wb);  // a0..a3 b0..b3
  const __m128i hi = _mm_unpackhi_epi64(wa, wb);  // a7..a4 b7..b4
  const __m128i s = _mm_adds_epi16(lo, hi), d = _mm_subs_epi16(lo, hi);
  ra = fwd_row(_mm_unpacklo_epi32(s, d), ca);
  rb = fwd_row(_mm_unpackhi_epi32(s, d), cb);
}

// c x t / 32768 rounded to nearest with ties to even, for row-pass outputs
// c in -2048..2047 (so nothing saturates) and unsigned reciprocals t:
// mulhrs rounds halves up for the low 15 bits of t, bit 15 adds c itself;
// where the product's low 15 bits are exactly one half the odd result drops
// its lowest bit.
NMX_DCT_INLINE __m128i quantize_row(__m128i c, __m128i t) {
  const __m128i up = _mm_add_epi16(_mm_mulhrs_epi16(c, _mm_and_si128(t, set16(0x7FFF))),
                                   _mm_and_si128(c, _mm_srai_epi16(t, 15)));
  const __m128i tie = _mm_cmpeq_epi16(_mm_slli_epi16(_mm_mullo_epi16(c, t), 1), set16(-32768));
  return _mm_andnot_si128(_mm_and_si128(tie, set16(1)), up);
}

// Forward transform and quantization of the block held in x[0..7].
NMX_DCT_INLINE void fwd_block(__m128i x[8], int16_t* dst, const uint16_t* fwd) {
  fwd_columns(x);
  #pragma GCC unroll 8
  for (int r = 0; r < 4; ++r) fwd_row_pair(x[r], x[r + 4], kFwdRowVecs[r], kFwdRowVecs[r + 4]);
  #pragma GCC unroll 8
  for (int r = 0; r < 8; ++r) store(dst + 8 * r, quantize_row(x[r], load(fwd + 8 * r)));
}

// Inverse row pass of one row with its constant set and rounding term. The
// result holds y0 y1 y2 y3 y7 y6 y5 y4: the column pass works lane by lane,
// so the upper half stays reversed until the samples are stored.
NMX_DCT_INLINE __m128i inv_row(__m128i x, const InvRowVecs& cv, int32_t round) {
  const __m128i order = _mm_setr_epi8(0, 1, 8, 9, 4, 5, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15);
  const __m128i p = _mm_shuffle_epi8(x, order);  // (x0,x4) (x2,x6) (x1,x3) (x5,x7)
  const __m128i a = _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_shuffle_epi32(p, 0x00), load(cv.x04)),
                                                _mm_madd_epi16(_mm_shuffle_epi32(p, 0x55), load(cv.x26))),
                                  _mm_set1_epi32(round));
  const __m128i b = _mm_add_epi32(_mm_madd_epi16(_mm_shuffle_epi32(p, 0xAA), load(cv.x13)),
                                  _mm_madd_epi16(_mm_shuffle_epi32(p, 0xFF), load(cv.x57)));
  return _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(a, b), kInvRowShift),
                         _mm_srai_epi32(_mm_sub_epi32(a, b), kInvRowShift));
}

// Inverse column pass over all eight columns at once (r[i] = row i); the
// outputs are left unshifted.
NMX_DCT_INLINE void inv_columns(__m128i r[8]) {
  const __m128i t1 = set16(kT1), t2 = set16(kT2), t3 = set16(kT3), mm = set16(kM);
  const __m128i p = _mm_adds_epi16(_mm_adds_epi16(_mm_mulhi_epi16(r[5], t3), r[5]), r[3]);
  const __m128i q = _mm_subs_epi16(r[5], _mm_adds_epi16(_mm_mulhi_epi16(r[3], t3), r[3]));
  const __m128i u = _mm_subs_epi16(_mm_mulhi_epi16(r[1], t1), r[7]);
  const __m128i v = _mm_adds_epi16(_mm_mulhi_epi16(r[7], t1), r[1]);
  const __m128i g = _mm_adds_epi16(_mm_mulhi_epi16(r[6], t2), r[2]);
  const __m128i h = _mm_subs_epi16(_mm_mulhi_epi16(r[2], t2), r[6]);
  const __m128i vmp = _mm_subs_epi16(v, p), umq = _mm_subs_epi16(u, q);
  const __m128i s1 = _mm_adds_epi16(vmp, umq);
  const __m128i k1 = _mm_adds_epi16(s1, _mm_mulhi_epi16(s1, mm));
  const __m128i s2 = _mm_subs_epi16(vmp, umq);
  const __m128i k2 = _mm_adds_epi16(_mm_mulhi_epi16(s2, mm), s2);
  const __m128i sum04 = _mm_adds_epi16(r[4], r[0]), dif04 = _mm_subs_epi16(r[0], r[4]);
  const __m128i e0 = _mm_adds_epi16(sum04, g), e3 = _mm_subs_epi16(sum04, g);
  const __m128i e1 = _mm_adds_epi16(dif04, h), e2 = _mm_subs_epi16(dif04, h);
  const __m128i vp = _mm_adds_epi16(v, p), uq = _mm_adds_epi16(u, q);
  r[0] = _mm_adds_epi16(e0, vp);
  r[7] = _mm_subs_epi16(e0, vp);
  r[1] = _mm_adds_epi16(e1, k1);
  r[6] = _mm_subs_epi16(e1, k1);
  r[2] = _mm_adds_epi16(e2, k2);
  r[5] = _mm_subs_epi16(e2, k2);
  r[3] = _mm_adds_epi16(uq, e3);
  r[4] = _mm_subs_epi16(e3, uq);
}

// Stores rows a and b (unshifted; with kReversed in column order
// 0 1 2 3 7 6 5 4) as pixels: >> 6, then + 128 clamped to 0..255 (a signed
// byte pack then a flip of the top bit), columns in order; row a first.
template <bool kReversed>
NMX_DCT_INLINE void store_pixel_rows(__m128i a, __m128i b, uint8_t* da, uint8_t* db) {
  __m128i v = _mm_packs_epi16(_mm_srai_epi16(a, kInvColShift), _mm_srai_epi16(b, kInvColShift));
  v = _mm_xor_si128(v, _mm_set1_epi8(-128));
  if (kReversed) v = _mm_shuffle_epi8(v, _mm_setr_epi8(0, 1, 2, 3, 7, 6, 5, 4, 8, 9, 10, 11, 15, 14, 13, 12));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(da), v);
  _mm_storeh_pd(reinterpret_cast<double*>(db), _mm_castsi128_pd(v));
}

template <bool kReversed = true>
NMX_DCT_INLINE void store_pixels(const __m128i r[8], uint8_t* dst, int32_t step) {
  #pragma GCC unroll 8
  for (int i = 0; i < 8; i += 2)
    store_pixel_rows<kReversed>(r[i], r[i + 1], dst + static_cast<intptr_t>(i) * step,
                                dst + static_cast<intptr_t>(i + 1) * step);
}

}  // namespace
}  // namespace nmx::dct

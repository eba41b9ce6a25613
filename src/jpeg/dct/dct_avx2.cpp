// AVX2 forward and inverse transforms: the column passes stay on eight 8-lane
// registers, the row passes (and quantization) run two rows per 256-bit
// register, rows 2j and 2j+1 in its lower and upper halves. Results are those
// of the SSE4.1 kernels.
#include <cstring>

#include "jpeg/dct/dct_kernels.h"
#include "jpeg/dct/dct_vec.h"
#include "jpeg/dct/idct_corner.h"

namespace nmx::dct {
namespace {

NMX_DCT_INLINE __m256i load256(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
NMX_DCT_INLINE void store256(void* p, __m256i v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
NMX_DCT_INLINE __m256i join(__m128i lo, __m128i hi) { return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1); }
NMX_DCT_INLINE __m256i set16x(int16_t v) { return _mm256_set1_epi16(v); }

// Two 8-lane constant vectors side by side.
struct alignas(32) Vec16 {
  int16_t v[16];
};
constexpr Vec16 side_by_side(const int16_t (&a)[8], const int16_t (&b)[8]) {
  Vec16 out{};
  #pragma GCC unroll 8
  for (int i = 0; i < 8; ++i) {
    out.v[i] = a[i];
    out.v[8 + i] = b[i];
  }
  return out;
}

struct FwdRowVecs2 {
  Vec16 lo_p, lo_q, hi_p, hi_q;
};
constexpr FwdRowVecs2 fwd_pair_vecs(int r) {
  const FwdRowVecs& a = kFwdRowVecs[r];
  const FwdRowVecs& b = kFwdRowVecs[r + 1];
  return {side_by_side(a.lo_p, b.lo_p), side_by_side(a.lo_q, b.lo_q), side_by_side(a.hi_p, b.hi_p),
          side_by_side(a.hi_q, b.hi_q)};
}
constexpr FwdRowVecs2 kFwdPairs[4] = {fwd_pair_vecs(0), fwd_pair_vecs(2), fwd_pair_vecs(4), fwd_pair_vecs(6)};

struct alignas(32) Round8 {
  int32_t v[8];
};
constexpr Round8 round_pair(int32_t lo, int32_t hi) { return {{lo, lo, lo, lo, hi, hi, hi, hi}}; }

struct InvRowVecs2 {
  Vec16 x04, x26, x13, x57;
  Round8 rnd;
};
constexpr InvRowVecs2 inv_pair_vecs(int r) {
  const InvRowVecs& a = kInvRowVecs[kSetOfRow[r]];
  const InvRowVecs& b = kInvRowVecs[kSetOfRow[r + 1]];
  return {side_by_side(a.x04, b.x04), side_by_side(a.x26, b.x26), side_by_side(a.x13, b.x13),
          side_by_side(a.x57, b.x57), round_pair(kInvRound[r], kInvRound[r + 1])};
}
constexpr InvRowVecs2 kInvPairs[4] = {inv_pair_vecs(0), inv_pair_vecs(2), inv_pair_vecs(4), inv_pair_vecs(6)};

// As fwd_row, for two rows.
NMX_DCT_INLINE __m256i fwd_row2(__m256i sd, const FwdRowVecs2& cv) {
  const __m256i rnd = _mm256_set1_epi32(kFwdRound);
  const __m256i p = _mm256_shuffle_epi32(sd, 0x44), q = _mm256_shuffle_epi32(sd, 0xEE);
  const __m256i lo = _mm256_add_epi32(_mm256_madd_epi16(p, load256(cv.lo_p.v)), _mm256_madd_epi16(q, load256(cv.lo_q.v)));
  const __m256i hi = _mm256_add_epi32(_mm256_madd_epi16(p, load256(cv.hi_p.v)), _mm256_madd_epi16(q, load256(cv.hi_q.v)));
  return _mm256_packs_epi32(_mm256_srai_epi32(_mm256_add_epi32(lo, rnd), kFwdShift),
                            _mm256_srai_epi32(_mm256_add_epi32(hi, rnd), kFwdShift));
}

// As fwd_row_pair, for rows (2j, 2j+1) in a and (2k, 2k+1) in b.
NMX_DCT_INLINE void fwd_row_pair2(__m256i& a, __m256i& b, const FwdRowVecs2& ca, const FwdRowVecs2& cb) {
  const __m256i wa = _mm256_shufflehi_epi16(a, 0x1B), wb = _mm256_shufflehi_epi16(b, 0x1B);
  const __m256i lo = _mm256_unpacklo_epi64(wa, wb), hi = _mm256_unpackhi_epi64(wa, wb);
  const __m256i s = _mm256_adds_epi16(lo, hi), d = _mm256_subs_epi16(lo, hi);
  a = fwd_row2(_mm256_unpacklo_epi32(s, d), ca);
  b = fwd_row2(_mm256_unpackhi_epi32(s, d), cb);
}

// As quantize_row, for two rows.
NMX_DCT_INLINE __m256i quantize2(__m256i c, __m256i t) {
  const __m256i up = _mm256_add_epi16(_mm256_mulhrs_epi16(c, _mm256_and_si256(t, set16x(0x7FFF))),
                                      _mm256_and_si256(c, _mm256_srai_epi16(t, 15)));
  const __m256i tie = _mm256_cmpeq_epi16(_mm256_slli_epi16(_mm256_mullo_epi16(c, t), 1), set16x(-32768));
  return _mm256_andnot_si256(_mm256_and_si256(tie, set16x(1)), up);
}

NMX_DCT_INLINE void fwd_block2(__m128i x[8], int16_t* dst, const uint16_t* fwd) {
  fwd_columns(x);
  __m256i y[4] = {join(x[0], x[1]), join(x[2], x[3]), join(x[4], x[5]), join(x[6], x[7])};
  fwd_row_pair2(y[0], y[2], kFwdPairs[0], kFwdPairs[2]);
  fwd_row_pair2(y[1], y[3], kFwdPairs[1], kFwdPairs[3]);
  #pragma GCC unroll 8
  for (int j = 0; j < 4; ++j) store256(dst + 16 * j, quantize2(y[j], load256(fwd + 16 * j)));
}

// As inv_row, for rows 2j and 2j+1.
NMX_DCT_INLINE __m256i inv_row2(__m256i x, const InvRowVecs2& cv) {
  const __m256i order = _mm256_setr_epi8(0, 1, 8, 9, 4, 5, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15,  //
                                         0, 1, 8, 9, 4, 5, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15);
  const __m256i p = _mm256_shuffle_epi8(x, order);
  const __m256i rnd = load256(cv.rnd.v);
  const __m256i a = _mm256_add_epi32(_mm256_add_epi32(_mm256_madd_epi16(_mm256_shuffle_epi32(p, 0x00), load256(cv.x04.v)),
                                                      _mm256_madd_epi16(_mm256_shuffle_epi32(p, 0x55), load256(cv.x26.v))),
                                     rnd);
  const __m256i b = _mm256_add_epi32(_mm256_madd_epi16(_mm256_shuffle_epi32(p, 0xAA), load256(cv.x13.v)),
                                     _mm256_madd_epi16(_mm256_shuffle_epi32(p, 0xFF), load256(cv.x57.v)));
  return _mm256_packs_epi32(_mm256_srai_epi32(_mm256_add_epi32(a, b), kInvRowShift),
                            _mm256_srai_epi32(_mm256_sub_epi32(a, b), kInvRowShift));
}

NMX_DCT_INLINE void inv_block2(const int16_t* src, const uint16_t* inv, __m128i r[8]) {
  #pragma GCC unroll 8
  for (int j = 0; j < 4; ++j) {
    const __m256i x = _mm256_mullo_epi16(load256(src + 16 * j), load256(inv + 16 * j));
    const __m256i y = inv_row2(x, kInvPairs[j]);
    r[2 * j] = _mm256_castsi256_si128(y);
    r[2 * j + 1] = _mm256_extracti128_si256(y, 1);
  }
  inv_columns(r);
}

// ---- Shortcut forms on 256-bit registers ----------------------------------
// The 2x2 and 4x4 corners hold every input row of the column pass in both
// halves of a register (the 4x4 row pass runs two rows per register, then
// one lane broadcast per row; the 2x2 row pass runs each row on both halves),
// so that blends build the pairs [e0 | e1], [e2 | e3], [V+P | k1], [k2 | U+Q]
// and four saturating adds and subtracts give the outputs as row pairs
// (0,1), (7,6), (2,3), (5,4); nothing crosses lanes after the broadcasts.

// Half n of v in both halves.
template <int N>
NMX_DCT_INLINE __m256i both(__m256i v) {
  return _mm256_permute2x128_si256(v, v, N ? 0x11 : 0x00);
}
// Lower half of a, upper half of b.
NMX_DCT_INLINE __m256i lower_upper(__m256i a, __m256i b) { return _mm256_blend_epi32(a, b, 0xF0); }

// Broadcast constants of the shortcut kernels, read as memory operands: left
// to itself the compiler rebuilds each one in a register (three instructions),
// which costs the short kernels more than the loads; laundering the table's
// address once keeps them in memory.
struct alignas(32) ShortConsts {
  Vec16 t1, t2, t3, m, one_lo, one_hi;
  int8_t flip[32];
};
constexpr ShortConsts short_consts() {
  ShortConsts c{};
  for (int i = 0; i < 16; ++i) {
    c.t1.v[i] = kT1;
    c.t2.v[i] = kT2;
    c.t3.v[i] = kT3;
    c.m.v[i] = kM;
    c.one_lo.v[i] = i < 8 ? 1 : 0;
    c.one_hi.v[i] = i < 8 ? 0 : 1;
  }
  for (int i = 0; i < 32; ++i) c.flip[i] = -128;
  return c;
}
constexpr ShortConsts kShortConsts = short_consts();

// Output rows given as pairs [0|1], [2|3], [5|4], [7|6] (unshifted): >> 6,
// + 128 clamped, columns put back in order when kReversed; rows written 0..7.
template <bool kReversed>
NMX_DCT_INLINE void store_pixel_pairs(__m256i o01, __m256i o23, __m256i o54, __m256i o76, uint8_t* dst, int32_t step,
                                      const ShortConsts* k) {
  const __m256i flip = load256(k->flip);
  __m256i p = _mm256_xor_si256(_mm256_packs_epi16(_mm256_srai_epi16(o01, kInvColShift), _mm256_srai_epi16(o23, kInvColShift)), flip);
  __m256i q = _mm256_xor_si256(_mm256_packs_epi16(_mm256_srai_epi16(o54, kInvColShift), _mm256_srai_epi16(o76, kInvColShift)), flip);
  if (kReversed) {
    const __m256i fix = _mm256_setr_epi8(0, 1, 2, 3, 7, 6, 5, 4, 8, 9, 10, 11, 15, 14, 13, 12,  //
                                         0, 1, 2, 3, 7, 6, 5, 4, 8, 9, 10, 11, 15, 14, 13, 12);
    p = _mm256_shuffle_epi8(p, fix);
    q = _mm256_shuffle_epi8(q, fix);
  }
  const __m128i r02 = _mm256_castsi256_si128(p), r13 = _mm256_extracti128_si256(p, 1);
  const __m128i r57 = _mm256_castsi256_si128(q), r46 = _mm256_extracti128_si256(q, 1);
  const intptr_t s = step;
  const auto lo = [](uint8_t* d, __m128i v) { _mm_storel_epi64(reinterpret_cast<__m128i*>(d), v); };
  const auto hi = [](uint8_t* d, __m128i v) { _mm_storeh_pd(reinterpret_cast<double*>(d), _mm_castsi128_pd(v)); };
  lo(dst, r02);
  lo(dst + s, r13);
  hi(dst + 2 * s, r02);
  hi(dst + 3 * s, r13);
  lo(dst + 4 * s, r46);
  lo(dst + 5 * s, r57);
  hi(dst + 6 * s, r46);
  hi(dst + 7 * s, r57);
}

struct CornerPairVecs {
  Vec16 x01, x01n, x02, x13;
  Round8 rnd;
};
// The corner constants of rows r (lower half) and q (upper half).
constexpr CornerPairVecs corner_pair_vecs(int r, int q) {
  const CornerVecs& a = kCornerVecs[kSetOfRow[r]];
  const CornerVecs& b = kCornerVecs[kSetOfRow[q]];
  return {side_by_side(a.x01, b.x01), side_by_side(a.x01n, b.x01n), side_by_side(a.x02, b.x02),
          side_by_side(kInvRowVecs[kSetOfRow[r]].x13, kInvRowVecs[kSetOfRow[q]].x13),
          round_pair(kInvRound[r], kInvRound[q])};
}
constexpr CornerPairVecs kCornerPairs[2] = {corner_pair_vecs(0, 1), corner_pair_vecs(2, 3)};
constexpr CornerPairVecs kCornerTwice[2] = {corner_pair_vecs(0, 0), corner_pair_vecs(1, 1)};

}  // namespace

void fwd_avx2(const int16_t* src, int16_t* dst, const uint16_t* fwd) {
  __m128i x[8];
  #pragma GCC unroll 8
  for (int r = 0; r < 8; ++r) x[r] = load(src + 8 * r);
  fwd_block2(x, dst, fwd);
}

void fwd_ls_avx2(const uint8_t* src, int32_t step, int16_t* dst, const uint16_t* fwd) {
  __m128i x[8];
  const __m128i bias = set16(128);
  #pragma GCC unroll 8
  for (int r = 0; r < 8; ++r) {
    const __m128i px = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + static_cast<intptr_t>(r) * step));
    x[r] = _mm_sub_epi16(_mm_cvtepu8_epi16(px), bias);
  }
  fwd_block2(x, dst, fwd);
}

void inv_avx2(const int16_t* src, int16_t* dst, const uint16_t* inv) {
  __m128i r[8];
  inv_block2(src, inv, r);
  #pragma GCC unroll 8
  for (int i = 0; i < 8; ++i) store(dst + 8 * i, _mm_shufflehi_epi16(_mm_srai_epi16(r[i], kInvColShift), 0x1B));
}

nmxStatus inv_ls_avx2(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  __m128i r[8];
  inv_block2(src, inv, r);
  store_pixels(r, dst, step);
  return nmxStatusOk;
}

nmxStatus inv_ls_2x2_avx2(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  // Row h's (x0, x1) broadcast over the register gives its y0..y7 in both
  // halves, as the column pass wants it (no lane crossing).
  const ShortConsts* k = &in_memory(kShortConsts);
  const auto pair = [](const void* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return _mm256_set1_epi32(v);
  };
  const auto row = [](__m256i x, int h) {
    const CornerPairVecs& cv = kCornerTwice[h];
    const __m256i rnd = load256(cv.rnd.v);
    const __m256i lo = _mm256_add_epi32(_mm256_madd_epi16(x, load256(cv.x01.v)), rnd);
    const __m256i hi = _mm256_add_epi32(_mm256_madd_epi16(x, load256(cv.x01n.v)), rnd);
    return _mm256_packs_epi32(_mm256_srai_epi32(lo, kInvRowShift), _mm256_srai_epi32(hi, kInvRowShift));
  };
  const __m256i r0 = row(_mm256_mullo_epi16(pair(src), pair(inv)), 0);
  const __m256i r1 = row(_mm256_mullo_epi16(pair(src + 8), pair(inv + 8)), 1);
  // Column pass with row 2 all ones and rows 3..7 zero (see inv_ls_2x2_body).
  const __m256i l = _mm256_adds_epi16(r0, load256(k->one_lo.v));   // e0 | e1 = r0
  const __m256i l2 = _mm256_subs_epi16(r0, load256(k->one_hi.v));  // e2 = r0 | e3
  const __m256i u = _mm256_mulhi_epi16(r1, load256(k->t1.v));
  const __m256i s = lower_upper(_mm256_subs_epi16(r1, u), _mm256_adds_epi16(r1, u));  // s2 | s1
  const __m256i ks = _mm256_add_epi16(s, _mm256_mulhi_epi16(s, load256(k->m.v)));     // k2 | k1
  const __m256i r = lower_upper(r1, ks);  // v + p = r1 | k1
  const __m256i r2 = lower_upper(ks, u);  // k2 | u + q = u
  store_pixel_pairs<false>(_mm256_adds_epi16(l, r), _mm256_adds_epi16(l2, r2), _mm256_subs_epi16(l2, r2),
                           _mm256_subs_epi16(l, r), dst, step, k);
  return nmxStatusOk;
}

nmxStatus inv_ls_4x4_avx2(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  // Rows (0,1) and (2,3): x0..x3 of each row in its half, as pairs (x0,x2),
  // (x1,x3). The quantizers come with whole rows; only x0..x3 are used.
  const ShortConsts* k = &in_memory(kShortConsts);
  __m256i y[2];
  #pragma GCC unroll 8
  for (int j = 0; j < 2; ++j) {
    // Each row's four values broadcast over its half (whole loads of 8 bytes,
    // no merging into a register), then (x0,x2), (x1,x3) pairs.
    const auto two_rows = [](const void* p) {
      int64_t a, b;
      std::memcpy(&a, p, 8);
      std::memcpy(&b, static_cast<const uint8_t*>(p) + 16, 8);
      return _mm256_blend_epi32(_mm256_set1_epi64x(a), _mm256_set1_epi64x(b), 0xF0);
    };
    const __m256i x = _mm256_mullo_epi16(two_rows(src + 16 * j), load256(inv + 16 * j));
    const __m256i p = _mm256_shufflelo_epi16(x, 0xD8);
    const CornerPairVecs& cv = kCornerPairs[j];
    const __m256i a = _mm256_add_epi32(_mm256_madd_epi16(_mm256_shuffle_epi32(p, 0x00), load256(cv.x02.v)),
                                       load256(cv.rnd.v));
    const __m256i b = _mm256_madd_epi16(_mm256_shuffle_epi32(p, 0x55), load256(cv.x13.v));
    y[j] = _mm256_packs_epi32(_mm256_srai_epi32(_mm256_add_epi32(a, b), kInvRowShift),
                              _mm256_srai_epi32(_mm256_sub_epi32(a, b), kInvRowShift));
  }
  // Column pass with rows 4..7 zero (see inv_ls_4x4_body), on rows repeated
  // in both halves: the pairs [e0 | e1], [e2 | e3], [V+P | k1], [k2 | U+Q]
  // come out of blends, so no lane crossing follows the broadcasts.
  const __m256i r0 = both<0>(y[0]), r1 = both<1>(y[0]), r2 = both<0>(y[1]), r3 = both<1>(y[1]);
  const __m256i h = _mm256_mulhi_epi16(r2, load256(k->t2.v));
  const __m256i l = _mm256_adds_epi16(r0, lower_upper(r2, h));   // e0 = r0 + G | e1 = r0 + H
  const __m256i l2 = _mm256_subs_epi16(r0, lower_upper(h, r2));  // e2 = r0 - H | e3 = r0 - G
  // U - Q = (U + r3) + mulhi(r3, T3) and U + Q = (U - r3) - mulhi(r3, T3)
  // never leave 16 bits (dct_consts.h), so plain adds give them exactly.
  const __m256i u = _mm256_mulhi_epi16(r1, load256(k->t1.v)), m3 = _mm256_mulhi_epi16(r3, load256(k->t3.v));
  const __m256i umq = _mm256_add_epi16(_mm256_add_epi16(u, r3), m3);
  const __m256i uq = _mm256_sub_epi16(_mm256_sub_epi16(u, r3), m3);
  const __m256i vmp = _mm256_subs_epi16(r1, r3);
  const __m256i s = lower_upper(_mm256_subs_epi16(vmp, umq), _mm256_adds_epi16(vmp, umq));  // s2 | s1
  const __m256i ks = _mm256_add_epi16(s, _mm256_mulhi_epi16(s, load256(k->m.v)));           // k2 | k1
  const __m256i r = lower_upper(_mm256_adds_epi16(r1, r3), ks);  // V + P | k1
  const __m256i rr = lower_upper(ks, uq);                        // k2 | U + Q
  store_pixel_pairs<true>(_mm256_adds_epi16(l, r), _mm256_adds_epi16(l2, rr), _mm256_subs_epi16(l2, rr),
                          _mm256_subs_epi16(l, r), dst, step, k);
  return nmxStatusOk;
}

// The thumbnails: the 128-bit bodies, in VEX encoding.
nmxStatus inv_to4x4_avx2(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  inv_to4x4_body(src, dst, step, inv);
  return nmxStatusOk;
}
nmxStatus inv_to2x2_avx2(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  inv_to2x2_body(src, dst, step, inv);
  return nmxStatusOk;
}

}  // namespace nmx::dct

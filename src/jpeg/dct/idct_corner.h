// The shortcut inverse transforms of the 2x2 and 4x4 corners and the 4x4 and
// 2x2 thumbnails on 128-bit vectors. Internal linkage: the SSE4.1 and AVX2
// kernel files each compile these bodies for their own instruction set.
#pragma once

#include <cstring>

#include "jpeg/dct/dct_vec.h"

namespace nmx::dct {
namespace {

// 4x4 corner: the even part pairs (x0,x2), the odd part (x1,x3).
struct alignas(16) CornerVecs {
  int16_t x02[8], x01[8], x01n[8];  // x01n gives y4..y7 in order
};
constexpr CornerVecs corner_vecs(const RowSet& c) {
  const auto k = static_cast<int16_t>(c.k), o1 = static_cast<int16_t>(c.o1), o3 = static_cast<int16_t>(c.o3),
             o5 = static_cast<int16_t>(c.o5), o7 = static_cast<int16_t>(c.o7), e2 = static_cast<int16_t>(c.e2),
             e6 = static_cast<int16_t>(c.e6);
  const auto n = [](int16_t v) { return static_cast<int16_t>(-v); };
  return {{k, e2, k, e6, k, n(e6), k, n(e2)}, {k, o1, k, o3, k, o5, k, o7}, {k, n(o7), k, n(o5), k, n(o3), k, n(o1)}};
}
constexpr CornerVecs kCornerVecs[4] = {corner_vecs(kRowSets[0]), corner_vecs(kRowSets[1]), corner_vecs(kRowSets[2]),
                                       corner_vecs(kRowSets[3])};

NMX_DCT_INLINE __m128i load32(const void* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return _mm_cvtsi32_si128(v);
}

// Rows 2..7 of a 2x2 corner block and rows 4..7 of a 4x4 one have no
// coefficients: their row outputs are the rounding terms >> 11, which the
// column passes below take as constants.
static_assert(kInvRound[2] >> kInvRowShift == 1 && kInvRound[3] >> kInvRowShift == 0 &&
              kInvRound[4] >> kInvRowShift == 0 && kInvRound[5] >> kInvRowShift == 0 &&
              kInvRound[6] >> kInvRowShift == 0 && kInvRound[7] >> kInvRowShift == 0);
static_assert((int32_t{1} * kT2) >> 16 == 0);

NMX_DCT_INLINE void inv_ls_2x2_body(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  __m128i r[2];
  #pragma GCC unroll 8
  for (int i = 0; i < 2; ++i) {
    // Only x0 and x1: a_k = K x0 + R, b_k = O x1; y0..y3 = a + b, y7..y4 = a - b,
    // produced here in natural order.
    const __m128i x = _mm_mullo_epi16(load32(src + 8 * i), load32(inv + 8 * i));
    const __m128i b = _mm_shuffle_epi32(x, 0x00);
    const CornerVecs& cv = kCornerVecs[kSetOfRow[i]];
    const __m128i rnd = _mm_set1_epi32(kInvRound[i]);
    const __m128i lo = _mm_add_epi32(_mm_madd_epi16(b, load(cv.x01)), rnd);
    const __m128i hi = _mm_add_epi32(_mm_madd_epi16(b, load(cv.x01n)), rnd);
    r[i] = _mm_packs_epi32(_mm_srai_epi32(lo, kInvRowShift), _mm_srai_epi32(hi, kInvRowShift));
  }
  // The column pass with row 2 all ones and rows 3..7 zero: P = Q = 0,
  // U = mulhi(r1, T1), V = r1, G = 1, H = 0.
  const __m128i r0 = r[0], r1 = r[1], one = set16(1), mm = set16(kM);
  const __m128i u = _mm_mulhi_epi16(r1, set16(kT1));
  const __m128i s1 = _mm_adds_epi16(r1, u), s2 = _mm_subs_epi16(r1, u);
  // k1, k2 never leave 16 bits (dct_consts.h): plain adds.
  const __m128i k1 = _mm_add_epi16(s1, _mm_mulhi_epi16(s1, mm));
  const __m128i k2 = _mm_add_epi16(_mm_mulhi_epi16(s2, mm), s2);
  const __m128i e0 = _mm_adds_epi16(r0, one), e3 = _mm_subs_epi16(r0, one);
  const __m128i out[8] = {_mm_adds_epi16(e0, r1), _mm_adds_epi16(r0, k1), _mm_adds_epi16(r0, k2),
                          _mm_adds_epi16(u, e3),  _mm_subs_epi16(e3, u),  _mm_subs_epi16(r0, k2),
                          _mm_subs_epi16(r0, k1), _mm_subs_epi16(e0, r1)};
  store_pixels<false>(out, dst, step);
}

NMX_DCT_INLINE void inv_ls_4x4_body(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  __m128i r[4];
  #pragma GCC unroll 8
  for (int i = 0; i < 4; ++i) {
    const __m128i x = _mm_mullo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + 8 * i)),
                                      _mm_loadl_epi64(reinterpret_cast<const __m128i*>(inv + 8 * i)));
    const __m128i p = _mm_shufflelo_epi16(x, 0xD8);  // x0 x2 x1 x3
    const int set = kSetOfRow[i];
    const __m128i a = _mm_add_epi32(_mm_madd_epi16(_mm_shuffle_epi32(p, 0x00), load(kCornerVecs[set].x02)),
                                    _mm_set1_epi32(kInvRound[i]));
    const __m128i b = _mm_madd_epi16(_mm_shuffle_epi32(p, 0x55), load(kInvRowVecs[set].x13));
    r[i] = _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(a, b), kInvRowShift),
                           _mm_srai_epi32(_mm_sub_epi32(a, b), kInvRowShift));
  }
  // The column pass with rows 4..7 zero: P = r3, Q = 0 - (mulhi(r3, T3) + r3),
  // U = mulhi(r1, T1), V = r1, G = r2, H = mulhi(r2, T2), r0 +- r4 = r0.
  // Q, U - Q, U + Q, k1 and k2 never leave 16 bits (dct_consts.h): plain adds,
  // U - Q = (U + r3) + mulhi(r3, T3) and U + Q = (U - r3) - mulhi(r3, T3).
  const __m128i mm = set16(kM);
  const __m128i p = r[3], m3 = _mm_mulhi_epi16(r[3], set16(kT3));
  const __m128i u = _mm_mulhi_epi16(r[1], set16(kT1)), v = r[1];
  const __m128i g = r[2], h = _mm_mulhi_epi16(r[2], set16(kT2));
  const __m128i vmp = _mm_subs_epi16(v, p), umq = _mm_add_epi16(_mm_add_epi16(u, r[3]), m3);
  const __m128i s1 = _mm_adds_epi16(vmp, umq), s2 = _mm_subs_epi16(vmp, umq);
  const __m128i k1 = _mm_add_epi16(s1, _mm_mulhi_epi16(s1, mm));
  const __m128i k2 = _mm_add_epi16(_mm_mulhi_epi16(s2, mm), s2);
  const __m128i e0 = _mm_adds_epi16(r[0], g), e3 = _mm_subs_epi16(r[0], g);
  const __m128i e1 = _mm_adds_epi16(r[0], h), e2 = _mm_subs_epi16(r[0], h);
  const __m128i vp = _mm_adds_epi16(v, p), uq = _mm_sub_epi16(_mm_sub_epi16(u, r[3]), m3);
  const __m128i out[8] = {_mm_adds_epi16(e0, vp), _mm_adds_epi16(e1, k1), _mm_adds_epi16(e2, k2),
                          _mm_adds_epi16(uq, e3), _mm_subs_epi16(e3, uq), _mm_subs_epi16(e2, k2),
                          _mm_subs_epi16(e1, k1), _mm_subs_epi16(e0, vp)};
  store_pixels(out, dst, step);
}

// 4x4 thumbnail row constants: pmaddwd of the natural pairs (x0,x1), (x2,x3),
// (x4,x5), (x6,x7) gives h0..h3 (x4 has factor 0).
struct alignas(16) To4x4Vecs {
  int16_t p01[8], p23[8], p45[8], p67[8];
};
constexpr To4x4Vecs to4x4_vecs(const To4x4Set& c) {
  const auto s = [](int32_t v) { return static_cast<int16_t>(v); };
  return {{s(c.k), s(c.a1), s(c.k), s(c.b1), s(c.k), s(-c.b1), s(c.k), s(-c.a1)},
          {s(c.a2), s(c.a3), s(-c.a2), s(-c.b3), s(-c.a2), s(c.b3), s(c.a2), s(-c.a3)},
          {0, s(-c.a5), 0, s(c.b5), 0, s(-c.b5), 0, s(c.a5)},
          {s(-c.a6), s(-c.a7), s(c.a6), s(-c.b7), s(c.a6), s(c.b7), s(-c.a6), s(c.a7)}};
}
constexpr To4x4Vecs kTo4x4Vecs[4] = {to4x4_vecs(kTo4x4Sets[0]), to4x4_vecs(kTo4x4Sets[1]),
                                     to4x4_vecs(kTo4x4Sets[2]), to4x4_vecs(kTo4x4Sets[3])};

// 2x2 thumbnail row constants, left and right halves.
struct alignas(16) To2x2Vecs {
  int16_t left[8], right[8];
};
constexpr To2x2Vecs to2x2_vecs(const To2x2Set& c) {
  const auto s = [](int32_t v) { return static_cast<int16_t>(v); };
  return {{s(c.k), s(c.a), 0, s(c.b), 0, s(c.c), 0, s(c.d)}, {s(c.k), s(-c.a), 0, s(-c.b), 0, s(-c.c), 0, s(-c.d)}};
}
constexpr To2x2Vecs kTo2x2Vecs[8] = {to2x2_vecs(kTo2x2Sets[0]), to2x2_vecs(kTo2x2Sets[1]), {},
                                     to2x2_vecs(kTo2x2Sets[3]), {},
                                     to2x2_vecs(kTo2x2Sets[5]), {},
                                     to2x2_vecs(kTo2x2Sets[7])};

// The odd-part terms P, Q, U, V of the column passes.
struct Odd {
  __m128i p, q, u, v;
};
NMX_DCT_INLINE Odd odd_terms(__m128i q1, __m128i q3, __m128i q5, __m128i q7) {
  const __m128i t1 = set16(kT1), t3 = set16(kT3);
  return {_mm_adds_epi16(_mm_adds_epi16(_mm_mulhi_epi16(q5, t3), q5), q3),
          _mm_subs_epi16(q5, _mm_adds_epi16(_mm_mulhi_epi16(q3, t3), q3)),
          _mm_subs_epi16(_mm_mulhi_epi16(q1, t1), q7), _mm_adds_epi16(_mm_mulhi_epi16(q7, t1), q1)};
}

NMX_DCT_INLINE void inv_to4x4_body(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  __m128i q[8];
  q[4] = _mm_setzero_si128();
  #pragma GCC unroll 8
  for (int i = 0; i < 8; ++i) {
    if (i == 4) continue;
    const __m128i x = _mm_mullo_epi16(load(src + 8 * i), load(inv + 8 * i));
    const To4x4Vecs& cv = kTo4x4Vecs[i == 0 ? 0 : kSetOfRow[i]];
    __m128i h = _mm_add_epi32(_mm_madd_epi16(_mm_shuffle_epi32(x, 0x00), load(cv.p01)),
                              _mm_madd_epi16(_mm_shuffle_epi32(x, 0x55), load(cv.p23)));
    h = _mm_add_epi32(h, _mm_add_epi32(_mm_madd_epi16(_mm_shuffle_epi32(x, 0xAA), load(cv.p45)),
                                       _mm_madd_epi16(_mm_shuffle_epi32(x, 0xFF), load(cv.p67))));
    h = _mm_srai_epi32(_mm_add_epi32(h, _mm_set1_epi32(kTo4x4Round[i])), kToShift);
    q[i] = _mm_packs_epi32(h, h);  // columns 0..3 in the low lanes
  }
  const Odd o = odd_terms(q[1], q[3], q[5], q[7]);
  const __m128i t2 = set16(kT2), mm = set16(kM);
  const __m128i g = _mm_adds_epi16(_mm_mulhi_epi16(q[6], t2), q[2]);
  const __m128i h = _mm_subs_epi16(_mm_mulhi_epi16(q[2], t2), q[6]);
  const __m128i vmp = _mm_subs_epi16(o.v, o.p), umq = _mm_subs_epi16(o.u, o.q);
  const __m128i s1 = _mm_adds_epi16(vmp, umq), s2 = _mm_subs_epi16(vmp, umq);
  const __m128i a = _mm_adds_epi16(_mm_adds_epi16(s1, _mm_mulhi_epi16(s1, mm)), _mm_adds_epi16(o.v, o.p));
  const __m128i b = _mm_adds_epi16(_mm_adds_epi16(_mm_mulhi_epi16(s2, mm), s2), _mm_adds_epi16(o.u, o.q));
  const __m128i f = _mm_adds_epi16(h, g);
  const __m128i z = _mm_adds_epi16(q[0], q[0]);
  const __m128i e0 = _mm_adds_epi16(f, z), e1 = _mm_subs_epi16(z, f);
  const __m128i row01 = _mm_unpacklo_epi64(_mm_srai_epi16(_mm_adds_epi16(a, e0), kInvColShift),
                                           _mm_srai_epi16(_mm_adds_epi16(b, e1), kInvColShift));
  const __m128i row23 = _mm_unpacklo_epi64(_mm_srai_epi16(_mm_subs_epi16(e1, b), kInvColShift),
                                           _mm_srai_epi16(_mm_subs_epi16(e0, a), kInvColShift));
  const __m128i px = _mm_xor_si128(_mm_packs_epi16(row01, row23), _mm_set1_epi8(-128));
  alignas(16) uint8_t rows[16];
  store(rows, px);
  #pragma GCC unroll 8
  for (int i = 0; i < 4; ++i) std::memcpy(dst + static_cast<intptr_t>(i) * step, rows + 4 * i, 4);
}

NMX_DCT_INLINE void inv_to2x2_body(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  __m128i lr[8];  // (left + right) pmaddwd partial sums of rows 0, 1, 3, 5, 7
  for (int i : {0, 1, 3, 5, 7}) {
    const __m128i x = _mm_mullo_epi16(load(src + 8 * i), load(inv + 8 * i));
    lr[i] = _mm_hadd_epi32(_mm_madd_epi16(x, load(kTo2x2Vecs[i].left)), _mm_madd_epi16(x, load(kTo2x2Vecs[i].right)));
  }
  const auto finish = [](__m128i a, __m128i b, int ra, int rb) {  // L_a R_a L_b R_b
    const __m128i s = _mm_add_epi32(_mm_hadd_epi32(a, b), _mm_setr_epi32(kTo2x2Round[ra], kTo2x2Round[ra],
                                                                        kTo2x2Round[rb], kTo2x2Round[rb]));
    return _mm_srai_epi32(s, kToShift);
  };
  const __m128i v = _mm_packs_epi32(finish(lr[0], lr[1], 0, 1), finish(lr[3], lr[5], 3, 5));
  const __m128i q7 = _mm_packs_epi32(finish(lr[7], lr[7], 7, 7), _mm_setzero_si128());
  // Lanes 0 and 1 hold the left and right halves of each row's value.
  const __m128i q0 = v, q1 = _mm_srli_si128(v, 4), q3 = _mm_srli_si128(v, 8), q5 = _mm_srli_si128(v, 12);
  const Odd o = odd_terms(q1, q3, q5, q7);
  const __m128i vmp = _mm_subs_epi16(o.v, o.p);
  __m128i k2 = _mm_adds_epi16(vmp, _mm_mulhi_epi16(vmp, set16(kM)));
  k2 = _mm_adds_epi16(k2, k2);
  const __m128i s = _mm_adds_epi16(_mm_adds_epi16(_mm_adds_epi16(o.v, o.p), _mm_adds_epi16(o.u, o.q)), k2);
  __m128i f = _mm_adds_epi16(q0, q0);
  f = _mm_adds_epi16(f, f);
  const __m128i top = _mm_srai_epi16(_mm_adds_epi16(f, s), 7);
  const __m128i bottom = _mm_srai_epi16(_mm_subs_epi16(f, s), 7);
  const __m128i px = _mm_xor_si128(_mm_packs_epi16(top, bottom), _mm_set1_epi8(-128));
  const uint16_t t = static_cast<uint16_t>(_mm_extract_epi16(px, 0)), b = static_cast<uint16_t>(_mm_extract_epi16(px, 4));
  std::memcpy(dst, &t, 2);
  std::memcpy(dst + step, &b, 2);
}

}  // namespace
}  // namespace nmx::dct

// AVX-512 decoder-side kernel: the 14-bit interleaved RGB / BGR conversion,
// 64 pixels per step (16 in each 128-bit lane, the arithmetic of the SSE4.1
// kernel); the rest of a row through a 64-pixel scratch row.
// GCC 12 reports the intrinsics' own "undefined vector" placeholders as maybe
// uninitialized; they are don't-care inputs by design.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include <cstring>

#include "jpeg/color/color_kernels.h"
#include "jpeg/color/deccc_rows.h"

namespace nmx::color {
namespace {

inline __m512i load(const uint8_t* p) { return _mm512_loadu_si512(p); }
inline void store(uint8_t* p, __m512i v) { _mm512_storeu_si512(p, v); }

inline __m512i widen_lo(__m512i v) { return _mm512_srai_epi16(_mm512_unpacklo_epi8(v, v), 8); }
inline __m512i widen_hi(__m512i v) { return _mm512_srai_epi16(_mm512_unpackhi_epi8(v, v), 8); }

struct Inv14 {
  __m512i kR = _mm512_set1_epi32(22970 << 16), kG = _mm512_set1_epi32((-11700 * 65536) | (-5638 & 0xFFFF));
  __m512i kB = _mm512_set1_epi32(29032);
  __m512i oR = _mm512_set1_epi32(8145), oG = _mm512_set1_epi32(8302), oB = _mm512_set1_epi32(8135);

  void terms(__m512i cb, __m512i cr, __m512i& tr, __m512i& tg, __m512i& tb) const {
    const __m512i p0 = _mm512_unpacklo_epi16(cb, cr), p1 = _mm512_unpackhi_epi16(cb, cr);
    auto t = [&](__m512i k, __m512i o) {
      return _mm512_packs_epi32(_mm512_srai_epi32(_mm512_add_epi32(_mm512_madd_epi16(p0, k), o), 14),
                                _mm512_srai_epi32(_mm512_add_epi32(_mm512_madd_epi16(p1, k), o), 14));
    };
    tr = t(kR, oR);
    tg = t(kG, oG);
    tb = t(kB, oB);
  }

  void sixtyfour(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, __m512i& r, __m512i& g, __m512i& b) const {
    const __m512i flip = _mm512_set1_epi8(static_cast<char>(0x80)), z = _mm512_setzero_si512();
    const __m512i yv = load(y), cbs = _mm512_xor_si512(load(cb), flip), crs = _mm512_xor_si512(load(cr), flip);
    const __m512i ylo = _mm512_unpacklo_epi8(yv, z), yhi = _mm512_unpackhi_epi8(yv, z);
    __m512i r0, g0, b0, r1, g1, b1;
    terms(widen_lo(cbs), widen_lo(crs), r0, g0, b0);
    terms(widen_hi(cbs), widen_hi(crs), r1, g1, b1);
    r = _mm512_packus_epi16(_mm512_add_epi16(ylo, r0), _mm512_add_epi16(yhi, r1));
    g = _mm512_packus_epi16(_mm512_add_epi16(ylo, g0), _mm512_add_epi16(yhi, g1));
    b = _mm512_packus_epi16(_mm512_add_epi16(ylo, b0), _mm512_add_epi16(yhi, b1));
  }
};

inline __m512i lanes(__m128i m) { return _mm512_broadcast_i32x4(m); }

// 64 pixels of channel vectors -> 192 bytes of 3-byte pixels c0 c1 c2.
inline void join3(uint8_t* dst, __m512i c0, __m512i c1, __m512i c2) {
  const __m512i p0 = lanes(_mm_setr_epi8(0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5));
  const __m512i p1 = lanes(_mm_setr_epi8(-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1));
  const __m512i p2 = lanes(_mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1));
  const __m512i q0 = lanes(_mm_setr_epi8(-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1));
  const __m512i q1 = lanes(_mm_setr_epi8(5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10));
  const __m512i q2 = lanes(_mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1));
  const __m512i r0 = lanes(_mm_setr_epi8(-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1));
  const __m512i r1 = lanes(_mm_setr_epi8(-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1));
  const __m512i r2 = lanes(_mm_setr_epi8(10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15));
  auto mix = [](__m512i a, __m512i ma, __m512i b, __m512i mb, __m512i c, __m512i mc) {
    return _mm512_ternarylogic_epi64(_mm512_shuffle_epi8(a, ma), _mm512_shuffle_epi8(b, mb),
                                     _mm512_shuffle_epi8(c, mc), 0xFE);
  };
  // Lane k of o0 / o1 / o2 holds output bytes 48k + 0..15 / 16..31 / 32..47.
  const __m512i o0 = mix(c0, p0, c1, p1, c2, p2), o1 = mix(c0, q0, c1, q1, c2, q2), o2 = mix(c0, r0, c1, r1, c2, r2);
  // Output registers, in 128-bit lanes: [o0.0 o1.0 o2.0 o0.1] [o1.1 o2.1 o0.2 o1.2] [o2.2 o0.3 o1.3 o2.3].
  const __m512i a = _mm512_permutex2var_epi64(o0, _mm512_setr_epi64(0, 1, 8, 9, 0, 0, 2, 3), o1);
  store(dst, _mm512_inserti64x2(a, _mm512_castsi512_si128(o2), 2));
  const __m512i b = _mm512_permutex2var_epi64(o1, _mm512_setr_epi64(2, 3, 10, 11, 0, 0, 4, 5), o2);
  store(dst + 64, _mm512_mask_blend_epi64(0x30, b, o0));
  const __m512i c = _mm512_permutex2var_epi64(o2, _mm512_setr_epi64(4, 5, 14, 15, 0, 0, 6, 7), o0);
  store(dst + 128, _mm512_inserti64x2(c, _mm512_extracti64x2_epi64(o1, 3), 2));
}

template <bool BGR>
void inv_c3_impl(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* dst, int32_t width) {
  const Inv14 k;
  const auto step = [&](const uint8_t* ys, const uint8_t* cbs, const uint8_t* crs, uint8_t* d) {
    __m512i r, g, b;
    k.sixtyfour(ys, cbs, crs, r, g, b);
    BGR ? join3(d, b, g, r) : join3(d, r, g, b);
  };
  inv_rows<64, 3, 1>(step, y, cb, cr, dst, width);
}

}  // namespace

void inv_c3_avx512(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* dst, int32_t width, bool bgr) {
  bgr ? inv_c3_impl<true>(y, cb, cr, dst, width) : inv_c3_impl<false>(y, cb, cr, dst, width);
}

}  // namespace nmx::color

// AVX-512 encoder-side kernels: the 15-bit groups of the interleaved RGB / BGR
// conversion and of its luminance-only form, 64 pixels per step (16 in each
// 128-bit lane, the arithmetic of the SSE4.1 and AVX2 kernels); the rest of a
// row through a 64-pixel scratch row and the 14-bit single-pixel formula.
// GCC 12 reports the intrinsics' own "undefined vector" placeholders as maybe
// uninitialized; they are don't-care inputs by design.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include <cstring>

#include "jpeg/color/color_kernels.h"
#include "jpeg/color/enccc_rows.h"

namespace nmx::color {
namespace {

inline void store(uint8_t* p, __m512i v) { _mm512_storeu_si512(p, v); }

// Lane i of the result: 16 bytes at p + 48 i (the i-th run of 16 pixels).
inline __m512i load4(const uint8_t* p) {
  const __m512i v = _mm512_castsi128_si512(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
  const __m512i a = _mm512_inserti32x4(v, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48)), 1);
  const __m512i b = _mm512_inserti32x4(a, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 96)), 2);
  return _mm512_inserti32x4(b, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 144)), 3);
}

// The same in-lane byte masks as the narrower kernels, in all four lanes.
inline __m512i in_lanes(__m128i m) { return _mm512_broadcast_i32x4(m); }

// Pairs (R, G) and (B, 1) of each group of 4 pixels meet the coefficient
// pairs in one multiply-add each; Cb and Cr leave out their 128 << 15 offset,
// added back after packing.
template <bool BGR>
struct Fwd15 {
  static constexpr int R = BGR ? 2 : 0, B = BGR ? 0 : 2;
  __m512i mRG = in_lanes(_mm_setr_epi8(R, -1, 1, -1, 3 + R, -1, 4, -1, 6 + R, -1, 7, -1, 9 + R, -1, 10, -1));
  __m512i mB = in_lanes(_mm_setr_epi8(B, -1, -1, -1, 3 + B, -1, -1, -1, 6 + B, -1, -1, -1, 9 + B, -1, -1, -1));
  __m512i one = _mm512_set1_epi32(1 << 16);
  __m512i kYrg = _mm512_set1_epi32((19235 << 16) | 9798), kYb = _mm512_set1_epi32((16266 << 16) | 3736);
  __m512i kCbrg = _mm512_set1_epi32((-10855 * 65536) | (-5529 & 0xFFFF)), kCbb = _mm512_set1_epi32((16384 << 16) | 16384);
  __m512i kCrrg = _mm512_set1_epi32((-13720 * 65536) | 16384), kCrb = _mm512_set1_epi32((16400 << 16) | (-2664 & 0xFFFF));

  void four(__m512i w, __m512i& y, __m512i& cb, __m512i& cr, bool chroma) const {
    const __m512i rg = _mm512_shuffle_epi8(w, mRG);
    const __m512i b1 = _mm512_or_si512(_mm512_shuffle_epi8(w, mB), one);
    y = _mm512_srai_epi32(_mm512_add_epi32(_mm512_madd_epi16(rg, kYrg), _mm512_madd_epi16(b1, kYb)), 15);
    if (!chroma) return;
    cb = _mm512_srai_epi32(_mm512_add_epi32(_mm512_madd_epi16(rg, kCbrg), _mm512_madd_epi16(b1, kCbb)), 15);
    cr = _mm512_srai_epi32(_mm512_add_epi32(_mm512_madd_epi16(rg, kCrrg), _mm512_madd_epi16(b1, kCrb)), 15);
  }

  // 64 pixels at src -> 64 bytes each of Y, Cb, Cr (luminance only when cbo is null).
  void sixtyfour(const uint8_t* src, uint8_t* yo, uint8_t* cbo, uint8_t* cro) const {
    const __m512i a = load4(src), b = load4(src + 16), c = load4(src + 32);
    const __m512i w[4] = {a, _mm512_alignr_epi8(b, a, 12), _mm512_alignr_epi8(c, b, 8), _mm512_bsrli_epi128(c, 4)};
    __m512i y[4], cb[4], cr[4];
    for (int i = 0; i < 4; ++i) four(w[i], y[i], cb[i], cr[i], cbo != nullptr);
    store(yo, _mm512_packus_epi16(_mm512_packs_epi32(y[0], y[1]), _mm512_packs_epi32(y[2], y[3])));
    if (!cbo) return;
    const __m512i flip = _mm512_set1_epi8(static_cast<char>(0x80));
    store(cbo, _mm512_xor_si512(
                   _mm512_packs_epi16(_mm512_packs_epi32(cb[0], cb[1]), _mm512_packs_epi32(cb[2], cb[3])), flip));
    store(cro, _mm512_xor_si512(
                   _mm512_packs_epi16(_mm512_packs_epi32(cr[0], cr[1]), _mm512_packs_epi32(cr[2], cr[3])), flip));
  }
};

template <bool BGR>
void fwd_c3_impl(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width) {
  const Fwd15<BGR> k;
  const auto step = [&](const uint8_t* s, uint8_t* yo, uint8_t* cbo, uint8_t* cro) { k.sixtyfour(s, yo, cbo, cro); };
  fwd_c3_rows<64, BGR>(step, src, y, cb, cr, width);
}

template <bool BGR>
void luma_c3_impl(const uint8_t* src, uint8_t* y, int32_t width) {
  const Fwd15<BGR> k;
  const auto step = [&](const uint8_t* s, uint8_t* yo, uint8_t* cbo, uint8_t* cro) { k.sixtyfour(s, yo, cbo, cro); };
  luma_c3_rows<64>(step, src, y, width);
}

}  // namespace

void fwd_c3_avx512(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width, bool bgr) {
  bgr ? fwd_c3_impl<true>(src, y, cb, cr, width) : fwd_c3_impl<false>(src, y, cb, cr, width);
}

void luma_c3_avx512(const uint8_t* src, uint8_t* y, int32_t width, bool bgr) {
  bgr ? luma_c3_impl<true>(src, y, width) : luma_c3_impl<false>(src, y, width);
}

}  // namespace nmx::color

// AVX2 encoder-side kernels: the 15-bit groups of the interleaved RGB / BGR
// conversion and of the luminance-only form, and the 16-bit runs of the 4:2:2
// and 4:1:1 forms; 32 pixels per step (16 in each 128-bit lane, the same
// arithmetic as the SSE4.1 kernels).
#include <immintrin.h>

#include <cstring>

#include "jpeg/color/color_kernels.h"
#include "jpeg/color/enccc_rows.h"

namespace nmx::color {
namespace {

inline __m256i load2(const uint8_t* lo, const uint8_t* hi) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lo))),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(hi)), 1);
}
inline void store(uint8_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

// Pairs (R, G) and (B, 1) of each group of 4 pixels meet the coefficient
// pairs in one multiply-add each; Cb and Cr leave out their 128 << 15 offset,
// added back after packing.
template <bool BGR>
struct Fwd15 {
  static constexpr int R = BGR ? 2 : 0, B = BGR ? 0 : 2;
  __m256i mRG = _mm256_setr_epi8(R, -1, 1, -1, 3 + R, -1, 4, -1, 6 + R, -1, 7, -1, 9 + R, -1, 10, -1,  //
                                 R, -1, 1, -1, 3 + R, -1, 4, -1, 6 + R, -1, 7, -1, 9 + R, -1, 10, -1);
  __m256i mB = _mm256_setr_epi8(B, -1, -1, -1, 3 + B, -1, -1, -1, 6 + B, -1, -1, -1, 9 + B, -1, -1, -1,  //
                                B, -1, -1, -1, 3 + B, -1, -1, -1, 6 + B, -1, -1, -1, 9 + B, -1, -1, -1);
  __m256i one = _mm256_set1_epi32(1 << 16);
  __m256i kYrg = _mm256_set1_epi32((19235 << 16) | 9798), kYb = _mm256_set1_epi32((16266 << 16) | 3736);
  __m256i kCbrg = _mm256_set1_epi32((-10855 * 65536) | (-5529 & 0xFFFF)), kCbb = _mm256_set1_epi32((16384 << 16) | 16384);
  __m256i kCrrg = _mm256_set1_epi32((-13720 * 65536) | 16384), kCrb = _mm256_set1_epi32((16400 << 16) | (-2664 & 0xFFFF));

  void four(__m256i w, __m256i& y, __m256i& cb, __m256i& cr, bool chroma) const {
    const __m256i rg = _mm256_shuffle_epi8(w, mRG);
    const __m256i b1 = _mm256_or_si256(_mm256_shuffle_epi8(w, mB), one);
    y = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(rg, kYrg), _mm256_madd_epi16(b1, kYb)), 15);
    if (!chroma) return;
    cb = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(rg, kCbrg), _mm256_madd_epi16(b1, kCbb)), 15);
    cr = _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(rg, kCrrg), _mm256_madd_epi16(b1, kCrb)), 15);
  }

  // 32 pixels at src -> 32 bytes each of Y, Cb, Cr (luminance only when cbo is null).
  void thirtytwo(const uint8_t* src, uint8_t* yo, uint8_t* cbo, uint8_t* cro) const {
    const __m256i a = load2(src, src + 48), b = load2(src + 16, src + 64), c = load2(src + 32, src + 80);
    const __m256i w[4] = {a, _mm256_alignr_epi8(b, a, 12), _mm256_alignr_epi8(c, b, 8), _mm256_srli_si256(c, 4)};
    __m256i y[4], cb[4], cr[4];
    for (int i = 0; i < 4; ++i) four(w[i], y[i], cb[i], cr[i], cbo != nullptr);
    store(yo, _mm256_packus_epi16(_mm256_packs_epi32(y[0], y[1]), _mm256_packs_epi32(y[2], y[3])));
    if (!cbo) return;
    const __m256i flip = _mm256_set1_epi8(static_cast<char>(0x80));
    store(cbo, _mm256_xor_si256(
                   _mm256_packs_epi16(_mm256_packs_epi32(cb[0], cb[1]), _mm256_packs_epi32(cb[2], cb[3])), flip));
    store(cro, _mm256_xor_si256(
                   _mm256_packs_epi16(_mm256_packs_epi32(cr[0], cr[1]), _mm256_packs_epi32(cr[2], cr[3])), flip));
  }
};

template <bool BGR>
void fwd_c3_impl(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width) {
  const Fwd15<BGR> k;
  const auto step = [&](const uint8_t* s, uint8_t* yo, uint8_t* cbo, uint8_t* cro) { k.thirtytwo(s, yo, cbo, cro); };
  fwd_c3_rows<32, BGR>(step, src, y, cb, cr, width);
}

template <bool BGR>
void luma_c3_impl(const uint8_t* src, uint8_t* y, int32_t width) {
  const Fwd15<BGR> k;
  const auto step = [&](const uint8_t* s, uint8_t* yo, uint8_t* cbo, uint8_t* cro) { k.thirtytwo(s, yo, cbo, cro); };
  luma_c3_rows<32>(step, src, y, width);
}

// ---- 16-bit unsigned runs of the sub-sampled forms --------------------------------

inline __m256i lanes(__m128i m) { return _mm256_broadcastsi128_si256(m); }

// 32 pixels of 3 or 4 bytes -> channel vectors in RGB order (pixels 0-15 | 16-31),
// the SSE4.1 gathers in each lane.
template <int CH, bool BGR>
inline void split(const uint8_t* src, __m256i& r, __m256i& g, __m256i& b) {
  __m256i c0, c1, c2;
  if constexpr (CH == 3) {
    const __m256i a = load2(src, src + 48), bb = load2(src + 16, src + 64), c = load2(src + 32, src + 80);
    auto gather = [&](__m128i ma, __m128i mb, __m128i mc) {
      return _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(a, lanes(ma)), _mm256_shuffle_epi8(bb, lanes(mb))),
                             _mm256_shuffle_epi8(c, lanes(mc)));
    };
    c0 = gather(_mm_setr_epi8(0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1),
                _mm_setr_epi8(-1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14, -1, -1, -1, -1, -1),
                _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1, 4, 7, 10, 13));
    c1 = gather(_mm_setr_epi8(1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1),
                _mm_setr_epi8(-1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1),
                _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14));
    c2 = gather(_mm_setr_epi8(2, 5, 8, 11, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1),
                _mm_setr_epi8(-1, -1, -1, -1, -1, 1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1),
                _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15));
  } else {
    const __m256i m = lanes(_mm_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15));
    const __m256i s0 = _mm256_shuffle_epi8(load2(src, src + 64), m);
    const __m256i s1 = _mm256_shuffle_epi8(load2(src + 16, src + 80), m);
    const __m256i s2 = _mm256_shuffle_epi8(load2(src + 32, src + 96), m);
    const __m256i s3 = _mm256_shuffle_epi8(load2(src + 48, src + 112), m);
    const __m256i lo01 = _mm256_unpacklo_epi32(s0, s1), lo23 = _mm256_unpacklo_epi32(s2, s3);
    const __m256i hi01 = _mm256_unpackhi_epi32(s0, s1), hi23 = _mm256_unpackhi_epi32(s2, s3);
    c0 = _mm256_unpacklo_epi64(lo01, lo23);
    c1 = _mm256_unpackhi_epi64(lo01, lo23);
    c2 = _mm256_unpacklo_epi64(hi01, hi23);
  }
  r = BGR ? c2 : c0;
  g = c1;
  b = BGR ? c0 : c2;
}

// Y of 32 pixels (see the SSE4.1 kernel).
inline __m256i luma_run(__m256i r, __m256i g, __m256i b) {
  const __m256i z = _mm256_setzero_si256(), c32 = _mm256_set1_epi16(32);
  const __m256i kr = _mm256_set1_epi16(4899), kg = _mm256_set1_epi16(9617), kb = _mm256_set1_epi16(1868);
  auto half = [&](__m256i r8, __m256i g8, __m256i b8) {
    __m256i s = _mm256_adds_epu16(_mm256_mulhi_epu16(r8, kr), _mm256_mulhi_epu16(g8, kg));
    s = _mm256_adds_epu16(_mm256_adds_epu16(s, _mm256_mulhi_epu16(b8, kb)), c32);
    return _mm256_srli_epi16(s, 6);
  };
  const __m256i lo = half(_mm256_unpacklo_epi8(z, r), _mm256_unpacklo_epi8(z, g), _mm256_unpacklo_epi8(z, b));
  const __m256i hi = half(_mm256_unpackhi_epi8(z, r), _mm256_unpackhi_epi8(z, g), _mm256_unpackhi_epi8(z, b));
  return _mm256_packus_epi16(lo, hi);
}

// Chroma of 16 samples from channel sums (see the SSE4.1 kernel); per lane Cb
// in the low 8 bytes and Cr in the high 8, rearranged to Cb 0-15 | Cr 0-15.
template <int N>
inline __m256i chroma_run(__m256i sr, __m256i sg, __m256i sb) {
  constexpr int up = N == 2 ? 6 : 5, mul = N == 2 ? 3 : 2;
  const __m256i c4112 = _mm256_set1_epi16(4112);
  const __m256i r = _mm256_slli_epi16(sr, up), g = _mm256_slli_epi16(sg, up), b = _mm256_slli_epi16(sb, up);
  __m256i cb = _mm256_add_epi16(_mm256_slli_epi16(sb, mul), c4112);
  cb = _mm256_sub_epi16(cb, _mm256_mulhi_epu16(r, _mm256_set1_epi16(2765)));
  cb = _mm256_srli_epi16(_mm256_sub_epi16(cb, _mm256_mulhi_epu16(g, _mm256_set1_epi16(5427))), 5);
  __m256i cr = _mm256_add_epi16(_mm256_slli_epi16(sr, mul), c4112);
  cr = _mm256_sub_epi16(cr, _mm256_mulhi_epu16(g, _mm256_set1_epi16(6860)));
  cr = _mm256_srli_epi16(_mm256_sub_epi16(cr, _mm256_mulhi_epu16(b, _mm256_set1_epi16(1332))), 5);
  return _mm256_permute4x64_epi64(_mm256_packus_epi16(cb, cr), 0xD8);
}

inline void store_chroma(uint8_t* cb, uint8_t* cr, __m256i c) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(cb), _mm256_castsi256_si128(c));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(cr), _mm256_extracti128_si256(c, 1));
}

template <int CH, bool BGR>
void run_422(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr) {
  __m256i r, g, b;
  split<CH, BGR>(src, r, g, b);
  store(y, luma_run(r, g, b));
  const __m256i ones = _mm256_set1_epi8(1);
  store_chroma(cb, cr, chroma_run<2>(_mm256_maddubs_epi16(r, ones), _mm256_maddubs_epi16(g, ones),
                                     _mm256_maddubs_epi16(b, ones)));
}

template <int CH, bool BGR>
void run_411(const uint8_t* s0, const uint8_t* s1, uint8_t* y0, uint8_t* y1, uint8_t* cb, uint8_t* cr) {
  __m256i r0, g0, b0, r1, g1, b1;
  split<CH, BGR>(s0, r0, g0, b0);
  split<CH, BGR>(s1, r1, g1, b1);
  store(y0, luma_run(r0, g0, b0));
  store(y1, luma_run(r1, g1, b1));
  const __m256i ones = _mm256_set1_epi8(1);
  auto sum = [&](__m256i a, __m256i b) {
    return _mm256_add_epi16(_mm256_maddubs_epi16(a, ones), _mm256_maddubs_epi16(b, ones));
  };
  store_chroma(cb, cr, chroma_run<4>(sum(r0, r1), sum(g0, g1), sum(b0, b1)));
}

template <int CH, bool BGR>
void fwd_422_impl(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width) {
  const int32_t runs = width & ~7;
  int32_t x = 0;
  for (; x + 32 <= runs; x += 32) run_422<CH, BGR>(src + CH * x, y + x, cb + x / 2, cr + x / 2);
  if (x < runs) {  // 8, 16 or 24 run pixels left: through a 32-pixel scratch row
    const size_t n = static_cast<size_t>(runs - x);
    alignas(32) uint8_t in[32 * CH] = {}, out[64];
    std::memcpy(in, src + CH * x, CH * n);
    run_422<CH, BGR>(in, out, out + 32, out + 48);
    std::memcpy(y + x, out, n);
    std::memcpy(cb + x / 2, out + 32, n / 2);
    std::memcpy(cr + x / 2, out + 48, n / 2);
    x = runs;
  }
  fwd_422_pairs(src, CH, order_of(BGR), y, cb, cr, x, width);
}

template <int CH, bool BGR>
void fwd_411_impl(const uint8_t* s0, const uint8_t* s1, uint8_t* y0, uint8_t* y1, uint8_t* cb, uint8_t* cr,
                  int32_t width) {
  const int32_t runs = width & ~7;
  int32_t x = 0;
  for (; x + 32 <= runs; x += 32) run_411<CH, BGR>(s0 + CH * x, s1 + CH * x, y0 + x, y1 + x, cb + x / 2, cr + x / 2);
  if (x < runs) {
    const size_t n = static_cast<size_t>(runs - x);
    alignas(32) uint8_t in0[32 * CH] = {}, in1[32 * CH] = {}, out[96];
    std::memcpy(in0, s0 + CH * x, CH * n);
    std::memcpy(in1, s1 + CH * x, CH * n);
    run_411<CH, BGR>(in0, in1, out, out + 32, out + 64, out + 80);
    std::memcpy(y0 + x, out, n);
    std::memcpy(y1 + x, out + 32, n);
    std::memcpy(cb + x / 2, out + 64, n / 2);
    std::memcpy(cr + x / 2, out + 80, n / 2);
    x = runs;
  }
  fwd_411_pairs(s0, s1, CH, order_of(BGR), y0, y1, cb, cr, x, width);
}

}  // namespace

void fwd_422_avx2(const uint8_t* src, int channels, bool bgr, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width) {
  if (channels == 3)
    bgr ? fwd_422_impl<3, true>(src, y, cb, cr, width) : fwd_422_impl<3, false>(src, y, cb, cr, width);
  else
    bgr ? fwd_422_impl<4, true>(src, y, cb, cr, width) : fwd_422_impl<4, false>(src, y, cb, cr, width);
}

void fwd_411_avx2(const uint8_t* s0, const uint8_t* s1, int channels, bool bgr, uint8_t* y0, uint8_t* y1, uint8_t* cb,
                  uint8_t* cr, int32_t width) {
  if (channels == 3)
    bgr ? fwd_411_impl<3, true>(s0, s1, y0, y1, cb, cr, width) : fwd_411_impl<3, false>(s0, s1, y0, y1, cb, cr, width);
  else
    bgr ? fwd_411_impl<4, true>(s0, s1, y0, y1, cb, cr, width) : fwd_411_impl<4, false>(s0, s1, y0, y1, cb, cr, width);
}

void fwd_c3_avx2(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width, bool bgr) {
  bgr ? fwd_c3_impl<true>(src, y, cb, cr, width) : fwd_c3_impl<false>(src, y, cb, cr, width);
}

void luma_c3_avx2(const uint8_t* src, uint8_t* y, int32_t width, bool bgr) {
  bgr ? luma_c3_impl<true>(src, y, width) : luma_c3_impl<false>(src, y, width);
}

}  // namespace nmx::color

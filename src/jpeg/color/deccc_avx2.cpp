// AVX2 decoder-side kernels: the 14-bit interleaved RGB / BGR conversion and
// the 16-bit formulas of the sub-sampled and 4-channel forms, 32 pixels per
// step; the rest of a row through a 32-pixel scratch row (these formulas do
// not depend on the position in the row).
#include <immintrin.h>

#include <cstring>

#include "jpeg/color/color_kernels.h"
#include "jpeg/color/deccc_rows.h"

namespace nmx::color {
namespace {

inline __m256i load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline void store(uint8_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

// Signed bytes -> sign-extended 16-bit lanes (low / high 8 of each 128-bit lane).
inline __m256i widen_lo(__m256i v) { return _mm256_srai_epi16(_mm256_unpacklo_epi8(v, v), 8); }
inline __m256i widen_hi(__m256i v) { return _mm256_srai_epi16(_mm256_unpackhi_epi8(v, v), 8); }

// Same terms as the SSE4.1 kernel: with c = chroma - 128, each channel adds
// ((k_b c_b + k_r c_r + offset) >> 14) to Y.
struct Inv14 {
  __m256i kR = _mm256_set1_epi32(22970 << 16), kG = _mm256_set1_epi32((-11700 * 65536) | (-5638 & 0xFFFF));
  __m256i kB = _mm256_set1_epi32(29032);
  __m256i oR = _mm256_set1_epi32(8145), oG = _mm256_set1_epi32(8302), oB = _mm256_set1_epi32(8135);

  void terms(__m256i cb, __m256i cr, __m256i& tr, __m256i& tg, __m256i& tb) const {
    const __m256i p0 = _mm256_unpacklo_epi16(cb, cr), p1 = _mm256_unpackhi_epi16(cb, cr);
    auto t = [&](__m256i k, __m256i o) {
      return _mm256_packs_epi32(_mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(p0, k), o), 14),
                                _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(p1, k), o), 14));
    };
    tr = t(kR, oR);
    tg = t(kG, oG);
    tb = t(kB, oB);
  }

  // 32 pixels -> R, G, B bytes in natural order within each lane (pixels 0-15 | 16-31).
  void thirtytwo(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, __m256i& r, __m256i& g, __m256i& b) const {
    const __m256i flip = _mm256_set1_epi8(static_cast<char>(0x80)), z = _mm256_setzero_si256();
    const __m256i yv = load(y), cbs = _mm256_xor_si256(load(cb), flip), crs = _mm256_xor_si256(load(cr), flip);
    const __m256i ylo = _mm256_unpacklo_epi8(yv, z), yhi = _mm256_unpackhi_epi8(yv, z);
    __m256i r0, g0, b0, r1, g1, b1;
    terms(widen_lo(cbs), widen_lo(crs), r0, g0, b0);
    terms(widen_hi(cbs), widen_hi(crs), r1, g1, b1);
    r = _mm256_packus_epi16(_mm256_add_epi16(ylo, r0), _mm256_add_epi16(yhi, r1));
    g = _mm256_packus_epi16(_mm256_add_epi16(ylo, g0), _mm256_add_epi16(yhi, g1));
    b = _mm256_packus_epi16(_mm256_add_epi16(ylo, b0), _mm256_add_epi16(yhi, b1));
  }
};

// 32 pixels of channel vectors -> 96 bytes of 3-byte pixels c0 c1 c2.
inline void join3(uint8_t* dst, __m256i c0, __m256i c1, __m256i c2) {
  const __m256i p0 = _mm256_setr_epi8(0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5,  //
                                      0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5);
  const __m256i p1 = _mm256_setr_epi8(-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1,  //
                                      -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1);
  const __m256i p2 = _mm256_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1,  //
                                      -1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);
  const __m256i q0 = _mm256_setr_epi8(-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1,  //
                                      -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1);
  const __m256i q1 = _mm256_setr_epi8(5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10,  //
                                      5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10);
  const __m256i q2 = _mm256_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1,  //
                                      -1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1);
  const __m256i r0 = _mm256_setr_epi8(-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1,  //
                                      -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1);
  const __m256i r1 = _mm256_setr_epi8(-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1,  //
                                      -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1);
  const __m256i r2 = _mm256_setr_epi8(10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15,  //
                                      10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15);
  auto mix = [](__m256i a, __m256i ma, __m256i b, __m256i mb, __m256i c, __m256i mc) {
    return _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(a, ma), _mm256_shuffle_epi8(b, mb)),
                           _mm256_shuffle_epi8(c, mc));
  };
  // o0 = bytes 0-15 | 48-63, o1 = 16-31 | 64-79, o2 = 32-47 | 80-95.
  const __m256i o0 = mix(c0, p0, c1, p1, c2, p2), o1 = mix(c0, q0, c1, q1, c2, q2), o2 = mix(c0, r0, c1, r1, c2, r2);
  store(dst, _mm256_permute2x128_si256(o0, o1, 0x20));
  store(dst + 32, _mm256_permute2x128_si256(o2, o0, 0x30));
  store(dst + 64, _mm256_permute2x128_si256(o1, o2, 0x31));
}

template <bool BGR>
void inv_c3_impl(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* dst, int32_t width) {
  const Inv14 k;
  const auto step = [&](const uint8_t* ys, const uint8_t* cbs, const uint8_t* crs, uint8_t* d) {
    __m256i r, g, b;
    k.thirtytwo(ys, cbs, crs, r, g, b);
    BGR ? join3(d, b, g, r) : join3(d, r, g, b);
  };
  inv_rows<32, 3, 1>(step, y, cb, cr, dst, width);
}

// 32 pixels of channel vectors -> 128 bytes of 4-byte pixels c0 c1 c2 c3.
inline void join4(uint8_t* dst, __m256i c0, __m256i c1, __m256i c2, __m256i c3) {
  const __m256i lo01 = _mm256_unpacklo_epi8(c0, c1), hi01 = _mm256_unpackhi_epi8(c0, c1);
  const __m256i lo23 = _mm256_unpacklo_epi8(c2, c3), hi23 = _mm256_unpackhi_epi8(c2, c3);
  // a: pixels 0-3 | 16-19, b: 4-7 | 20-23, c: 8-11 | 24-27, d: 12-15 | 28-31.
  const __m256i a = _mm256_unpacklo_epi16(lo01, lo23), b = _mm256_unpackhi_epi16(lo01, lo23);
  const __m256i c = _mm256_unpacklo_epi16(hi01, hi23), d = _mm256_unpackhi_epi16(hi01, hi23);
  store(dst, _mm256_permute2x128_si256(a, b, 0x20));
  store(dst + 32, _mm256_permute2x128_si256(c, d, 0x20));
  store(dst + 64, _mm256_permute2x128_si256(a, b, 0x31));
  store(dst + 96, _mm256_permute2x128_si256(c, d, 0x31));
}

// ---- 16-bit formulas (sub-sampled and 4-channel outputs) ---------------------------

// Chroma terms of 16 samples given as 16-bit lanes (see the SSE4.1 kernel).
inline void hi_terms(__m256i cb16, __m256i cr16, __m256i& tr, __m256i& tg, __m256i& tb) {
  const __m256i cb = _mm256_slli_epi16(cb16, 7), cr = _mm256_slli_epi16(cr16, 7);
  tr = _mm256_add_epi16(_mm256_mulhi_epi16(cr, _mm256_set1_epi16(11485)), _mm256_set1_epi16(8 - 2871));
  tb = _mm256_add_epi16(_mm256_mulhi_epi16(cb, _mm256_set1_epi16(14516)), _mm256_set1_epi16(8 - 3629));
  tg = _mm256_sub_epi16(_mm256_sub_epi16(_mm256_set1_epi16(2167 + 8), _mm256_mulhi_epi16(cb, _mm256_set1_epi16(2819))),
                        _mm256_mulhi_epi16(cr, _mm256_set1_epi16(5850)));
}

inline __m256i channel(__m256i ylo, __m256i yhi, __m256i tlo, __m256i thi) {
  return _mm256_packus_epi16(_mm256_srai_epi16(_mm256_adds_epi16(ylo, tlo), 4),
                             _mm256_srai_epi16(_mm256_adds_epi16(yhi, thi), 4));
}

// 32 pixels; chroma of 16 samples (half) or 32. Lanes hold pixels 0-15 | 16-31.
template <bool HALF>
void hi_thirtytwo(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, __m256i& r, __m256i& g, __m256i& b) {
  const __m256i z = _mm256_setzero_si256(), yv = load(y);
  const __m256i ylo = _mm256_slli_epi16(_mm256_unpacklo_epi8(yv, z), 4);
  const __m256i yhi = _mm256_slli_epi16(_mm256_unpackhi_epi8(yv, z), 4);
  __m256i rl, gl, bl, rh, gh, bh;
  if constexpr (HALF) {
    __m256i tr, tg, tb;
    hi_terms(_mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cb))),
             _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cr))), tr, tg, tb);
    rl = _mm256_unpacklo_epi16(tr, tr), rh = _mm256_unpackhi_epi16(tr, tr);
    gl = _mm256_unpacklo_epi16(tg, tg), gh = _mm256_unpackhi_epi16(tg, tg);
    bl = _mm256_unpacklo_epi16(tb, tb), bh = _mm256_unpackhi_epi16(tb, tb);
  } else {
    const __m256i cbv = load(cb), crv = load(cr);
    hi_terms(_mm256_unpacklo_epi8(cbv, z), _mm256_unpacklo_epi8(crv, z), rl, gl, bl);
    hi_terms(_mm256_unpackhi_epi8(cbv, z), _mm256_unpackhi_epi8(crv, z), rh, gh, bh);
  }
  r = channel(ylo, yhi, rl, rh);
  g = channel(ylo, yhi, gl, gh);
  b = channel(ylo, yhi, bl, bh);
}

template <int CH, bool BGR, bool HALF>
void inv_hi_impl(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* dst, int32_t width, uint8_t alpha) {
  const __m256i a = _mm256_set1_epi8(static_cast<char>(alpha));
  __m256i r, g, b;
  auto put = [&](uint8_t* d) {
    if constexpr (CH == 3)
      BGR ? join3(d, b, g, r) : join3(d, r, g, b);
    else
      BGR ? join4(d, b, g, r, a) : join4(d, r, g, b, a);
  };
  constexpr int cs = HALF ? 2 : 1;
  int32_t x = 0;
  for (; x + 32 <= width; x += 32) {
    hi_thirtytwo<HALF>(y + x, cb + x / cs, cr + x / cs, r, g, b);
    put(dst + CH * x);
  }
  if (x < width) {
    const size_t n = static_cast<size_t>(width - x), nc = (n + cs - 1) / cs;
    alignas(32) uint8_t in[96] = {}, out[128];
    std::memcpy(in, y + x, n);
    std::memcpy(in + 32, cb + x / cs, nc);
    std::memcpy(in + 64, cr + x / cs, nc);
    hi_thirtytwo<HALF>(in, in + 32, in + 64, r, g, b);
    put(out);
    std::memcpy(dst + CH * x, out, CH * n);
  }
}

template <int CH, bool BGR>
void inv_hi_half(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* dst, int32_t width, uint8_t alpha,
                 bool half) {
  half ? inv_hi_impl<CH, BGR, true>(y, cb, cr, dst, width, alpha)
       : inv_hi_impl<CH, BGR, false>(y, cb, cr, dst, width, alpha);
}

}  // namespace

void inv_hi_avx2(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* dst, int32_t width, int channels,
                 bool bgr, uint8_t alpha, bool half) {
  if (channels == 3)
    bgr ? inv_hi_half<3, true>(y, cb, cr, dst, width, alpha, half)
        : inv_hi_half<3, false>(y, cb, cr, dst, width, alpha, half);
  else
    bgr ? inv_hi_half<4, true>(y, cb, cr, dst, width, alpha, half)
        : inv_hi_half<4, false>(y, cb, cr, dst, width, alpha, half);
}

void inv_c3_avx2(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* dst, int32_t width, bool bgr) {
  bgr ? inv_c3_impl<true>(y, cb, cr, dst, width) : inv_c3_impl<false>(y, cb, cr, dst, width);
}

}  // namespace nmx::color

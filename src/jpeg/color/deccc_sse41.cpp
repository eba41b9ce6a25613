// SSE4.1 decoder-side kernels: 16 pixels per step; the rest of a row goes
// through a 16-pixel scratch row (these formulas do not depend on the
// position in the row), so every pixel gets the reference's arithmetic.
#include <cstring>

#include "jpeg/color/color_kernels.h"
#include "jpeg/color/deccc_rows.h"
#include "jpeg/color/color_sse41.h"

namespace nmx::color {

using namespace sse41;

namespace {

// ---- 14-bit formulas, interleaved output ---------------------------------------

// With c = chroma - 128 (the top bit of the byte flipped, then sign-extended):
//   (22970 Cr - 2932015) >> 14          = (22970 c_r + 8145) >> 14
//   (-5638 Cb - 11700 Cr + 2227566) >> 14 = (-5638 c_b - 11700 c_r + 8302) >> 14
//   (29032 Cb - 3707961) >> 14          = (29032 c_b + 8135) >> 14
// Each is one multiply-add of the pair (c_b, c_r) plus a constant.
struct Inv14 {
  __m128i kR = _mm_set1_epi32(22970 << 16), kG = _mm_set1_epi32((-11700 * 65536) | (-5638 & 0xFFFF));
  __m128i kB = _mm_set1_epi32(29032), oR = _mm_set1_epi32(8145), oG = _mm_set1_epi32(8302), oB = _mm_set1_epi32(8135);

  // 8 pixels: c_b, c_r as 16-bit lanes -> the three 16-bit chroma terms.
  void terms(__m128i cb, __m128i cr, __m128i& tr, __m128i& tg, __m128i& tb) const {
    const __m128i p0 = _mm_unpacklo_epi16(cb, cr), p1 = _mm_unpackhi_epi16(cb, cr);
    auto t = [&](__m128i k, __m128i o) {
      return _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(p0, k), o), 14),
                             _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(p1, k), o), 14));
    };
    tr = t(kR, oR);
    tg = t(kG, oG);
    tb = t(kB, oB);
  }

  // 16 pixels -> R, G, B bytes.
  void sixteen(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, __m128i& r, __m128i& g, __m128i& b) const {
    const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i yv = load(y), cbs = _mm_xor_si128(load(cb), flip), crs = _mm_xor_si128(load(cr), flip);
    const __m128i ylo = _mm_cvtepu8_epi16(yv), yhi = _mm_cvtepu8_epi16(_mm_srli_si128(yv, 8));
    __m128i r0, g0, b0, r1, g1, b1;
    terms(_mm_cvtepi8_epi16(cbs), _mm_cvtepi8_epi16(crs), r0, g0, b0);
    terms(_mm_cvtepi8_epi16(_mm_srli_si128(cbs, 8)), _mm_cvtepi8_epi16(_mm_srli_si128(crs, 8)), r1, g1, b1);
    r = _mm_packus_epi16(_mm_add_epi16(ylo, r0), _mm_add_epi16(yhi, r1));
    g = _mm_packus_epi16(_mm_add_epi16(ylo, g0), _mm_add_epi16(yhi, g1));
    b = _mm_packus_epi16(_mm_add_epi16(ylo, b0), _mm_add_epi16(yhi, b1));
  }
};

template <bool BGR>
void inv_c3_impl(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* dst, int32_t width) {
  const Inv14 k;
  const auto step = [&](const uint8_t* ys, const uint8_t* cbs, const uint8_t* crs, uint8_t* d) {
    __m128i r, g, b;
    k.sixteen(ys, cbs, crs, r, g, b);
    BGR ? join3(d, b, g, r) : join3(d, r, g, b);
  };
  inv_rows<16, 3, 1>(step, y, cb, cr, dst, width);
}

// ---- 16-bit formulas (sub-sampled and 4-channel outputs) ---------------------------

// Chroma terms of 8 samples, rounding constant and -128 folded in:
//   tR = hi(128 Cr, 11485) - 2871 + 8, tG = 2167 + 8 - hi(128 Cb, 2819) - hi(128 Cr, 5850),
//   tB = hi(128 Cb, 14516) - 3629 + 8; then R = (16 Y +sat tR) >> 4 and so on.
inline void hi_terms(__m128i cb8, __m128i cr8, __m128i& tr, __m128i& tg, __m128i& tb) {
  const __m128i cb = _mm_slli_epi16(_mm_cvtepu8_epi16(cb8), 7), cr = _mm_slli_epi16(_mm_cvtepu8_epi16(cr8), 7);
  tr = _mm_add_epi16(_mm_mulhi_epi16(cr, _mm_set1_epi16(11485)), _mm_set1_epi16(8 - 2871));
  tb = _mm_add_epi16(_mm_mulhi_epi16(cb, _mm_set1_epi16(14516)), _mm_set1_epi16(8 - 3629));
  tg = _mm_sub_epi16(_mm_sub_epi16(_mm_set1_epi16(2167 + 8), _mm_mulhi_epi16(cb, _mm_set1_epi16(2819))),
                     _mm_mulhi_epi16(cr, _mm_set1_epi16(5850)));
}

inline __m128i channel(__m128i y16lo, __m128i y16hi, __m128i tlo, __m128i thi) {
  return _mm_packus_epi16(_mm_srai_epi16(_mm_adds_epi16(y16lo, tlo), 4), _mm_srai_epi16(_mm_adds_epi16(y16hi, thi), 4));
}

// 16 pixels; chroma of 8 samples (half) or 16.
template <bool HALF>
void hi_sixteen(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, __m128i& r, __m128i& g, __m128i& b) {
  const __m128i yv = load(y);
  const __m128i ylo = _mm_slli_epi16(_mm_cvtepu8_epi16(yv), 4);
  const __m128i yhi = _mm_slli_epi16(_mm_cvtepu8_epi16(_mm_srli_si128(yv, 8)), 4);
  __m128i rl, gl, bl, rh, gh, bh;
  if constexpr (HALF) {
    __m128i tr, tg, tb;
    hi_terms(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cb)),
             _mm_loadl_epi64(reinterpret_cast<const __m128i*>(cr)), tr, tg, tb);
    rl = _mm_unpacklo_epi16(tr, tr), rh = _mm_unpackhi_epi16(tr, tr);
    gl = _mm_unpacklo_epi16(tg, tg), gh = _mm_unpackhi_epi16(tg, tg);
    bl = _mm_unpacklo_epi16(tb, tb), bh = _mm_unpackhi_epi16(tb, tb);
  } else {
    const __m128i cbv = load(cb), crv = load(cr);
    hi_terms(cbv, crv, rl, gl, bl);
    hi_terms(_mm_srli_si128(cbv, 8), _mm_srli_si128(crv, 8), rh, gh, bh);
  }
  r = channel(ylo, yhi, rl, rh);
  g = channel(ylo, yhi, gl, gh);
  b = channel(ylo, yhi, bl, bh);
}

template <int CH, bool BGR, bool HALF>
void inv_hi_impl(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* dst, int32_t width, uint8_t alpha) {
  const __m128i a = _mm_set1_epi8(static_cast<char>(alpha));
  __m128i r, g, b;
  auto put = [&](uint8_t* d) {
    if constexpr (CH == 3)
      BGR ? join3(d, b, g, r) : join3(d, r, g, b);
    else
      BGR ? join4(d, b, g, r, a) : join4(d, r, g, b, a);
  };
  constexpr int cs = HALF ? 2 : 1;  // pixels per chroma sample
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    hi_sixteen<HALF>(y + x, cb + x / cs, cr + x / cs, r, g, b);
    put(dst + CH * x);
  }
  if (x < width) {
    const size_t n = static_cast<size_t>(width - x), nc = (n + cs - 1) / cs;
    alignas(16) uint8_t in[48] = {}, out[64];
    std::memcpy(in, y + x, n);
    std::memcpy(in + 16, cb + x / cs, nc);
    std::memcpy(in + 32, cr + x / cs, nc);
    hi_sixteen<HALF>(in, in + 16, in + 32, r, g, b);
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

// ---- Interleaved 4:2:2 source ---------------------------------------------------

// 16 pixels (8 pairs Y0 Cb Y1 Cr) with the grouped formulas, all in 16-bit lanes:
//   (22970 Cr) >> 14 and (29032 Cb) >> 14 are high halves of (4 Cr) x 22970 and
//   (4 Cb) x 29032; floor(-11700 Cr / 512) is the high half of (128 Cr) x -11700.
inline void c2_sixteen(const uint8_t* src, __m128i& r, __m128i& g, __m128i& b) {
  const __m128i a = load(src), c = load(src + 16);
  const __m128i yv = _mm_or_si128(
      _mm_shuffle_epi8(a, _mm_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, -1, -1, -1, -1, -1, -1, -1, -1)),
      _mm_shuffle_epi8(c, _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 0, 2, 4, 6, 8, 10, 12, 14)));
  const __m128i chroma = _mm_or_si128(
      _mm_shuffle_epi8(a, _mm_setr_epi8(1, 5, 9, 13, -1, -1, -1, -1, 3, 7, 11, 15, -1, -1, -1, -1)),
      _mm_shuffle_epi8(c, _mm_setr_epi8(-1, -1, -1, -1, 1, 5, 9, 13, -1, -1, -1, -1, 3, 7, 11, 15)));
  const __m128i cb = _mm_cvtepu8_epi16(chroma), cr = _mm_cvtepu8_epi16(_mm_srli_si128(chroma, 8));
  const __m128i tr = _mm_sub_epi16(_mm_mulhi_epu16(_mm_slli_epi16(cr, 2), _mm_set1_epi16(22970)), _mm_set1_epi16(179));
  const __m128i tb = _mm_sub_epi16(_mm_mulhi_epu16(_mm_slli_epi16(cb, 2), _mm_set1_epi16(29032)), _mm_set1_epi16(226));
  const __m128i gsum = _mm_add_epi16(_mm_mulhi_epi16(_mm_slli_epi16(cr, 7), _mm_set1_epi16(-11700)),
                                     _mm_mulhi_epi16(_mm_slli_epi16(cb, 7), _mm_set1_epi16(-5638)));
  const __m128i tg = _mm_add_epi16(_mm_srai_epi16(gsum, 5), _mm_set1_epi16(135));
  const __m128i ylo = _mm_cvtepu8_epi16(yv), yhi = _mm_cvtepu8_epi16(_mm_srli_si128(yv, 8));
  auto ch = [&](__m128i t) {
    return _mm_packus_epi16(_mm_adds_epi16(ylo, _mm_unpacklo_epi16(t, t)), _mm_adds_epi16(yhi, _mm_unpackhi_epi16(t, t)));
  };
  r = ch(tr);
  g = ch(tg);
  b = ch(tb);
}

}  // namespace

void inv_c2_sse41(const uint8_t* src, uint8_t* dst, int32_t width) {
  const int32_t grouped = width & ~7;
  __m128i r, g, b;
  int32_t x = 0;
  for (; x + 16 <= grouped; x += 16) {
    c2_sixteen(src + 2 * x, r, g, b);
    join3(dst + 3 * x, r, g, b);
  }
  if (x < grouped) {  // one group of 8 through a scratch row
    alignas(16) uint8_t in[32] = {}, out[48];
    std::memcpy(in, src + 2 * x, 16);
    c2_sixteen(in, r, g, b);
    join3(out, r, g, b);
    std::memcpy(dst + 3 * x, out, 24);
    x += 8;
  }
  for (; x < width; ++x) {
    const uint8_t* pair = src + 4 * (x / 2);
    const Rgb c = inv422_pixel(pair[(x & 1) * 2], pair[1], pair[3]);
    dst[3 * x] = c.r;
    dst[3 * x + 1] = c.g;
    dst[3 * x + 2] = c.b;
  }
}

void inv_c3_sse41(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* dst, int32_t width, bool bgr) {
  bgr ? inv_c3_impl<true>(y, cb, cr, dst, width) : inv_c3_impl<false>(y, cb, cr, dst, width);
}

void inv_hi_sse41(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* dst, int32_t width, int channels,
                  bool bgr, uint8_t alpha, bool half) {
  if (channels == 3)
    bgr ? inv_hi_half<3, true>(y, cb, cr, dst, width, alpha, half)
        : inv_hi_half<3, false>(y, cb, cr, dst, width, alpha, half);
  else
    bgr ? inv_hi_half<4, true>(y, cb, cr, dst, width, alpha, half)
        : inv_hi_half<4, false>(y, cb, cr, dst, width, alpha, half);
}

}  // namespace nmx::color

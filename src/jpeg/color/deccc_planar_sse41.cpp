// SSE4.1 decoder-side kernels with planar or CMYK output (the formulas with
// green by subtraction), 16 pixels per step, the rest through a scratch row.
#include <cstring>

#include "jpeg/color/color_kernels.h"
#include "jpeg/color/color_sse41.h"

namespace nmx::color {

using namespace sse41;

namespace {

// With c = chroma - 128:
//   (22970 Cr - 2932015) >> 14          = (22970 c_r + 8145) >> 14   added to Y
//   (5638 Cb + 11700 Cr - 2211182) >> 14 = (5638 c_b + 11700 c_r + 8082) >> 14   subtracted from Y
//   (29032 Cb - 3708561) >> 14          = (29032 c_b + 7535) >> 14   added to Y
struct Inv14b {
  __m128i kR = _mm_set1_epi32(22970 << 16), kG = _mm_set1_epi32((11700 << 16) | 5638), kB = _mm_set1_epi32(29032);
  __m128i oR = _mm_set1_epi32(8145), oG = _mm_set1_epi32(8082), oB = _mm_set1_epi32(7535);

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

  void sixteen(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, __m128i& r, __m128i& g, __m128i& b) const {
    const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i yv = load(y), cbs = _mm_xor_si128(load(cb), flip), crs = _mm_xor_si128(load(cr), flip);
    const __m128i ylo = _mm_cvtepu8_epi16(yv), yhi = _mm_cvtepu8_epi16(_mm_srli_si128(yv, 8));
    __m128i r0, g0, b0, r1, g1, b1;
    terms(_mm_cvtepi8_epi16(cbs), _mm_cvtepi8_epi16(crs), r0, g0, b0);
    terms(_mm_cvtepi8_epi16(_mm_srli_si128(cbs, 8)), _mm_cvtepi8_epi16(_mm_srli_si128(crs, 8)), r1, g1, b1);
    r = _mm_packus_epi16(_mm_add_epi16(ylo, r0), _mm_add_epi16(yhi, r1));
    g = _mm_packus_epi16(_mm_sub_epi16(ylo, g0), _mm_sub_epi16(yhi, g1));
    b = _mm_packus_epi16(_mm_add_epi16(ylo, b0), _mm_add_epi16(yhi, b1));
  }
};

// Zero-padded scratch rows for the rest of a row.
struct Scratch {
  alignas(16) uint8_t in[64] = {};
  alignas(16) uint8_t out[64] = {};
};

}  // namespace

void inv_p3_sse41(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* r, uint8_t* g, uint8_t* b,
                  int32_t width, bool invert) {
  const Inv14b k;
  const __m128i flip = invert ? _mm_set1_epi8(-1) : _mm_setzero_si128();
  __m128i vr, vg, vb;
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    k.sixteen(y + x, cb + x, cr + x, vr, vg, vb);
    store(r + x, _mm_xor_si128(vr, flip));
    store(g + x, _mm_xor_si128(vg, flip));
    store(b + x, _mm_xor_si128(vb, flip));
  }
  if (x < width) {
    const size_t n = static_cast<size_t>(width - x);
    Scratch s;
    std::memcpy(s.in, y + x, n);
    std::memcpy(s.in + 16, cb + x, n);
    std::memcpy(s.in + 32, cr + x, n);
    k.sixteen(s.in, s.in + 16, s.in + 32, vr, vg, vb);
    store(s.out, _mm_xor_si128(vr, flip));
    store(s.out + 16, _mm_xor_si128(vg, flip));
    store(s.out + 32, _mm_xor_si128(vb, flip));
    std::memcpy(r + x, s.out, n);
    std::memcpy(g + x, s.out + 16, n);
    std::memcpy(b + x, s.out + 32, n);
  }
}

void inv_cmyk_c4_sse41(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const uint8_t* kp, uint8_t* dst,
                       int32_t width) {
  const Inv14b k;
  const __m128i ones = _mm_set1_epi8(-1);
  __m128i vr, vg, vb;
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    k.sixteen(y + x, cb + x, cr + x, vr, vg, vb);
    join4(dst + 4 * x, _mm_xor_si128(vr, ones), _mm_xor_si128(vg, ones), _mm_xor_si128(vb, ones), load(kp + x));
  }
  if (x < width) {
    const size_t n = static_cast<size_t>(width - x);
    Scratch s;
    std::memcpy(s.in, y + x, n);
    std::memcpy(s.in + 16, cb + x, n);
    std::memcpy(s.in + 32, cr + x, n);
    std::memcpy(s.in + 48, kp + x, n);
    k.sixteen(s.in, s.in + 16, s.in + 32, vr, vg, vb);
    join4(s.out, _mm_xor_si128(vr, ones), _mm_xor_si128(vg, ones), _mm_xor_si128(vb, ones), load(s.in + 48));
    std::memcpy(dst + 4 * x, s.out, 4 * n);
  }
}

}  // namespace nmx::color

namespace nmx::color {

// 16 pixels of R, G, B bytes -> 16 packed words: the top 5 (green of 5-6-5: 6) bits of each.
static inline void pack16(uint16_t* dst, __m128i r, __m128i g, __m128i b, Packed f) {
  const bool six = f == Packed::RGB565 || f == Packed::BGR565, bgr = f == Packed::BGR555 || f == Packed::BGR565;
  const __m128i z = _mm_setzero_si128();
  auto half = [&](__m128i r16, __m128i g16, __m128i b16) {
    const __m128i lo = _mm_srli_epi16(bgr ? b16 : r16, 3), top = _mm_srli_epi16(bgr ? r16 : b16, 3);
    const __m128i mid = six ? _mm_slli_epi16(_mm_srli_epi16(g16, 2), 5) : _mm_slli_epi16(_mm_srli_epi16(g16, 3), 5);
    return _mm_or_si128(_mm_or_si128(lo, mid), six ? _mm_slli_epi16(top, 11) : _mm_slli_epi16(top, 10));
  };
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                   half(_mm_unpacklo_epi8(r, z), _mm_unpacklo_epi8(g, z), _mm_unpacklo_epi8(b, z)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8),
                   half(_mm_unpackhi_epi8(r, z), _mm_unpackhi_epi8(g, z), _mm_unpackhi_epi8(b, z)));
}

void inv_packed_sse41(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint16_t* dst, int32_t width,
                      Packed f) {
  const Inv14b k;
  __m128i vr, vg, vb;
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    k.sixteen(y + x, cb + x, cr + x, vr, vg, vb);
    pack16(dst + x, vr, vg, vb, f);
  }
  if (x < width) {
    const size_t n = static_cast<size_t>(width - x);
    Scratch s;
    alignas(16) uint16_t out[16];
    std::memcpy(s.in, y + x, n);
    std::memcpy(s.in + 16, cb + x, n);
    std::memcpy(s.in + 32, cr + x, n);
    k.sixteen(s.in, s.in + 16, s.in + 32, vr, vg, vb);
    pack16(out, vr, vg, vb, f);
    std::memcpy(dst + x, out, 2 * n);
  }
}

}  // namespace nmx::color

// SSE4.1 encoder-side kernels of the planar and CMYK forms: R, G, B planes to
// Y, Cb, Cr (luminance first, chroma from the differences), CMYK pixels with
// the 14-bit formulas, and single-precision luminance from planes.
#include <cstring>

#include "jpeg/color/color_kernels.h"
#include "jpeg/color/color_sse41.h"

namespace nmx::color {

using namespace sse41;

namespace {

inline __m128i pair(int lo, int hi) { return _mm_set1_epi32(static_cast<int32_t>((static_cast<uint32_t>(hi) << 16) | (lo & 0xFFFF))); }

// 8 pixels of planar forward conversion from 16-bit channel lanes:
//   Y = (19595 R + 38470 G + 7471 B + 32768) >> 16, computed as
//       (R, G).(19595, 38470 - 65536) + (B, 2).(7471, 16384) + (G << 16);
//   Cb = (B - Y, 257).(18491, 16384) >> 15 and Cr = (R - Y, 257).(23373, 16384) >> 15
//   (257 x 16384 = 4210688); results as 16-bit lanes, still to be clamped.
inline void planar8(__m128i r, __m128i g, __m128i b, __m128i& y, __m128i& cb, __m128i& cr) {
  const __m128i z = _mm_setzero_si128(), two = _mm_set1_epi16(2), c257 = _mm_set1_epi16(257);
  const __m128i kRG = pair(19595, 38470 - 65536), kB = pair(7471, 16384);
  auto luma4 = [&](__m128i rg, __m128i b2, __m128i g16) {
    return _mm_srai_epi32(_mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(rg, kRG), _mm_madd_epi16(b2, kB)), g16), 16);
  };
  const __m128i y0 = luma4(_mm_unpacklo_epi16(r, g), _mm_unpacklo_epi16(b, two), _mm_unpacklo_epi16(z, g));
  const __m128i y1 = luma4(_mm_unpackhi_epi16(r, g), _mm_unpackhi_epi16(b, two), _mm_unpackhi_epi16(z, g));
  y = _mm_packs_epi32(y0, y1);
  auto diff = [&](__m128i d, __m128i k) {
    return _mm_packs_epi32(_mm_srai_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(d, c257), k), 15),
                           _mm_srai_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(d, c257), k), 15));
  };
  cb = diff(_mm_sub_epi16(b, y), pair(18491, 16384));
  cr = diff(_mm_sub_epi16(r, y), pair(23373, 16384));
}

inline void planar16(const uint8_t* r, const uint8_t* g, const uint8_t* b, __m128i flip, uint8_t* yo, uint8_t* cbo,
                     uint8_t* cro) {
  const __m128i z = _mm_setzero_si128();
  const __m128i rv = _mm_xor_si128(load(r), flip), gv = _mm_xor_si128(load(g), flip), bv = _mm_xor_si128(load(b), flip);
  __m128i y0, cb0, cr0, y1, cb1, cr1;
  planar8(_mm_unpacklo_epi8(rv, z), _mm_unpacklo_epi8(gv, z), _mm_unpacklo_epi8(bv, z), y0, cb0, cr0);
  planar8(_mm_unpackhi_epi8(rv, z), _mm_unpackhi_epi8(gv, z), _mm_unpackhi_epi8(bv, z), y1, cb1, cr1);
  store(yo, _mm_packus_epi16(y0, y1));
  store(cbo, _mm_packus_epi16(cb0, cb1));
  store(cro, _mm_packus_epi16(cr0, cr1));
}

// 4 pixels of the 14-bit formulas from (R, G) and (B, 1) pairs; Cb and Cr
// leave out their 128 << 14 offset.
inline void fwd14_4(__m128i rg, __m128i b1, __m128i& y, __m128i& cb, __m128i& cr) {
  y = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(rg, pair(4899, 9617)), _mm_madd_epi16(b1, pair(1868, 8192))), 14);
  cb = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(rg, pair(-2764, -5428)), _mm_madd_epi16(b1, pair(8192, 8192))), 14);
  cr = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(rg, pair(8192, -6860)), _mm_madd_epi16(b1, pair(-1332, 8192))), 14);
}

// 16 CMYK pixels -> Y, Cb, Cr, K.
inline void cmyk16(const uint8_t* src, uint8_t* yo, uint8_t* cbo, uint8_t* cro, uint8_t* ko) {
  __m128i c, m, yy, k;
  split4(src, c, m, yy, k);
  const __m128i ones = _mm_set1_epi8(-1), z = _mm_setzero_si128(), one16 = _mm_set1_epi16(1);
  const __m128i r = _mm_xor_si128(c, ones), g = _mm_xor_si128(m, ones), b = _mm_xor_si128(yy, ones);
  __m128i y[4], cb[4], cr[4];
  for (int h = 0; h < 2; ++h) {
    const __m128i r16 = h ? _mm_unpackhi_epi8(r, z) : _mm_unpacklo_epi8(r, z);
    const __m128i g16 = h ? _mm_unpackhi_epi8(g, z) : _mm_unpacklo_epi8(g, z);
    const __m128i b16 = h ? _mm_unpackhi_epi8(b, z) : _mm_unpacklo_epi8(b, z);
    fwd14_4(_mm_unpacklo_epi16(r16, g16), _mm_unpacklo_epi16(b16, one16), y[2 * h], cb[2 * h], cr[2 * h]);
    fwd14_4(_mm_unpackhi_epi16(r16, g16), _mm_unpackhi_epi16(b16, one16), y[2 * h + 1], cb[2 * h + 1],
            cr[2 * h + 1]);
  }
  const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
  store(yo, _mm_packus_epi16(_mm_packs_epi32(y[0], y[1]), _mm_packs_epi32(y[2], y[3])));
  store(cbo, _mm_xor_si128(_mm_packs_epi16(_mm_packs_epi32(cb[0], cb[1]), _mm_packs_epi32(cb[2], cb[3])), flip));
  store(cro, _mm_xor_si128(_mm_packs_epi16(_mm_packs_epi32(cr[0], cr[1]), _mm_packs_epi32(cr[2], cr[3])), flip));
  store(ko, k);
}

// 8 packed pixels -> R, G, B as 16-bit lanes (fields widened to the top of the byte).
inline void unpack8(__m128i p, Packed f, __m128i& r, __m128i& g, __m128i& b) {
  const bool six = f == Packed::RGB565 || f == Packed::BGR565, bgr = f == Packed::BGR555 || f == Packed::BGR565;
  const __m128i m5 = _mm_set1_epi16(31);
  const __m128i lo = _mm_slli_epi16(_mm_and_si128(p, m5), 3);
  const __m128i mid = six ? _mm_slli_epi16(_mm_and_si128(_mm_srli_epi16(p, 5), _mm_set1_epi16(63)), 2)
                          : _mm_slli_epi16(_mm_and_si128(_mm_srli_epi16(p, 5), m5), 3);
  const __m128i top = _mm_slli_epi16(_mm_and_si128(_mm_srli_epi16(p, six ? 11 : 10), m5), 3);
  r = bgr ? top : lo;
  g = mid;
  b = bgr ? lo : top;
}

// 16 packed pixels -> Y, Cb, Cr with the 14-bit formulas.
inline void packed16(const uint16_t* src, Packed f, uint8_t* yo, uint8_t* cbo, uint8_t* cro) {
  const __m128i one16 = _mm_set1_epi16(1);
  __m128i y[4], cb[4], cr[4];
  for (int h = 0; h < 2; ++h) {
    __m128i r16, g16, b16;
    unpack8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 8 * h)), f, r16, g16, b16);
    fwd14_4(_mm_unpacklo_epi16(r16, g16), _mm_unpacklo_epi16(b16, one16), y[2 * h], cb[2 * h], cr[2 * h]);
    fwd14_4(_mm_unpackhi_epi16(r16, g16), _mm_unpackhi_epi16(b16, one16), y[2 * h + 1], cb[2 * h + 1],
            cr[2 * h + 1]);
  }
  const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
  store(yo, _mm_packus_epi16(_mm_packs_epi32(y[0], y[1]), _mm_packs_epi32(y[2], y[3])));
  store(cbo, _mm_xor_si128(_mm_packs_epi16(_mm_packs_epi32(cb[0], cb[1]), _mm_packs_epi32(cb[2], cb[3])), flip));
  store(cro, _mm_xor_si128(_mm_packs_epi16(_mm_packs_epi32(cr[0], cr[1]), _mm_packs_epi32(cr[2], cr[3])), flip));
}

// 4 pixels (bytes 4i..4i+3 of each channel) of single-precision luminance,
// rounded to nearest even; 16 pixels from four of them.
template <int I>
inline __m128i luma_float4(__m128i r, __m128i g, __m128i b) {
  auto f = [](__m128i v) { return _mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_srli_si128(v, 4 * I))); };
  const __m128 s = _mm_add_ps(_mm_add_ps(_mm_mul_ps(f(r), _mm_set1_ps(0.299f)), _mm_mul_ps(f(g), _mm_set1_ps(0.587f))),
                              _mm_mul_ps(f(b), _mm_set1_ps(0.114f)));
  return _mm_cvtps_epi32(s);
}

inline __m128i luma_float16(const uint8_t* r, const uint8_t* g, const uint8_t* b) {
  const __m128i rv = load(r), gv = load(g), bv = load(b);
  return _mm_packus_epi16(_mm_packs_epi32(luma_float4<0>(rv, gv, bv), luma_float4<1>(rv, gv, bv)),
                          _mm_packs_epi32(luma_float4<2>(rv, gv, bv), luma_float4<3>(rv, gv, bv)));
}

}  // namespace

void fwd_p3_sse41(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint8_t* y, uint8_t* cb, uint8_t* cr,
                  int32_t width, bool invert) {
  const __m128i flip = invert ? _mm_set1_epi8(-1) : _mm_setzero_si128();
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) planar16(r + x, g + x, b + x, flip, y + x, cb + x, cr + x);
  if (x < width) {
    const size_t n = static_cast<size_t>(width - x);
    alignas(16) uint8_t in[48] = {}, out[48];
    std::memcpy(in, r + x, n);
    std::memcpy(in + 16, g + x, n);
    std::memcpy(in + 32, b + x, n);
    planar16(in, in + 16, in + 32, flip, out, out + 16, out + 32);
    std::memcpy(y + x, out, n);
    std::memcpy(cb + x, out + 16, n);
    std::memcpy(cr + x, out + 32, n);
  }
}

void fwd_cmyk_c4_sse41(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, uint8_t* k, int32_t width) {
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) cmyk16(src + 4 * x, y + x, cb + x, cr + x, k + x);
  if (x < width) {
    const size_t n = static_cast<size_t>(width - x);
    alignas(16) uint8_t in[64] = {}, out[64];
    std::memcpy(in, src + 4 * x, 4 * n);
    cmyk16(in, out, out + 16, out + 32, out + 48);
    std::memcpy(y + x, out, n);
    std::memcpy(cb + x, out + 16, n);
    std::memcpy(cr + x, out + 32, n);
    std::memcpy(k + x, out + 48, n);
  }
}

void luma_p3_sse41(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint8_t* y, int32_t width) {
  const int32_t body = width & ~3;  // single precision for multiples of 4 pixels
  int32_t x = 0;
  for (; x + 16 <= body; x += 16) store(y + x, luma_float16(r + x, g + x, b + x));
  if (x < body) {
    const size_t n = static_cast<size_t>(body - x);
    alignas(16) uint8_t in[48] = {}, out[16];
    std::memcpy(in, r + x, n);
    std::memcpy(in + 16, g + x, n);
    std::memcpy(in + 32, b + x, n);
    store(out, luma_float16(in, in + 16, in + 32));
    std::memcpy(y + x, out, n);
    x = body;
  }
  for (; x < width; ++x) y[x] = static_cast<uint8_t>(luma16(r[x], g[x], b[x]));
}

}  // namespace nmx::color

namespace nmx::color {

void fwd_packed_sse41(const uint16_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width, Packed f) {
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) packed16(src + x, f, y + x, cb + x, cr + x);
  if (x < width) {
    const size_t n = static_cast<size_t>(width - x);
    alignas(16) uint16_t in[16] = {};
    alignas(16) uint8_t out[48];
    std::memcpy(in, src + x, 2 * n);
    packed16(in, f, out, out + 16, out + 32);
    std::memcpy(y + x, out, n);
    std::memcpy(cb + x, out + 16, n);
    std::memcpy(cr + x, out + 32, n);
  }
}

}  // namespace nmx::color

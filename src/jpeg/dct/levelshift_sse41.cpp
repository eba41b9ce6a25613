// SSE4.1 level shift: 16 pixels (two 8-lane groups) per step, one more 8-lane
// group where it fits, then single pixels.
#include <smmintrin.h>

#include "jpeg/dct/levelshift_kernels.h"

namespace nmx::levelshift {

void sub128_sse41(const uint8_t* src, int16_t* dst, int32_t width) {
  const __m128i bias = _mm_set1_epi16(128);
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
    const __m128i lo = _mm_sub_epi16(_mm_cvtepu8_epi16(v), bias);
    const __m128i hi = _mm_sub_epi16(_mm_cvtepu8_epi16(_mm_srli_si128(v, 8)), bias);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), lo);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x + 8), hi);
  }
  if (x + 8 <= width) {
    const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm_sub_epi16(_mm_cvtepu8_epi16(v), bias));
    x += 8;
  }
  for (; x < width; ++x) dst[x] = static_cast<int16_t>(src[x] - 128);
}

void add128_sse41(const int16_t* src, uint8_t* dst, int32_t width) {
  const __m128i bias = _mm_set1_epi16(128);
  int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x + 8));
    // Saturating add keeps 32767 + 128 at 32767; packus then clamps to 0..255.
    const __m128i r = _mm_packus_epi16(_mm_adds_epi16(a, bias), _mm_adds_epi16(b, bias));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), r);
  }
  if (x + 8 <= width) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
    const __m128i r = _mm_packus_epi16(_mm_adds_epi16(a, bias), _mm_setzero_si128());
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + x), r);
    x += 8;
  }
  for (; x < width; ++x) {
    const int32_t v = src[x] + 128;
    dst[x] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
  }
}

}  // namespace nmx::levelshift

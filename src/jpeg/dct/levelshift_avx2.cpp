// AVX2 level shift: 32 pixels per step; the rest goes to the SSE4.1 kernel.
#include <immintrin.h>

#include "jpeg/dct/levelshift_kernels.h"

namespace nmx::levelshift {

void sub128_avx2(const uint8_t* src, int16_t* dst, int32_t width) {
  const __m256i bias = _mm256_set1_epi16(128);
  int32_t x = 0;
  for (; x + 32 <= width; x += 32) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x + 16));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x), _mm256_sub_epi16(_mm256_cvtepu8_epi16(a), bias));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x + 16), _mm256_sub_epi16(_mm256_cvtepu8_epi16(b), bias));
  }
  sub128_sse41(src + x, dst + x, width - x);
}

void add128_avx2(const int16_t* src, uint8_t* dst, int32_t width) {
  const __m256i bias = _mm256_set1_epi16(128);
  int32_t x = 0;
  for (; x + 32 <= width; x += 32) {
    const __m256i a = _mm256_adds_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + x)), bias);
    const __m256i b = _mm256_adds_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + x + 16)), bias);
    // packus works per 128-bit lane; restore pixel order across lanes.
    const __m256i r = _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + x), r);
  }
  add128_sse41(src + x, dst + x, width - x);
}

}  // namespace nmx::levelshift

// SSE4.1 quantization: the block as eight 8-lane rows, straight-line code.
#include <smmintrin.h>

#include <cstring>

#include "jpeg/dct/quant_kernels.h"

namespace nmx::quant {
namespace {

inline __m128i load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
inline void store(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }

// Reorders a raw zig-zag table into natural order as 16-bit entries: each
// 16-byte output group gathers from the four 16-byte source groups.
struct ZigzagShuffles {
  alignas(16) int8_t idx[4][4][16];  // [output group][source group][lane]
  constexpr ZigzagShuffles() : idx{} {
    for (int o = 0; o < 4; ++o)
      for (int s = 0; s < 4; ++s)
        for (int l = 0; l < 16; ++l) {
          const int z = kZigzagOf[o * 16 + l];
          idx[o][s][l] = static_cast<int8_t>(z / 16 == s ? z % 16 : -128);
        }
  }
};
constexpr ZigzagShuffles kShuffles;

inline void zigzag_to_natural(const uint8_t* raw, __m128i out[4]) {
  const __m128i src[4] = {load(raw), load(raw + 16), load(raw + 32), load(raw + 48)};
  for (int o = 0; o < 4; ++o) {
    __m128i v = _mm_setzero_si128();
    for (int s = 0; s < 4; ++s) v = _mm_or_si128(v, _mm_shuffle_epi8(src[s], load(kShuffles.idx[o][s])));
    out[o] = v;
  }
}

// 32768 / q rounded to nearest for four 32-bit q in 1..255; single precision
// is exact enough since no quotient lies near a half.
inline __m128i reciprocal(__m128i q) {
  return _mm_cvtps_epi32(_mm_div_ps(_mm_set1_ps(32768.0f), _mm_cvtepi32_ps(q)));
}

}  // namespace

void raw_scale_sse41(uint8_t* raw, int32_t quality) {
  const __m128d scale = _mm_set1_pd(quality_scale(quality));
  const __m128d hundredth = _mm_set1_pd(100.0);
  for (int g = 0; g < 64; g += 16) {
    __m128i words[4];
    for (int k = 0; k < 4; ++k) {
      int32_t four;
      std::memcpy(&four, raw + g + 4 * k, 4);
      const __m128i t = _mm_cvtepu8_epi32(_mm_cvtsi32_si128(four));
      // (t * scale + 50) / 100 truncated toward zero; every value is exact in double.
      const __m128d lo = _mm_cvtepi32_pd(t);
      const __m128d hi = _mm_cvtepi32_pd(_mm_srli_si128(t, 8));
      const __m128d half = _mm_set1_pd(50.0);
      const __m128i qlo = _mm_cvttpd_epi32(_mm_div_pd(_mm_add_pd(_mm_mul_pd(lo, scale), half), hundredth));
      const __m128i qhi = _mm_cvttpd_epi32(_mm_div_pd(_mm_add_pd(_mm_mul_pd(hi, scale), half), hundredth));
      words[k] = _mm_unpacklo_epi64(qlo, qhi);
    }
    // Clamp to 1..255 (0 and below become 1).
    const __m128i w01 = _mm_packs_epi32(words[0], words[1]);
    const __m128i w23 = _mm_packs_epi32(words[2], words[3]);
    const __m128i one = _mm_set1_epi16(1);
    const __m128i top = _mm_set1_epi16(255);
    const __m128i c01 = _mm_max_epi16(_mm_min_epi16(w01, top), one);
    const __m128i c23 = _mm_max_epi16(_mm_min_epi16(w23, top), one);
    store(raw + g, _mm_packus_epi16(c01, c23));
  }
}

bool fwd_table_sse41(const uint8_t* raw, uint16_t* fwd) {
  __m128i nat[4];
  zigzag_to_natural(raw, nat);
  const __m128i zero = _mm_setzero_si128();
  __m128i any_zero = zero;
  for (int o = 0; o < 4; ++o) {
    const __m128i is_zero = _mm_cmpeq_epi8(nat[o], zero);
    any_zero = _mm_or_si128(any_zero, is_zero);
    // A zero quantizer divides as 1 here and is replaced by 65535 below.
    const __m128i q = _mm_max_epu8(nat[o], _mm_set1_epi8(1));
    for (int h = 0; h < 2; ++h) {
      const __m128i q16 = h ? _mm_unpackhi_epi8(q, zero) : _mm_unpacklo_epi8(q, zero);
      const __m128i r = _mm_packus_epi32(reciprocal(_mm_cvtepu16_epi32(q16)),
                                         reciprocal(_mm_unpackhi_epi16(q16, zero)));
      const __m128i z16 = h ? _mm_unpackhi_epi8(is_zero, is_zero) : _mm_unpacklo_epi8(is_zero, is_zero);
      store(fwd + o * 16 + h * 8, _mm_or_si128(r, z16));
    }
  }
  return _mm_movemask_epi8(any_zero) != 0;
}

void inv_table_sse41(const uint8_t* raw, uint16_t* inv) {
  __m128i nat[4];
  zigzag_to_natural(raw, nat);
  const __m128i zero = _mm_setzero_si128();
  for (int o = 0; o < 4; ++o) {
    store(inv + o * 16, _mm_unpacklo_epi8(nat[o], zero));
    store(inv + o * 16 + 8, _mm_unpackhi_epi8(nat[o], zero));
  }
}

void quant_fwd_sse41(int16_t* block, const uint16_t* table) {
  const __m128i one = _mm_set1_epi16(1);
  for (int r = 0; r < 8; ++r) {
    const __m128i a = _mm_slli_epi16(load(block + 8 * r), 3);
    const __m128i b = _mm_srli_epi16(load(table + 8 * r), 1);
    const __m128i p = _mm_mulhi_epi16(a, b);
    store(block + 8 * r, _mm_srai_epi16(_mm_add_epi16(p, one), 1));
  }
}

void quant_inv_sse41(int16_t* block, const uint16_t* table) {
  for (int r = 0; r < 8; ++r) store(block + 8 * r, _mm_mullo_epi16(load(block + 8 * r), load(table + 8 * r)));
}

}  // namespace nmx::quant

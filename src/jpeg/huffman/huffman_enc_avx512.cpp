// Block encoder fast path, AVX-512 front end: the whole zig-zag reorder is two
// two-source word permutes, the nonzero mask two word tests.
// GCC 12 warns about the placeholder ("undefined") vectors inside its own
// AVX-512 intrinsics when they are inlined here; the warning is spurious.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <immintrin.h>

#include "jpeg/huffman/huffman_fast.h"
#include "jpeg/huffman/huffman_kernels.h"

namespace nmx::huff {
namespace {

struct PermuteIndex {
  alignas(64) uint16_t v[64];
  constexpr PermuteIndex() : v() {
    for (int k = 0; k < 64; ++k) v[k] = kZigzag[k];
  }
};
constexpr PermuteIndex kIndex{};

}  // namespace

namespace {

NMX_INLINE inline bool encode_fast(const int16_t* src, uint8_t* dst, int32_t dstLen, int32_t* dstPos, int16_t* lastDC,
                                   const EncodeSpec* dc, const EncodeSpec* ac, EncodeState* state) {
  alignas(64) int16_t zz[64];
  const __m512i a = _mm512_loadu_si512(src);
  const __m512i b = _mm512_loadu_si512(src + 32);
  const __m512i lo = _mm512_permutex2var_epi16(a, _mm512_load_si512(kIndex.v), b);
  const __m512i hi = _mm512_permutex2var_epi16(a, _mm512_load_si512(kIndex.v + 32), b);
  _mm512_store_si512(zz, lo);
  _mm512_store_si512(zz + 32, hi);
  const uint64_t nonzero = static_cast<uint64_t>(_mm512_test_epi16_mask(lo, lo)) |
                           (static_cast<uint64_t>(_mm512_test_epi16_mask(hi, hi)) << 32);
  // Categories from the exponent of |v| as a float (0 for 0; 16 for -32768),
  // and the extra bits v or v - 1 cut to the category.
  alignas(64) uint8_t cats[64];
  alignas(64) uint16_t bits[64];
  const __m512i ones = _mm512_set1_epi16(1);
  for (int h = 0; h < 2; ++h) {
    // A half without AC values needs nothing (DC-only blocks are common).
    if (((nonzero & ~uint64_t{1}) >> (32 * h) & 0xFFFFFFFF) == 0) continue;
    const __m512i v = h ? hi : lo;
    __m256i c16[2];
    for (int q = 0; q < 2; ++q) {
      const __m256i a = _mm256_abs_epi16(_mm256_load_si256(reinterpret_cast<const __m256i*>(zz + 32 * h + 16 * q)));
      const __m512i a32 = _mm512_maskz_cvtepu16_epi32(0xFFFF, a);
      const __m512i e = _mm512_srli_epi32(_mm512_castps_si512(_mm512_maskz_cvtepi32_ps(0xFFFF, a32)), 23);
      const __m512i c = _mm512_maskz_sub_epi32(_mm512_test_epi32_mask(a32, a32), e, _mm512_set1_epi32(126));
      _mm_store_si128(reinterpret_cast<__m128i*>(cats + 32 * h + 16 * q), _mm512_cvtepi32_epi8(c));
      c16[q] = _mm512_cvtepi32_epi16(c);
    }
    const __m512i c = _mm512_inserti64x4(_mm512_castsi256_si512(c16[0]), c16[1], 1);
    const __m512i mask = _mm512_sub_epi16(_mm512_sllv_epi16(ones, c), ones);
    const __m512i x = _mm512_and_si512(_mm512_add_epi16(v, _mm512_srai_epi16(v, 15)), mask);
    _mm512_store_si512(bits + 32 * h, x);
  }
  const bool roomy = *dstPos >= 0 && static_cast<int64_t>(dstLen) - *dstPos >= fast::kRoomyOutput;
  const __m512i most_negative = _mm512_set1_epi16(-32768);
  const bool no_symbol = (_mm512_cmpeq_epi16_mask(lo, most_negative) & ~__mmask32{1}) |
                         _mm512_cmpeq_epi16_mask(hi, most_negative);  // category 16: left to the plain form
  // The prepared categories assume no -32768; a block with one takes the
  // form that meets each value as it comes (and gives up on it).
  if (no_symbol)
    return fast::encode_block_core<false>(zz, src[0], cats, bits, nonzero, dst, dstLen, dstPos, lastDC, dc, ac, state);
  if (roomy)
    return fast::encode_block_core<true, true>(zz, src[0], cats, bits, nonzero, dst, dstLen, dstPos, lastDC, dc, ac,
                                               state);
  return fast::encode_block_core<true>(zz, src[0], cats, bits, nonzero, dst, dstLen, dstPos, lastDC, dc, ac, state);
}

}  // namespace

bool encode_block_fast_avx512(const int16_t* src, uint8_t* dst, int32_t dstLen, int32_t* dstPos, int16_t* lastDC,
                              const EncodeSpec* dc, const EncodeSpec* ac, EncodeState* state) {
  return encode_fast(src, dst, dstLen, dstPos, lastDC, dc, ac, state);
}

nmxStatus encode_block_avx512(const int16_t* src, uint8_t* dst, int32_t dstLen, int32_t* dstPos, int16_t* lastDC,
                              const EncodeSpec* dc, const EncodeSpec* ac, EncodeState* state) {
  if (encode_fast(src, dst, dstLen, dstPos, lastDC, dc, ac, state)) return nmxStatusOk;
  return encode_block_ref(src, dst, dstLen, dstPos, lastDC, dc, ac, state);
}

}  // namespace nmx::huff

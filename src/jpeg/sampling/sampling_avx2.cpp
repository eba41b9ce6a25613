// AVX2 sampling kernels: the SSE4.1 scheme on 256-bit vectors. Down-sampling
// makes 32 outputs per step (pack works per 128-bit half, so a permute puts
// the halves back in order); up-sampling widens 16 source bytes into 16 lanes
// and writes 32 interleaved outputs per vector. Shorter remainders use 128-bit
// steps, then single outputs.
#include <immintrin.h>

#include "jpeg/sampling/sampling_kernels.h"
#include "jpeg/sampling/sampling_math.h"

namespace nmx::sampling {

namespace {

inline __m256i load32(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline __m128i load16(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline __m128i load8(const uint8_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); }
inline void store32(uint8_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
inline void store16(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline __m256i wide(const uint8_t* p) { return _mm256_cvtepu8_epi16(load16(p)); }
inline __m128i narrow(const uint8_t* p) { return _mm_cvtepu8_epi16(load8(p)); }

inline __m256i times3(__m256i v) { return _mm256_mullo_epi16(v, _mm256_set1_epi16(3)); }
inline __m128i times3(__m128i v) { return _mm_add_epi16(v, _mm_add_epi16(v, v)); }

// 16 pairs of one row: even = (3c + prev + 1) >> 2, odd = (3c + next + 2) >> 2.
inline __m256i tri16(__m256i prev, __m256i cur, __m256i next) {
  const __m256i one = _mm256_set1_epi16(1);
  const __m256i t = _mm256_add_epi16(times3(cur), one);
  const __m256i even = _mm256_srli_epi16(_mm256_add_epi16(t, prev), 2);
  const __m256i odd = _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(t, next), one), 2);
  return _mm256_or_si256(even, _mm256_slli_epi16(odd, 8));
}
inline __m128i tri8(__m128i prev, __m128i cur, __m128i next) {
  const __m128i one = _mm_set1_epi16(1);
  const __m128i t = _mm_add_epi16(times3(cur), one);
  const __m128i even = _mm_srli_epi16(_mm_add_epi16(t, prev), 2);
  const __m128i odd = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, next), one), 2);
  return _mm_or_si128(even, _mm_slli_epi16(odd, 8));
}

// 16 pairs of two rows on column sums: even = (3c + prev + 8) >> 4,
// odd = (3c + next + 7) >> 4.
inline __m256i tri2x16(__m256i prev, __m256i cur, __m256i next) {
  const __m256i t = _mm256_add_epi16(times3(cur), _mm256_set1_epi16(7));
  const __m256i even = _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(t, prev), _mm256_set1_epi16(1)), 4);
  const __m256i odd = _mm256_srli_epi16(_mm256_add_epi16(t, next), 4);
  return _mm256_or_si256(even, _mm256_slli_epi16(odd, 8));
}
inline __m128i tri2x8(__m128i prev, __m128i cur, __m128i next) {
  const __m128i t = _mm_add_epi16(times3(cur), _mm_set1_epi16(7));
  const __m128i even = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, prev), _mm_set1_epi16(1)), 4);
  const __m128i odd = _mm_srli_epi16(_mm_add_epi16(t, next), 4);
  return _mm_or_si128(even, _mm_slli_epi16(odd, 8));
}

inline __m256i cols16(const uint8_t* n, const uint8_t* f) { return _mm256_add_epi16(times3(wide(n)), wide(f)); }
inline __m128i cols8(const uint8_t* n, const uint8_t* f) { return _mm_add_epi16(times3(narrow(n)), narrow(f)); }

void h2v1_pairs(const uint8_t* s, uint8_t* d, int32_t pairs) {
  int32_t i = 0;
  for (; i + 32 <= pairs; i += 32) {
    store32(d + 2 * i, tri16(wide(s + i - 1), wide(s + i), wide(s + i + 1)));
    store32(d + 2 * i + 32, tri16(wide(s + i + 15), wide(s + i + 16), wide(s + i + 17)));
  }
  if (i + 16 <= pairs) {
    store32(d + 2 * i, tri16(wide(s + i - 1), wide(s + i), wide(s + i + 1)));
    i += 16;
  }
  if (i + 8 <= pairs) {
    store16(d + 2 * i, tri8(narrow(s + i - 1), narrow(s + i), narrow(s + i + 1)));
    i += 8;
  }
  h2v1_pairs_scalar(s, d, i, pairs);
}

// Column sums are computed once per column and shifted by one lane for the
// neighbours: cm = sums of i-1 .. i+14 and cp = sums of i+1 .. i+16 come from
// the current vector and the halves of its neighbours (X joins the upper half
// of one vector with the lower half of the next). The next vector is loaded in
// full only when it lies inside the row; otherwise its first lane, the context
// column, is built alone.
void h2v2_pairs(const uint8_t* n, const uint8_t* f, uint8_t* d, int32_t pairs) {
  int32_t i = 0;
  if (pairs >= 16) {
    __m256i cur = cols16(n, f);
    __m256i xPrev = _mm256_permute2x128_si256(_mm256_insert_epi16(_mm256_setzero_si256(),
                                                                 static_cast<int16_t>(col_sum(n, f, -1)), 15),
                                              cur, 0x21);
    for (; i + 16 <= pairs; i += 16) {
      const __m256i next = i + 32 <= pairs
                               ? cols16(n + i + 16, f + i + 16)
                               : _mm256_castsi128_si256(_mm_cvtsi32_si128(col_sum(n, f, i + 16)));
      const __m256i x = _mm256_permute2x128_si256(cur, next, 0x21);
      const __m256i cm = _mm256_alignr_epi8(cur, xPrev, 14);
      const __m256i cp = _mm256_alignr_epi8(x, cur, 2);
      store32(d + 2 * i, tri2x16(cm, cur, cp));
      xPrev = x;
      cur = next;
    }
  }
  if (i + 8 <= pairs) {
    store16(d + 2 * i, tri2x8(cols8(n + i - 1, f + i - 1), cols8(n + i, f + i), cols8(n + i + 1, f + i + 1)));
    i += 8;
  }
  h2v2_pairs_scalar(n, f, d, i, pairs);
}

// 32 outputs from 64 source bytes of one row: pair sums in 16-bit lanes.
inline __m256i down32_h2v1(const uint8_t* s, __m256i bias) {
  const __m256i ones = _mm256_set1_epi8(1);
  const __m256i a = _mm256_srli_epi16(_mm256_add_epi16(_mm256_maddubs_epi16(load32(s), ones), bias), 1);
  const __m256i b = _mm256_srli_epi16(_mm256_add_epi16(_mm256_maddubs_epi16(load32(s + 32), ones), bias), 1);
  return _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8);
}

// 16 outputs of two rows from their pair sums p1, p2: (p1 + p2 + bias) >> 2
// as floor((p1 + (p2 + bias - 1) + 1) / 2) >> 1, an average and a shift. With
// a bias of 3 in every lane the second step is an average with 0 as well:
// floor((floor((s + 1) / 2) + 1) / 2) = floor((s + 3) / 4).
template <bool kBias3>
inline __m256i quarter(__m256i p1, __m256i p2, __m256i biasMinus1) {
  if (kBias3) return _mm256_avg_epu16(_mm256_avg_epu16(p1, p2), _mm256_setzero_si256());
  return _mm256_srli_epi16(_mm256_avg_epu16(p1, _mm256_add_epi16(p2, biasMinus1)), 1);
}

// Prefetching the rows of the next call (one line of each row per step) keeps
// the source streaming from the outer caches; the hardware prefetcher alone
// restarts at every new row.
inline void prefetch(const uint8_t* p) { _mm_prefetch(reinterpret_cast<const char*>(p), _MM_HINT_T0); }

template <bool kBias3, bool kPrefetch>
int32_t down_h2v2_body(const uint8_t* s1, const uint8_t* s2, uint8_t* d, int32_t n, __m256i biasMinus1,
                       intptr_t ahead) {
  const __m256i ones = _mm256_set1_epi8(1);
  int32_t k = 0;
  for (; k + 32 <= n; k += 32) {
    const uint8_t* a1 = s1 + 2 * k;
    const uint8_t* a2 = s2 + 2 * k;
    if (kPrefetch) {
      prefetch(a1 + ahead);
      prefetch(a2 + ahead);
    }
    const __m256i lo = quarter<kBias3>(_mm256_maddubs_epi16(load32(a1), ones),
                                       _mm256_maddubs_epi16(load32(a2), ones), biasMinus1);
    const __m256i hi = quarter<kBias3>(_mm256_maddubs_epi16(load32(a1 + 32), ones),
                                       _mm256_maddubs_epi16(load32(a2 + 32), ones), biasMinus1);
    store32(d + k, _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8));
  }
  return k;
}

template <bool kPrefetch>
int32_t down_h2v1_body(const uint8_t* s, uint8_t* d, int32_t n, __m256i bias, intptr_t ahead) {
  int32_t k = 0;
  for (; k + 32 <= n; k += 32) {
    if (kPrefetch) prefetch(s + 2 * k + ahead);
    store32(d + k, down32_h2v1(s + 2 * k, bias));
  }
  return k;
}

}  // namespace

void down_h2v1_avx2(const uint8_t* src, uint8_t* dst, int32_t n, int32_t biasEven, int32_t biasOdd,
                    intptr_t ahead) {
  const __m256i bias = _mm256_set1_epi32(biasEven | (biasOdd << 16));
  const int32_t k = ahead ? down_h2v1_body<true>(src, dst, n, bias, ahead)
                          : down_h2v1_body<false>(src, dst, n, bias, ahead);
  // k is even here, so the remainder keeps the bias phase.
  down_h2v1_sse41(src + 2 * k, dst + k, n - k, biasEven, biasOdd, ahead);
}

// Biases of at least 1 (those of the entry points).
void down_h2v2_avx2(const uint8_t* src1, const uint8_t* src2, uint8_t* dst, int32_t n, int32_t biasEven,
                    int32_t biasOdd, intptr_t ahead) {
  const __m256i bm1 = _mm256_set1_epi32((biasEven - 1) | ((biasOdd - 1) << 16));
  const bool bias3 = biasEven == 3 && biasOdd == 3;
  const int32_t k = bias3 ? (ahead ? down_h2v2_body<true, true>(src1, src2, dst, n, bm1, ahead)
                                   : down_h2v2_body<true, false>(src1, src2, dst, n, bm1, ahead))
                          : (ahead ? down_h2v2_body<false, true>(src1, src2, dst, n, bm1, ahead)
                                   : down_h2v2_body<false, false>(src1, src2, dst, n, bm1, ahead));
  down_h2v2_sse41(src1 + 2 * k, src2 + 2 * k, dst + k, n - k, biasEven, biasOdd, ahead);
}

void up_h2v1_avx2(const uint8_t* src, uint8_t* dst, int32_t width) { h2v1_plane_row<h2v1_pairs>(src, dst, width); }
void up_h2v2_avx2(const uint8_t* nearer, const uint8_t* farther, uint8_t* dst, int32_t width) {
  h2v2_plane_row<h2v2_pairs>(nearer, farther, dst, width);
}
void up_row_h2v1_avx2(const uint8_t* src, uint8_t* dst, int32_t width) {
  h2v1_triangle_row<h2v1_pairs>(src, dst, width);
}
void up_row_h2v2_avx2(const uint8_t* nearer, const uint8_t* farther, uint8_t* dst, int32_t width) {
  h2v2_triangle_row<h2v2_pairs>(nearer, farther, dst, width);
}

}  // namespace nmx::sampling

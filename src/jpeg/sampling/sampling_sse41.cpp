// SSE4.1 sampling kernels on 16-bit lanes.
//
// Down-sampling: maddubs against a vector of ones adds each horizontal pair of
// bytes into one 16-bit lane (at most 4 x 255 with two rows); the lane bias
// pattern (even, odd, even, ...) stays in phase because every vector step
// starts at an even output index. 16 outputs per step, then 8, then single
// outputs.
//
// Up-sampling: 16 pairs per step. The even and odd outputs of pair i are
// computed in the same 16-bit lane, so `even | odd << 8` is already the
// interleaved byte order of the destination.
#include <smmintrin.h>

#include "jpeg/sampling/sampling_kernels.h"
#include "jpeg/sampling/sampling_math.h"

namespace nmx::sampling {

namespace {

inline __m128i load16(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline __m128i load8(const uint8_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); }
inline void store16(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline __m128i lo16(__m128i v) { return _mm_cvtepu8_epi16(v); }
inline __m128i hi16(__m128i v) { return _mm_unpackhi_epi8(v, _mm_setzero_si128()); }
inline __m128i times3(__m128i v) { return _mm_add_epi16(v, _mm_add_epi16(v, v)); }
inline __m128i interleave(__m128i even, __m128i odd) { return _mm_or_si128(even, _mm_slli_epi16(odd, 8)); }

// One row's triangle pairs for 8 lanes: prev, cur, next are 16-bit samples.
inline __m128i tri8(__m128i prev, __m128i cur, __m128i next) {
  const __m128i t = _mm_add_epi16(times3(cur), _mm_set1_epi16(1));
  const __m128i even = _mm_srli_epi16(_mm_add_epi16(t, prev), 2);
  const __m128i odd = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, next), _mm_set1_epi16(1)), 2);
  return interleave(even, odd);
}

// Two rows' pairs for 8 lanes of column sums.
inline __m128i tri2x8(__m128i prev, __m128i cur, __m128i next) {
  const __m128i t = _mm_add_epi16(times3(cur), _mm_set1_epi16(7));
  const __m128i even = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, prev), _mm_set1_epi16(1)), 4);
  const __m128i odd = _mm_srli_epi16(_mm_add_epi16(t, next), 4);
  return interleave(even, odd);
}

inline __m128i cols(__m128i n, __m128i f) { return _mm_add_epi16(times3(n), f); }

void h2v1_pairs(const uint8_t* s, uint8_t* d, int32_t pairs) {
  int32_t i = 0;
  for (; i + 16 <= pairs; i += 16) {
    const __m128i p = load16(s + i - 1), c = load16(s + i), x = load16(s + i + 1);
    store16(d + 2 * i, tri8(lo16(p), lo16(c), lo16(x)));
    store16(d + 2 * i + 16, tri8(hi16(p), hi16(c), hi16(x)));
  }
  if (i + 8 <= pairs) {
    store16(d + 2 * i, tri8(lo16(load8(s + i - 1)), lo16(load8(s + i)), lo16(load8(s + i + 1))));
    i += 8;
  }
  h2v1_pairs_scalar(s, d, i, pairs);
}

void h2v2_pairs(const uint8_t* n, const uint8_t* f, uint8_t* d, int32_t pairs) {
  int32_t i = 0;
  for (; i + 16 <= pairs; i += 16) {
    const __m128i np = load16(n + i - 1), nc = load16(n + i), nx = load16(n + i + 1);
    const __m128i fp = load16(f + i - 1), fc = load16(f + i), fx = load16(f + i + 1);
    store16(d + 2 * i, tri2x8(cols(lo16(np), lo16(fp)), cols(lo16(nc), lo16(fc)), cols(lo16(nx), lo16(fx))));
    store16(d + 2 * i + 16,
            tri2x8(cols(hi16(np), hi16(fp)), cols(hi16(nc), hi16(fc)), cols(hi16(nx), hi16(fx))));
  }
  if (i + 8 <= pairs) {
    const __m128i cp = cols(lo16(load8(n + i - 1)), lo16(load8(f + i - 1)));
    const __m128i cc = cols(lo16(load8(n + i)), lo16(load8(f + i)));
    const __m128i cx = cols(lo16(load8(n + i + 1)), lo16(load8(f + i + 1)));
    store16(d + 2 * i, tri2x8(cp, cc, cx));
    i += 8;
  }
  h2v2_pairs_scalar(n, f, d, i, pairs);
}

}  // namespace

// Every step prefetches the bytes `ahead` of those it reads (with ahead = 0
// that is the line at hand, which costs next to nothing).
inline void prefetch(const uint8_t* p) { _mm_prefetch(reinterpret_cast<const char*>(p), _MM_HINT_T0); }

void down_h2v1_sse41(const uint8_t* src, uint8_t* dst, int32_t n, int32_t biasEven, int32_t biasOdd,
                     intptr_t ahead) {
  const __m128i ones = _mm_set1_epi8(1);
  const __m128i bias = _mm_set1_epi32(biasEven | (biasOdd << 16));
  int32_t k = 0;
  for (; k + 16 <= n; k += 16) {
    prefetch(src + ahead + 2 * k);
    const __m128i a = _mm_srli_epi16(_mm_add_epi16(_mm_maddubs_epi16(load16(src + 2 * k), ones), bias), 1);
    const __m128i b = _mm_srli_epi16(_mm_add_epi16(_mm_maddubs_epi16(load16(src + 2 * k + 16), ones), bias), 1);
    store16(dst + k, _mm_packus_epi16(a, b));
  }
  if (k + 8 <= n) {
    const __m128i a = _mm_srli_epi16(_mm_add_epi16(_mm_maddubs_epi16(load16(src + 2 * k), ones), bias), 1);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + k), _mm_packus_epi16(a, a));
    k += 8;
  }
  for (; k < n; ++k)
    dst[k] = static_cast<uint8_t>((src[2 * k] + src[2 * k + 1] + ((k & 1) ? biasOdd : biasEven)) >> 1);
}

void down_h2v2_sse41(const uint8_t* src1, const uint8_t* src2, uint8_t* dst, int32_t n, int32_t biasEven,
                     int32_t biasOdd, intptr_t ahead) {
  const __m128i ones = _mm_set1_epi8(1);
  const __m128i bias = _mm_set1_epi32(biasEven | (biasOdd << 16));
  const auto sums = [&](int32_t at) {
    const __m128i top = _mm_maddubs_epi16(load16(src1 + at), ones);
    const __m128i bottom = _mm_maddubs_epi16(load16(src2 + at), ones);
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(top, bottom), bias), 2);
  };
  int32_t k = 0;
  for (; k + 16 <= n; k += 16) {
    prefetch(src1 + ahead + 2 * k);
    prefetch(src2 + ahead + 2 * k);
    store16(dst + k, _mm_packus_epi16(sums(2 * k), sums(2 * k + 16)));
  }
  if (k + 8 <= n) {
    const __m128i a = sums(2 * k);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + k), _mm_packus_epi16(a, a));
    k += 8;
  }
  for (; k < n; ++k) {
    const int32_t b = (k & 1) ? biasOdd : biasEven;
    dst[k] = static_cast<uint8_t>((src1[2 * k] + src1[2 * k + 1] + src2[2 * k] + src2[2 * k + 1] + b) >> 2);
  }
}

void up_h2v1_sse41(const uint8_t* src, uint8_t* dst, int32_t width) { h2v1_plane_row<h2v1_pairs>(src, dst, width); }
void up_h2v2_sse41(const uint8_t* nearer, const uint8_t* farther, uint8_t* dst, int32_t width) {
  h2v2_plane_row<h2v2_pairs>(nearer, farther, dst, width);
}
void up_row_h2v1_sse41(const uint8_t* src, uint8_t* dst, int32_t width) {
  h2v1_triangle_row<h2v1_pairs>(src, dst, width);
}
void up_row_h2v2_sse41(const uint8_t* nearer, const uint8_t* farther, uint8_t* dst, int32_t width) {
  h2v2_triangle_row<h2v2_pairs>(nearer, farther, dst, width);
}

}  // namespace nmx::sampling

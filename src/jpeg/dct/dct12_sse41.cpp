// SSE4.1 single-precision transforms of 12-bit samples. Each 8-point pass is
// either a sum over rows (a row vector times a broadcast cosine) or a sum over
// the elements of a row (a broadcast element times a row of the cosine
// matrix); both add the products in the same order as the reference, so the
// results are identical to it.
#include <smmintrin.h>

#include <cstring>

#include "jpeg/dct/dct_consts.h"
#include "jpeg/dct/dct_kernels.h"

namespace nmx::dct {
namespace {

// An 8-float row as two 4-lane halves.
struct Row8 {
  __m128 lo, hi;
};

// kBasisT.m[x][u] = kBasis.m[u][x]: rows of the transposed cosine matrix.
struct BasisT {
  alignas(16) float m[8][8];
  constexpr BasisT() : m{} {
    for (int u = 0; u < 8; ++u)
      for (int x = 0; x < 8; ++x) m[x][u] = kBasis.m[u][x];
  }
};
constexpr BasisT kBasisT;

template <int I>
inline __m128 lane(__m128 v) {
  return _mm_shuffle_ps(v, v, _MM_SHUFFLE(I, I, I, I));
}

// out[u] = sum over x of in[x] * rows[x][u], x increasing.
inline Row8 times_rows(Row8 in, const float (&rows)[8][8]) {
  const __m128 e[8] = {lane<0>(in.lo), lane<1>(in.lo), lane<2>(in.lo), lane<3>(in.lo),
                       lane<0>(in.hi), lane<1>(in.hi), lane<2>(in.hi), lane<3>(in.hi)};
  Row8 acc{_mm_mul_ps(e[0], _mm_load_ps(rows[0])), _mm_mul_ps(e[0], _mm_load_ps(rows[0] + 4))};
  for (int x = 1; x < 8; ++x) {
    acc.lo = _mm_add_ps(acc.lo, _mm_mul_ps(e[x], _mm_load_ps(rows[x])));
    acc.hi = _mm_add_ps(acc.hi, _mm_mul_ps(e[x], _mm_load_ps(rows[x] + 4)));
  }
  return acc;
}

// out = sum over k of weights[k] * in[k], k increasing.
inline Row8 weighted_sum(const Row8 in[8], const float* weights, int stride) {
  __m128 w = _mm_set1_ps(weights[0]);
  Row8 acc{_mm_mul_ps(w, in[0].lo), _mm_mul_ps(w, in[0].hi)};
  for (int k = 1; k < 8; ++k) {
    w = _mm_set1_ps(weights[k * stride]);
    acc.lo = _mm_add_ps(acc.lo, _mm_mul_ps(w, in[k].lo));
    acc.hi = _mm_add_ps(acc.hi, _mm_mul_ps(w, in[k].hi));
  }
  return acc;
}

// Coefficient times factor, NaN to 0, clamped, rounded to nearest even.
inline __m128i quantize4(__m128 c, const float* factors) {
  __m128 q = _mm_mul_ps(c, _mm_loadu_ps(factors));
  q = _mm_and_ps(q, _mm_cmpord_ps(q, q));
  q = _mm_min_ps(_mm_max_ps(q, _mm_set1_ps(-32768.0f)), _mm_set1_ps(32767.0f));
  return _mm_cvtps_epi32(q);
}

// Sample + 2048 truncated toward zero and clamped to 0..4095 (NaN to 0).
inline __m128i to_sample4(__m128 v) {
  const __m128 s = _mm_add_ps(v, _mm_set1_ps(2048.0f));
  const __m128 positive = _mm_and_ps(s, _mm_cmpgt_ps(s, _mm_setzero_ps()));
  return _mm_cvttps_epi32(_mm_min_ps(positive, _mm_set1_ps(4095.0f)));
}

}  // namespace

void fwd_12_sse41(const uint16_t* src, int32_t step, int16_t* dst, const float* factors) {
  const uint8_t* base = reinterpret_cast<const uint8_t*>(src);
  const __m128 bias = _mm_set1_ps(2048.0f);
  Row8 rows[8];
  for (int y = 0; y < 8; ++y) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + static_cast<intptr_t>(y) * step));
    const Row8 f{_mm_sub_ps(_mm_cvtepi32_ps(_mm_cvtepi16_epi32(s)), bias),
                 _mm_sub_ps(_mm_cvtepi32_ps(_mm_cvtepi16_epi32(_mm_srli_si128(s, 8))), bias)};
    rows[y] = times_rows(f, kBasisT.m);  // rows[y][u] = sum over x of basis[u][x] f[y][x]
  }
  for (int v = 0; v < 8; ++v) {
    const Row8 c = weighted_sum(rows, &kBasis.m[v][0], 1);  // sum over y of basis[v][y] rows[y]
    const __m128i q = _mm_packs_epi32(quantize4(c.lo, factors + 8 * v), quantize4(c.hi, factors + 8 * v + 4));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8 * v), q);
  }
}

nmxStatus inv_12_sse41(const int16_t* src, uint16_t* dst, int32_t step, const float* factors) {
  Row8 coef[8];
  for (int v = 0; v < 8; ++v) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 8 * v));
    coef[v] = {_mm_mul_ps(_mm_cvtepi32_ps(_mm_cvtepi16_epi32(c)), _mm_loadu_ps(factors + 8 * v)),
               _mm_mul_ps(_mm_cvtepi32_ps(_mm_cvtepi16_epi32(_mm_srli_si128(c, 8))), _mm_loadu_ps(factors + 8 * v + 4))};
  }
  uint8_t* base = reinterpret_cast<uint8_t*>(dst);
  for (int y = 0; y < 8; ++y) {
    const Row8 cols = weighted_sum(coef, &kBasis.m[0][y], 8);  // sum over v of basis[v][y] coef[v]
    const Row8 px = times_rows(cols, kBasis.m);                // sum over u of cols[u] basis[u][x]
    const __m128i out = _mm_packus_epi32(to_sample4(px.lo), to_sample4(px.hi));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(base + static_cast<intptr_t>(y) * step), out);
  }
  return nmxStatusOk;
}

}  // namespace nmx::dct

// SSE4.1 forward transforms with quantization: the block in eight 8-lane
// registers, one column pass over all columns, then the rows in pairs that
// share a constant set.
#include "jpeg/dct/dct_kernels.h"
#include "jpeg/dct/dct_vec.h"

namespace nmx::dct {

void fwd_sse41(const int16_t* src, int16_t* dst, const uint16_t* fwd) {
  __m128i x[8];
  #pragma GCC unroll 8
  for (int r = 0; r < 8; ++r) x[r] = load(src + 8 * r);
  fwd_block(x, dst, fwd);
}

void fwd_ls_sse41(const uint8_t* src, int32_t step, int16_t* dst, const uint16_t* fwd) {
  __m128i x[8];
  const __m128i bias = set16(128);
  #pragma GCC unroll 8
  for (int r = 0; r < 8; ++r) {
    const __m128i px = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + static_cast<intptr_t>(r) * step));
    x[r] = _mm_sub_epi16(_mm_cvtepu8_epi16(px), bias);
  }
  fwd_block(x, dst, fwd);
}

}  // namespace nmx::dct

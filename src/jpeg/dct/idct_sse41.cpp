// SSE4.1 inverse transforms with dequantization: the full transform keeps the
// block in eight 8-lane registers (rows one by one through pmaddwd with their
// constant set, then all columns at once); the shortcuts and thumbnails are
// the bodies of idct_corner.h.
#include "jpeg/dct/dct_kernels.h"
#include "jpeg/dct/idct_corner.h"

namespace nmx::dct {
namespace {

NMX_DCT_INLINE void inv_rows(const int16_t* src, const uint16_t* inv, __m128i r[8]) {
  #pragma GCC unroll 8
  for (int i = 0; i < 8; ++i) {
    const __m128i x = _mm_mullo_epi16(load(src + 8 * i), load(inv + 8 * i));
    r[i] = inv_row(x, kInvRowVecs[kSetOfRow[i]], kInvRound[i]);
  }
}

}  // namespace

void inv_sse41(const int16_t* src, int16_t* dst, const uint16_t* inv) {
  __m128i r[8];
  inv_rows(src, inv, r);
  inv_columns(r);
  #pragma GCC unroll 8
  for (int i = 0; i < 8; ++i) store(dst + 8 * i, _mm_shufflehi_epi16(_mm_srai_epi16(r[i], kInvColShift), 0x1B));
}

nmxStatus inv_ls_sse41(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  __m128i r[8];
  inv_rows(src, inv, r);
  inv_columns(r);
  store_pixels(r, dst, step);
  return nmxStatusOk;
}

nmxStatus inv_ls_2x2_sse41(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  inv_ls_2x2_body(src, dst, step, inv);
  return nmxStatusOk;
}
nmxStatus inv_ls_4x4_sse41(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  inv_ls_4x4_body(src, dst, step, inv);
  return nmxStatusOk;
}
nmxStatus inv_to4x4_sse41(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  inv_to4x4_body(src, dst, step, inv);
  return nmxStatusOk;
}
nmxStatus inv_to2x2_sse41(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  inv_to2x2_body(src, dst, step, inv);
  return nmxStatusOk;
}

}  // namespace nmx::dct

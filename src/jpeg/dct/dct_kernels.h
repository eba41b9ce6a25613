// 8x8 DCT kernels fused with (de)quantization: the forward transform with
// quantization (16-bit blocks, level-shifted 8-bit areas, 12-bit samples in
// single precision) and the inverse transform with dequantization (16-bit
// blocks, 8-bit areas, the 1x1/2x2/4x4 shortcuts, the 4x4 and 2x2 thumbnails
// and 12-bit samples).
//
// Blocks are 64 natural-order values; `src` may equal `dst` for the block
// forms. Area forms read or write 8 rows (4 or 2 for the thumbnails) of their
// width, row r at base + r * step bytes, in increasing row order, so rows that
// overlap (step smaller than a row) leave the later row's values.
//
// The area inverses return nmxStatusOk (they cannot fail): their entry points
// end in a jump to them instead of a call and a return of their own, which
// matters for the shortcuts, whose work is only a few dozen instructions.
#pragma once

#include <cstdint>

#include "frame/target.h"
#include "nmxj.h"

namespace nmx::dct {

using Fwd16 = void (*)(const int16_t* src, int16_t* dst, const uint16_t* fwd);
using Fwd8u = void (*)(const uint8_t* src, int32_t step, int16_t* dst, const uint16_t* fwd);
using Fwd12 = void (*)(const uint16_t* src, int32_t step, int16_t* dst, const float* factors);
using Inv16 = void (*)(const int16_t* src, int16_t* dst, const uint16_t* inv);
using Inv8u = nmxStatus (*)(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);
using Inv12 = nmxStatus (*)(const int16_t* src, uint16_t* dst, int32_t step, const float* factors);

struct Kernels {
  Fwd16 fwd;         // block -> quantized coefficients
  Fwd8u fwd_ls;      // 8-bit area - 128 -> quantized coefficients
  Fwd12 fwd_12;      // 12-bit area - 2048 -> coefficients x factors (single precision)
  Inv16 inv;         // coefficients -> 16-bit samples
  Inv8u inv_ls;      // coefficients -> 8x8 pixels
  Inv8u inv_ls_1x1;  // DC only -> 8x8 pixels
  Inv8u inv_ls_2x2;  // top-left 2x2 -> 8x8 pixels
  Inv8u inv_ls_4x4;  // top-left 4x4 -> 8x8 pixels
  Inv8u inv_to4x4;   // coefficients -> 4x4 pixels (means of 2x2 squares)
  Inv8u inv_to2x2;   // coefficients -> 2x2 pixels (means of 4x4 quadrants)
  Inv12 inv_12;      // coefficients x factors -> 12-bit samples (single precision)
};

void fwd_ref(const int16_t* src, int16_t* dst, const uint16_t* fwd);
void fwd_ls_ref(const uint8_t* src, int32_t step, int16_t* dst, const uint16_t* fwd);
void fwd_12_ref(const uint16_t* src, int32_t step, int16_t* dst, const float* factors);
void inv_ref(const int16_t* src, int16_t* dst, const uint16_t* inv);
nmxStatus inv_ls_ref(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);
nmxStatus inv_ls_1x1_ref(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);
nmxStatus inv_ls_2x2_ref(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);
nmxStatus inv_ls_4x4_ref(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);
nmxStatus inv_to4x4_ref(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);
nmxStatus inv_to2x2_ref(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);
nmxStatus inv_12_ref(const int16_t* src, uint16_t* dst, int32_t step, const float* factors);

void fwd_sse41(const int16_t* src, int16_t* dst, const uint16_t* fwd);
void fwd_ls_sse41(const uint8_t* src, int32_t step, int16_t* dst, const uint16_t* fwd);
void fwd_12_sse41(const uint16_t* src, int32_t step, int16_t* dst, const float* factors);
void inv_sse41(const int16_t* src, int16_t* dst, const uint16_t* inv);
nmxStatus inv_ls_sse41(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);
nmxStatus inv_ls_2x2_sse41(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);
nmxStatus inv_ls_4x4_sse41(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);
nmxStatus inv_to4x4_sse41(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);
nmxStatus inv_to2x2_sse41(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);
nmxStatus inv_12_sse41(const int16_t* src, uint16_t* dst, int32_t step, const float* factors);

void fwd_avx2(const int16_t* src, int16_t* dst, const uint16_t* fwd);
void fwd_ls_avx2(const uint8_t* src, int32_t step, int16_t* dst, const uint16_t* fwd);
void inv_avx2(const int16_t* src, int16_t* dst, const uint16_t* inv);
nmxStatus inv_ls_avx2(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);
nmxStatus inv_ls_2x2_avx2(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);
nmxStatus inv_ls_4x4_avx2(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);
nmxStatus inv_to4x4_avx2(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);
nmxStatus inv_to2x2_avx2(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);

void fwd_avx512(const int16_t* src, int16_t* dst, const uint16_t* fwd);
void fwd_ls_avx512(const uint8_t* src, int32_t step, int16_t* dst, const uint16_t* fwd);
void inv_avx512(const int16_t* src, int16_t* dst, const uint16_t* inv);
nmxStatus inv_ls_avx512(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);
nmxStatus inv_ls_2x2_avx512(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);
nmxStatus inv_ls_4x4_avx512(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv);

// The kernels of target t (references where t has none of its own).
Kernels kernels_for(Target t);

}  // namespace nmx::dct

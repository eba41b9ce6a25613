// Quantization kernels: quality scaling of a raw (zig-zag, 8-bit) table, the
// forward (1.15 reciprocal) and inverse working tables in natural order, and
// in-place quantization and dequantization of an 8x8 block.
#pragma once

#include <cstdint>

#include "frame/target.h"

namespace nmx::quant {

// Natural position i of an 8x8 block is entry kZigzagOf[i] of a raw table.
inline constexpr uint8_t kZigzagOf[64] = {
    0,  1,  5,  6,  14, 15, 27, 28, 2,  4,  7,  13, 16, 26, 29, 42, 3,  8,  12, 17, 25, 30,
    41, 43, 9,  11, 18, 24, 31, 40, 44, 53, 10, 19, 23, 32, 39, 45, 52, 54, 20, 22, 33, 38,
    46, 51, 55, 60, 21, 34, 37, 47, 50, 56, 59, 61, 35, 36, 48, 49, 57, 58, 62, 63};

using RawScale = void (*)(uint8_t* raw, int32_t quality);
using FwdTable = bool (*)(const uint8_t* raw, uint16_t* fwd);  // true when a quantizer was 0
using InvTable = void (*)(const uint8_t* raw, uint16_t* inv);
using BlockOp = void (*)(int16_t* block, const uint16_t* table);

struct Kernels {
  RawScale raw_scale;
  FwdTable fwd_table;
  InvTable inv_table;
  BlockOp quant_fwd;
  BlockOp quant_inv;
};

void raw_scale_ref(uint8_t* raw, int32_t quality);
bool fwd_table_ref(const uint8_t* raw, uint16_t* fwd);
void inv_table_ref(const uint8_t* raw, uint16_t* inv);
void quant_fwd_ref(int16_t* block, const uint16_t* table);
void quant_inv_ref(int16_t* block, const uint16_t* table);

void raw_scale_sse41(uint8_t* raw, int32_t quality);
bool fwd_table_sse41(const uint8_t* raw, uint16_t* fwd);
void inv_table_sse41(const uint8_t* raw, uint16_t* inv);
void quant_fwd_sse41(int16_t* block, const uint16_t* table);
void quant_inv_sse41(int16_t* block, const uint16_t* table);

// Scale factor of a quality (>= 1): 5000 / q below 50, else 200 - 2q.
constexpr int32_t quality_scale(int32_t quality) { return quality < 50 ? 5000 / quality : 200 - 2 * quality; }

Kernels kernels_for(Target t);

}  // namespace nmx::quant

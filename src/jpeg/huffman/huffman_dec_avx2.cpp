// Block decoder fast path, AVX2 build: the same code with BMI2's flagless
// variable shifts.
#include "jpeg/huffman/huffman_fast_dec.h"
#include "jpeg/huffman/huffman_kernels.h"

namespace nmx::huff {

bool decode_block_fast_avx2(const uint8_t* src, int32_t srcLen, int32_t* srcPos, int16_t* dst, int16_t* lastDC,
                            int32_t* marker, const DecodeSpec* dc, const DecodeSpec* ac, DecodeState* state) {
  return fast::decode_block_fast_path(src, srcLen, srcPos, dst, lastDC, marker, dc, ac, state);
}

nmxStatus decode_block_avx2(const uint8_t* src, int32_t srcLen, int32_t* srcPos, int16_t* dst, int16_t* lastDC,
                            int32_t* marker, const DecodeSpec* dc, const DecodeSpec* ac, DecodeState* state) {
  if (fast::decode_block_fast_path(src, srcLen, srcPos, dst, lastDC, marker, dc, ac, state)) return nmxStatusOk;
  return decode_block_ref(src, srcLen, srcPos, dst, lastDC, marker, dc, ac, state);
}

}  // namespace nmx::huff

#include "jpeg/dct/quant_kernels.h"

namespace nmx::quant {

void raw_scale_ref(uint8_t* raw, int32_t quality) {
  const int32_t scale = quality_scale(quality);
  for (int i = 0; i < 64; ++i) {
    int32_t v = (raw[i] * scale + 50) / 100;  // truncates toward zero
    if (v >= 255) v = 255;
    if (v <= 0) v = 1;
    raw[i] = static_cast<uint8_t>(v);
  }
}

bool fwd_table_ref(const uint8_t* raw, uint16_t* fwd) {
  bool zero = false;
  for (int i = 0; i < 64; ++i) {
    const uint32_t q = raw[kZigzagOf[i]];
    if (q == 0) {
      fwd[i] = 65535;
      zero = true;
    } else {
      // Nearest integer to 32768 / q; no ties occur for q >= 2.
      fwd[i] = static_cast<uint16_t>((32768u + q / 2) / q);
    }
  }
  return zero;
}

void inv_table_ref(const uint8_t* raw, uint16_t* inv) {
  for (int i = 0; i < 64; ++i) inv[i] = raw[kZigzagOf[i]];
}

void quant_fwd_ref(int16_t* block, const uint16_t* table) {
  for (int i = 0; i < 64; ++i) {
    const int32_t a = static_cast<int16_t>(static_cast<uint16_t>(block[i] * 8));  // wraps to 16 bits
    const int32_t b = table[i] >> 1;
    const int32_t p = (a * b) >> 16;  // high half of the signed product
    block[i] = static_cast<int16_t>((p + 1) >> 1);
  }
}

void quant_inv_ref(int16_t* block, const uint16_t* table) {
  for (int i = 0; i < 64; ++i) block[i] = static_cast<int16_t>(static_cast<uint16_t>(block[i] * table[i]));
}

}  // namespace nmx::quant

// The DC-only inverse (every pixel (DC x q) >> 3, + 128 kept to 16 bits,
// clamped): a few scalar operations and eight 8-byte stores. Its entry point
// runs this body itself, since a call through the kernel table would cost
// about as much as the work; the kernel table points at the same body.
#pragma once

#include <cstdint>
#include <cstring>

namespace nmx::dct {

inline void dc_only_pixels(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  const int32_t p = int32_t{src[0]} * inv[0];
  const int32_t v = static_cast<int16_t>(static_cast<uint16_t>((p >> 3) + 128));
  const uint64_t row = 0x0101010101010101ull * static_cast<uint64_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
  const intptr_t s = step;
  uint8_t* const lower = dst + 4 * s;
  for (uint8_t* base : {dst, lower}) {
    std::memcpy(base, &row, 8);
    std::memcpy(base + s, &row, 8);
    std::memcpy(base + 2 * s, &row, 8);
    std::memcpy(base + 3 * s, &row, 8);
  }
}

}  // namespace nmx::dct

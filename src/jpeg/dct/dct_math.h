// Scalar 16-bit arithmetic of the fixed-point transforms: saturating add and
// subtract, shifts that keep the low 16 bits, the high half of a signed
// product, and 32-bit sums that wrap.
#pragma once

#include <cstdint>

namespace nmx::dct {

inline int16_t sat16(int64_t v) {
  return static_cast<int16_t>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
}
inline int16_t adds(int16_t a, int16_t b) { return sat16(int32_t{a} + b); }
inline int16_t subs(int16_t a, int16_t b) { return sat16(int32_t{a} - b); }
// a << n keeping the low 16 bits (two's complement wrap-around).
inline int16_t shl(int16_t a, int n) { return static_cast<int16_t>(static_cast<uint16_t>(a) << n); }
// floor(a x k / 65536) of the signed product.
inline int16_t mulhi(int16_t a, int16_t k) { return static_cast<int16_t>((int32_t{a} * k) >> 16); }
inline int16_t or1(int16_t a) { return static_cast<int16_t>(a | 1); }
// Low 16 bits of a product (dequantization).
inline int16_t mullo(int16_t c, uint16_t q) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(c) * q));
}
// A sum of products reduced modulo 2^32, as 32-bit vector lanes hold it.
inline int32_t wrap32(int64_t v) { return static_cast<int32_t>(static_cast<uint64_t>(v)); }
// v + 128 with 16-bit saturation, clamped to a byte.
inline uint8_t to_pixel(int16_t v) {
  const int16_t s = adds(v, 128);
  return static_cast<uint8_t>(s < 0 ? 0 : (s > 255 ? 255 : s));
}

}  // namespace nmx::dct

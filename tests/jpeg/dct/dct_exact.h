// Double-precision 8x8 DCT for accuracy tests, and small helpers to build
// working tables and cut blocks from the test photographs.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "support/ppm.h"

namespace nmx::test {

// F(v,u) = 1/4 C(v) C(u) sum f(y,x) cos((2y+1)v pi/16) cos((2x+1)u pi/16).
inline void exact_fdct(const double f[64], double out[64]) {
  for (int v = 0; v < 8; ++v)
    for (int u = 0; u < 8; ++u) {
      double acc = 0;
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
          acc += f[8 * y + x] * std::cos((2 * y + 1) * v * M_PI / 16) * std::cos((2 * x + 1) * u * M_PI / 16);
      out[8 * v + u] = acc * (v ? 1.0 : M_SQRT1_2) * (u ? 1.0 : M_SQRT1_2) / 4;
    }
}

// f(y,x) = 1/4 sum C(v) C(u) F(v,u) cos((2y+1)v pi/16) cos((2x+1)u pi/16).
inline void exact_idct(const double F[64], double out[64]) {
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      double acc = 0;
      for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u)
          acc += (v ? 1.0 : M_SQRT1_2) * (u ? 1.0 : M_SQRT1_2) * F[8 * v + u] *
                 std::cos((2 * y + 1) * v * M_PI / 16) * std::cos((2 * x + 1) * u * M_PI / 16);
      out[8 * y + x] = acc / 4;
    }
}

// The quality-50 luminance table of the JPEG standard's example, natural order.
inline constexpr uint16_t kLumaQ50[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                          14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                          18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                          49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

// The 1.15 reciprocal of each quantizer (nearest integer to 32768 / q).
inline std::vector<uint16_t> reciprocals(const uint16_t* q) {
  std::vector<uint16_t> t(64);
  for (int i = 0; i < 64; ++i) t[i] = static_cast<uint16_t>(std::lround(32768.0 / q[i]));
  return t;
}

// Luma (0.299 R + 0.587 G + 0.114 B) of every 8x8 block of a photograph,
// each block 64 bytes; empty when the file is missing.
inline std::vector<uint8_t> photo_blocks(const std::string& path, int* count) {
  const Image img = read_pnm(path);
  std::vector<uint8_t> out;
  *count = 0;
  if (img.width < 8 || img.height < 8) return out;
  for (int by = 0; by + 8 <= img.height; by += 8)
    for (int bx = 0; bx + 8 <= img.width; bx += 8) {
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
          const uint8_t* p = img.pixels.data() + (static_cast<size_t>(by + y) * img.width + bx + x) * img.channels;
          const double l = img.channels == 3 ? 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2] : p[0];
          out.push_back(static_cast<uint8_t>(std::lround(l)));
        }
      ++*count;
    }
  return out;
}

}  // namespace nmx::test

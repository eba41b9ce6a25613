// Double-precision 8x8 DCT for accuracy tests, the quality-50 table and its
// reciprocals, and the luma plane of a test photograph.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "support/ppm.h"

namespace nmx::test {

// Forward F(v,u) = 1/4 C(v) C(u) sum f(y,x) cos((2y+1)v pi/16) cos((2x+1)u pi/16)
// with C(0) = 1/sqrt 2, C(k) = 1; the inverse sums the same products over (v,u).
inline void exact_dct(const double in[64], double out[64], bool inverse) {
  double b[8][8];  // b[k][n] = C(k) / 2 cos((2n+1) k pi / 16)
  for (int k = 0; k < 8; ++k)
    for (int n = 0; n < 8; ++n) b[k][n] = (k ? 0.5 : 0.5 * M_SQRT1_2) * std::cos((2 * n + 1) * k * M_PI / 16);
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) {
      double acc = 0;
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) acc += in[8 * y + x] * (inverse ? b[y][i] * b[x][j] : b[i][y] * b[j][x]);
      out[8 * i + j] = acc;
    }
}
inline void exact_fdct(const double f[64], double out[64]) { exact_dct(f, out, false); }
inline void exact_idct(const double F[64], double out[64]) { exact_dct(F, out, true); }

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

// Luma (0.299 R + 0.587 G + 0.114 B) of a photograph, rows `img.width` bytes
// apart; empty (width and height 0) when the file is missing.
inline std::vector<uint8_t> photo_luma(const std::string& path, int* width, int* height) {
  const Image img = read_pnm(path);
  *width = img.width;
  *height = img.height;
  std::vector<uint8_t> out(static_cast<size_t>(img.width) * img.height);
  for (size_t i = 0; i < out.size(); ++i) {
    const uint8_t* p = img.pixels.data() + i * img.channels;
    out[i] = img.channels == 3 ? static_cast<uint8_t>(std::lround(0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2])) : p[0];
  }
  return out;
}

}  // namespace nmx::test

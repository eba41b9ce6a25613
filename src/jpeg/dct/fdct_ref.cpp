// Scalar forward transforms with quantization, written from the formulas.
#include <cmath>
#include <cstring>

#include "jpeg/dct/dct_consts.h"
#include "jpeg/dct/dct_kernels.h"
#include "jpeg/dct/dct_math.h"

namespace nmx::dct {
namespace {

// Column pass on each column of b, all in 16-bit arithmetic; the outputs
// replace the column top to bottom.
void fwd_columns(int16_t b[64]) {
  for (int col = 0; col < 8; ++col) {
    int16_t x[8];
    for (int r = 0; r < 8; ++r) x[r] = b[8 * r + col];
    const int16_t t0 = adds(x[0], x[7]), t7 = subs(x[0], x[7]);
    const int16_t t1 = adds(x[1], x[6]), t6 = subs(x[1], x[6]);
    const int16_t t2 = adds(x[2], x[5]), t5 = subs(x[2], x[5]);
    const int16_t t3 = adds(x[3], x[4]), t4 = subs(x[3], x[4]);
    const int16_t p1 = shl(t1, 3), p2 = shl(t2, 3);
    const int16_t a = subs(p1, p2), bb = adds(p1, p2);
    const int16_t c = shl(subs(t0, t3), 3), d = shl(adds(t0, t3), 3);
    int16_t y[8];
    y[0] = adds(d, bb);
    y[4] = subs(d, bb);
    y[2] = or1(adds(mulhi(a, kT2), c));
    y[6] = or1(subs(mulhi(c, kT2), a));
    const int16_t u6 = shl(t6, 4), u5 = shl(t5, 4);
    const int16_t h = or1(mulhi(adds(u6, u5), kC4));
    const int16_t i = mulhi(subs(u6, u5), kC4);
    const int16_t g4 = shl(t4, 3);
    const int16_t k = adds(g4, i), l = subs(g4, i);
    const int16_t g7 = shl(t7, 3);
    const int16_t m = subs(g7, h), n = adds(g7, h);
    y[1] = or1(adds(mulhi(k, kT1), n));
    y[7] = subs(mulhi(n, kT1), k);
    y[3] = subs(m, adds(mulhi(l, kT3), l));
    y[5] = adds(adds(mulhi(m, kT3), m), l);
    for (int r = 0; r < 8; ++r) b[8 * r + col] = y[r];
  }
}

// Row pass: sums and differences with 16-bit saturation, then 32-bit sums of
// products that wrap, rounded by 2^19 and shifted by 20.
void fwd_rows(int16_t b[64]) {
  for (int r = 0; r < 8; ++r) {
    int16_t* w = b + 8 * r;
    const RowSet& c = kRowSets[kSetOfRow[r]];
    int64_t s[4], d[4];
    for (int j = 0; j < 4; ++j) {
      s[j] = adds(w[j], w[7 - j]);
      d[j] = subs(w[j], w[7 - j]);
    }
    int64_t z[8];
    z[0] = c.k * s[0] + c.k * s[1] + c.k * s[2] + c.k * s[3];
    z[4] = c.k * s[0] - c.k * s[1] - c.k * s[2] + c.k * s[3];
    z[2] = c.e2 * s[0] + c.e6 * s[1] - c.e6 * s[2] - c.e2 * s[3];
    z[6] = c.e6 * s[0] - c.e2 * s[1] + c.e2 * s[2] - c.e6 * s[3];
    z[1] = c.o1 * d[0] + c.o3 * d[1] + c.o5 * d[2] + c.o7 * d[3];
    z[3] = c.o3 * d[0] - c.o7 * d[1] - c.o1 * d[2] - c.o5 * d[3];
    z[5] = c.o5 * d[0] - c.o1 * d[1] + c.o7 * d[2] + c.o3 * d[3];
    z[7] = c.o7 * d[0] - c.o5 * d[1] + c.o3 * d[2] - c.o1 * d[3];
    for (int j = 0; j < 8; ++j) w[j] = sat16(wrap32(z[j] + kFwdRound) >> kFwdShift);
  }
}

// c x t / 32768 rounded to nearest, ties to even, saturated.
int16_t quantize(int16_t c, uint16_t t) {
  const int64_t p = int64_t{c} * t;
  int64_t q = p >> 15;  // floor
  const int64_t rem = p - q * 32768;
  if (rem > 16384 || (rem == 16384 && (q & 1))) ++q;
  return sat16(q);
}

void transform_and_quantize(int16_t w[64], int16_t* dst, const uint16_t* fwd) {
  fwd_columns(w);
  fwd_rows(w);
  for (int i = 0; i < 64; ++i) dst[i] = quantize(w[i], fwd[i]);
}

}  // namespace

void fwd_ref(const int16_t* src, int16_t* dst, const uint16_t* fwd) {
  int16_t w[64];
  std::memcpy(w, src, sizeof w);
  transform_and_quantize(w, dst, fwd);
}

void fwd_ls_ref(const uint8_t* src, int32_t step, int16_t* dst, const uint16_t* fwd) {
  int16_t w[64];
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c) w[8 * r + c] = static_cast<int16_t>(src[static_cast<intptr_t>(r) * step + c] - 128);
  transform_and_quantize(w, dst, fwd);
}

// Single precision: samples (as signed 16-bit) less 2048, the separable DCT
// F(v,u) = 1/4 C(v) C(u) sum f(y,x) cos((2y+1)v pi/16) cos((2x+1)u pi/16) as
// two passes of 8-point products with a cosine matrix, then each coefficient
// times its factor, rounded to nearest even and saturated.
void fwd_12_ref(const uint16_t* src, int32_t step, int16_t* dst, const float* factors) {
  const auto& basis = kBasis.m;
  float f[8][8], rows[8][8];
  const uint8_t* base = reinterpret_cast<const uint8_t*>(src);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      int16_t s;
      std::memcpy(&s, base + static_cast<intptr_t>(y) * step + 2 * x, 2);
      f[y][x] = static_cast<float>(s) - 2048.0f;
    }
  // Sums in increasing index order, starting from the first product.
  for (int y = 0; y < 8; ++y)
    for (int u = 0; u < 8; ++u) {
      float acc = basis[u][0] * f[y][0];
      for (int x = 1; x < 8; ++x) acc += basis[u][x] * f[y][x];
      rows[y][u] = acc;
    }
  for (int v = 0; v < 8; ++v)
    for (int u = 0; u < 8; ++u) {
      float acc = basis[v][0] * rows[0][u];
      for (int y = 1; y < 8; ++y) acc += basis[v][y] * rows[y][u];
      const float q = acc * factors[8 * v + u];
      // NaN factors give 0; the rest saturate.
      const float clamped = q != q ? 0.0f : (q < -32768.0f ? -32768.0f : (q > 32767.0f ? 32767.0f : q));
      dst[8 * v + u] = static_cast<int16_t>(std::nearbyint(clamped));
    }
}

}  // namespace nmx::dct

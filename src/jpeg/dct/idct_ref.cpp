// Scalar inverse transforms with dequantization, written from the formulas.
#include <cmath>
#include <cstring>

#include "jpeg/dct/dct_consts.h"
#include "jpeg/dct/dct_kernels.h"
#include "jpeg/dct/dct_math.h"

namespace nmx::dct {
namespace {

void dequantize(const int16_t* src, const uint16_t* inv, int16_t w[64]) {
  for (int i = 0; i < 64; ++i) w[i] = mullo(src[i], inv[i]);
}

// Row pass: 32-bit sums of products that wrap, the row's rounding term,
// shifted by 11 and saturated.
void inv_rows(int16_t b[64]) {
  for (int r = 0; r < 8; ++r) {
    int16_t* row = b + 8 * r;
    int64_t x[8];  // products and sums in 64 bits, reduced modulo 2^32 below
    for (int j = 0; j < 8; ++j) x[j] = row[j];
    const RowSet& c = kRowSets[kSetOfRow[r]];
    const int64_t rr = kInvRound[r];
    int64_t a[4], o[4];
    a[0] = c.k * x[0] + c.e2 * x[2] + c.k * x[4] + c.e6 * x[6] + rr;
    a[1] = c.k * x[0] + c.e6 * x[2] - c.k * x[4] - c.e2 * x[6] + rr;
    a[2] = c.k * x[0] - c.e6 * x[2] - c.k * x[4] + c.e2 * x[6] + rr;
    a[3] = c.k * x[0] - c.e2 * x[2] + c.k * x[4] - c.e6 * x[6] + rr;
    o[0] = c.o1 * x[1] + c.o3 * x[3] + c.o5 * x[5] + c.o7 * x[7];
    o[1] = c.o3 * x[1] - c.o7 * x[3] - c.o1 * x[5] - c.o5 * x[7];
    o[2] = c.o5 * x[1] - c.o1 * x[3] + c.o7 * x[5] + c.o3 * x[7];
    o[3] = c.o7 * x[1] - c.o5 * x[3] + c.o3 * x[5] - c.o1 * x[7];
    int16_t y[8];
    for (int k = 0; k < 4; ++k) {
      y[k] = sat16(wrap32(a[k] + o[k]) >> kInvRowShift);
      y[7 - k] = sat16(wrap32(a[k] - o[k]) >> kInvRowShift);
    }
    std::memcpy(row, y, sizeof y);
  }
}

// Odd-part terms shared by the full column pass and the thumbnails.
struct OddTerms {
  int16_t p, q, u, v;
};
OddTerms odd_terms(int16_t r1, int16_t r3, int16_t r5, int16_t r7) {
  return {adds(adds(mulhi(r5, kT3), r5), r3), subs(r5, adds(mulhi(r3, kT3), r3)), subs(mulhi(r1, kT1), r7),
          adds(mulhi(r7, kT1), r1)};
}

// Column pass in 16-bit arithmetic, each output shifted right by 6.
void inv_columns(int16_t b[64]) {
  for (int col = 0; col < 8; ++col) {
    int16_t r[8];
    for (int i = 0; i < 8; ++i) r[i] = b[8 * i + col];
    const OddTerms o = odd_terms(r[1], r[3], r[5], r[7]);
    const int16_t g = adds(mulhi(r[6], kT2), r[2]);
    const int16_t h = subs(mulhi(r[2], kT2), r[6]);
    const int16_t s1 = adds(subs(o.v, o.p), subs(o.u, o.q));
    const int16_t k1 = adds(s1, mulhi(s1, kM));
    const int16_t s2 = subs(subs(o.v, o.p), subs(o.u, o.q));
    const int16_t k2 = adds(mulhi(s2, kM), s2);
    const int16_t sum04 = adds(r[4], r[0]), dif04 = subs(r[0], r[4]);
    const int16_t e0 = adds(sum04, g), e3 = subs(sum04, g);
    const int16_t e1 = adds(dif04, h), e2 = subs(dif04, h);
    const int16_t vp = adds(o.v, o.p), uq = adds(o.u, o.q);
    int16_t out[8];
    out[0] = adds(e0, vp);
    out[7] = subs(e0, vp);
    out[1] = adds(e1, k1);
    out[6] = subs(e1, k1);
    out[2] = adds(e2, k2);
    out[5] = subs(e2, k2);
    out[3] = adds(uq, e3);
    out[4] = subs(e3, uq);
    for (int i = 0; i < 8; ++i) b[8 * i + col] = static_cast<int16_t>(out[i] >> kInvColShift);
  }
}

void inverse(int16_t w[64]) {
  inv_rows(w);
  inv_columns(w);
}

void store_pixels(const int16_t* v, int n, uint8_t* dst, int32_t step) {
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) dst[static_cast<intptr_t>(r) * step + c] = to_pixel(v[n * r + c]);
}

// The full transform of a block whose coefficients outside the top-left n x n
// corner are zero; only the corner is read.
void inv_ls_corner(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv, int n) {
  int16_t w[64] = {};
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) w[8 * r + c] = mullo(src[8 * r + c], inv[8 * r + c]);
  inverse(w);
  store_pixels(w, 8, dst, step);
}

}  // namespace

void inv_ref(const int16_t* src, int16_t* dst, const uint16_t* inv) {
  int16_t w[64];
  dequantize(src, inv, w);
  inverse(w);
  std::memcpy(dst, w, sizeof w);
}

nmxStatus inv_ls_ref(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  int16_t w[64];
  dequantize(src, inv, w);
  inverse(w);
  store_pixels(w, 8, dst, step);
  return nmxStatusOk;
}

nmxStatus inv_ls_1x1_ref(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  const int32_t p = int32_t{src[0]} * inv[0];
  const int16_t v = static_cast<int16_t>(static_cast<uint16_t>((p >> 3) + 128));
  const uint8_t px = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
  for (int r = 0; r < 8; ++r) std::memset(dst + static_cast<intptr_t>(r) * step, px, 8);
  return nmxStatusOk;
}

nmxStatus inv_ls_2x2_ref(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  inv_ls_corner(src, dst, step, inv, 2);
  return nmxStatusOk;
}

nmxStatus inv_ls_4x4_ref(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  inv_ls_corner(src, dst, step, inv, 4);
  return nmxStatusOk;
}

nmxStatus inv_to4x4_ref(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  int16_t w[64];
  dequantize(src, inv, w);
  // Row pass on rows 0..3 and 5..7: four outputs per row.
  int16_t h[8][4] = {};
  for (int r = 0; r < 8; ++r) {
    if (r == 4) continue;
    int64_t x[8];
    for (int j = 0; j < 8; ++j) x[j] = w[8 * r + j];
    const To4x4Set& c = kTo4x4Sets[r == 0 ? 0 : kSetOfRow[r]];
    const int64_t base = c.k * x[0] + kTo4x4Round[r];
    const int64_t z[4] = {
        base + c.a1 * x[1] + c.a2 * x[2] + c.a3 * x[3] - c.a5 * x[5] - c.a6 * x[6] - c.a7 * x[7],
        base + c.b1 * x[1] - c.a2 * x[2] - c.b3 * x[3] + c.b5 * x[5] + c.a6 * x[6] - c.b7 * x[7],
        base - c.b1 * x[1] - c.a2 * x[2] + c.b3 * x[3] - c.b5 * x[5] + c.a6 * x[6] + c.b7 * x[7],
        base - c.a1 * x[1] + c.a2 * x[2] - c.a3 * x[3] + c.a5 * x[5] - c.a6 * x[6] + c.a7 * x[7],
    };
    for (int k = 0; k < 4; ++k) h[r][k] = sat16(wrap32(z[k]) >> kToShift);
  }
  // Column pass on the four columns; output rows 0..3.
  int16_t out[16];
  for (int k = 0; k < 4; ++k) {
    int16_t q[8];
    for (int r = 0; r < 8; ++r) q[r] = h[r][k];
    const OddTerms o = odd_terms(q[1], q[3], q[5], q[7]);
    const int16_t g = adds(mulhi(q[6], kT2), q[2]);
    const int16_t hh = subs(mulhi(q[2], kT2), q[6]);
    const int16_t s1 = adds(subs(o.v, o.p), subs(o.u, o.q));
    const int16_t a = adds(adds(s1, mulhi(s1, kM)), adds(o.v, o.p));
    const int16_t s2 = subs(subs(o.v, o.p), subs(o.u, o.q));
    const int16_t b = adds(adds(mulhi(s2, kM), s2), adds(o.u, o.q));
    const int16_t f = adds(hh, g);
    const int16_t z = adds(q[0], q[0]);
    const int16_t e0 = adds(f, z), e1 = subs(z, f);
    out[0 * 4 + k] = static_cast<int16_t>(adds(a, e0) >> kInvColShift);
    out[1 * 4 + k] = static_cast<int16_t>(adds(b, e1) >> kInvColShift);
    out[2 * 4 + k] = static_cast<int16_t>(subs(e1, b) >> kInvColShift);
    out[3 * 4 + k] = static_cast<int16_t>(subs(e0, a) >> kInvColShift);
  }
  store_pixels(out, 4, dst, step);
  return nmxStatusOk;
}

nmxStatus inv_to2x2_ref(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  int16_t w[64];
  dequantize(src, inv, w);
  // Row pass on rows 0, 1, 3, 5, 7: left and right halves.
  int16_t h[8][2] = {};
  for (int r : {0, 1, 3, 5, 7}) {
    int64_t x[8];
    for (int j = 0; j < 8; ++j) x[j] = w[8 * r + j];
    const To2x2Set& c = kTo2x2Sets[r];
    const int64_t odd = c.a * x[1] + c.b * x[3] + c.c * x[5] + c.d * x[7];
    const int64_t even = c.k * x[0] + kTo2x2Round[r];
    h[r][0] = sat16(wrap32(even + odd) >> kToShift);
    h[r][1] = sat16(wrap32(even - odd) >> kToShift);
  }
  int16_t out[4];
  for (int half = 0; half < 2; ++half) {
    int16_t q[8];
    for (int r = 0; r < 8; ++r) q[r] = h[r][half];
    const OddTerms o = odd_terms(q[1], q[3], q[5], q[7]);
    const int16_t vp = subs(o.v, o.p);
    int16_t k2 = adds(vp, mulhi(vp, kM));
    k2 = adds(k2, k2);
    const int16_t s = adds(adds(adds(o.v, o.p), adds(o.u, o.q)), k2);
    int16_t f = adds(q[0], q[0]);
    f = adds(f, f);
    out[half] = static_cast<int16_t>(adds(f, s) >> 7);
    out[2 + half] = static_cast<int16_t>(subs(f, s) >> 7);
  }
  store_pixels(out, 2, dst, step);
  return nmxStatusOk;
}

// Single precision: coefficients times their factors, the inverse of the
// separable DCT as two products with the transposed cosine matrix, + 2048,
// truncated toward zero and clamped to 0..4095.
nmxStatus inv_12_ref(const int16_t* src, uint16_t* dst, int32_t step, const float* factors) {
  const auto& basis = kBasis.m;
  float coef[8][8], cols[8][8];
  for (int i = 0; i < 64; ++i) coef[i / 8][i % 8] = static_cast<float>(src[i]) * factors[i];
  // Sums in increasing index order, starting from the first product.
  for (int y = 0; y < 8; ++y)
    for (int u = 0; u < 8; ++u) {
      float acc = basis[0][y] * coef[0][u];
      for (int v = 1; v < 8; ++v) acc += basis[v][y] * coef[v][u];
      cols[y][u] = acc;
    }
  uint8_t* base = reinterpret_cast<uint8_t*>(dst);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      float acc = basis[0][x] * cols[y][0];
      for (int u = 1; u < 8; ++u) acc += basis[u][x] * cols[y][u];
      const float s = acc + 2048.0f;
      // Truncation toward zero, then the clamp; NaN gives 0.
      const uint16_t v = !(s > 0.0f) ? 0 : (s >= 4095.0f ? 4095 : static_cast<uint16_t>(s));
      std::memcpy(base + static_cast<intptr_t>(y) * step + 2 * x, &v, 2);
    }
  return nmxStatusOk;
}

}  // namespace nmx::dct

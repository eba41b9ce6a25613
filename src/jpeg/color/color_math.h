// Per-pixel colour formulas shared by the reference kernels and the scalar
// heads and tails of the vector kernels. Every function is the exact integer
// (or single-precision) arithmetic of one conversion, so a vector kernel that
// hands the rest of a row to these functions stays bit-identical.
#pragma once

#include <cmath>
#include <cstdint>

namespace nmx::color {

inline uint8_t clamp8(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// Channel positions of a 3- or 4-byte pixel: RGB order or BGR order.
struct Order {
  int r, b;  // byte index of red and of blue; green is always 1
};
constexpr Order order_of(bool bgr) { return bgr ? Order{2, 0} : Order{0, 2}; }

struct Ycc {
  uint8_t y, cb, cr;
};
struct Rgb {
  uint8_t r, g, b;
};

// ---- Forward ---------------------------------------------------------------

// Full-resolution pixel formulas with 15-bit coefficients (groups of 8).
inline Ycc fwd15(int32_t r, int32_t g, int32_t b) {
  return {clamp8((9798 * r + 19235 * g + 3736 * b + 16266) >> 15),
          clamp8((-5529 * r - 10855 * g + 16384 * b + 4210688) >> 15),
          clamp8((16384 * r - 13720 * g - 2664 * b + 4210704) >> 15)};
}
inline uint8_t luma15(int32_t r, int32_t g, int32_t b) { return clamp8((9798 * r + 19235 * g + 3736 * b + 16266) >> 15); }

// Full-resolution pixel formulas with 14-bit coefficients.
inline Ycc fwd14(int32_t r, int32_t g, int32_t b) {
  return {clamp8((4899 * r + 9617 * g + 1868 * b + 8192) >> 14),
          clamp8((-2764 * r - 5428 * g + 8192 * b + 2105344) >> 14),
          clamp8((8192 * r - 6860 * g - 1332 * b + 2105344) >> 14)};
}

// Luminance with 16-bit coefficients (also the first step of the planar form).
inline int32_t luma16(int32_t r, int32_t g, int32_t b) { return (19595 * r + 38470 * g + 7471 * b + 32768) >> 16; }

// Planar form: luminance first, chroma from the differences with that luminance.
inline Ycc fwd_planar(int32_t r, int32_t g, int32_t b) {
  const int32_t y = luma16(r, g, b);
  return {static_cast<uint8_t>(y), clamp8((18491 * (b - y) + 4210688) >> 15),
          clamp8((23373 * (r - y) + 4210688) >> 15)};
}

// Single-precision luminance, rounded to nearest even (products and sums in
// float, left to right, no fused multiply-add).
inline uint8_t luma_float(int32_t r, int32_t g, int32_t b) {
  volatile float pr = static_cast<float>(r) * 0.299f;  // volatile: keep each rounding step
  volatile float pg = static_cast<float>(g) * 0.587f;
  volatile float pb = static_cast<float>(b) * 0.114f;
  const float s = (pr + pg) + pb;
  return clamp8(static_cast<int32_t>(std::nearbyint(s)));
}

// Sub-sampled forms, pixel by pixel: luminance of one pixel ...
inline uint8_t luma14(int32_t r, int32_t g, int32_t b) { return clamp8((4899 * r + 9617 * g + 1868 * b + 8192) >> 14); }
// ... and chroma from channel sums over n = 1, 2 or 4 pixels (shift s = 14, 15, 16).
template <int N>
inline void chroma_sum(int32_t sr, int32_t sg, int32_t sb, uint8_t& cb, uint8_t& cr) {
  constexpr int s = N == 1 ? 14 : (N == 2 ? 15 : 16);
  constexpr int32_t t = N == 1 ? 4096 : (N == 2 ? 16384 : 32768);
  const int32_t vb = (8192 * sb - 5427 * sg - 2765 * sr + (128 << s) + t) >> s;
  const int32_t vr = (8192 * sr - 6860 * sg - 1332 * sb + (128 << s) + t) >> s;
  cb = static_cast<uint8_t>(vb > 255 ? 255 : vb);
  cr = static_cast<uint8_t>(vr > 255 ? 255 : vr);
}

// The pixel-pair formulas that finish a 4:2:2 row (one source row) or a
// 4:1:1 row pair (two source rows) after its 8-pixel runs: columns [x, width)
// two at a time, with `channels` bytes a pixel.
inline void fwd_422_pairs(const uint8_t* src, int channels, Order o, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t x,
                          int32_t width) {
  for (; x < width; x += 2) {
    const uint8_t* p = src + channels * x;
    const uint8_t* q = p + channels;
    y[x] = luma14(p[o.r], p[1], p[o.b]);
    y[x + 1] = luma14(q[o.r], q[1], q[o.b]);
    chroma_sum<2>(p[o.r] + q[o.r], p[1] + q[1], p[o.b] + q[o.b], cb[x / 2], cr[x / 2]);
  }
}

inline void fwd_411_pairs(const uint8_t* s0, const uint8_t* s1, int channels, Order o, uint8_t* y0, uint8_t* y1,
                          uint8_t* cb, uint8_t* cr, int32_t x, int32_t width) {
  for (; x < width; x += 2) {
    const uint8_t* p[4] = {s0 + channels * x, s0 + channels * (x + 1), s1 + channels * x, s1 + channels * (x + 1)};
    uint8_t* py[4] = {y0 + x, y0 + x + 1, y1 + x, y1 + x + 1};
    int32_t sr = 0, sg = 0, sb = 0;
    for (int i = 0; i < 4; ++i) {
      *py[i] = luma14(p[i][o.r], p[i][1], p[i][o.b]);
      sr += p[i][o.r];
      sg += p[i][1];
      sb += p[i][o.b];
    }
    chroma_sum<4>(sr, sg, sb, cb[x / 2], cr[x / 2]);
  }
}

// The same conversions as the vector runs compute them: 16-bit unsigned
// arithmetic, (k x) >> 8 products, logical shifts.
inline uint8_t luma_u16(int32_t r, int32_t g, int32_t b) {
  return clamp8((((4899 * r) >> 8) + ((9617 * g) >> 8) + ((1868 * b) >> 8) + 32) >> 6);
}
template <int N>
inline void chroma_u16(int32_t sr, int32_t sg, int32_t sb, uint8_t& cb, uint8_t& cr) {
  constexpr int e = N == 1 ? 9 : (N == 2 ? 10 : 11);
  cb = clamp8(((16 / N) * sb - ((2765 * sr) >> e) - ((5427 * sg) >> e) + 4112) >> 5);
  cr = clamp8(((16 / N) * sr - ((6860 * sg) >> e) - ((1332 * sb) >> e) + 4112) >> 5);
}

// ---- Inverse ---------------------------------------------------------------

// Interleaved full-resolution form.
inline Rgb inv14(int32_t y, int32_t cb, int32_t cr) {
  return {clamp8(y + ((22970 * cr - 2932015) >> 14)), clamp8(y + ((-5638 * cb - 11700 * cr + 2227566) >> 14)),
          clamp8(y + ((29032 * cb - 3707961) >> 14))};
}

// Planar, CMYK and packed forms: other offsets, green by subtraction.
inline Rgb inv14b(int32_t y, int32_t cb, int32_t cr) {
  return {clamp8(y + ((22970 * cr - 2932015) >> 14)), clamp8(y - ((5638 * cb + 11700 * cr - 2211182) >> 14)),
          clamp8(y + ((29032 * cb - 3708561) >> 14))};
}

// Sub-sampled and 4-channel forms: 16-bit arithmetic with high-half products
// hi(a, k) = floor(a k / 65536). No intermediate leaves the 16-bit range, so
// the saturating additions never saturate and plain integers give the same.
inline int32_t hi16(int32_t a, int32_t k) { return (a * k) >> 16; }
inline Rgb inv16(int32_t y, int32_t cb, int32_t cr) {
  return {clamp8((16 * y + hi16(128 * cr, 11485) - 2871 + 8) >> 4),
          clamp8((16 * y + 2167 - hi16(128 * cb, 2819) - hi16(128 * cr, 5850) + 8) >> 4),
          clamp8((16 * y + hi16(128 * cb, 14516) - 3629 + 8) >> 4)};
}

// Interleaved 4:2:2 source: the grouped formulas (first 8 x floor(width / 8)
// pixels of a row) and the pixel formulas (the rest).
inline int32_t floor_div512(int32_t a) { return a >> 9; }
inline Rgb inv422_grouped(int32_t y, int32_t cb, int32_t cr) {
  return {clamp8(y + ((22970 * cr) >> 14) - 179),
          clamp8(y + ((floor_div512(-11700 * cr) + floor_div512(-5638 * cb)) >> 5) + 135),
          clamp8(y + ((29032 * cb) >> 14) - 226)};
}
inline Rgb inv422_pixel(int32_t y, int32_t cb, int32_t cr) {
  return {clamp8(y + ((91881 * (cr - 128) + 32768) >> 16)),
          clamp8(y + ((-46802 * (cr - 128) - 22554 * (cb - 128) + 32768) >> 16)),
          clamp8(y + ((116130 * (cb - 128) + 32768) >> 16))};
}

// ---- Packed 16-bit pixels ----------------------------------------------------

// Layouts of a 16-bit pixel: field positions of red, green, blue and the green width.
enum class Packed : int { RGB555 = 0, RGB565 = 1, BGR555 = 2, BGR565 = 3 };

inline Rgb unpack(uint16_t p, Packed f) {
  const bool six = f == Packed::RGB565 || f == Packed::BGR565;
  const bool bgr = f == Packed::BGR555 || f == Packed::BGR565;
  const int32_t lo = (p & 31) << 3;
  const int32_t mid = six ? ((p >> 5) & 63) << 2 : ((p >> 5) & 31) << 3;
  const int32_t top = ((p >> (six ? 11 : 10)) & 31) << 3;
  return bgr ? Rgb{static_cast<uint8_t>(top), static_cast<uint8_t>(mid), static_cast<uint8_t>(lo)}
             : Rgb{static_cast<uint8_t>(lo), static_cast<uint8_t>(mid), static_cast<uint8_t>(top)};
}

inline uint16_t pack(Rgb c, Packed f) {
  const bool six = f == Packed::RGB565 || f == Packed::BGR565;
  const bool bgr = f == Packed::BGR555 || f == Packed::BGR565;
  const uint32_t lo = (bgr ? c.b : c.r) >> 3;
  const uint32_t mid = six ? c.g >> 2 : c.g >> 3;
  const uint32_t top = (bgr ? c.r : c.b) >> 3;
  return static_cast<uint16_t>(lo | (mid << 5) | (top << (six ? 11 : 10)));
}

}  // namespace nmx::color

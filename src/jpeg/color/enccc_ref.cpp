// Reference encoder-side row kernels, written straight from the formulas.
#include "jpeg/color/color_kernels.h"

namespace nmx::color {

void fwd_c3_ref(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width, bool bgr) {
  const Order o = order_of(bgr);
  const int32_t grouped = width & ~7;  // groups of 8: 15-bit coefficients
  for (int32_t x = 0; x < width; ++x) {
    const uint8_t* p = src + 3 * x;
    const Ycc v = x < grouped ? fwd15(p[o.r], p[1], p[o.b]) : fwd14(p[o.r], p[1], p[o.b]);
    y[x] = v.y;
    cb[x] = v.cb;
    cr[x] = v.cr;
  }
}

void luma_c3_ref(const uint8_t* src, uint8_t* y, int32_t width, bool bgr) {
  const Order o = order_of(bgr);
  for (int32_t x = 0; x < width; ++x) y[x] = luma15(src[3 * x + o.r], src[3 * x + 1], src[3 * x + o.b]);
}

void luma_p3_ref(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint8_t* y, int32_t width) {
  const int32_t body = width & ~3;  // multiples of 4: single precision
  for (int32_t x = 0; x < width; ++x)
    y[x] = x < body ? luma_float(r[x], g[x], b[x]) : static_cast<uint8_t>(luma16(r[x], g[x], b[x]));
}

void fwd_p3_ref(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint8_t* y, uint8_t* cb, uint8_t* cr,
                int32_t width, bool invert) {
  const int32_t flip = invert ? 255 : 0;
  for (int32_t x = 0; x < width; ++x) {
    // With invert the channel is 255 - value, which is flip ^ value for bytes.
    const Ycc v = fwd_planar(flip ^ r[x], flip ^ g[x], flip ^ b[x]);
    y[x] = v.y;
    cb[x] = v.cb;
    cr[x] = v.cr;
  }
}

void fwd_cmyk_c4_ref(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, uint8_t* k, int32_t width) {
  for (int32_t x = 0; x < width; ++x) {
    const uint8_t* p = src + 4 * x;
    const Ycc v = fwd14(255 - p[0], 255 - p[1], 255 - p[2]);
    y[x] = v.y;
    cb[x] = v.cb;
    cr[x] = v.cr;
    k[x] = p[3];
  }
}

void fwd_packed_ref(const uint16_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width, Packed f) {
  for (int32_t x = 0; x < width; ++x) {
    const Rgb c = unpack(src[x], f);
    const Ycc v = fwd14(c.r, c.g, c.b);
    y[x] = v.y;
    cb[x] = v.cb;
    cr[x] = v.cr;
  }
}

void fwd_c4_ref(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width, bool bgr) {
  const Order o = order_of(bgr);
  const int32_t runs = width & ~7;  // runs of 16 and one of 8: 16-bit arithmetic
  for (int32_t x = 0; x < width; ++x) {
    const uint8_t* p = src + 4 * x;
    const int32_t r = p[o.r], g = p[1], b = p[o.b];
    if (x < runs) {
      y[x] = luma_u16(r, g, b);
      chroma_u16<1>(r, g, b, cb[x], cr[x]);
    } else {
      y[x] = luma14(r, g, b);
      chroma_sum<1>(r, g, b, cb[x], cr[x]);
    }
  }
}

void fwd_422_ref(const uint8_t* src, int channels, bool bgr, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width) {
  const Order o = order_of(bgr);
  const int32_t runs = width & ~7;
  for (int32_t x = 0; x < width; x += 2) {
    const uint8_t* p = src + channels * x;
    const uint8_t* q = p + channels;
    const int32_t sr = p[o.r] + q[o.r], sg = p[1] + q[1], sb = p[o.b] + q[o.b];
    if (x < runs) {
      y[x] = luma_u16(p[o.r], p[1], p[o.b]);
      y[x + 1] = luma_u16(q[o.r], q[1], q[o.b]);
      chroma_u16<2>(sr, sg, sb, cb[x / 2], cr[x / 2]);
    } else {
      y[x] = luma14(p[o.r], p[1], p[o.b]);
      y[x + 1] = luma14(q[o.r], q[1], q[o.b]);
      chroma_sum<2>(sr, sg, sb, cb[x / 2], cr[x / 2]);
    }
  }
}

void fwd_411_ref(const uint8_t* src0, const uint8_t* src1, int channels, bool bgr, uint8_t* y0, uint8_t* y1,
                 uint8_t* cb, uint8_t* cr, int32_t width) {
  const Order o = order_of(bgr);
  const int32_t runs = width & ~7;
  for (int32_t x = 0; x < width; x += 2) {
    const uint8_t* px[4] = {src0 + channels * x, src0 + channels * (x + 1), src1 + channels * x,
                            src1 + channels * (x + 1)};
    uint8_t* py[4] = {y0 + x, y0 + x + 1, y1 + x, y1 + x + 1};
    int32_t sr = 0, sg = 0, sb = 0;
    for (int i = 0; i < 4; ++i) {
      const int32_t r = px[i][o.r], g = px[i][1], b = px[i][o.b];
      *py[i] = x < runs ? luma_u16(r, g, b) : luma14(r, g, b);
      sr += r;
      sg += g;
      sb += b;
    }
    if (x < runs)
      chroma_u16<4>(sr, sg, sb, cb[x / 2], cr[x / 2]);
    else
      chroma_sum<4>(sr, sg, sb, cb[x / 2], cr[x / 2]);
  }
}

}  // namespace nmx::color

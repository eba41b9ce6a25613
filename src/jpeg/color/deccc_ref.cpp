// Reference decoder-side row kernels, written straight from the formulas.
#include "jpeg/color/color_kernels.h"

namespace nmx::color {

void inv_c3_ref(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* dst, int32_t width, bool bgr) {
  const Order o = order_of(bgr);
  for (int32_t x = 0; x < width; ++x) {
    const Rgb c = inv14(y[x], cb[x], cr[x]);
    dst[3 * x + o.r] = c.r;
    dst[3 * x + 1] = c.g;
    dst[3 * x + o.b] = c.b;
  }
}

void inv_p3_ref(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* r, uint8_t* g, uint8_t* b,
                int32_t width, bool invert) {
  const uint8_t flip = invert ? 255 : 0;
  for (int32_t x = 0; x < width; ++x) {
    const Rgb c = inv14b(y[x], cb[x], cr[x]);
    r[x] = c.r ^ flip;
    g[x] = c.g ^ flip;
    b[x] = c.b ^ flip;
  }
}

void inv_cmyk_c4_ref(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const uint8_t* k, uint8_t* dst,
                     int32_t width) {
  for (int32_t x = 0; x < width; ++x) {
    const Rgb c = inv14b(y[x], cb[x], cr[x]);
    dst[4 * x] = static_cast<uint8_t>(255 - c.r);
    dst[4 * x + 1] = static_cast<uint8_t>(255 - c.g);
    dst[4 * x + 2] = static_cast<uint8_t>(255 - c.b);
    dst[4 * x + 3] = k[x];
  }
}

void inv_packed_ref(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint16_t* dst, int32_t width, Packed f) {
  for (int32_t x = 0; x < width; ++x) dst[x] = pack(inv14b(y[x], cb[x], cr[x]), f);
}

void inv_hi_ref(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* dst, int32_t width, int channels,
                bool bgr, uint8_t alpha, bool half) {
  const Order o = order_of(bgr);
  for (int32_t x = 0; x < width; ++x) {
    const int32_t c = half ? x / 2 : x;
    const Rgb v = inv16(y[x], cb[c], cr[c]);
    uint8_t* p = dst + channels * x;
    p[o.r] = v.r;
    p[1] = v.g;
    p[o.b] = v.b;
    if (channels == 4) p[3] = alpha;
  }
}

void inv_c2_ref(const uint8_t* src, uint8_t* dst, int32_t width) {
  const int32_t grouped = width & ~7;
  for (int32_t x = 0; x < width; ++x) {
    const uint8_t* pair = src + 4 * (x / 2);
    const int32_t yv = pair[(x & 1) * 2], cb = pair[1], cr = pair[3];
    const Rgb c = x < grouped ? inv422_grouped(yv, cb, cr) : inv422_pixel(yv, cb, cr);
    dst[3 * x] = c.r;
    dst[3 * x + 1] = c.g;
    dst[3 * x + 2] = c.b;
  }
}

}  // namespace nmx::color

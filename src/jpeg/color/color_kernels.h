// Row kernels of the plane colour conversions. Encoder side (RGB, BGR, packed
// and CMYK pixels to YCbCr / YCCK planes) and decoder side (the reverse).
//
// A kernel converts one row (or, for the 4:1:1 forms, one pair of rows) of
// `width` pixels; the sub-sampled kernels take an even width. Where a
// conversion's precision depends on the position in the row, that position
// counts from the pointer passed, so a kernel may hand any suffix of a row
// that starts at such a boundary to another kernel.
#pragma once

#include <cstdint>

#include "frame/target.h"
#include "jpeg/color/color_math.h"

namespace nmx::color {

// ---- Encoder side ------------------------------------------------------------
// 3-byte pixels to Y, Cb, Cr: groups of 8 with 15-bit, the rest with 14-bit coefficients.
using FwdC3Row = void (*)(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width, bool bgr);
// 3-byte pixels to Y with 15-bit coefficients.
using LumaC3Row = void (*)(const uint8_t* src, uint8_t* y, int32_t width, bool bgr);
// R, G, B rows to Y: single precision for multiples of 4 pixels, 16-bit formula for the rest.
using LumaP3Row = void (*)(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint8_t* y, int32_t width);
// R, G, B rows (or C, M, Y rows with invert: channel = 255 - value) to Y, Cb, Cr rows.
using FwdP3Row = void (*)(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint8_t* y, uint8_t* cb, uint8_t* cr,
                          int32_t width, bool invert);
// CMYK pixels to Y, Cb, Cr, K rows (14-bit coefficients).
using FwdCmykC4Row = void (*)(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, uint8_t* k, int32_t width);
// 16-bit packed pixels to Y, Cb, Cr rows (14-bit coefficients).
using FwdPackedRow = void (*)(const uint16_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width, Packed f);
// 4-byte pixels to full-resolution Y, Cb, Cr (runs of 16 and 8 in 16-bit arithmetic, pixel formulas after).
using FwdC4Row = void (*)(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width, bool bgr);
// 3- or 4-byte pixels to Y and half-width Cb, Cr (even width).
using Fwd422Row = void (*)(const uint8_t* src, int channels, bool bgr, uint8_t* y, uint8_t* cb, uint8_t* cr,
                           int32_t width);
// Two rows of 3- or 4-byte pixels to two Y rows and one half-width Cb, Cr row (even width).
using Fwd411Rows = void (*)(const uint8_t* src0, const uint8_t* src1, int channels, bool bgr, uint8_t* y0, uint8_t* y1,
                            uint8_t* cb, uint8_t* cr, int32_t width);

// ---- Decoder side ------------------------------------------------------------
// Y, Cb, Cr rows to 3-byte pixels (14-bit formulas).
using InvC3Row = void (*)(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* dst, int32_t width, bool bgr);
// Y, Cb, Cr rows to R, G, B rows (with invert: 255 - value, for CMYK), other offsets.
using InvP3Row = void (*)(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* r, uint8_t* g, uint8_t* b,
                          int32_t width, bool invert);
// Y, Cb, Cr, K rows to CMYK pixels.
using InvCmykC4Row = void (*)(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const uint8_t* k, uint8_t* dst,
                              int32_t width);
// Y, Cb, Cr rows to 16-bit packed pixels.
using InvPackedRow = void (*)(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint16_t* dst, int32_t width,
                              Packed f);
// Y row and full-width (half = false) or half-width (half = true, even width)
// chroma rows to 3- or 4-byte pixels with the 16-bit formulas; the fourth byte is alpha.
using InvHiRow = void (*)(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* dst, int32_t width,
                          int channels, bool bgr, uint8_t alpha, bool half);
// Interleaved Y0 Cb Y1 Cr pairs to RGB pixels.
using InvC2Row = void (*)(const uint8_t* src, uint8_t* dst, int32_t width);

struct Kernels {
  FwdC3Row fwd_c3;
  LumaC3Row luma_c3;
  LumaP3Row luma_p3;
  FwdP3Row fwd_p3;
  FwdCmykC4Row fwd_cmyk_c4;
  FwdPackedRow fwd_packed;
  FwdC4Row fwd_c4;
  Fwd422Row fwd_422;
  Fwd411Rows fwd_411;
  InvC3Row inv_c3;
  InvP3Row inv_p3;
  InvCmykC4Row inv_cmyk_c4;
  InvPackedRow inv_packed;
  InvHiRow inv_hi;
  InvC2Row inv_c2;
};

#define NMX_COLOR_KERNELS(sfx)                                                                                      \
  void fwd_c3_##sfx(const uint8_t*, uint8_t*, uint8_t*, uint8_t*, int32_t, bool);                                   \
  void luma_c3_##sfx(const uint8_t*, uint8_t*, int32_t, bool);                                                      \
  void luma_p3_##sfx(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, int32_t);                            \
  void fwd_p3_##sfx(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, uint8_t*, uint8_t*, int32_t, bool);   \
  void fwd_cmyk_c4_##sfx(const uint8_t*, uint8_t*, uint8_t*, uint8_t*, uint8_t*, int32_t);                          \
  void fwd_packed_##sfx(const uint16_t*, uint8_t*, uint8_t*, uint8_t*, int32_t, Packed);                            \
  void fwd_c4_##sfx(const uint8_t*, uint8_t*, uint8_t*, uint8_t*, int32_t, bool);                                   \
  void fwd_422_##sfx(const uint8_t*, int, bool, uint8_t*, uint8_t*, uint8_t*, int32_t);                             \
  void fwd_411_##sfx(const uint8_t*, const uint8_t*, int, bool, uint8_t*, uint8_t*, uint8_t*, uint8_t*, int32_t);   \
  void inv_c3_##sfx(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, int32_t, bool);                       \
  void inv_p3_##sfx(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, uint8_t*, uint8_t*, int32_t, bool);   \
  void inv_cmyk_c4_##sfx(const uint8_t*, const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, int32_t);        \
  void inv_packed_##sfx(const uint8_t*, const uint8_t*, const uint8_t*, uint16_t*, int32_t, Packed);                \
  void inv_hi_##sfx(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, int32_t, int, bool, uint8_t, bool);   \
  void inv_c2_##sfx(const uint8_t*, uint8_t*, int32_t);

// The reference kernels (every kernel of the table).
NMX_COLOR_KERNELS(ref)

// Vector kernels: each target defines the subset it speeds up.
void fwd_c3_sse41(const uint8_t*, uint8_t*, uint8_t*, uint8_t*, int32_t, bool);
void luma_c3_sse41(const uint8_t*, uint8_t*, int32_t, bool);
void fwd_c4_sse41(const uint8_t*, uint8_t*, uint8_t*, uint8_t*, int32_t, bool);
void fwd_422_sse41(const uint8_t*, int, bool, uint8_t*, uint8_t*, uint8_t*, int32_t);
void fwd_411_sse41(const uint8_t*, const uint8_t*, int, bool, uint8_t*, uint8_t*, uint8_t*, uint8_t*, int32_t);
void inv_c3_sse41(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, int32_t, bool);
void fwd_p3_sse41(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, uint8_t*, uint8_t*, int32_t, bool);
void fwd_cmyk_c4_sse41(const uint8_t*, uint8_t*, uint8_t*, uint8_t*, uint8_t*, int32_t);
void luma_p3_sse41(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, int32_t);
void inv_p3_sse41(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, uint8_t*, uint8_t*, int32_t, bool);
void inv_cmyk_c4_sse41(const uint8_t*, const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, int32_t);
void inv_c2_sse41(const uint8_t*, uint8_t*, int32_t);
void fwd_packed_sse41(const uint16_t*, uint8_t*, uint8_t*, uint8_t*, int32_t, Packed);
void inv_packed_sse41(const uint8_t*, const uint8_t*, const uint8_t*, uint16_t*, int32_t, Packed);
void inv_hi_sse41(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, int32_t, int, bool, uint8_t, bool);
void fwd_c3_avx2(const uint8_t*, uint8_t*, uint8_t*, uint8_t*, int32_t, bool);
void luma_c3_avx2(const uint8_t*, uint8_t*, int32_t, bool);
void fwd_422_avx2(const uint8_t*, int, bool, uint8_t*, uint8_t*, uint8_t*, int32_t);
void fwd_411_avx2(const uint8_t*, const uint8_t*, int, bool, uint8_t*, uint8_t*, uint8_t*, uint8_t*, int32_t);
void inv_hi_avx2(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, int32_t, int, bool, uint8_t, bool);
void inv_c3_avx2(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, int32_t, bool);
void inv_c3_avx512(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, int32_t, bool);
void fwd_c3_avx512(const uint8_t*, uint8_t*, uint8_t*, uint8_t*, int32_t, bool);
void luma_c3_avx512(const uint8_t*, uint8_t*, int32_t, bool);

// The kernels of target t (references where t has none of its own).
Kernels kernels_for(Target t);

// The table for the best target, built once when the library loads.
const Kernels& active();

}  // namespace nmx::color

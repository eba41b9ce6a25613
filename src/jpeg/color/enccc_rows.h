// Row drivers of the interleaved RGB / BGR forward kernels, shared by the
// vector targets (each target's file compiles its own copy with its own
// instruction set). `step(src, y, cb, cr)` converts kStep pixels with the
// 15-bit formula (cb null: luminance only).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "jpeg/color/color_math.h"

namespace nmx::color {
namespace {

// Whole steps over the groups of 8 pixels, the last groups through a zeroed
// scratch row of one step, then single pixels with the 14-bit formula.
template <int kStep, bool BGR, class Step>
inline void fwd_c3_rows(const Step& step, const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width) {
  const int32_t grouped = width & ~7;
  int32_t x = 0;
  for (; x + kStep <= grouped; x += kStep) step(src + 3 * x, y + x, cb + x, cr + x);
  if (x < grouped) {
    const size_t n = static_cast<size_t>(grouped - x);
    alignas(64) uint8_t in[3 * kStep] = {}, out[3 * kStep];
    std::memcpy(in, src + 3 * x, 3 * n);
    step(in, out, out + kStep, out + 2 * kStep);
    std::memcpy(y + x, out, n);
    std::memcpy(cb + x, out + kStep, n);
    std::memcpy(cr + x, out + 2 * kStep, n);
    x = grouped;
  }
  constexpr Order o = order_of(BGR);
  for (; x < width; ++x) {
    const uint8_t* p = src + 3 * x;
    const Ycc v = fwd14(p[o.r], p[1], p[o.b]);
    y[x] = v.y;
    cb[x] = v.cb;
    cr[x] = v.cr;
  }
}

// Whole steps, the rest of the row through a zeroed scratch row (every pixel
// has the same formula).
template <int kStep, class Step>
inline void luma_c3_rows(const Step& step, const uint8_t* src, uint8_t* y, int32_t width) {
  int32_t x = 0;
  for (; x + kStep <= width; x += kStep) step(src + 3 * x, y + x, nullptr, nullptr);
  if (x < width) {
    const size_t n = static_cast<size_t>(width - x);
    alignas(64) uint8_t in[3 * kStep] = {}, out[kStep];
    std::memcpy(in, src + 3 * x, 3 * n);
    step(in, out, nullptr, nullptr);
    std::memcpy(y + x, out, n);
  }
}

}  // namespace
}  // namespace nmx::color

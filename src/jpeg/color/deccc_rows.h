// Row driver of the plane-to-interleaved inverse kernels, shared by the
// vector targets (each target's file compiles its own copy with its own
// instruction set).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace nmx::color {
namespace {

// Steps of kStep pixels: step(y, cb, cr, out) converts kStep pixels (one
// chroma sample per kChroma of them) into kChannels-byte pixels at out. The
// rest of the row goes through zeroed scratch rows of one step.
template <int kStep, int kChannels, int kChroma, class Step>
inline void inv_rows(const Step& step, const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* dst,
                     int32_t width) {
  int32_t x = 0;
  for (; x + kStep <= width; x += kStep) step(y + x, cb + x / kChroma, cr + x / kChroma, dst + kChannels * x);
  if (x < width) {
    const size_t n = static_cast<size_t>(width - x), nc = (n + kChroma - 1) / kChroma;
    alignas(64) uint8_t in[3 * kStep] = {}, out[kChannels * kStep];
    std::memcpy(in, y + x, n);
    std::memcpy(in + kStep, cb + x / kChroma, nc);
    std::memcpy(in + 2 * kStep, cr + x / kChroma, nc);
    step(in, in + kStep, in + 2 * kStep, out);
    std::memcpy(dst + kChannels * x, out, kChannels * n);
  }
}

}  // namespace
}  // namespace nmx::color

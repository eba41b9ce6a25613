// Scalar reference kernels, one output at a time, written as the formulas read.
#include "jpeg/sampling/sampling_kernels.h"

namespace nmx::sampling {

void down_h2v1_ref(const uint8_t* src, uint8_t* dst, int32_t n, int32_t biasEven, int32_t biasOdd, intptr_t) {
  for (int32_t k = 0; k < n; ++k) {
    const int32_t b = (k & 1) ? biasOdd : biasEven;
    dst[k] = static_cast<uint8_t>((src[2 * k] + src[2 * k + 1] + b) >> 1);
  }
}

void down_h2v2_ref(const uint8_t* src1, const uint8_t* src2, uint8_t* dst, int32_t n, int32_t biasEven,
                   int32_t biasOdd, intptr_t) {
  for (int32_t k = 0; k < n; ++k) {
    const int32_t b = (k & 1) ? biasOdd : biasEven;
    dst[k] = static_cast<uint8_t>((src1[2 * k] + src1[2 * k + 1] + src2[2 * k] + src2[2 * k + 1] + b) >> 2);
  }
}

// Plane row: pairs i = 0 .. (width-1)/2 with neighbours s[i-1] and s[i+1].
void up_h2v1_ref(const uint8_t* s, uint8_t* d, int32_t width) {
  for (int32_t i = 0; 2 * i < width; ++i) {
    d[2 * i] = static_cast<uint8_t>((3 * s[i] + s[i - 1] + 1) >> 2);
    if (2 * i + 1 < width) d[2 * i + 1] = static_cast<uint8_t>((3 * s[i] + s[i + 1] + 2) >> 2);
  }
}

void up_h2v2_ref(const uint8_t* nearer, const uint8_t* farther, uint8_t* d, int32_t width) {
  const auto c = [&](int32_t i) { return 3 * nearer[i] + farther[i]; };
  for (int32_t i = 0; 2 * i < width; ++i) {
    d[2 * i] = static_cast<uint8_t>((3 * c(i) + c(i - 1) + 8) >> 4);
    if (2 * i + 1 < width) d[2 * i + 1] = static_cast<uint8_t>((3 * c(i) + c(i + 1) + 7) >> 4);
  }
}

// Triangle rows with their own ends. A one-sample row repeats its sample.
void up_row_h2v1_ref(const uint8_t* s, uint8_t* d, int32_t w) {
  if (w == 1) {
    d[0] = d[1] = s[0];
    return;
  }
  d[0] = s[0];
  d[1] = static_cast<uint8_t>((3 * s[0] + s[1] + 2) >> 2);
  for (int32_t i = 1; i <= w - 2; ++i) {
    d[2 * i] = static_cast<uint8_t>((3 * s[i] + s[i - 1] + 1) >> 2);
    d[2 * i + 1] = static_cast<uint8_t>((3 * s[i] + s[i + 1] + 2) >> 2);
  }
  d[2 * w - 2] = static_cast<uint8_t>((3 * s[w - 1] + s[w - 2] + 1) >> 2);
  d[2 * w - 1] = s[w - 1];
}

void up_row_h2v2_ref(const uint8_t* nearer, const uint8_t* farther, uint8_t* d, int32_t w) {
  const auto c = [&](int32_t i) { return 3 * nearer[i] + farther[i]; };
  if (w == 1) {
    d[0] = static_cast<uint8_t>((4 * c(0) + 8) >> 4);
    d[1] = static_cast<uint8_t>((4 * c(0) + 7) >> 4);
    return;
  }
  d[0] = static_cast<uint8_t>((4 * c(0) + 8) >> 4);
  d[1] = static_cast<uint8_t>((3 * c(0) + c(1) + 7) >> 4);
  for (int32_t i = 1; i <= w - 2; ++i) {
    d[2 * i] = static_cast<uint8_t>((3 * c(i) + c(i - 1) + 8) >> 4);
    d[2 * i + 1] = static_cast<uint8_t>((3 * c(i) + c(i + 1) + 7) >> 4);
  }
  d[2 * w - 2] = static_cast<uint8_t>((3 * c(w - 1) + c(w - 2) + 8) >> 4);
  d[2 * w - 1] = static_cast<uint8_t>((4 * c(w - 1) + 7) >> 4);
}

}  // namespace nmx::sampling

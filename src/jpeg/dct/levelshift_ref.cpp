#include "jpeg/dct/levelshift_kernels.h"

namespace nmx::levelshift {

void sub128_ref(const uint8_t* src, int16_t* dst, int32_t width) {
  for (int32_t x = 0; x < width; ++x) dst[x] = static_cast<int16_t>(src[x] - 128);
}

void add128_ref(const int16_t* src, uint8_t* dst, int32_t width) {
  for (int32_t x = 0; x < width; ++x) {
    const int32_t v = src[x] + 128;
    dst[x] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
  }
}

}  // namespace nmx::levelshift

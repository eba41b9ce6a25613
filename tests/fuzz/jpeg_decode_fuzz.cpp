// Fuzz target: the example JPEG decoder on arbitrary bytes, at every scale
// and in coefficient mode. Frames are capped at 4 Mpixels to stay in memory.
#include <cstddef>
#include <cstdint>
#include <string>

#include "jpeg/codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int64_t cap = int64_t{1} << 22;
  nmxjpeg::DecodeOptions opt;
  opt.scale = 1 << (data[0] & 3);
  opt.max_pixels = cap;
  nmxjpeg::Image img;
  std::string error;
  nmxjpeg::decode(data + 1, size - 1, opt, img, error);
  nmxjpeg::Coefficients coef;
  nmxjpeg::decode_coefficients(data + 1, size - 1, coef, error, cap);
  return 0;
}

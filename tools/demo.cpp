// nmxj-demo: prints the version record, then takes one built-in 8x8 block of
// samples through level shift and quantization at quality 75 and back, and
// prints each stage.
#include <cstdio>

#include "nmxj.h"

namespace {

// The usual luminance quantization table, zig-zag order.
const uint8_t kLuma[64] = {16, 11, 12, 14, 12, 10, 16, 14,  13,  14,  18,  17,  16,  19,  24,  40,
                           26, 24, 22, 22, 24, 49, 35, 37,  29,  40,  58,  51,  61,  60,  57,  51,
                           56, 55, 64, 72, 92, 78, 64, 68,  87,  69,  55,  56,  80,  109, 81,  87,
                           95, 98, 103, 104, 103, 62, 77, 113, 121, 112, 100, 120, 92, 101, 103, 99};

template <class T>
void print_block(const char* title, const T* v) {
  std::printf("%s\n", title);
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) std::printf("%6d", static_cast<int>(v[8 * r + c]));
    std::printf("\n");
  }
}

int check(nmxStatus s, const char* what) {
  if (s < 0) std::fprintf(stderr, "%s failed with status %d\n", what, s);
  return s < 0;
}

}  // namespace

int main() {
  const NmxVersionInfo* v = nmxjGetLibVersion();
  std::printf("%s %d.%d.%d (%s, built %s)\n\n", v->name, v->major, v->minor, v->build, v->versionText, v->buildDate);

  uint8_t samples[64];
  for (int i = 0; i < 64; ++i) samples[i] = static_cast<uint8_t>(60 + 3 * (i % 8) + 10 * (i / 8) + (i * 7) % 5);
  int16_t block[64];
  uint8_t raw[64];
  uint16_t fwd[64], inv[64];
  for (int i = 0; i < 64; ++i) raw[i] = kLuma[i];
  const NmxSize one{8, 8};
  if (check(nmxiSub128_JPEG_8u16s_C1R(samples, 8, block, 16, one), "Sub128") ||
      check(nmxiQuantFwdRawTableInit_JPEG_8u(raw, 75), "QuantFwdRawTableInit") ||
      check(nmxiQuantFwdTableInit_JPEG_8u16u(raw, fwd), "QuantFwdTableInit") ||
      check(nmxiQuantInvTableInit_JPEG_8u16u(raw, inv), "QuantInvTableInit"))
    return 1;
  print_block("samples", samples);
  print_block("level-shifted", block);
  print_block("quantization table at quality 75 (natural order)", inv);
  if (check(nmxiQuantFwd8x8_JPEG_16s_C1I(block, fwd), "QuantFwd8x8")) return 1;
  print_block("quantized (shifted samples as coefficients)", block);
  if (check(nmxiQuantInv8x8_JPEG_16s_C1I(block, inv), "QuantInv8x8")) return 1;
  print_block("dequantized", block);
  uint8_t back[64];
  if (check(nmxiAdd128_JPEG_16s8u_C1R(block, 16, back, 8, one), "Add128")) return 1;
  print_block("shifted back", back);
  return 0;
}

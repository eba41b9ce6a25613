// A uniform description of every plane colour conversion for the tests: which
// layouts it reads and writes, how it sub-samples, which checks it makes, and
// a call through its export with buffers that the fixture allocates.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "nmxj.h"
#include "support/harness.h"

namespace nmx::test::color {

// Pixel side (RGB-like) or plane side (YCbCr-like) layouts.
enum class Lay { C2, C3, C4, P3, P4, W16 };  // W16: one packed 16-bit word per pixel
enum class Pk { RGB555, RGB565, BGR555, BGR565 };

struct Args {
  const void* src = nullptr;
  const uint8_t* const* srcPlanes = nullptr;
  int32_t srcStep = 0;
  const int32_t* srcSteps = nullptr;
  void* dst = nullptr;
  uint8_t* const* dstPlanes = nullptr;
  int32_t dstStep = 0;
  const int32_t* dstSteps = nullptr;
  NmxSize roi{};
  uint8_t alpha = 0;
};

struct Conv {
  const char* name;
  bool forward;      // pixels -> YCbCr planes
  Lay pix;           // layout of the pixel side
  Lay ycc;           // layout of the plane side (P3, P4, or C2 for the interleaved 4:2:2 source)
  int sub;           // 1 full resolution, 2 = 4:2:2, 4 = 4:1:1
  bool bgr, cmyk, lumaOnly, alphaOut;
  Pk pk;
  bool stepsChecked; // false: no row step is checked
  bool threaded;
  nmxStatus (*call)(const Args&);
};

const std::vector<Conv>& conversions();
const Conv& conv(const std::string& name);

// Buffers for one conversion and one region: every plane and image gets `pad`
// extra bytes per row and one extra row, all filled with a canary first.
struct Bufs {
  static constexpr uint8_t kCanary = 0xC5;
  Bufs(const Conv& c, NmxSize roi, int pad = 5);

  const Conv& c;
  NmxSize roi;
  int32_t pixStep = 0, planeStep = 0;
  std::vector<uint8_t> pix;                 // interleaved / packed / C2 image
  std::vector<std::vector<uint8_t>> planes; // 3 or 4 planes (or 1 for luminance only)
  uint8_t* planePtr[4] = {};
  uint8_t* pixPtr[4] = {};
  int32_t planeSteps[4] = {};
  int32_t steps3[3] = {};

  bool ycc_is_planes() const { return c.ycc != Lay::C2; }
  int n_planes() const { return c.lumaOnly ? 1 : (c.ycc == Lay::P4 ? 4 : 3); }
  // Pixel-side channels per pixel in bytes (packed: 2; planar: 1 per plane).
  int pix_bytes() const;
  // Plane size of plane i (chroma of sub-sampled forms is smaller).
  NmxSize plane_size(int i) const;
  // The part of the region a conversion converts (even part for sub-sampled forms).
  NmxSize converted() const;

  Args args();
  nmxStatus run() { return c.call(args()); }

  // Pixel side: R, G, B of pixel (x, y) (CMYK: 255 - C, 255 - M, 255 - Y; packed: unpacked).
  void get_rgb(int x, int y, int rgb[3]) const;
  void put_rgb(int x, int y, const int rgb[3]);  // packed: top bits of each value
  int get_k(int x, int y) const;
  void put_k(int x, int y, int k);
  int get_alpha(int x, int y) const;
  // Plane side: sample of plane i at plane coordinates (x, y).
  uint8_t& ycc(int i, int x, int y);
  uint8_t ycc(int i, int x, int y) const { return const_cast<Bufs*>(this)->ycc(i, x, y); }

  // Fills the input side at random (whole buffers, padding included).
  void randomize_input(Rng& rng, Fill mode = Fill::Uniform);
  // Bytes of the output side (for whole-buffer comparisons).
  std::vector<uint8_t> output_bytes() const;
  // For each byte of output_bytes(): true when the conversion writes it.
  std::vector<bool> inside_mask() const;
  // True when every output byte outside what the conversion writes still holds `v`.
  bool outside_untouched(std::string* where = nullptr, uint8_t v = kCanary) const;
  // Output buffers filled with `v`.
  void clear_output(uint8_t v = kCanary);
};

}  // namespace nmx::test::color

// A uniform description of every plane colour conversion for the tests: which
// layouts it reads and writes, how it sub-samples, which checks it makes, and
// a call through its export with buffers that the fixture allocates.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "nmxj.h"
#include "support/harness.h"

namespace nmx::test::color {

// Pixel side (RGB-like) or plane side (YCbCr-like) layouts.
enum class Lay { C2, C3, C4, P3, P4, W16 };  // W16: one packed 16-bit word per pixel
enum class Pk { RGB555, RGB565, BGR555, BGR565 };

// The arguments of any conversion; each call shape takes the ones it has.
struct Args {
  const void* src = nullptr;
  const uint8_t* const* srcPlanes = nullptr;
  const int32_t* srcSteps = nullptr;
  void* dst = nullptr;
  uint8_t* const* dstPlanes = nullptr;
  const int32_t* dstSteps = nullptr;
  int32_t srcStep = 0, dstStep = 0;
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
  std::vector<std::vector<uint8_t>> planes; // plane side 0..3, pixel-side planes (R, G, B[, K]) from 4
  // Plane pointers and steps that args() hands to the call (a test may change them first).
  uint8_t* planePtr[4] = {};
  uint8_t* pixPtr[4] = {};
  int32_t planeSteps[4] = {};
  int32_t steps3[3] = {};

  int n_planes() const { return c.lumaOnly ? 1 : (c.ycc == Lay::P4 ? 4 : 3); }
  // Pixel-side bytes per pixel (packed: 2; planar: 1 per plane).
  int pix_bytes() const;
  // Plane size of plane i (chroma of sub-sampled forms is smaller).
  NmxSize plane_size(int i) const;
  // The part of the region a conversion converts (even part for sub-sampled forms).
  NmxSize converted() const;

  Args args();
  nmxStatus run() { return c.call(args()); }

  // Pixel side: R, G, B of pixel (x, y) (CMYK: 255 - C, 255 - M, 255 - Y; packed: unpacked).
  void get_rgb(int x, int y, int rgb[3]);
  void put_rgb(int x, int y, const int rgb[3]);  // packed: top bits of each value
  // Pixel side, byte layouts: byte k (0..2 in R, G, B order; 3 the fourth byte:
  // K of CMYK pixels or planes, alpha of 4-channel outputs) of pixel (x, y).
  uint8_t& channel(int x, int y, int k);
  uint8_t& fourth(int x, int y) { return channel(x, y, 3); }
  // Plane side: sample of plane i at plane coordinates (x, y).
  uint8_t& ycc(int i, int x, int y);

  // Fills the input side at random (whole buffers, padding included).
  void randomize_input(Rng& rng, Fill mode = Fill::Uniform);
  // Bytes of the output side, and for each of them whether the conversion writes it.
  std::vector<uint8_t> output_bytes() const;
  std::vector<bool> inside_mask() const;
  // Output buffers filled with `v`.
  void clear_output(uint8_t v = kCanary);

 private:
  struct Out {
    std::vector<uint8_t>* buf;
    int32_t step, rowBytes, rows;  // the conversion writes rowBytes of the first rows rows
  };
  std::vector<Out> outputs() const;
};

}  // namespace nmx::test::color

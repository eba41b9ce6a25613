// Values of the plane colour conversions: exact outputs for chosen pixels
// (black and white among them, and pixels where a rounding term or a
// coefficient one unit off changes the result), K and alpha bytes, the
// position-dependent precision within a row, accuracy against the real-valued
// colour equations on the serial and threaded paths of the row loop.
#include <algorithm>
#include <cmath>
#include <vector>

#include <omp.h>

#include "color_fixture.h"
#include "nmxcore.h"
#include "support/parallel_regions.h"

namespace nmx::test::color {
namespace {

// Forms that share a case give the same outputs for the same pixels.
struct Case {
  std::vector<const char*> names;
  int w, h;
  std::vector<int> in, out;
};

// Generated from the colour formulas, independently of the library code.
const Case kCases[] = {
    // Forward: R, G, B per pixel in; Y, then Cb and Cr (sub-sampled size; none for luminance only) out.
    {{"nmxiRGBToYCbCr_JPEG_8u_C3P3R", "nmxiBGRToYCbCr_JPEG_8u_C3P3R"}, 13, 1,
     {0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 128, 128, 128, 114, 211, 154, 101, 184, 61, 240, 160,
      30, 187, 29, 109, 19, 44, 222, 214, 35, 123, 46, 217, 30},
     {0, 255, 76, 150, 29, 128, 175, 145, 169, 85, 57, 99, 145, 128, 128, 85, 44, 255, 128, 116, 81, 50, 141, 221,
      142, 63, 128, 128, 255, 21, 107, 128, 84, 97, 179, 200, 101, 210, 58}},
    {{"nmxiRGBToY_JPEG_8u_C3C1R"}, 13, 1,
     {0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 128, 128, 128, 114, 211, 154, 101, 184, 61, 240, 160,
      30, 187, 29, 109, 19, 44, 222, 214, 35, 123, 46, 217, 30},
     {0, 255, 76, 150, 29, 128, 175, 145, 169, 85, 57, 99, 145}},
    {{"nmxiRGBToYCbCr_JPEG_8u_P3R", "nmxiCMYKToYCCK_JPEG_8u_P4R"}, 9, 1,
     {0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 128, 128, 128, 17, 200, 93, 63, 114, 31, 203, 25, 113},
     {0, 255, 76, 150, 29, 128, 133, 89, 88, 128, 128, 85, 43, 255, 128, 105, 95, 142, 128, 128, 255, 21, 107, 128,
      45, 109, 210}},
    {{"nmxiCMYKToYCCK_JPEG_8u_C4P4R"}, 9, 1,
     {0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 128, 128, 128, 17, 200, 93, 240, 160, 30, 203, 25, 113},
     {0, 255, 76, 150, 29, 128, 133, 169, 88, 128, 128, 85, 44, 255, 128, 105, 50, 142, 128, 128, 255, 21, 107, 128,
      45, 179, 210}},
    {{"nmxiRGBToY_JPEG_8u_P3C1R"}, 11, 1,
     {0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 128, 128, 128, 17, 200, 93, 23, 68, 148, 214, 73, 60,
      157, 92, 52, 96, 190, 49},
     {0, 255, 76, 150, 29, 128, 133, 64, 114, 107, 146}},
    {{"nmxiRGBToYCbCr_JPEG_8u_C4P3R"}, 13, 1,
     {0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 128, 128, 128, 17, 200, 93, 32, 30, 105, 254, 218, 160,
      238, 232, 185, 153, 127, 92, 124, 41, 153, 253, 175, 229},
     {0, 255, 76, 150, 29, 128, 133, 39, 222, 228, 131, 79, 204, 128, 128, 85, 44, 255, 128, 105, 165, 93, 103, 106,
      170, 142, 128, 128, 255, 21, 107, 128, 45, 123, 150, 135, 144, 160, 162}},
    {{"nmxiRGBToYCbCr422_JPEG_8u_C3P3R", "nmxiBGRToYCbCr422_JPEG_8u_C4P3R"}, 14, 1,
     {0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 128, 128, 128, 17, 200, 93, 147, 37, 60, 214, 84, 175,
      77, 250, 215, 20, 39, 160, 174, 179, 254, 233, 35, 47, 138, 242, 33},
     {0, 255, 76, 150, 29, 128, 133, 72, 133, 194, 47, 186, 96, 187, 128, 64, 192, 113, 146, 179, 71, 128, 138, 118,
      113, 115, 114, 160}},
    {{"nmxiRGBToYCbCr411_JPEG_8u_C3P3R", "nmxiRGBToYCbCr411_JPEG_8u_C4P3R"}, 12, 2,
     {0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 128, 128, 128, 17, 200, 93, 31, 158, 228, 145, 197,
      177, 11, 236, 181, 86, 59, 252, 30, 111, 147, 66, 126, 203, 200, 254, 41, 85, 229, 205, 142, 70, 220, 142, 212,
      183, 194, 118, 77, 42, 90, 77, 118, 119, 6, 248, 93, 134, 144, 2, 74, 214, 189, 163, 64, 27, 233},
     {0, 255, 76, 150, 29, 128, 133, 128, 179, 162, 89, 91, 117, 214, 183, 109, 188, 136, 74, 106, 144, 53, 194, 62,
      116, 115, 151, 123, 132, 179, 117, 122, 125, 86, 130, 121}},
    {{"nmxiRGB565ToYCbCr_JPEG_16u8u_C3P3R"}, 7, 1,
     {0, 0, 0, 248, 252, 248, 248, 0, 0, 0, 252, 0, 0, 0, 248, 128, 128, 128, 240, 160, 24},
     {0, 250, 74, 148, 28, 128, 168, 128, 127, 86, 45, 252, 128, 47, 128, 126, 252, 22, 108, 128, 179}},
    // Inverse: Y, Cb, Cr per pixel in (chroma read at the covering position); R, G, B per pixel out.
    {{"nmxiYCbCrToRGB_JPEG_8u_P3C3R", "nmxiYCbCrToBGR_JPEG_8u_P3C3R"}, 9, 1,
     {255, 128, 128, 0, 128, 128, 76, 85, 255, 150, 44, 21, 29, 255, 107, 255, 0, 0, 0, 255, 255, 200, 203, 204, 201,
      53, 246},
     {255, 255, 255, 0, 0, 0, 254, 0, 0, 0, 255, 1, 0, 0, 254, 76, 255, 28, 178, 0, 225, 255, 120, 255, 255, 143, 68}},
    {{"nmxiYCbCrToRGB_JPEG_8u_P3R", "nmxiYCCKToCMYK_JPEG_8u_P4C4R", "nmxiYCCKToCMYK_JPEG_8u_P4R"}, 9, 1,
     {255, 128, 128, 0, 128, 128, 76, 85, 255, 150, 44, 21, 29, 255, 107, 255, 0, 0, 0, 255, 255, 200, 203, 204, 201,
      53, 246},
     {255, 255, 255, 0, 0, 0, 254, 0, 0, 0, 255, 1, 0, 0, 254, 76, 255, 28, 178, 0, 225, 255, 120, 255, 255, 143, 68}},
    {{"nmxiYCbCrToRGB_JPEG_8u_P3C4R"}, 9, 1,
     {255, 128, 128, 0, 128, 128, 76, 85, 255, 150, 44, 21, 29, 255, 107, 255, 0, 0, 0, 255, 255, 200, 203, 204, 201,
      53, 246},
     {255, 255, 255, 0, 0, 0, 254, 0, 0, 0, 255, 1, 0, 0, 254, 76, 255, 28, 178, 0, 225, 255, 120, 255, 255, 143, 68}},
    {{"nmxiYCbCrToBGR555_JPEG_8u16u_P3C3R"}, 9, 1,
     {255, 128, 128, 0, 128, 128, 76, 85, 255, 150, 44, 21, 29, 255, 107, 255, 0, 0, 0, 255, 255, 200, 203, 204, 201,
      53, 246},
     {248, 248, 248, 0, 0, 0, 248, 0, 0, 0, 248, 0, 0, 0, 248, 72, 248, 24, 176, 0, 224, 248, 120, 248, 248, 136, 64}},
    {{"nmxiYCbCr422ToRGB_JPEG_8u_P3C4R", "nmxiYCbCr422ToBGR_JPEG_8u_P3C3R"}, 12, 1,
     {255, 128, 128, 0, 128, 128, 76, 85, 255, 150, 44, 21, 29, 255, 107, 255, 0, 0, 0, 255, 255, 205, 31, 97, 34,
      106, 225, 83, 56, 174, 26, 52, 0, 77, 51, 186},
     {255, 255, 255, 0, 0, 0, 254, 0, 0, 255, 74, 74, 0, 0, 254, 226, 226, 255, 178, 0, 225, 255, 71, 255, 170, 0, 0,
      219, 21, 44, 0, 144, 0, 0, 195, 0}},
    {{"nmxiYCbCr422ToRGB_JPEG_8u_C2C3R"}, 12, 1,
     {255, 128, 128, 0, 128, 128, 76, 85, 255, 150, 44, 21, 29, 255, 107, 255, 0, 0, 0, 255, 255, 205, 31, 97, 34,
      106, 225, 83, 56, 174, 26, 52, 0, 77, 51, 186},
     {255, 254, 255, 0, 0, 0, 254, 0, 0, 255, 73, 74, 0, 0, 254, 226, 225, 255, 178, 0, 225, 255, 70, 255, 170, 0, 0,
      219, 21, 44, 0, 144, 0, 0, 195, 0}},
    {{"nmxiYCbCr411ToRGB_JPEG_8u_P3C3R"}, 10, 2,
     {255, 128, 128, 0, 128, 128, 76, 85, 255, 150, 44, 21, 29, 255, 107, 255, 0, 0, 0, 255, 255, 13, 36, 106, 192,
      76, 129, 177, 186, 242, 62, 59, 249, 238, 245, 247, 159, 43, 73, 52, 175, 135, 245, 82, 11, 105, 185, 75, 13,
      152, 46, 133, 187, 85, 182, 114, 168, 114, 99, 122},
     {255, 255, 255, 0, 0, 0, 254, 0, 0, 255, 74, 74, 0, 0, 254, 226, 226, 255, 178, 0, 225, 191, 0, 238, 193, 209,
      100, 178, 194, 85, 62, 62, 62, 238, 238, 238, 255, 83, 83, 230, 0, 0, 216, 216, 255, 76, 76, 255, 191, 0, 238,
      255, 0, 255, 183, 199, 90, 115, 131, 22}},
};

TEST(ColorValues, ExactOutputs) {
  Rng rng(21);
  for (const Case& t : kCases)
    for (const char* name : t.names) {
      const Conv& c = conv(name);
      Bufs b(c, {t.w, t.h});
      b.randomize_input(rng);  // fourth bytes and K at random
      // Each chroma sample of an inverse form is set from the top-left pixel of those it covers.
      const int cw = c.sub > 1 || c.ycc == Lay::C2 ? 2 : 1, ch = c.sub == 4 ? 2 : 1;
      for (int y = 0; y < t.h; ++y)
        for (int x = 0; x < t.w; ++x) {
          const int* q = &t.in[3 * (y * t.w + x)];
          if (c.forward) b.put_rgb(x, y, q);
          for (int i = 0; i < 3 && !c.forward; ++i)
            if (i == 0 || (x % cw == 0 && y % ch == 0))
              b.ycc(i, i ? x / cw : x, i ? y / ch : y) = static_cast<uint8_t>(q[i]);
        }
      ASSERT_EQ(b.run(), nmxStatusOk) << name;
      std::vector<int> got;
      for (int i = 0; i < (c.forward ? b.n_planes() : 1); ++i) {
        const NmxSize s = c.forward ? b.plane_size(i) : b.roi;
        for (int y = 0; y < s.height; ++y)
          for (int x = 0; x < s.width; ++x) {
            int rgb[3];
            if (c.forward && i < 3) got.push_back(b.ycc(i, x, y));
            if (!c.forward) b.get_rgb(x, y, rgb), got.insert(got.end(), rgb, rgb + 3);
            // K is copied both ways; 4-channel outputs carry the caller's alpha.
            if (c.cmyk && i == 0) EXPECT_EQ(b.ycc(3, x, y), b.fourth(x, y)) << name << " K at " << x;
            if (c.alphaOut) EXPECT_EQ(b.fourth(x, y), b.args().alpha) << name << " alpha at " << x;
          }
      }
      EXPECT_EQ(got, t.out) << name;
    }
}

// Rows of one colour: the outputs are constant within each part of the row
// that one precision covers, and for some colours the parts differ, which
// pins down where one precision ends and the next begins.
const struct Split {
  const char* name;
  int width;
  int boundary;  // first pixel of the second precision
} kSplits[] = {
    {"nmxiRGBToYCbCr_JPEG_8u_C3P3R", 13, 8},   {"nmxiBGRToYCbCr_JPEG_8u_C3P3R", 21, 16},
    {"nmxiRGBToYCbCr_JPEG_8u_C3P3R", 12, 8},   {"nmxiRGBToY_JPEG_8u_P3C1R", 7, 4},
    {"nmxiRGBToY_JPEG_8u_P3C1R", 10, 8},       {"nmxiRGBToYCbCr_JPEG_8u_C4P3R", 13, 8},
    {"nmxiRGBToYCbCr_JPEG_8u_C4P3R", 30, 24},  {"nmxiRGBToYCbCr422_JPEG_8u_C3P3R", 22, 16},
    {"nmxiBGRToYCbCr422_JPEG_8u_C4P3R", 14, 8}, {"nmxiRGBToYCbCr411_JPEG_8u_C4P3R", 26, 24},
    {"nmxiYCbCr422ToRGB_JPEG_8u_C2C3R", 13, 8}, {"nmxiYCbCr422ToRGB_JPEG_8u_C2C3R", 31, 24},
};

TEST(ColorValues, PrecisionChangesWhereTheRowSays) {
  Rng rng(24);
  for (const Split& s : kSplits) {
    const Conv& c = conv(s.name);
    bool differs = false;
    // Colours that tell the precisions apart are rare for some forms: try many.
    for (int trial = 0; trial < 30000 && !(differs && trial >= 300); ++trial) {
      Bufs b(c, {s.width, 2});
      const int v[3] = {static_cast<int>(rng() & 255), static_cast<int>(rng() & 255), static_cast<int>(rng() & 255)};
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < s.width; ++x)
          for (int i = 0; i < 3 && !c.forward; ++i) b.ycc(i, i ? x / 2 : x, y) = static_cast<uint8_t>(v[i]);
      for (int y = 0; y < 2 && c.forward; ++y)
        for (int x = 0; x < s.width; ++x) b.put_rgb(x, y, v);
      b.run();
      // Values per pixel: the plane-side samples (forward) or the pixel (inverse).
      auto at = [&](int x) {
        std::vector<int> out(3);
        if (!c.forward) b.get_rgb(x, 0, out.data());
        for (int i = 0; i < b.n_planes() && c.forward; ++i) out[i] = b.ycc(i, i && c.sub > 1 ? x / 2 : x, 0);
        return out;
      };
      for (int x = 1; x < s.width; ++x)
        if (x != s.boundary) ASSERT_EQ(at(x), at(x - 1)) << s.name << " pixel " << x << " width " << s.width;
      differs |= at(s.boundary) != at(s.boundary - 1);
    }
    EXPECT_TRUE(differs) << s.name << ": no colour tells the two precisions apart at " << s.boundary;
  }
}

// Real-valued equations.
void real_fwd(const int rgb[3], double out[3]) {
  const double r = rgb[0], g = rgb[1], b = rgb[2];
  out[0] = 0.299 * r + 0.587 * g + 0.114 * b;
  out[1] = -0.16874 * r - 0.33126 * g + 0.5 * b + 128;
  out[2] = 0.5 * r - 0.41869 * g - 0.08131 * b + 128;
}
double clampd(double v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
void real_inv(int y, int cb, int cr, double out[3]) {
  out[0] = clampd(y + 1.402 * (cr - 128));
  out[1] = clampd(y - 0.34414 * (cb - 128) - 0.71414 * (cr - 128));
  out[2] = clampd(y + 1.772 * (cb - 128));
}

// The largest distance of a conversion's outputs from the real-valued
// equations (chroma of a sub-sampled form: from the mean over the pixels that
// the sample covers; packed outputs: 9 when a field is not the real value
// within 1 cut to its top bits).
double worst_error(Bufs& b, const Args& args) {
  const Conv& c = b.c;
  const int cw = c.sub > 1 || c.ycc == Lay::C2 ? 2 : 1, ch = c.sub == 4 ? 2 : 1;
  double worst = 0;
  for (int i = 0; i < (c.forward ? (c.lumaOnly ? 1 : 3) : 1); ++i) {
    const NmxSize s = c.forward ? b.plane_size(i) : b.converted();
    const int sw = i ? cw : 1, sh = i ? ch : 1;  // pixels a forward sample covers
    for (int y = 0; y < s.height; ++y)
      for (int x = 0; x < s.width; ++x) {
        int rgb[3];
        double want[3], mean = 0;
        if (c.forward) {
          for (int dy = 0; dy < sh; ++dy)
            for (int dx = 0; dx < sw; ++dx) {
              b.get_rgb(x * sw + dx, y * sh + dy, rgb);
              real_fwd(rgb, want);
              mean += want[i] / (sw * sh);
            }
          worst = std::max(worst, std::abs(b.ycc(i, x, y) - clampd(mean)));
          continue;
        }
        b.get_rgb(x, y, rgb);
        real_inv(b.ycc(0, x, y), b.ycc(1, x / cw, y / ch), b.ycc(2, x / cw, y / ch), want);
        if (c.alphaOut && b.fourth(x, y) != args.alpha) worst = 99;
        for (int k = 0; k < 3; ++k) {
          if (c.pix != Lay::W16) {
            worst = std::max(worst, std::abs(rgb[k] - want[k]));
            continue;
          }
          const int unit = k == 1 && (c.pk == Pk::RGB565 || c.pk == Pk::BGR565) ? 4 : 8;  // 6- or 5-bit field
          if (rgb[k] < std::floor((want[k] - 1) / unit) * unit - 1e-9 || rgb[k] > want[k] + 1 + 1e-9) worst = 9;
        }
      }
  }
  return worst;
}

// Every conversion stays within 1 of the real-valued equations, with uniform
// and with extreme inputs. Above 8192 pixels (rows split unevenly, and a
// 2-row region with very long rows) every conversion gives the same bytes on
// one thread, on two, and inside a parallel region; on two threads the 14
// threaded ones open one parallel region, the others none.
TEST(ColorValues, WithinOneOfTheEquationsOnEveryPath) {
  Rng rng(25);
  for (const Conv& c : conversions())
    for (NmxSize roi : {NmxSize{37, 9}, NmxSize{131, 67}, NmxSize{8194, 2}})
      for (Fill mode : {Fill::Uniform, Fill::Extremes}) {
        const bool big = roi.width > 37;
        if (big && mode == Fill::Extremes) continue;
        Bufs b(c, roi, 3);
        b.randomize_input(rng, mode);
        Args args = b.args();
        args.alpha = mode == Fill::Uniform ? 0 : 255;
        std::vector<uint8_t> out[3];
        for (int path = 0; path < (big ? 3 : 1); ++path) {
          b.clear_output();
          nmxSetNumThreads(path == 0 ? 1 : 2);
          const long regions = parallel_regions();
          if (path == 2) {
#pragma omp parallel num_threads(2)
#pragma omp single
            c.call(args);
          } else {
            c.call(args);
          }
          if (path == 1 && regions >= 0)
            EXPECT_EQ(parallel_regions() - regions, c.threaded ? 1 : 0) << c.name << " parallel regions";
          out[path] = b.output_bytes();
        }
        nmxSetNumThreads(0);
        EXPECT_TRUE(!big || out[0] == out[1]) << c.name << " " << roi.width << "x" << roi.height << " 1 vs 2 threads";
        EXPECT_TRUE(!big || out[0] == out[2]) << c.name << " " << roi.width << "x" << roi.height << " nested";
        // The grouped formulas of the interleaved 4:2:2 source floor each chroma
        // term on its own (neutral grey loses one in G): they stay within 1.5.
        EXPECT_LE(worst_error(b, args), c.ycc == Lay::C2 ? 1.5 : 1.0) << c.name << " " << roi.width << "x"
                                                                       << roi.height;
      }
}

}  // namespace
}  // namespace nmx::test::color

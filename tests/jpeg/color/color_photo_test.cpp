// Round trips on the test photographs (forward then inverse conversion) and
// identical outputs on the serial and threaded paths of the row loop.
#include <omp.h>

#include <cmath>

#include "color_fixture.h"
#include "nmxcore.h"
#include "support/ppm.h"

namespace nmx::test::color {
namespace {

struct Trip {
  const char* fwd;
  const char* inv;
  double maxErr;   // largest channel difference allowed (full resolution)
  double minPsnr;  // dB over all channels
};
const Trip kTrips[] = {
    {"nmxiRGBToYCbCr_JPEG_8u_C3P3R", "nmxiYCbCrToRGB_JPEG_8u_P3C3R", 2, 50},
    {"nmxiBGRToYCbCr_JPEG_8u_C3P3R", "nmxiYCbCrToBGR_JPEG_8u_P3C3R", 2, 50},
    {"nmxiRGBToYCbCr_JPEG_8u_C4P3R", "nmxiYCbCrToRGB_JPEG_8u_P3C4R", 2, 50},
    {"nmxiBGRToYCbCr_JPEG_8u_C4P3R", "nmxiYCbCrToBGR_JPEG_8u_P3C4R", 2, 50},
    {"nmxiRGBToYCbCr_JPEG_8u_P3R", "nmxiYCbCrToRGB_JPEG_8u_P3R", 2, 50},
    {"nmxiCMYKToYCCK_JPEG_8u_C4P4R", "nmxiYCCKToCMYK_JPEG_8u_P4C4R", 2, 50},
    {"nmxiCMYKToYCCK_JPEG_8u_P4R", "nmxiYCCKToCMYK_JPEG_8u_P4R", 2, 50},
    {"nmxiRGB555ToYCbCr_JPEG_16u8u_C3P3R", "nmxiYCbCrToRGB555_JPEG_8u16u_P3C3R", 8, 35},
    {"nmxiRGB565ToYCbCr_JPEG_16u8u_C3P3R", "nmxiYCbCrToRGB565_JPEG_8u16u_P3C3R", 8, 35},
    {"nmxiBGR555ToYCbCr_JPEG_16u8u_C3P3R", "nmxiYCbCrToBGR555_JPEG_8u16u_P3C3R", 8, 35},
    {"nmxiBGR565ToYCbCr_JPEG_16u8u_C3P3R", "nmxiYCbCrToBGR565_JPEG_8u16u_P3C3R", 8, 35},
    {"nmxiRGBToYCbCr422_JPEG_8u_C3P3R", "nmxiYCbCr422ToRGB_JPEG_8u_P3C3R", 256, 30},
    {"nmxiBGRToYCbCr422_JPEG_8u_C4P3R", "nmxiYCbCr422ToBGR_JPEG_8u_P3C4R", 256, 39},
    {"nmxiRGBToYCbCr411_JPEG_8u_C3P3R", "nmxiYCbCr411ToRGB_JPEG_8u_P3C3R", 256, 37},
    {"nmxiBGRToYCbCr411_JPEG_8u_C4P3R", "nmxiYCbCr411ToBGR_JPEG_8u_P3C4R", 256, 37},
};

TEST(ColorPhotos, RoundTripsStayClose) {
  for (const std::string& path : corpus_paths()) {
    const Image img = read_pnm(path);
    ASSERT_EQ(img.channels, 3) << path;
    const NmxSize roi{img.width, img.height};
    for (const Trip& t : kTrips) {
      Bufs f(conv(t.fwd), roi), v(conv(t.inv), roi);
      for (int y = 0; y < roi.height; ++y)
        for (int x = 0; x < roi.width; ++x) {
          const uint8_t* p = &img.pixels[3 * (static_cast<size_t>(y) * roi.width + x)];
          const int rgb[3] = {p[0], p[1], p[2]};
          f.put_rgb(x, y, rgb);
          if (f.c.cmyk) f.put_k(x, y, p[0] ^ p[2]);
        }
      ASSERT_GE(f.run(), 0) << t.fwd;
      for (int i = 0; i < 4; ++i) v.planes[i] = f.planes[i];
      ASSERT_GE(v.run(), 0) << t.inv;
      const NmxSize done = v.converted();
      double sq = 0, worst = 0;
      for (int y = 0; y < done.height; ++y)
        for (int x = 0; x < done.width; ++x) {
          int a[3], b[3];
          f.get_rgb(x, y, a);
          v.get_rgb(x, y, b);
          for (int k = 0; k < 3; ++k) {
            const double d = a[k] - b[k];
            sq += d * d;
            worst = std::max(worst, std::abs(d));
          }
          if (f.c.cmyk) ASSERT_EQ(v.get_k(x, y), f.get_k(x, y)) << t.inv << " K";
        }
      const double mse = sq / (3.0 * done.width * done.height);
      const double psnr = mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99;
      EXPECT_LE(worst, t.maxErr) << t.fwd << " -> " << t.inv << " on " << path;
      EXPECT_GE(psnr, t.minPsnr) << t.fwd << " -> " << t.inv << " on " << path;
    }
  }
}

}  // namespace
}  // namespace nmx::test::color

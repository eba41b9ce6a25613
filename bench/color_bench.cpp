// Plane colour conversion on a 1920x1080 image, one thread and all threads:
// RGB pixels -> Y, Cb, Cr planes, planes -> RGB pixels, and the 4:1:1 forms,
// in pixels per second. libjpeg-turbo's static-library AVX2 kernels convert
// the same image in the same run (3-byte RGB pixels, one call for all rows).
#include <cstring>
#include <vector>

#include "bench_util.h"
#include "nmxcore.h"
#include "nmxj.h"

#if NMXJ_HAVE_LIBJPEG
extern "C" {
// Weak, so that a libjpeg.a without these kernels skips the peer runs.
void jsimd_rgb_ycc_convert_avx2(unsigned int img_width, unsigned char** input_buf, unsigned char*** output_buf,
                                unsigned int output_row, int num_rows) __attribute__((weak));
void jsimd_ycc_rgb_convert_avx2(unsigned int out_width, unsigned char*** input_buf, unsigned int input_row,
                                unsigned char** output_buf, int num_rows) __attribute__((weak));
}
#endif

namespace {

constexpr int kW = 1920, kH = 1080;
constexpr NmxSize kHD{kW, kH};
constexpr int64_t kPixels = int64_t{kW} * kH;
// Rows get slack on the right: the peer's kernels work in whole vectors.
constexpr int kPlaneStep = kW + 64, kPixStep = 3 * kW + 192;

int threads_arg(const benchmark::State& s) { return s.range(0) == 0 ? ownGetNumThreads() : 1; }

struct Image {
  std::vector<uint8_t> pix;     // interleaved RGB rows
  std::vector<uint8_t> pl[3];   // Y, Cb, Cr planes (full size; the 4:1:1 chroma uses the top-left quarter)
  uint8_t* planes[3];
  Image() : pix(static_cast<size_t>(kPixStep) * kH) {
    const std::vector<uint8_t> rgb = nmx::bench::test_plane(kW, kH, 3);
    for (int y = 0; y < kH; ++y) std::memcpy(&pix[static_cast<size_t>(y) * kPixStep], &rgb[3 * kW * y], 3 * kW);
    for (int i = 0; i < 3; ++i) {
      pl[i].assign(static_cast<size_t>(kPlaneStep) * kH, 0);
      planes[i] = pl[i].data();
    }
    nmxiRGBToYCbCr_JPEG_8u_C3P3R(pix.data(), kPixStep, planes, kPlaneStep, kHD);
  }
  const uint8_t* const* cplanes() const { return planes; }
};

void BM_RGBToYCbCr_C3P3R(benchmark::State& state) {
  Image img;
  nmxSetNumThreads(threads_arg(state));
  for (auto _ : state) {
    nmxiRGBToYCbCr_JPEG_8u_C3P3R(img.pix.data(), kPixStep, img.planes, kPlaneStep, kHD);
    benchmark::DoNotOptimize(img.planes[2]);
  }
  nmxSetNumThreads(0);
  state.SetItemsProcessed(state.iterations() * kPixels);
}

void BM_YCbCrToRGB_P3C3R(benchmark::State& state) {
  Image img;
  nmxSetNumThreads(threads_arg(state));
  for (auto _ : state) {
    nmxiYCbCrToRGB_JPEG_8u_P3C3R(img.cplanes(), kPlaneStep, img.pix.data(), kPixStep, kHD);
    benchmark::DoNotOptimize(img.pix.data());
  }
  nmxSetNumThreads(0);
  state.SetItemsProcessed(state.iterations() * kPixels);
}

void BM_RGBToYCbCr411_C3P3R(benchmark::State& state) {
  Image img;
  const int32_t steps[3] = {kPlaneStep, kPlaneStep, kPlaneStep};
  for (auto _ : state) {
    nmxiRGBToYCbCr411_JPEG_8u_C3P3R(img.pix.data(), kPixStep, img.planes, steps, kHD);
    benchmark::DoNotOptimize(img.planes[2]);
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}

void BM_YCbCr411ToRGB_P3C3R(benchmark::State& state) {
  Image img;
  const int32_t steps[3] = {kPlaneStep, kPlaneStep, kPlaneStep};
  for (auto _ : state) {
    nmxiYCbCr411ToRGB_JPEG_8u_P3C3R(img.cplanes(), steps, img.pix.data(), kPixStep, kHD);
    benchmark::DoNotOptimize(img.pix.data());
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}

#if NMXJ_HAVE_LIBJPEG
// Row pointer arrays over the same buffers, as the peer takes them.
struct Rows {
  std::vector<unsigned char*> pix, y, cb, cr;
  unsigned char** image[3];
  explicit Rows(Image& img) {
    for (int r = 0; r < kH; ++r) {
      pix.push_back(&img.pix[static_cast<size_t>(r) * kPixStep]);
      y.push_back(&img.pl[0][static_cast<size_t>(r) * kPlaneStep]);
      cb.push_back(&img.pl[1][static_cast<size_t>(r) * kPlaneStep]);
      cr.push_back(&img.pl[2][static_cast<size_t>(r) * kPlaneStep]);
    }
    image[0] = y.data();
    image[1] = cb.data();
    image[2] = cr.data();
  }
};

void BM_Peer_rgb_ycc_convert_avx2(benchmark::State& state) {
  if (!jsimd_rgb_ycc_convert_avx2) {
    state.SkipWithError("jsimd_rgb_ycc_convert_avx2 not in libjpeg.a");
    return;
  }
  Image img;
  Rows rows(img);
  for (auto _ : state) {
    jsimd_rgb_ycc_convert_avx2(kW, rows.pix.data(), rows.image, 0, kH);
    benchmark::DoNotOptimize(img.planes[2]);
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}

void BM_Peer_ycc_rgb_convert_avx2(benchmark::State& state) {
  if (!jsimd_ycc_rgb_convert_avx2) {
    state.SkipWithError("jsimd_ycc_rgb_convert_avx2 not in libjpeg.a");
    return;
  }
  Image img;
  Rows rows(img);
  for (auto _ : state) {
    jsimd_ycc_rgb_convert_avx2(kW, rows.image, 0, rows.pix.data(), kH);
    benchmark::DoNotOptimize(img.pix.data());
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}

BENCHMARK(BM_Peer_rgb_ycc_convert_avx2)->UseRealTime();
BENCHMARK(BM_Peer_ycc_rgb_convert_avx2)->UseRealTime();
// Rates over CPU time as well: on a machine shared with other work they show
// what one core does while it runs.
BENCHMARK(BM_Peer_rgb_ycc_convert_avx2)->Name("BM_Peer_rgb_ycc_convert_avx2/cpu_time");
BENCHMARK(BM_Peer_ycc_rgb_convert_avx2)->Name("BM_Peer_ycc_rgb_convert_avx2/cpu_time");
#endif

// Arg 0: all threads, 1: one thread. The 4:1:1 forms run in the calling thread.
BENCHMARK(BM_RGBToYCbCr_C3P3R)->ArgName("one_thread")->Arg(1)->Arg(0)->UseRealTime();
BENCHMARK(BM_YCbCrToRGB_P3C3R)->ArgName("one_thread")->Arg(1)->Arg(0)->UseRealTime();
BENCHMARK(BM_RGBToYCbCr411_C3P3R)->UseRealTime();
BENCHMARK(BM_YCbCr411ToRGB_P3C3R)->UseRealTime();
BENCHMARK(BM_RGBToYCbCr_C3P3R)->Name("BM_RGBToYCbCr_C3P3R/cpu_time")->Arg(1);
BENCHMARK(BM_YCbCrToRGB_P3C3R)->Name("BM_YCbCrToRGB_P3C3R/cpu_time")->Arg(1);

const int kColorRatios =
    (nmx::bench::add_ratio("RGBToYCbCr C3P3R one thread / peer rgb_ycc avx2",
                           "BM_RGBToYCbCr_C3P3R/one_thread:1/real_time", "BM_Peer_rgb_ycc_convert_avx2/real_time"),
     nmx::bench::add_ratio("YCbCrToRGB P3C3R one thread / peer ycc_rgb avx2",
                           "BM_YCbCrToRGB_P3C3R/one_thread:1/real_time", "BM_Peer_ycc_rgb_convert_avx2/real_time"),
     nmx::bench::add_ratio("RGBToYCbCr411 (one thread) / peer rgb_ycc avx2 (full-res)",
                           "BM_RGBToYCbCr411_C3P3R/real_time", "BM_Peer_rgb_ycc_convert_avx2/real_time"),
     nmx::bench::add_ratio("YCbCr411ToRGB (one thread) / peer ycc_rgb avx2 (full-res)",
                           "BM_YCbCr411ToRGB_P3C3R/real_time", "BM_Peer_ycc_rgb_convert_avx2/real_time"),
     nmx::bench::add_ratio("RGBToYCbCr C3P3R all threads / one thread", "BM_RGBToYCbCr_C3P3R/one_thread:0/real_time",
                           "BM_RGBToYCbCr_C3P3R/one_thread:1/real_time"),
     nmx::bench::add_ratio("YCbCrToRGB P3C3R all threads / one thread", "BM_YCbCrToRGB_P3C3R/one_thread:0/real_time",
                           "BM_YCbCrToRGB_P3C3R/one_thread:1/real_time"),
     nmx::bench::add_ratio("RGBToYCbCr C3P3R one thread / peer, CPU time", "BM_RGBToYCbCr_C3P3R/cpu_time/1",
                           "BM_Peer_rgb_ycc_convert_avx2/cpu_time"),
     nmx::bench::add_ratio("YCbCrToRGB P3C3R one thread / peer, CPU time", "BM_YCbCrToRGB_P3C3R/cpu_time/1",
                           "BM_Peer_ycc_rgb_convert_avx2/cpu_time"),
     0);

}  // namespace

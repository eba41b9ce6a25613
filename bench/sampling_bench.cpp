// Plane sampling on a 1920x1080 plane: SampleDownH2V2 (1920x1080 -> 960x540)
// and SampleUpH2V2 (960x540 -> 1920x1080), one thread and all threads, next to
// libjpeg-turbo's AVX2 kernels on the same data. Rates count full-resolution
// pixels (1920 x 1080 per call) in every run. Each benchmark iteration times
// five calls and reports the fastest (manual time), so that a core shared
// with other work gives the speed of an undisturbed call rather than the
// average share of the processor it happened to get.
//
// The peer kernels work on arrays of row pointers: the down-sampler takes the
// whole plane as 1080 input rows and 540 output rows; the up-sampler takes 540
// input rows with a context row above and below (edges replicated) and writes
// 1080 rows. Their rows are padded generously on both sides, since the vector
// code reads and writes in whole vectors past the row end.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench_util.h"
#include "nmxcore.h"
#include "nmxj.h"

#if NMXJ_HAVE_LIBJPEG
extern "C" {
// Weak, so that a libjpeg.a without these kernels skips the peer runs. A weak
// reference alone does not pull an archive member into the link, so the
// benchmark also refers to the public codec entry points, whose objects bring
// in the library's SIMD kernels when it has them.
void jpeg_start_compress(void* cinfo, int write_all_tables);
void jpeg_start_decompress(void* cinfo);
void jsimd_h2v2_downsample_avx2(unsigned int image_width, int max_v_samp_factor, unsigned int v_samp_factor,
                                unsigned int width_in_blocks, unsigned char** input_data,
                                unsigned char** output_data) __attribute__((weak));
void jsimd_h2v2_fancy_upsample_avx2(int max_v_samp_factor, unsigned int downsampled_width,
                                    unsigned char** input_data, unsigned char*** output_data_ptr)
    __attribute__((weak));
}
#endif

namespace {

constexpr int kW = 1920, kH = 1080, kHalfW = kW / 2, kHalfH = kH / 2;
constexpr int64_t kPixels = int64_t{kW} * kH;
constexpr int kPad = 128;  // bytes of padding on each side of every row

#if NMXJ_HAVE_LIBJPEG
// Keeps the references to the codec entry points (see above) in the binary.
void (*const volatile kLibjpegAnchors[])() = {reinterpret_cast<void (*)()>(&jpeg_start_compress),
                                             reinterpret_cast<void (*)()>(&jpeg_start_decompress)};
#endif

// Runs `call` five times and records the fastest as the iteration's time.
template <class Call>
void best_of_five(benchmark::State& state, Call&& call) {
  double best = 1e30;
  for (int k = 0; k < 5; ++k) {
    const auto t0 = std::chrono::steady_clock::now();
    call();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  state.SetIterationTime(best);
}

int threads_arg(const benchmark::State& s) { return s.range(0) == 0 ? ownGetNumThreads() : 1; }

// Rows of `width` samples with padding, `rows` of them plus one context row
// above and below; the region starts at row 1, column kPad.
struct Padded {
  Padded(int width, int rows) : step(width + 2 * kPad), height(rows), bytes(static_cast<size_t>(step) * (rows + 2)) {}
  uint8_t* row(int r) { return bytes.data() + static_cast<size_t>(r + 1) * step + kPad; }
  std::vector<unsigned char*> pointers() {
    std::vector<unsigned char*> p;
    for (int r = -1; r <= height; ++r) p.push_back(row(r));
    return p;
  }
  int step, height;
  std::vector<uint8_t> bytes;
};

// The half-size plane with its context ring filled by edge replication.
Padded half_plane() {
  Padded p(kHalfW, kHalfH);
  const std::vector<uint8_t> src = nmx::bench::test_plane(kHalfW, kHalfH, 1, 7);
  for (int r = 0; r < kHalfH; ++r) {
    std::copy(src.begin() + r * kHalfW, src.begin() + (r + 1) * kHalfW, p.row(r));
    p.row(r)[-1] = p.row(r)[0];
    p.row(r)[kHalfW] = p.row(r)[kHalfW - 1];
  }
  std::copy(p.row(0) - 1, p.row(0) + kHalfW + 1, p.row(-1) - 1);
  std::copy(p.row(kHalfH - 1) - 1, p.row(kHalfH - 1) + kHalfW + 1, p.row(kHalfH) - 1);
  return p;
}

Padded full_plane() {
  Padded p(kW, kH);
  const std::vector<uint8_t> src = nmx::bench::test_plane(kW, kH);
  for (int r = 0; r < kH; ++r) std::copy(src.begin() + r * kW, src.begin() + (r + 1) * kW, p.row(r));
  return p;
}

void BM_SampleDownH2V2(benchmark::State& state) {
  Padded src = full_plane();
  Padded dst(kHalfW, kHalfH);
  nmxSetNumThreads(threads_arg(state));
  for (auto _ : state) {
    best_of_five(state, [&] {
      nmxiSampleDownH2V2_JPEG_8u_C1R(src.row(0), src.step, {kW, kH}, dst.row(0), dst.step, {kHalfW, kHalfH});
      benchmark::DoNotOptimize(dst.bytes.data());
    });
  }
  nmxSetNumThreads(0);
  state.SetItemsProcessed(state.iterations() * kPixels);
}

void BM_SampleUpH2V2(benchmark::State& state) {
  Padded src = half_plane();
  Padded dst(kW, kH);
  nmxSetNumThreads(threads_arg(state));
  for (auto _ : state) {
    best_of_five(state, [&] {
      nmxiSampleUpH2V2_JPEG_8u_C1R(src.row(0), src.step, {kHalfW, kHalfH}, dst.row(0), dst.step, {kW, kH});
      benchmark::DoNotOptimize(dst.bytes.data());
    });
  }
  nmxSetNumThreads(0);
  state.SetItemsProcessed(state.iterations() * kPixels);
}

BENCHMARK(BM_SampleDownH2V2)->ArgName("one_thread")->Arg(1)->Arg(0)->UseManualTime();
BENCHMARK(BM_SampleUpH2V2)->ArgName("one_thread")->Arg(1)->Arg(0)->UseManualTime();

#if NMXJ_HAVE_LIBJPEG

void BM_PeerDownH2V2(benchmark::State& state) {
  benchmark::DoNotOptimize(kLibjpegAnchors[0]);
  if (!jsimd_h2v2_downsample_avx2) {
    state.SkipWithError("jsimd_h2v2_downsample_avx2 not in libjpeg.a");
    return;
  }
  Padded src = full_plane();
  Padded dst(kHalfW, kHalfH);
  std::vector<unsigned char*> in = src.pointers(), out = dst.pointers();
  // Same output from our box row form (the peer's rounding) says the call is right.
  jsimd_h2v2_downsample_avx2(kW, kH, kHalfH, kHalfW / 8, in.data() + 1, out.data() + 1);
  std::vector<uint8_t> mine(kHalfW);
  int differ = 0;
  for (int r = 0; r < kHalfH; ++r) {
    nmxiSampleDownRowH2V2_Box_JPEG_8u_C1(src.row(2 * r), src.row(2 * r + 1), kW, mine.data());
    differ += !std::equal(mine.begin(), mine.end(), dst.row(r));
  }
  if (differ) std::fprintf(stderr, "peer h2v2 down-sampling differs from the box row form in %d rows\n", differ);
  for (auto _ : state) {
    best_of_five(state, [&] {
      jsimd_h2v2_downsample_avx2(kW, kH, kHalfH, kHalfW / 8, in.data() + 1, out.data() + 1);
      benchmark::DoNotOptimize(dst.bytes.data());
    });
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}

void BM_PeerUpH2V2(benchmark::State& state) {
  benchmark::DoNotOptimize(kLibjpegAnchors[1]);
  if (!jsimd_h2v2_fancy_upsample_avx2) {
    state.SkipWithError("jsimd_h2v2_fancy_upsample_avx2 not in libjpeg.a");
    return;
  }
  Padded src = half_plane();
  Padded dst(kW, kH);
  std::vector<unsigned char*> in = src.pointers(), out = dst.pointers();
  unsigned char** outRows = out.data() + 1;
  jsimd_h2v2_fancy_upsample_avx2(kH, kHalfW, in.data() + 1, &outRows);
  std::vector<uint8_t> mine(kW);
  int differ = 0;
  for (int r = 0; r < kH; ++r) {
    const uint8_t* nearer = src.row(r / 2);
    const uint8_t* farther = src.row((r & 1) ? r / 2 + 1 : r / 2 - 1);
    nmxiSampleUpRowH2V2_Triangle_JPEG_8u_C1(nearer, farther, kHalfW, mine.data());
    differ += !std::equal(mine.begin(), mine.end(), dst.row(r));
  }
  if (differ) std::fprintf(stderr, "peer h2v2 up-sampling differs from the triangle row form in %d rows\n", differ);
  for (auto _ : state) {
    best_of_five(state, [&] {
      jsimd_h2v2_fancy_upsample_avx2(kH, kHalfW, in.data() + 1, &outRows);
      benchmark::DoNotOptimize(dst.bytes.data());
    });
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
}

BENCHMARK(BM_PeerDownH2V2)->UseManualTime();
BENCHMARK(BM_PeerUpH2V2)->UseManualTime();

const int kSamplingPeerRatios =
    (nmx::bench::add_ratio("SampleDownH2V2 one thread / libjpeg-turbo avx2", "BM_SampleDownH2V2/one_thread:1/manual_time",
                           "BM_PeerDownH2V2/manual_time"),
     nmx::bench::add_ratio("SampleUpH2V2 one thread / libjpeg-turbo avx2", "BM_SampleUpH2V2/one_thread:1/manual_time",
                           "BM_PeerUpH2V2/manual_time"));

#endif

const int kSamplingThreadRatios =
    (nmx::bench::add_ratio("SampleDownH2V2 all threads / one thread", "BM_SampleDownH2V2/one_thread:0/manual_time",
                           "BM_SampleDownH2V2/one_thread:1/manual_time"),
     nmx::bench::add_ratio("SampleUpH2V2 all threads / one thread", "BM_SampleUpH2V2/one_thread:0/manual_time",
                           "BM_SampleUpH2V2/one_thread:1/manual_time"));

}  // namespace

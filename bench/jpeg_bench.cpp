// Whole-image baseline JPEG encode and decode with the example codec, against
// TurboJPEG (tjCompress2 / tjDecompress2) in the same run: a 2048x2048
// picture tiled from the test photographs, quality 90, 4:4:4 and 4:2:0.
#if NMXJ_HAVE_JPEG_TOOL && NMXJ_HAVE_TURBOJPEG

#include <turbojpeg.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_util.h"
#include "jpeg/codec.h"
#include "nmxcore.h"
#include "support/ppm.h"

namespace {

constexpr int kSide = 2048;
constexpr int kQuality = 90;

// The corpus photographs tiled (mirrored at every seam) into one picture.
const nmxjpeg::Image& picture() {
  static const nmxjpeg::Image img = [] {
    std::vector<nmx::test::Image> tiles;
    for (const std::string& p : nmx::test::corpus_paths()) tiles.push_back(nmx::test::read_pnm(p));
    nmxjpeg::Image out;
    out.width = out.height = kSide;
    out.channels = 3;
    out.pixels.resize(static_cast<size_t>(kSide) * kSide * 3);
    int t = 0;
    for (int ty = 0; ty < kSide; ty += 512)
      for (int tx = 0; tx < kSide; tx += 512, ++t) {
        const nmx::test::Image& tile = tiles[t % tiles.size()];
        for (int y = ty; y < ty + 512; ++y)
          for (int x = tx; x < tx + 512; ++x) {
            int sx = (x - tx) % (2 * tile.width), sy = (y - ty) % (2 * tile.height);
            if (sx >= tile.width) sx = 2 * tile.width - 1 - sx;
            if (sy >= tile.height) sy = 2 * tile.height - 1 - sy;
            for (int c = 0; c < 3; ++c)
              out.pixels[(static_cast<size_t>(y) * kSide + x) * 3 + c] =
                  tile.pixels[(static_cast<size_t>(sy) * tile.width + sx) * 3 + c];
          }
      }
    return out;
  }();
  return img;
}

nmxjpeg::Sampling ours_sampling(int s) { return s == 444 ? nmxjpeg::Sampling::S444 : nmxjpeg::Sampling::S420; }
int tj_sampling(int s) { return s == 444 ? TJSAMP_444 : TJSAMP_420; }

std::vector<uint8_t> tj_encode(tjhandle h, const nmxjpeg::Image& img, int sampling) {
  unsigned char* buf = nullptr;
  unsigned long len = 0;
  if (tjCompress2(h, img.pixels.data(), img.width, 0, img.height, TJPF_RGB, &buf, &len, tj_sampling(sampling),
                  kQuality, 0) != 0)
    return {};
  std::vector<uint8_t> out(buf, buf + len);
  tjFree(buf);
  return out;
}

// Arg 0: sampling (444 or 420); arg 1: threads for our whole-plane stages.
void BM_JpegEncode_nmxj(benchmark::State& state) {
  const nmxjpeg::Image& img = picture();
  nmxSetNumThreads(static_cast<int32_t>(state.range(1)));
  std::vector<uint8_t> out;
  std::string error;
  nmxjpeg::Workspace workspace;  // kept across images, as TurboJPEG keeps its handle
  for (auto _ : state)
    if (!nmxjpeg::encode(img, {kQuality, ours_sampling(static_cast<int>(state.range(0))), 0}, out, error, &workspace))
      state.SkipWithError(error.c_str());
  nmxSetNumThreads(0);
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
  state.counters["bytes"] = static_cast<double>(out.size());
}

void BM_JpegEncode_turbojpeg(benchmark::State& state) {
  const nmxjpeg::Image& img = picture();
  tjhandle h = tjInitCompress();
  size_t size = 0;
  for (auto _ : state) size = tj_encode(h, img, static_cast<int>(state.range(0))).size();
  tjDestroy(h);
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
  state.counters["bytes"] = static_cast<double>(size);
}

// Both decoders read the same file (TurboJPEG's encoding of the picture).
void BM_JpegDecode_nmxj(benchmark::State& state) {
  tjhandle h = tjInitCompress();
  const std::vector<uint8_t> file = tj_encode(h, picture(), static_cast<int>(state.range(0)));
  tjDestroy(h);
  nmxSetNumThreads(static_cast<int32_t>(state.range(1)));
  nmxjpeg::Image out;
  std::string error;
  for (auto _ : state)
    if (!nmxjpeg::decode(file.data(), file.size(), {}, out, error)) state.SkipWithError(error.c_str());
  nmxSetNumThreads(0);
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

void BM_JpegDecode_turbojpeg(benchmark::State& state) {
  tjhandle h = tjInitCompress();
  const std::vector<uint8_t> file = tj_encode(h, picture(), static_cast<int>(state.range(0)));
  tjDestroy(h);
  tjhandle d = tjInitDecompress();
  std::vector<uint8_t> out(static_cast<size_t>(kSide) * kSide * 3);
  for (auto _ : state)
    if (tjDecompress2(d, file.data(), file.size(), out.data(), kSide, 0, kSide, TJPF_RGB, 0) != 0)
      state.SkipWithError(tjGetErrorStr2(d));
  tjDestroy(d);
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

BENCHMARK(BM_JpegEncode_nmxj)->ArgNames({"sampling", "threads"})->Args({444, 1})->Args({420, 1})->Args({420, 2})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegEncode_turbojpeg)->ArgName("sampling")->Arg(444)->Arg(420)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegDecode_nmxj)->ArgNames({"sampling", "threads"})->Args({444, 1})->Args({420, 1})->Args({420, 2})
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_JpegDecode_turbojpeg)->ArgName("sampling")->Arg(444)->Arg(420)->Unit(benchmark::kMillisecond)->UseRealTime();

const int kJpegRatios =
    (nmx::bench::add_ratio("JPEG encode 4:4:4 q90, one thread / TurboJPEG",
                           "BM_JpegEncode_nmxj/sampling:444/threads:1/real_time",
                           "BM_JpegEncode_turbojpeg/sampling:444/real_time"),
     nmx::bench::add_ratio("JPEG encode 4:2:0 q90, one thread / TurboJPEG",
                           "BM_JpegEncode_nmxj/sampling:420/threads:1/real_time",
                           "BM_JpegEncode_turbojpeg/sampling:420/real_time"),
     nmx::bench::add_ratio("JPEG decode 4:4:4 q90, one thread / TurboJPEG",
                           "BM_JpegDecode_nmxj/sampling:444/threads:1/real_time",
                           "BM_JpegDecode_turbojpeg/sampling:444/real_time"),
     nmx::bench::add_ratio("JPEG decode 4:2:0 q90, one thread / TurboJPEG",
                           "BM_JpegDecode_nmxj/sampling:420/threads:1/real_time",
                           "BM_JpegDecode_turbojpeg/sampling:420/real_time"));

}  // namespace

#endif

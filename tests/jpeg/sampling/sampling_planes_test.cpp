// Whole-plane sampling through the exports: the reference row kernels applied
// row by row over random planes (row selection, context rows, rounding terms,
// steps with padding) on one thread, two threads and inside a parallel
// region; the region written and the span read; argument checks. The values
// of the row kernels themselves are checked by hand in sampling_values_test
// (and the plane up-samplers on linear content there).
#include <omp.h>

#include <vector>

#include "jpeg/sampling/sampling_kernels.h"
#include "nmxcore.h"
#include "nmxj.h"
#include "support/harness.h"
#include "support/parallel_regions.h"

namespace {

using Bytes = std::vector<uint8_t>;
using PlaneFn = nmxStatus (*)(const uint8_t*, int32_t, NmxSize, uint8_t*, int32_t, NmxSize);

enum class Form { DownH2V1, DownH2V2, UpH2V1, UpH2V2 };
const struct {
  Form form;
  const char* name;
  PlaneFn fn;
} kForms[] = {{Form::DownH2V1, "DownH2V1", nmxiSampleDownH2V1_JPEG_8u_C1R},
              {Form::DownH2V2, "DownH2V2", nmxiSampleDownH2V2_JPEG_8u_C1R},
              {Form::UpH2V1, "UpH2V1", nmxiSampleUpH2V1_JPEG_8u_C1R},
              {Form::UpH2V2, "UpH2V2", nmxiSampleUpH2V2_JPEG_8u_C1R}};

// A random source with a margin of 3 samples around the span a form reads for
// a destination of w x h: columns [x0, x1), rows [y0, y1) relative to the
// source region's top-left sample.
struct Source {
  static constexpr int kMargin = 3;
  Source(Form f, int w, int h, int pad, nmx::test::Rng& rng) {
    const bool up = f == Form::UpH2V1 || f == Form::UpH2V2;
    x0 = up ? -1 : 0, x1 = up ? w / 2 + 1 : 2 * w;
    y0 = f == Form::UpH2V2 ? -1 : 0, y1 = f == Form::UpH2V2 ? (h - 1) / 2 + 2 : f == Form::DownH2V2 ? 2 * h : h;
    step = x1 - x0 + 2 * kMargin + pad;
    bytes.resize(static_cast<size_t>(step) * (y1 - y0 + 2 * kMargin));
    nmx::test::fill(bytes.data(), bytes.size(), rng);
  }
  const uint8_t* region() const { return bytes.data() + (kMargin - y0) * step + (kMargin - x0); }
  bool in_span(size_t i) const {
    const int y = static_cast<int>(i / step) - kMargin + y0, x = static_cast<int>(i % step) - kMargin + x0;
    return x >= x0 && x < x1 && y >= y0 && y < y1;
  }
  int x0, x1, y0, y1, step;
  Bytes bytes;
};

// The reference rows of one form, applied row by row: plane down-sampling
// rounds with 1 (H2V1) and 3 (H2V2) on every output; up-sampling row r lies
// in source row r (H2V1) or r / 2 with the row above (even r) or below (odd r)
// as the farther row (H2V2).
Bytes reference(Form f, const uint8_t* src, int32_t step, int w, int h) {
  const nmx::sampling::Kernels ref = nmx::sampling::kernels_for(nmx::Target::Ref);
  Bytes out(static_cast<size_t>(w) * h);
  for (int r = 0; r < h; ++r) {
    uint8_t* d = out.data() + static_cast<size_t>(r) * w;
    const uint8_t* n = src + (r / 2) * step;
    switch (f) {
      case Form::DownH2V1: ref.down_h2v1(src + r * step, d, w, 1, 1, 0); break;
      case Form::DownH2V2: ref.down_h2v2(src + 2 * r * step, src + (2 * r + 1) * step, d, w, 3, 3, 0); break;
      case Form::UpH2V1: ref.up_h2v1(src + r * step, d, w); break;
      case Form::UpH2V2: ref.up_h2v2(n, (r & 1) ? n + step : n - step, d, w); break;
    }
  }
  return out;
}

// Runs a form into a destination with padding columns and guard rows on the
// given path (0: one thread, 1: two threads, 2: inside a parallel region);
// returns the region and checks that nothing else changed. `regions` gets the
// number of parallel regions the call opened (-1: not countable).
Bytes run(PlaneFn fn, const Source& s, int w, int h, int dstPad, int path = 0, long* regions = nullptr) {
  const int dstStep = w + dstPad;
  Bytes dst(static_cast<size_t>(dstStep) * (h + 2), 0xC3);
  const auto call = [&] { EXPECT_EQ(fn(s.region(), s.step, {1, 1}, dst.data() + dstStep, dstStep, {w, h}), 0); };
  nmxSetNumThreads(path == 0 ? 1 : 2);
  const long before = nmx::test::parallel_regions();
  if (path == 2) {
#pragma omp parallel num_threads(2)
#pragma omp single
    call();
  } else {
    call();
  }
  if (regions) *regions = before < 0 ? -1 : nmx::test::parallel_regions() - before;
  nmxSetNumThreads(0);
  Bytes out;
  for (size_t i = 0; i < dst.size(); ++i) {
    const size_t r = i / dstStep, x = i % dstStep;
    if (r >= 1 && r <= static_cast<size_t>(h) && x < static_cast<size_t>(w)) out.push_back(dst[i]);
    else EXPECT_EQ(dst[i], 0xC3) << "wrote outside the region at row " << r - 1 << " column " << x;
  }
  return out;
}

// Random sizes and paddings, then regions around the 8192-pixel threshold of
// the row loop (rows split unevenly, one long row, narrow tall planes). On
// the small planes, samples outside the span a form reads (region plus its
// context) are changed afterwards and must not change the result. Above the
// threshold the three threaded forms split their rows over two threads (one
// parallel region); H2V1 up-sampling always runs in the calling thread.
TEST(SamplePlanes, MatchReferenceRowsOnEveryPath) {
  nmx::test::Rng rng(42);
  std::uniform_int_distribution<int> size(1, 90), pad(0, 40);
  for (const auto& f : kForms)
    for (int trial = 0; trial < 65; ++trial) {
      const NmxSize big[] = {{128, 64}, {8193, 1}, {97, 85}, {961, 37}, {3, 4000}};
      const int w = trial < 60 ? size(rng) : big[trial - 60].width;
      const int h = trial < 4 ? trial + 1 : trial < 60 ? size(rng) / 3 + 1 : big[trial - 60].height;
      Source s(f.form, w, h, pad(rng), rng);
      const Bytes want = reference(f.form, s.region(), s.step, w, h);
      for (int path = 0; path < (trial < 60 ? 1 : 3); ++path) {
        long regions = -1;
        ASSERT_TRUE(nmx::test::same(want.data(), run(f.fn, s, w, h, pad(rng), path, &regions).data(), want.size(), w))
            << f.name << " " << w << "x" << h << " path " << path;
        const bool split = f.form != Form::UpH2V1 && w * h > 8192;
        if (path == 1 && regions >= 0) EXPECT_EQ(regions, split ? 1 : 0) << f.name << " " << w << "x" << h;
      }
      if (trial >= 60) continue;
      for (size_t i = 0; i < s.bytes.size(); ++i)
        if (!s.in_span(i)) s.bytes[i] = static_cast<uint8_t>(~s.bytes[i]);
      EXPECT_EQ(run(f.fn, s, w, h, 0), want) << f.name << " " << w << "x" << h << " read outside its span";
    }
}

// Source null, source step, source size, destination null, destination step,
// destination width, destination height; outputs untouched on error.
TEST(SamplePlanes, ArgumentChecksInOrder) {
  const struct {
    const char* what;
    bool srcNull, dstNull;
    int32_t srcStep, srcW, srcH, dstStep, dstW, dstH;
    nmxStatus want;
  } cases[] = {
      {"ok", false, false, 8, 4, 2, 8, 2, 1, nmxStatusOk},
      {"src null first", true, true, 0, 0, 0, 0, 0, 0, nmxStatusNullPtrErr},
      {"src step before src size", false, true, 0, 0, 2, 8, 2, 1, nmxStatusStepErr},
      {"src width before dst null", false, true, 8, 0, 2, 8, 2, 1, nmxStatusSizeErr},
      {"src height negative", false, false, 8, 4, -3, 8, 2, 1, nmxStatusSizeErr},
      {"dst null before dst step", false, true, 8, 4, 2, 0, 2, 1, nmxStatusNullPtrErr},
      {"dst step before dst size", false, false, 8, 4, 2, -1, 0, 0, nmxStatusStepErr},
      {"dst width 0", false, false, 8, 4, 2, 8, 0, 1, nmxStatusSizeErr},
      {"dst height 0", false, false, 8, 4, 2, 8, 2, 0, nmxStatusSizeErr},
      {"dst width negative", false, false, 8, 4, 2, 8, -2, 1, nmxStatusSizeErr},
      {"source size only checked for sign", false, false, 8, 1, 1, 8, 2, 1, nmxStatusOk},
      {"step 1 accepted", false, false, 1, 4, 2, 1, 2, 1, nmxStatusOk},
  };
  for (const auto& f : kForms)
    for (const auto& c : cases) {
      const Bytes src(64, 7);
      Bytes dst(64, 0xEE);
      const nmxStatus got = f.fn(c.srcNull ? nullptr : src.data() + 24, c.srcStep, {c.srcW, c.srcH},
                                 c.dstNull ? nullptr : dst.data() + 24, c.dstStep, {c.dstW, c.dstH});
      EXPECT_EQ(got, c.want) << f.name << ": " << c.what;
      if (c.want != nmxStatusOk) EXPECT_EQ(dst, Bytes(64, 0xEE)) << f.name << ": " << c.what;
    }
}

}  // namespace

// Whole-plane sampling: exports against the reference row kernels over random
// planes (row selection, context rows, steps with padding), the region the
// exports read and write, source sizes that do not matter, identical results
// on one thread, two threads and inside a parallel region.
#include <omp.h>

#include <vector>

#include "jpeg/sampling/sampling_kernels.h"
#include "nmxcore.h"
#include "nmxj.h"
#include "support/harness.h"

namespace {

using Bytes = std::vector<uint8_t>;
using PlaneFn = nmxStatus (*)(const uint8_t*, int32_t, NmxSize, uint8_t*, int32_t, NmxSize);

enum class Form { DownH2V1, DownH2V2, UpH2V1, UpH2V2 };
const Form kForms[] = {Form::DownH2V1, Form::DownH2V2, Form::UpH2V1, Form::UpH2V2};

const char* name(Form f) {
  static const char* const names[] = {"DownH2V1", "DownH2V2", "UpH2V1", "UpH2V2"};
  return names[static_cast<int>(f)];
}
PlaneFn fn(Form f) {
  static const PlaneFn fns[] = {nmxiSampleDownH2V1_JPEG_8u_C1R, nmxiSampleDownH2V2_JPEG_8u_C1R,
                                nmxiSampleUpH2V1_JPEG_8u_C1R, nmxiSampleUpH2V2_JPEG_8u_C1R};
  return fns[static_cast<int>(f)];
}

// Source samples a form reads for a destination of w x h: columns [x0, x1),
// rows [y0, y1) relative to the source region's top-left sample.
struct Span {
  int x0, x1, y0, y1;
};
Span source_span(Form f, int w, int h) {
  switch (f) {
    case Form::DownH2V1: return {0, 2 * w, 0, h};
    case Form::DownH2V2: return {0, 2 * w, 0, 2 * h};
    case Form::UpH2V1: return {-1, w / 2 + 1, 0, h};
    default: return {-1, w / 2 + 1, -1, (h - 1) / 2 + 2};
  }
}

// A source buffer with a margin of 3 samples around the span a form reads.
struct Source {
  static constexpr int kMargin = 3;
  Source(Form f, int w, int h, int pad, nmx::test::Rng& rng) : span(source_span(f, w, h)) {
    step = span.x1 - span.x0 + 2 * kMargin + pad;
    rows = span.y1 - span.y0 + 2 * kMargin;
    bytes.resize(static_cast<size_t>(step) * rows);
    nmx::test::fill(bytes.data(), bytes.size(), rng);
  }
  const uint8_t* region() const { return bytes.data() + (kMargin - span.y0) * step + (kMargin - span.x0); }
  // Whether buffer byte i lies inside the span the form reads.
  bool in_span(size_t i) const {
    const int y = static_cast<int>(i / step) - kMargin + span.y0, x = static_cast<int>(i % step) - kMargin + span.x0;
    return x >= span.x0 && x < span.x1 && y >= span.y0 && y < span.y1;
  }
  Span span;
  int step = 0, rows = 0;
  Bytes bytes;
};

// The reference rows of one form, applied row by row.
Bytes reference(Form f, const uint8_t* src, int32_t step, int w, int h) {
  const nmx::sampling::Kernels ref = nmx::sampling::kernels_for(nmx::Target::Ref);
  Bytes out(static_cast<size_t>(w) * h);
  for (int r = 0; r < h; ++r) {
    uint8_t* d = out.data() + static_cast<size_t>(r) * w;
    switch (f) {
      case Form::DownH2V1: ref.down_h2v1(src + r * step, d, w, 1, 1, 0); break;
      case Form::DownH2V2: ref.down_h2v2(src + 2 * r * step, src + (2 * r + 1) * step, d, w, 3, 3, 0); break;
      case Form::UpH2V1: ref.up_h2v1(src + r * step, d, w); break;
      case Form::UpH2V2: {
        const uint8_t* n = src + (r / 2) * step;
        ref.up_h2v2(n, (r & 1) ? n + step : n - step, d, w);
        break;
      }
    }
  }
  return out;
}

// Runs a form into a destination with padding columns and guard rows; returns
// the region and checks that nothing else changed.
Bytes run(Form f, const Source& s, int w, int h, int dstPad) {
  const int dstStep = w + dstPad;
  Bytes dst(static_cast<size_t>(dstStep) * (h + 2), 0xC3);
  uint8_t* region = dst.data() + dstStep;
  EXPECT_EQ(fn(f)(s.region(), s.step, {1, 1}, region, dstStep, {w, h}), nmxStatusOk);
  Bytes out;
  for (size_t i = 0; i < dst.size(); ++i) {
    const size_t r = i / dstStep, x = i % dstStep;
    if (r >= 1 && r <= static_cast<size_t>(h) && x < static_cast<size_t>(w)) out.push_back(dst[i]);
    else EXPECT_EQ(dst[i], 0xC3) << name(f) << " wrote outside the region at row " << r - 1 << " column " << x;
  }
  return out;
}

TEST(SamplePlanes, MatchReferenceRows) {
  nmx::test::Rng rng(42);
  std::uniform_int_distribution<int> size(1, 90), pad(0, 40);
  for (Form f : kForms)
    for (int trial = 0; trial < 60; ++trial) {
      const int w = size(rng), h = trial < 4 ? trial + 1 : size(rng) / 3 + 1;
      const Source s(f, w, h, pad(rng), rng);
      const Bytes want = reference(f, s.region(), s.step, w, h);
      const Bytes got = run(f, s, w, h, pad(rng));
      ASSERT_TRUE(nmx::test::same(want.data(), got.data(), want.size(), w)) << name(f) << " " << w << "x" << h;
    }
}

// Samples outside the span a form reads (source region plus its context) do
// not change the result; the context samples themselves do.
TEST(SamplePlanes, ReadOnlyTheirSpan) {
  nmx::test::Rng rng(7);
  for (Form f : kForms)
    for (NmxSize d : {NmxSize{1, 1}, NmxSize{2, 2}, NmxSize{7, 3}, NmxSize{34, 5}, NmxSize{65, 4}}) {
      Source s(f, d.width, d.height, 5, rng);
      const Bytes want = run(f, s, d.width, d.height, 0);
      for (size_t i = 0; i < s.bytes.size(); ++i)
        if (!s.in_span(i)) s.bytes[i] = static_cast<uint8_t>(~s.bytes[i]);
      EXPECT_EQ(run(f, s, d.width, d.height, 0), want) << name(f) << " " << d.width << "x" << d.height;
    }
  // The context: the column left of the region feeds output 0 of the up-samplers.
  for (Form f : {Form::UpH2V1, Form::UpH2V2}) {
    Source s(f, 4, 2, 0, rng);
    const Bytes before = run(f, s, 4, 2, 0);
    uint8_t* left = const_cast<uint8_t*>(s.region()) - 1;
    *left = static_cast<uint8_t>(*left < 128 ? 255 : 0);
    const Bytes after = run(f, s, 4, 2, 0);
    EXPECT_NE(before[0], after[0]) << name(f);
    EXPECT_EQ(before[1], after[1]) << name(f);
  }
}

// Regions around the 8192-pixel threshold give the same bytes on one thread,
// on two, and when called from inside a parallel region.
TEST(SamplePlanes, ThreadsGiveIdenticalResults) {
  nmx::test::Rng rng(11);
  for (Form f : kForms)
    for (NmxSize d : {NmxSize{128, 64}, NmxSize{8193, 1}, NmxSize{97, 85}, NmxSize{961, 37}, NmxSize{3, 4000}}) {
      const Source s(f, d.width, d.height, 3, rng);
      Bytes out[3];
      for (int path = 0; path < 3; ++path) {
        out[path].assign(static_cast<size_t>(d.width) * d.height, 0);
        nmxSetNumThreads(path == 0 ? 1 : 2);
        const auto call = [&] {
          EXPECT_EQ(fn(f)(s.region(), s.step, d, out[path].data(), d.width, d), nmxStatusOk);
        };
        if (path == 2) {
#pragma omp parallel num_threads(2)
#pragma omp single
          call();
        } else {
          call();
        }
      }
      nmxSetNumThreads(0);
      EXPECT_EQ(out[0], out[1]) << name(f) << " " << d.width << "x" << d.height;
      EXPECT_EQ(out[0], out[2]) << name(f) << " " << d.width << "x" << d.height;
      EXPECT_EQ(out[0], reference(f, s.region(), s.step, d.width, d.height)) << name(f);
    }
}

}  // namespace

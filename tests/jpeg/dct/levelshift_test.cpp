// Level shifts through the public exports: values, argument checks with
// untouched outputs, rows with padding and overlapping rows, and regions on
// both sides of the threading threshold.
#include <algorithm>
#include <vector>

#include "nmxcore.h"
#include "nmxj.h"
#include "support/harness.h"

namespace {

// Add128 saturates to the byte range (Sub128's values: ThreadedRegions).
TEST(LevelShift, Add128Saturates) {
  const struct {
    int16_t in;
    uint8_t out;
  } cases[] = {{0, 128}, {-128, 0}, {127, 255}, {128, 255}, {200, 255}, {-200, 0},
               {32767, 255}, {-32768, 0}, {-129, 0}, {126, 254}, {-127, 1}};
  for (const auto& c : cases) {
    uint8_t out = 77;
    ASSERT_EQ(nmxiAdd128_JPEG_16s8u_C1R(&c.in, 2, &out, 1, {1, 1}), nmxStatusOk);
    EXPECT_EQ(out, c.out) << "input " << c.in;
  }
}

// Argument checks run source, source step, destination, destination step,
// size; the first failure decides and nothing is written.
TEST(LevelShift, ArgumentChecksInOrder) {
  const struct {
    const char* what;
    bool srcNull, dstNull;
    int32_t srcStep, dstStep, width, height;
    nmxStatus want;
  } checks[] = {
      {"src null before bad step", true, false, 0, 16, 8, 2, nmxStatusNullPtrErr},
      {"src step 0", false, false, 0, 16, 8, 2, nmxStatusStepErr},
      {"src step before dst null", false, true, -1, 16, 8, 2, nmxStatusStepErr},
      {"dst null before size", false, true, 8, 16, 0, 2, nmxStatusNullPtrErr},
      {"dst step 0", false, false, 8, 0, 8, 2, nmxStatusStepErr},
      {"dst step before size", false, false, 8, -5, 0, 0, nmxStatusStepErr},
      {"width 0", false, false, 8, 16, 0, 2, nmxStatusSizeErr},
      {"height negative", false, false, 8, 16, 8, -1, nmxStatusSizeErr},
      {"step 1 is accepted", false, false, 1, 1, 8, 2, nmxStatusOk},
  };
  for (const auto& c : checks) {
    std::vector<uint8_t> s8(64, 3), d8(64, 0xEE);
    std::vector<int16_t> s16(64, 3), d16(64, static_cast<int16_t>(0xEEEE));
    const NmxSize roi{c.width, c.height};
    const auto ptr = [](auto& v, bool null) { return null ? nullptr : v.data(); };
    EXPECT_EQ(nmxiSub128_JPEG_8u16s_C1R(ptr(s8, c.srcNull), c.srcStep, ptr(d16, c.dstNull), c.dstStep, roi), c.want)
        << "Sub128 " << c.what;
    EXPECT_EQ(nmxiAdd128_JPEG_16s8u_C1R(ptr(s16, c.srcNull), c.srcStep, ptr(d8, c.dstNull), c.dstStep, roi), c.want)
        << "Add128 " << c.what;
    if (c.want == nmxStatusOk) continue;
    EXPECT_EQ(d16, std::vector<int16_t>(64, static_cast<int16_t>(0xEEEE))) << c.what;
    EXPECT_EQ(d8, std::vector<uint8_t>(64, 0xEE)) << c.what;
  }
}

// Row r at base + r * step: a 5x3 region in rows of 12 elements leaves the 7
// padding elements alone; a destination step of one element overlaps each row
// with the next, and rows run in order, so the later row wins.
TEST(LevelShift, RowsAtTheirSteps) {
  const int w = 5, h = 3, stride = 12;
  std::vector<int16_t> s16(stride * h);
  for (size_t i = 0; i < s16.size(); ++i) s16[i] = static_cast<int16_t>(i * 37 - 300);
  std::vector<uint8_t> d8(stride * h, 0x5A);
  ASSERT_EQ(nmxiAdd128_JPEG_16s8u_C1R(s16.data(), stride * 2, d8.data(), stride, {w, h}), nmxStatusOk);
  for (int i = 0; i < stride * h; ++i)
    EXPECT_EQ(d8[i], i % stride < w ? std::clamp(s16[i] + 128, 0, 255) : 0x5A) << i;
  uint8_t s8[w * h];
  for (int i = 0; i < w * h; ++i) s8[i] = static_cast<uint8_t>(10 * i);
  int16_t d16[w + h - 1];
  ASSERT_EQ(nmxiSub128_JPEG_8u16s_C1R(s8, w, d16, 2, {w, h}), nmxStatusOk);
  for (int k = 0; k < w + h - 1; ++k) {
    const int r = std::min(k, h - 1);  // last row covering element k
    EXPECT_EQ(d16[k], s8[r * w + (k - r)] - 128) << k;
  }
}

// Regions at and above 8192 pixels, run on two threads: every element right
// (each Sub128 source holds every byte value).
TEST(LevelShift, ThreadedRegions) {
  nmx::test::Rng rng(3);
  nmxSetNumThreads(2);
  for (NmxSize roi : {NmxSize{64, 128}, NmxSize{8193, 1}, NmxSize{97, 85}, NmxSize{1920, 37}}) {
    const int n = roi.width * roi.height;
    std::vector<uint8_t> s8(n), d8(n);
    std::vector<int16_t> s16(n), d16(n);
    nmx::test::fill(s8.data(), n, rng);
    for (int i = 0; i < 256; ++i) s8[i] = static_cast<uint8_t>(i);
    nmx::test::fill(s16.data(), n, rng, nmx::test::Fill::Extremes);
    EXPECT_EQ(nmxiSub128_JPEG_8u16s_C1R(s8.data(), roi.width, d16.data(), roi.width * 2, roi), nmxStatusOk);
    EXPECT_EQ(nmxiAdd128_JPEG_16s8u_C1R(s16.data(), roi.width * 2, d8.data(), roi.width, roi), nmxStatusOk);
    int wrong = -1;  // first wrong element; EXPECT so that the thread count is reset below
    for (int i = n - 1; i >= 0; --i)
      if (d16[i] != s8[i] - 128 || d8[i] != std::clamp(s16[i] + 128, 0, 255)) wrong = i;
    EXPECT_EQ(wrong, -1) << roi.width << "x" << roi.height;
  }
  nmxSetNumThreads(0);
}

}  // namespace

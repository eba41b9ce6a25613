// Level shifts through the public exports: values, argument checks with
// untouched outputs, regions with padding and overlapping rows, and identical
// results on the serial and threaded paths of the row loop.
#include <omp.h>

#include <vector>

#include "nmxcore.h"
#include "nmxj.h"
#include "support/harness.h"

namespace {

TEST(Sub128, EveryValueShiftsExactly) {
  uint8_t src[256];
  int16_t dst[256];
  for (int i = 0; i < 256; ++i) src[i] = static_cast<uint8_t>(i);
  ASSERT_EQ(nmxiSub128_JPEG_8u16s_C1R(src, 16, dst, 32, {16, 16}), nmxStatusOk);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(dst[i], i - 128);
}

TEST(Add128, SaturatesToByteRange) {
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
struct CheckCase {
  const char* what;
  bool srcNull, dstNull;
  int32_t srcStep, dstStep, width, height;
  nmxStatus want;
};
const CheckCase kChecks[] = {
    {"ok", false, false, 8, 16, 8, 2, nmxStatusOk},
    {"src null", true, false, 8, 16, 8, 2, nmxStatusNullPtrErr},
    {"src null before bad step", true, false, 0, 16, 8, 2, nmxStatusNullPtrErr},
    {"src step 0", false, false, 0, 16, 8, 2, nmxStatusStepErr},
    {"src step before dst null", false, true, -1, 16, 8, 2, nmxStatusStepErr},
    {"dst null", false, true, 8, 16, 8, 2, nmxStatusNullPtrErr},
    {"dst null before size", false, true, 8, 16, 0, 2, nmxStatusNullPtrErr},
    {"dst step 0", false, false, 8, 0, 8, 2, nmxStatusStepErr},
    {"dst step before size", false, false, 8, -5, 0, 0, nmxStatusStepErr},
    {"width 0", false, false, 8, 16, 0, 2, nmxStatusSizeErr},
    {"height negative", false, false, 8, 16, 8, -1, nmxStatusSizeErr},
    {"step 1 is accepted", false, false, 1, 1, 8, 2, nmxStatusOk},
};

TEST(LevelShift, ArgumentChecksInOrder) {
  for (const auto& c : kChecks) {
    std::vector<uint8_t> s8(64, 3), d8(64, 0xEE);
    std::vector<int16_t> s16(64, 3), d16(64, static_cast<int16_t>(0xEEEE));
    const NmxSize roi{c.width, c.height};
    const nmxStatus a = nmxiSub128_JPEG_8u16s_C1R(c.srcNull ? nullptr : s8.data(), c.srcStep,
                                                  c.dstNull ? nullptr : d16.data(), c.dstStep, roi);
    const nmxStatus b = nmxiAdd128_JPEG_16s8u_C1R(c.srcNull ? nullptr : s16.data(), c.srcStep,
                                                  c.dstNull ? nullptr : d8.data(), c.dstStep, roi);
    EXPECT_EQ(a, c.want) << "Sub128 " << c.what;
    EXPECT_EQ(b, c.want) << "Add128 " << c.what;
    if (c.want != nmxStatusOk) {
      EXPECT_EQ(d16, std::vector<int16_t>(64, static_cast<int16_t>(0xEEEE))) << c.what;
      EXPECT_EQ(d8, std::vector<uint8_t>(64, 0xEE)) << c.what;
    }
  }
}

TEST(LevelShift, RowPaddingIsLeftAlone) {
  // 5x3 region in rows of 12 elements: the 7 padding elements stay.
  const int w = 5, h = 3, stride = 12;
  std::vector<int16_t> src(stride * h);
  for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<int16_t>(i * 37 - 300);
  std::vector<uint8_t> dst(stride * h, 0x5A);
  ASSERT_EQ(nmxiAdd128_JPEG_16s8u_C1R(src.data(), stride * 2, dst.data(), stride, {w, h}), nmxStatusOk);
  for (int r = 0; r < h; ++r)
    for (int x = 0; x < stride; ++x) {
      const int v = src[r * stride + x] + 128;
      const int want = x < w ? (v < 0 ? 0 : v > 255 ? 255 : v) : 0x5A;
      EXPECT_EQ(dst[r * stride + x], want) << r << "," << x;
    }
}

TEST(LevelShift, OverlappingRowsLaterRowWins) {
  // A destination step of 2 bytes (one element) overlaps each row with the
  // next; rows run in order, so element k holds the last row that wrote it.
  const int w = 4, h = 3;
  uint8_t src[w * h];
  for (int i = 0; i < w * h; ++i) src[i] = static_cast<uint8_t>(10 * i);
  int16_t dst[w + h - 1];
  ASSERT_EQ(nmxiSub128_JPEG_8u16s_C1R(src, w, dst, 2, {w, h}), nmxStatusOk);
  for (int k = 0; k < w + h - 1; ++k) {
    const int r = k < h ? k : h - 1;  // last row covering element k
    EXPECT_EQ(dst[k], src[r * w + (k - r)] - 128) << k;
  }
}

// Regions on both sides of the 8192-pixel threshold give the same bytes on one
// thread, on two, and when called from inside a parallel region.
TEST(LevelShift, ThreadsGiveIdenticalResults) {
  nmx::test::Rng rng(3);
  for (NmxSize roi : {NmxSize{64, 128}, NmxSize{8193, 1}, NmxSize{97, 85}, NmxSize{1920, 37}}) {
    const int n = roi.width * roi.height;
    std::vector<uint8_t> s8(n);
    std::vector<int16_t> s16(n);
    nmx::test::fill(s8.data(), n, rng);
    nmx::test::fill(s16.data(), n, rng, nmx::test::Fill::Extremes);
    std::vector<int16_t> sub[3];
    std::vector<uint8_t> add[3];
    for (int path = 0; path < 3; ++path) {
      sub[path].assign(n, 0);
      add[path].assign(n, 0);
      nmxSetNumThreads(path == 0 ? 1 : 2);
      auto run = [&] {
        EXPECT_EQ(nmxiSub128_JPEG_8u16s_C1R(s8.data(), roi.width, sub[path].data(), roi.width * 2, roi), 0);
        EXPECT_EQ(nmxiAdd128_JPEG_16s8u_C1R(s16.data(), roi.width * 2, add[path].data(), roi.width, roi), 0);
      };
      if (path == 2) {
#pragma omp parallel num_threads(2)
#pragma omp single
        run();
      } else {
        run();
      }
    }
    nmxSetNumThreads(0);
    EXPECT_EQ(sub[0], sub[1]);
    EXPECT_EQ(sub[0], sub[2]);
    EXPECT_EQ(add[0], add[1]);
    EXPECT_EQ(add[0], add[2]);
    EXPECT_EQ(sub[0][n - 1], s8[n - 1] - 128);
  }
}

}  // namespace

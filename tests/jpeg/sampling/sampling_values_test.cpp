// Sampling through the public exports: hand-checked values, rounding terms and
// alternating biases, row ends, constant and linear content, argument checks
// in order with untouched outputs.
#include <cstring>
#include <vector>

#include "nmxj.h"
#include "support/harness.h"

namespace {

using Bytes = std::vector<uint8_t>;

// ---- Hand-checked values ---------------------------------------------------

TEST(SampleRows, BoxH2V1AlternatesBias) {
  const uint8_t src[] = {1, 2, 1, 2, 0, 1, 0, 1};
  uint8_t dst[4] = {};
  ASSERT_EQ(nmxiSampleDownRowH2V1_Box_JPEG_8u_C1(src, 8, dst), nmxStatusOk);
  // (1+2+0)>>1, (1+2+1)>>1, (0+1+0)>>1, (0+1+1)>>1
  EXPECT_EQ(Bytes(dst, dst + 4), (Bytes{1, 2, 0, 1}));
}

TEST(SampleRows, BoxH2V2AlternatesBias) {
  // Each 2x2 block sums to 1, 2, 5, 6: (1+1)>>2=0, (2+2)>>2=1, (5+1)>>2=1, (6+2)>>2=2.
  const uint8_t upper[] = {1, 0, 1, 1, 2, 1, 3, 3};
  const uint8_t lower[] = {0, 0, 0, 0, 1, 1, 0, 0};
  uint8_t dst[4] = {};
  ASSERT_EQ(nmxiSampleDownRowH2V2_Box_JPEG_8u_C1(upper, lower, 8, dst), nmxStatusOk);
  EXPECT_EQ(Bytes(dst, dst + 4), (Bytes{0, 1, 1, 2}));
}

TEST(SampleRows, TriangleTwoSampleRows) {
  const uint8_t ramp[] = {0, 4}, zero[] = {0, 0}, nearer[] = {0, 16};
  uint8_t d[4] = {};
  ASSERT_EQ(nmxiSampleUpRowH2V1_Triangle_JPEG_8u_C1(ramp, 2, d), nmxStatusOk);
  EXPECT_EQ(Bytes(d, d + 4), (Bytes{0, 1, 3, 4}));
  ASSERT_EQ(nmxiSampleUpRowH2V2_Triangle_JPEG_8u_C1(nearer, zero, 2, d), nmxStatusOk);
  EXPECT_EQ(Bytes(d, d + 4), (Bytes{0, 3, 9, 12}));  // c = 0, 48
}

TEST(SampleRows, TriangleEndsOfLongerRows) {
  // H2V1 of 8, 0, 100: d0 = 8, d1 = (24+0+2)>>2 = 6, d2 = (0+8+1)>>2 = 2,
  // d3 = (0+100+2)>>2 = 25, d4 = (300+0+1)>>2 = 75, d5 = 100.
  const uint8_t s[] = {8, 0, 100};
  uint8_t d[6] = {};
  ASSERT_EQ(nmxiSampleUpRowH2V1_Triangle_JPEG_8u_C1(s, 3, d), nmxStatusOk);
  EXPECT_EQ(Bytes(d, d + 6), (Bytes{8, 6, 2, 25, 75, 100}));
  // H2V2 with farther row 0: c = 24, 0, 300. d0 = (96+8)>>4 = 6,
  // d1 = (72+0+7)>>4 = 4, d2 = (0+24+8)>>4 = 2, d3 = (0+300+7)>>4 = 19,
  // d4 = (900+0+8)>>4 = 56, d5 = (1200+7)>>4 = 75.
  const uint8_t z[] = {0, 0, 0};
  ASSERT_EQ(nmxiSampleUpRowH2V2_Triangle_JPEG_8u_C1(s, z, 3, d), nmxStatusOk);
  EXPECT_EQ(Bytes(d, d + 6), (Bytes{6, 4, 2, 19, 56, 75}));
}

TEST(SampleRows, OneSampleRowsRepeatTheSample) {
  const uint8_t s = 201, f = 11;
  uint8_t d[3] = {0, 0, 0x5A};
  ASSERT_EQ(nmxiSampleUpRowH2V1_Triangle_JPEG_8u_C1(&s, 1, d), nmxStatusOk);
  EXPECT_EQ(Bytes(d, d + 3), (Bytes{201, 201, 0x5A}));
  // c = 614: (2456+8)>>4 = 154, (2456+7)>>4 = 153.
  ASSERT_EQ(nmxiSampleUpRowH2V2_Triangle_JPEG_8u_C1(&s, &f, 1, d), nmxStatusOk);
  EXPECT_EQ(Bytes(d, d + 3), (Bytes{154, 153, 0x5A}));
}

TEST(SampleRows, OddDownWidthIgnoresLastSample) {
  const uint8_t a[] = {10, 20, 30, 40, 250}, b[] = {0, 0, 0, 0, 250};
  uint8_t d[3] = {0, 0, 0x5A};
  ASSERT_EQ(nmxiSampleDownRowH2V1_Box_JPEG_8u_C1(a, 5, d), nmxStatusOk);
  EXPECT_EQ(Bytes(d, d + 3), (Bytes{15, 35, 0x5A}));
  ASSERT_EQ(nmxiSampleDownRowH2V2_Box_JPEG_8u_C1(a, b, 5, d), nmxStatusOk);
  EXPECT_EQ(Bytes(d, d + 3), (Bytes{7, 18, 0x5A}));  // (30+1)>>2, (70+2)>>2
  uint8_t one = 0x5A;
  ASSERT_EQ(nmxiSampleDownRowH2V1_Box_JPEG_8u_C1(a, 1, &one), nmxStatusOk);
  EXPECT_EQ(one, 0x5A);
}

// Rounding terms of the plane down-samplers against the box row forms.
TEST(SamplePlanes, DownRoundingTerms) {
  struct Case {
    uint8_t upper[4], lower[4];
    uint8_t h2v1[2], h2v2[2], boxH2V1[2], boxH2V2[2];
  } cases[] = {
      // sums per pair 1, 1 and per block 1, 1
      {{0, 1, 1, 0}, {0, 0, 0, 0}, {1, 1}, {1, 1}, {0, 1}, {0, 0}},
      // blocks 2, 2: (2+3)>>2 = 1 but box (2+1)>>2 = 0, (2+2)>>2 = 1
      {{1, 1, 1, 1}, {0, 0, 0, 0}, {1, 1}, {1, 1}, {1, 1}, {0, 1}},
      // blocks 5, 6: (5+3)>>2 = 2, (6+3)>>2 = 2; box 1, 2
      {{1, 2, 3, 1}, {1, 1, 1, 1}, {2, 2}, {2, 2}, {1, 2}, {1, 2}},
      // blocks 1020, 1017: (1017+3)>>2 = 255 but box (1017+2)>>2 = 254
      {{255, 255, 254, 255}, {255, 255, 254, 254}, {255, 255}, {255, 255}, {255, 255}, {255, 254}},
  };
  for (const Case& c : cases) {
    uint8_t src[8];
    std::memcpy(src, c.upper, 4);
    std::memcpy(src + 4, c.lower, 4);
    uint8_t d[2];
    ASSERT_EQ(nmxiSampleDownH2V1_JPEG_8u_C1R(src, 4, {4, 1}, d, 2, {2, 1}), nmxStatusOk);
    EXPECT_EQ(Bytes(d, d + 2), Bytes(c.h2v1, c.h2v1 + 2)) << +c.upper[0];
    ASSERT_EQ(nmxiSampleDownH2V2_JPEG_8u_C1R(src, 4, {4, 2}, d, 2, {2, 1}), nmxStatusOk);
    EXPECT_EQ(Bytes(d, d + 2), Bytes(c.h2v2, c.h2v2 + 2)) << +c.upper[0];
    ASSERT_EQ(nmxiSampleDownRowH2V1_Box_JPEG_8u_C1(c.upper, 4, d), nmxStatusOk);
    EXPECT_EQ(Bytes(d, d + 2), Bytes(c.boxH2V1, c.boxH2V1 + 2)) << +c.upper[0];
    ASSERT_EQ(nmxiSampleDownRowH2V2_Box_JPEG_8u_C1(c.upper, c.lower, 4, d), nmxStatusOk);
    EXPECT_EQ(Bytes(d, d + 2), Bytes(c.boxH2V2, c.boxH2V2 + 2)) << +c.upper[0];
  }
}

// Plane up-sampling reads the context ring: a 1x2 source region in a 4x3
// buffer (row above, row below, a column on each side).
TEST(SamplePlanes, UpUsesContextAndOddWidths) {
  const uint8_t buf[3][4] = {{0, 0, 0, 0}, {10, 20, 30, 40}, {64, 64, 64, 64}};
  const uint8_t* region = &buf[1][1];
  uint8_t d[2][4] = {};
  ASSERT_EQ(nmxiSampleUpH2V1_JPEG_8u_C1R(region, 4, {2, 1}, &d[0][0], 4, {4, 1}), nmxStatusOk);
  // (60+10+1)>>2 = 17, (60+30+2)>>2 = 23, (90+20+1)>>2 = 27, (90+40+2)>>2 = 33
  EXPECT_EQ(Bytes(d[0], d[0] + 4), (Bytes{17, 23, 27, 33}));
  ASSERT_EQ(nmxiSampleUpH2V2_JPEG_8u_C1R(region, 4, {2, 1}, &d[0][0], 4, {4, 2}), nmxStatusOk);
  // Upper row, farther = row above: c = 30, 60, 90, 120.
  // (180+30+8)>>4 = 13, (180+90+7)>>4 = 17, (270+60+8)>>4 = 21, (270+120+7)>>4 = 24
  EXPECT_EQ(Bytes(d[0], d[0] + 4), (Bytes{13, 17, 21, 24}));
  // Lower row, farther = row below: c = 94, 124, 154, 184.
  // (372+94+8)>>4 = 29, (372+154+7)>>4 = 33, (462+124+8)>>4 = 37, (462+184+7)>>4 = 40
  EXPECT_EQ(Bytes(d[1], d[1] + 4), (Bytes{29, 33, 37, 40}));
  // An odd destination width writes the even member of the last pair only.
  std::memset(d, 0xA5, sizeof d);
  ASSERT_EQ(nmxiSampleUpH2V1_JPEG_8u_C1R(region, 4, {2, 1}, &d[0][0], 4, {3, 1}), nmxStatusOk);
  EXPECT_EQ(Bytes(d[0], d[0] + 4), (Bytes{17, 23, 27, 0xA5}));
  ASSERT_EQ(nmxiSampleUpH2V2_JPEG_8u_C1R(region, 4, {2, 1}, &d[0][0], 4, {3, 1}), nmxStatusOk);
  EXPECT_EQ(Bytes(d[0], d[0] + 4), (Bytes{13, 17, 21, 0xA5}));
  EXPECT_EQ(d[1][0], 0xA5);
}

// ---- Properties --------------------------------------------------------------

// Every filter keeps a constant plane or row constant, for every value.
TEST(SampleProperties, ConstantStaysConstant) {
  const int w = 53, h = 7;  // odd sizes, vector bodies and scalar tails
  for (int v = 0; v < 256; v += 1) {
    const Bytes src((2 * w + 4) * (2 * h + 4), static_cast<uint8_t>(v));
    const uint8_t* region = src.data() + (2 * w + 4) * 2 + 2;
    const int32_t step = 2 * w + 4;
    Bytes dst(2 * w * 2 * h);
    const Bytes want(dst.size(), static_cast<uint8_t>(v));
    ASSERT_EQ(nmxiSampleDownH2V1_JPEG_8u_C1R(region, step, {2 * w, h}, dst.data(), w, {w, h}), 0);
    EXPECT_TRUE(nmx::test::same(want.data(), dst.data(), w * h)) << "down h2v1 " << v;
    ASSERT_EQ(nmxiSampleDownH2V2_JPEG_8u_C1R(region, step, {2 * w, 2 * h}, dst.data(), w, {w, h}), 0);
    EXPECT_TRUE(nmx::test::same(want.data(), dst.data(), w * h)) << "down h2v2 " << v;
    ASSERT_EQ(nmxiSampleUpH2V1_JPEG_8u_C1R(region, step, {w, h}, dst.data(), 2 * w - 1, {2 * w - 1, h}), 0);
    EXPECT_TRUE(nmx::test::same(want.data(), dst.data(), (2 * w - 1) * h)) << "up h2v1 " << v;
    ASSERT_EQ(nmxiSampleUpH2V2_JPEG_8u_C1R(region, step, {w, h}, dst.data(), 2 * w, {2 * w, 2 * h}), 0);
    EXPECT_TRUE(nmx::test::same(want.data(), dst.data(), 4 * w * h)) << "up h2v2 " << v;
    ASSERT_EQ(nmxiSampleDownRowH2V1_Box_JPEG_8u_C1(region, 2 * w, dst.data()), 0);
    EXPECT_TRUE(nmx::test::same(want.data(), dst.data(), w)) << "box h2v1 " << v;
    ASSERT_EQ(nmxiSampleDownRowH2V2_Box_JPEG_8u_C1(region, region + step, 2 * w, dst.data()), 0);
    EXPECT_TRUE(nmx::test::same(want.data(), dst.data(), w)) << "box h2v2 " << v;
    ASSERT_EQ(nmxiSampleUpRowH2V1_Triangle_JPEG_8u_C1(region, w, dst.data()), 0);
    EXPECT_TRUE(nmx::test::same(want.data(), dst.data(), 2 * w)) << "triangle h2v1 " << v;
    ASSERT_EQ(nmxiSampleUpRowH2V2_Triangle_JPEG_8u_C1(region, region + step, w, dst.data()), 0);
    EXPECT_TRUE(nmx::test::same(want.data(), dst.data(), 2 * w)) << "triangle h2v2 " << v;
  }
}

// A linear ramp of slope 4 per source sample up-samples to the ramp's values a
// quarter sample either side of each source centre: 4i - 1 and 4i + 1.
TEST(SampleProperties, RampUpsamplesToQuarterPositions) {
  const int w = 60;  // region sample i is 4 (i + 3); context 8 and 252
  Bytes s(w + 2);
  for (int j = 0; j < w + 2; ++j) s[j] = static_cast<uint8_t>(4 * (j + 2));
  Bytes d(2 * w);
  ASSERT_EQ(nmxiSampleUpH2V1_JPEG_8u_C1R(s.data() + 1, 1, {w, 1}, d.data(), 2 * w, {2 * w, 1}), 0);
  for (int i = 0; i < w; ++i) {
    EXPECT_EQ(d[2 * i], 4 * (i + 3) - 1) << i;
    EXPECT_EQ(d[2 * i + 1], 4 * (i + 3) + 1) << i;
  }
  // The row form agrees inside the row and repeats the end samples.
  ASSERT_EQ(nmxiSampleUpRowH2V1_Triangle_JPEG_8u_C1(s.data() + 1, w, d.data()), 0);
  EXPECT_EQ(d[0], s[1]);
  EXPECT_EQ(d[2 * w - 1], s[w]);
  for (int i = 1; i < 2 * w - 1; ++i) EXPECT_EQ(d[i], 4 * (i / 2 + 3) + ((i & 1) ? 1 : -1)) << i;
}

// A bilinear ramp v = base + 16x + 32y up-samples (H2V2) to its values at the
// quarter positions (x -+ 1/4, y -+ 1/4): base + 16x + 32y + {-12, -4, +4, +12}.
TEST(SampleProperties, BilinearRampUpsamplesToQuarterPositions) {
  const int w = 5, h = 3, base = 48;  // context columns -1..w, rows -1..h
  const int step = w + 2;
  Bytes s(step * (h + 2));
  for (int y = -1; y <= h; ++y)
    for (int x = -1; x <= w; ++x) s[(y + 1) * step + x + 1] = static_cast<uint8_t>(base + 16 * x + 32 * y);
  Bytes d(4 * w * h);
  ASSERT_EQ(nmxiSampleUpH2V2_JPEG_8u_C1R(s.data() + step + 1, step, {w, h}, d.data(), 2 * w, {2 * w, 2 * h}), 0);
  for (int r = 0; r < 2 * h; ++r)
    for (int k = 0; k < 2 * w; ++k) {
      const int x = k / 2, y = r / 2;
      const int want = base + 16 * x + 32 * y + ((k & 1) ? 4 : -4) + ((r & 1) ? 8 : -8);
      EXPECT_EQ(d[r * 2 * w + k], want) << "row " << r << " column " << k;
    }
}

// ---- Argument checks ---------------------------------------------------------

// Plane forms: source null, source step, source size, destination null,
// destination step, destination width, destination height.
struct PlaneCase {
  const char* what;
  bool srcNull, dstNull;
  int32_t srcStep, srcW, srcH, dstStep, dstW, dstH;
  nmxStatus want;
};
const PlaneCase kPlaneChecks[] = {
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

TEST(SamplePlanes, ArgumentChecksInOrder) {
  using Fn = nmxStatus (*)(const uint8_t*, int32_t, NmxSize, uint8_t*, int32_t, NmxSize);
  const struct {
    const char* name;
    Fn fn;
  } fns[] = {{"DownH2V1", nmxiSampleDownH2V1_JPEG_8u_C1R},
             {"DownH2V2", nmxiSampleDownH2V2_JPEG_8u_C1R},
             {"UpH2V1", nmxiSampleUpH2V1_JPEG_8u_C1R},
             {"UpH2V2", nmxiSampleUpH2V2_JPEG_8u_C1R}};
  for (const auto& f : fns)
    for (const auto& c : kPlaneChecks) {
      const Bytes src(64, 7);
      Bytes dst(64, 0xEE);
      const nmxStatus got = f.fn(c.srcNull ? nullptr : src.data() + 24, c.srcStep, {c.srcW, c.srcH},
                                 c.dstNull ? nullptr : dst.data() + 24, c.dstStep, {c.dstW, c.dstH});
      EXPECT_EQ(got, c.want) << f.name << ": " << c.what;
      if (c.want != nmxStatusOk) EXPECT_EQ(dst, Bytes(64, 0xEE)) << f.name << ": " << c.what;
    }
}

// Row forms: every pointer in argument order, then the width.
TEST(SampleRows, ArgumentChecksInOrder) {
  const Bytes a(16, 9), b(16, 9);
  for (int32_t width : {4, 1, 0, -1, INT32_MIN}) {
    for (int nullAt = -1; nullAt < 3; ++nullAt) {
      Bytes d(32, 0xEE);
      const uint8_t* p0 = nullAt == 0 ? nullptr : a.data();
      const uint8_t* p1 = nullAt == 1 ? nullptr : b.data();
      uint8_t* pd = nullAt == 2 ? nullptr : d.data();
      const nmxStatus want = nullAt >= 0 ? nmxStatusNullPtrErr : width < 1 ? nmxStatusSizeErr : nmxStatusOk;
      const char* what = nullAt >= 0 ? "null pointer" : "width";
      EXPECT_EQ(nmxiSampleDownRowH2V2_Box_JPEG_8u_C1(p0, p1, width, pd), want) << what << " " << width;
      EXPECT_EQ(nmxiSampleUpRowH2V2_Triangle_JPEG_8u_C1(p0, p1, width, pd), want) << what << " " << width;
      if (nullAt != 1) {  // the one-row forms have no second source
        EXPECT_EQ(nmxiSampleDownRowH2V1_Box_JPEG_8u_C1(p0, width, pd), want) << what << " " << width;
        EXPECT_EQ(nmxiSampleUpRowH2V1_Triangle_JPEG_8u_C1(p0, width, pd), want) << what << " " << width;
      }
      if (want != nmxStatusOk) EXPECT_EQ(d, Bytes(32, 0xEE)) << what << " " << width;
    }
  }
}

}  // namespace

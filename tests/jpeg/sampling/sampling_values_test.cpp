// Sampling through the public exports: hand-checked values (rounding terms,
// alternating biases, row ends, context), linear content, argument checks in
// order with untouched outputs.
#include <vector>

#include "nmxj.h"
#include "support/harness.h"

namespace {

using Bytes = std::vector<uint8_t>;
using PlaneFn = nmxStatus (*)(const uint8_t*, int32_t, NmxSize, uint8_t*, int32_t, NmxSize);

// Hand-checked rows: the alternating biases of the box filters, the triangle
// weights and row ends, one-sample rows, odd widths; nothing past the row.
TEST(SampleRows, HandCheckedValues) {
  enum Form { BoxH2V1, BoxH2V2, TriH2V1, TriH2V2 };
  const struct {
    const char* what;
    Form f;
    Bytes a, b;
    int32_t width;
    Bytes want;
  } cases[] = {
      {"box h2v1 biases 0, 1", BoxH2V1, {1, 2, 1, 2, 0, 1, 0, 1}, {}, 8, {1, 2, 0, 1}},
      {"box h2v2 biases 1, 2", BoxH2V2, {1, 0, 1, 1, 2, 1, 3, 3}, {0, 0, 0, 0, 1, 1, 0, 0}, 8, {0, 1, 1, 2}},
      {"box h2v2 at the top", BoxH2V2, {255, 255, 254, 255}, {255, 255, 254, 254}, 4, {255, 254}},
      {"box h2v1 odd width", BoxH2V1, {10, 20, 30, 40, 250}, {}, 5, {15, 35}},
      {"box h2v2 odd width", BoxH2V2, {10, 20, 30, 40, 250}, {0, 0, 0, 0, 250}, 5, {7, 18}},
      {"box width 1 writes nothing", BoxH2V1, {10}, {}, 1, {}},
      {"triangle h2v1 two samples", TriH2V1, {0, 4}, {}, 2, {0, 1, 3, 4}},
      {"triangle h2v2 two samples", TriH2V2, {0, 16}, {0, 0}, 2, {0, 3, 9, 12}},  // c = 0, 48
      // 8, (24+0+2)>>2, (0+8+1)>>2, (0+100+2)>>2, (300+0+1)>>2, 100
      {"triangle h2v1 row ends", TriH2V1, {8, 0, 100}, {}, 3, {8, 6, 2, 25, 75, 100}},
      // c = 24, 0, 300: (96+8)>>4, (72+0+7)>>4, (0+24+8)>>4, (0+300+7)>>4, (900+0+8)>>4, (1200+7)>>4
      {"triangle h2v2 row ends", TriH2V2, {8, 0, 100}, {0, 0, 0}, 3, {6, 4, 2, 19, 56, 75}},
      {"triangle h2v1 one sample", TriH2V1, {201}, {}, 1, {201, 201}},
      {"triangle h2v2 one sample", TriH2V2, {201}, {11}, 1, {154, 153}},  // c = 614: (2456+8)>>4, (2456+7)>>4
  };
  for (const auto& c : cases) {
    Bytes d(c.want.size() + 1, 0x5A);
    const uint8_t *a = c.a.data(), *b = c.b.data();
    const nmxStatus s = c.f == BoxH2V1   ? nmxiSampleDownRowH2V1_Box_JPEG_8u_C1(a, c.width, d.data())
                        : c.f == BoxH2V2 ? nmxiSampleDownRowH2V2_Box_JPEG_8u_C1(a, b, c.width, d.data())
                        : c.f == TriH2V1 ? nmxiSampleUpRowH2V1_Triangle_JPEG_8u_C1(a, c.width, d.data())
                                         : nmxiSampleUpRowH2V2_Triangle_JPEG_8u_C1(a, b, c.width, d.data());
    EXPECT_EQ(s, nmxStatusOk) << c.what;
    EXPECT_EQ(Bytes(d.begin(), d.end() - 1), c.want) << c.what;
    EXPECT_EQ(d.back(), 0x5A) << c.what << ": wrote past the row";
  }
}

// Hand-checked planes: the rounding terms of the down-samplers (1 for H2V1,
// 3 for H2V2, where the box rows alternate), the context ring the
// up-samplers read (a 2x1 region in a 4x3 buffer), odd destination widths.
TEST(SamplePlanes, HandCheckedValues) {
  const Bytes ring{0, 0, 0, 0, 10, 20, 30, 40, 64, 64, 64, 64};
  const uint8_t A5 = 0xA5;
  const struct {
    const char* what;
    PlaneFn fn;
    Bytes src;
    int offset, srcStep;
    NmxSize srcSize;
    int32_t dstStep;
    NmxSize dstSize;
    Bytes want;  // the whole destination buffer, 0xA5 where nothing is written
  } cases[] = {
      {"down h2v1", nmxiSampleDownH2V1_JPEG_8u_C1R, {0, 1, 1, 0, 1, 2, 3, 1}, 0, 4, {4, 2}, 2, {2, 2}, {1, 1, 2, 2}},
      // Blocks 2, 2 then 5, 6: (2+3)>>2 = 1 where the box gives (2+1)>>2 = 0.
      {"down h2v2", nmxiSampleDownH2V2_JPEG_8u_C1R, {1, 1, 1, 1, 0, 0, 0, 0, 1, 2, 3, 1, 1, 1, 1, 1}, 0, 4, {4, 4}, 2,
       {2, 2}, {1, 1, 2, 2}},
      // (60+10+1)>>2, (60+30+2)>>2, (90+20+1)>>2, (90+40+2)>>2
      {"up h2v1 with context", nmxiSampleUpH2V1_JPEG_8u_C1R, ring, 5, 4, {2, 1}, 4, {4, 1}, {17, 23, 27, 33}},
      // Upper row, farther = row above: c = 30, 60, 90, 120; lower row, farther = row below: c = 94, 124, 154, 184.
      {"up h2v2 with context", nmxiSampleUpH2V2_JPEG_8u_C1R, ring, 5, 4, {2, 1}, 4, {4, 2},
       {13, 17, 21, 24, 29, 33, 37, 40}},
      // An odd destination width writes the even member of the last pair only.
      {"up h2v1 odd width", nmxiSampleUpH2V1_JPEG_8u_C1R, ring, 5, 4, {2, 1}, 4, {3, 1}, {17, 23, 27, A5}},
      {"up h2v2 odd width", nmxiSampleUpH2V2_JPEG_8u_C1R, ring, 5, 4, {2, 1}, 4, {3, 1},
       {13, 17, 21, A5, A5, A5, A5, A5}},
  };
  for (const auto& c : cases) {
    Bytes d(c.want.size(), A5);
    ASSERT_EQ(c.fn(c.src.data() + c.offset, c.srcStep, c.srcSize, d.data(), c.dstStep, c.dstSize), nmxStatusOk)
        << c.what;
    EXPECT_EQ(d, c.want) << c.what;
  }
}

// ---- Properties --------------------------------------------------------------

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
  const struct {
    const char* name;
    PlaneFn fn;
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

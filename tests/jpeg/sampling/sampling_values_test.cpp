// Row sampling through the public exports: hand-checked values (alternating
// biases, triangle weights, row ends), linear content through the row and
// plane up-samplers, argument checks in order with untouched outputs.
#include <vector>

#include "nmxj.h"
#include "support/harness.h"

namespace {

using Bytes = std::vector<uint8_t>;

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

// ---- Properties --------------------------------------------------------------

// A bilinear ramp v(x, y) = 24 + 4x + 16y (context included) up-samples to
// its values a quarter sample either side of each source centre: -1 / +1
// along a row and, for H2V2, -4 / +4 towards the farther row. The row forms
// agree inside the row and keep the end sample's own value (plus the
// vertical part) at both row ends. 40 samples a row reach every vector block.
TEST(SampleProperties, RampsUpsampleToQuarterPositions) {
  const int w = 40, h = 3, step = w + 2;
  Bytes s(step * (h + 2));
  for (int y = -1; y <= h; ++y)
    for (int x = -1; x <= w; ++x) s[(y + 1) * step + x + 1] = static_cast<uint8_t>(24 + 4 * x + 16 * y);
  const uint8_t* src = s.data() + step + 1;  // region sample (0, 0)
  for (bool twoD : {false, true}) {
    const int rows = twoD ? 2 * h : h;
    Bytes plane(2 * w * rows), row(2 * w);
    ASSERT_EQ((twoD ? nmxiSampleUpH2V2_JPEG_8u_C1R : nmxiSampleUpH2V1_JPEG_8u_C1R)(src, step, {w, h}, plane.data(),
                                                                                   2 * w, {2 * w, rows}),
              0);
    for (int r = 0; r < rows; ++r) {
      const int y = twoD ? r / 2 : r, dy = twoD ? ((r & 1) ? 4 : -4) : 0;
      const uint8_t* nearer = src + y * step;
      ASSERT_EQ(twoD ? nmxiSampleUpRowH2V2_Triangle_JPEG_8u_C1(nearer, nearer + ((r & 1) ? step : -step), w, row.data())
                     : nmxiSampleUpRowH2V1_Triangle_JPEG_8u_C1(nearer, w, row.data()),
                0);
      for (int k = 0; k < 2 * w; ++k) {
        const int v = 24 + 4 * (k / 2) + 16 * y + dy, dx = (k & 1) ? 1 : -1;
        EXPECT_EQ(plane[r * 2 * w + k], v + dx) << (twoD ? "H2V2" : "H2V1") << " row " << r << " column " << k;
        EXPECT_EQ(row[k], k == 0 || k == 2 * w - 1 ? v : v + dx) << (twoD ? "H2V2" : "H2V1") << " row form, row " << r
                                                                 << " column " << k;
      }
    }
  }
}

// ---- Argument checks ---------------------------------------------------------

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

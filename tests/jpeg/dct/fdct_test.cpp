// Forward 8x8 DCT with quantization through the exports: accuracy against a
// double-precision DCT, flat blocks, ties of the quantizer, steps that make
// rows overlap, in-place use, argument checks and the 12-bit form.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "jpeg/dct/dct_exact.h"
#include "nmxj.h"
#include "support/harness.h"

namespace {

using nmx::test::Guarded;
using nmx::test::Rng;

constexpr uint16_t kUnit = 32768;  // reciprocal of quantizer 1

std::vector<uint16_t> unit_table() { return std::vector<uint16_t>(64, kUnit); }

// A random 8-bit block: smooth gradient plus noise of the given amplitude.
void random_pixels(Rng& rng, uint8_t* px, int noise) {
  std::uniform_int_distribution<int> base(0, 255), slope(-24, 24), jitter(-noise, noise);
  const int b = base(rng), sx = slope(rng), sy = slope(rng);
  for (int i = 0; i < 64; ++i) px[i] = static_cast<uint8_t>(std::clamp(b + sx * (i % 8) / 4 + sy * (i / 8) / 4 + jitter(rng), 0, 255));
}

TEST(DCTQuantFwd8x8, WithinOneOfExactTransform) {
  Rng rng(21);
  const auto unit = unit_table();
  int worst = 0;
  for (int round = 0; round < 3000; ++round) {
    uint8_t px[64];
    random_pixels(rng, px, round % 3 == 0 ? 128 : (round % 3 == 1 ? 20 : 2));
    if (round < 2) std::memset(px, round ? 255 : 0, 64);  // the extremes of the range
    double f[64], exact[64];
    int16_t shifted[64], got_ls[64], got_16s[64];
    for (int i = 0; i < 64; ++i) {
      f[i] = px[i] - 128.0;
      shifted[i] = static_cast<int16_t>(px[i] - 128);
    }
    nmx::test::exact_fdct(f, exact);
    ASSERT_EQ(nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(px, 8, got_ls, unit.data()), nmxStatusOk);
    ASSERT_EQ(nmxiDCTQuantFwd8x8_JPEG_16s_C1(shifted, got_16s, unit.data()), nmxStatusOk);
    ASSERT_TRUE(nmx::test::same(got_16s, got_ls, 64, 8)) << "LS form differs from the 16s form, round " << round;
    for (int i = 0; i < 64; ++i) {
      const double err = std::fabs(got_ls[i] - exact[i]);
      worst = std::max(worst, static_cast<int>(std::ceil(err * 100)));
      ASSERT_LE(err, 1.0) << "coefficient " << i << " round " << round << " exact " << exact[i];
    }
  }
  RecordProperty("worst_error_percent", worst);
}

TEST(DCTQuantFwd8x8, FlatBlocks) {
  const auto unit = unit_table();
  // DC = 8v stays within the 12-bit coefficient range for -256 <= v <= 255.
  for (int16_t v : {0, 1, -1, 100, -128, 127, 255, -255, -256, 200}) {
    int16_t block[64], out[64];
    std::fill(block, block + 64, v);
    ASSERT_EQ(nmxiDCTQuantFwd8x8_JPEG_16s_C1(block, out, unit.data()), nmxStatusOk);
    EXPECT_LE(std::abs(out[0] - 8 * v), 1) << "flat " << v;
    for (int i = 1; i < 64; ++i) ASSERT_EQ(out[i], 0) << "flat " << v << " coefficient " << i;
  }
  uint8_t grey[64];
  std::memset(grey, 128, 64);
  int16_t out[64];
  std::fill(out, out + 64, 99);
  ASSERT_EQ(nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(grey, 8, out, unit.data()), nmxStatusOk);
  for (int16_t c : out) ASSERT_EQ(c, 0);
}

// DC of a flat block of v is 8v exactly; a DC reciprocal of 2048 (quantizer 16)
// then gives v / 2, which lands on halves for odd v.
TEST(DCTQuantFwd8x8, QuantizerTiesGoToEven) {
  const struct {
    int16_t flat;
    uint16_t recip;
    int16_t want;
  } cases[] = {
      {3, 2048, 2},   {5, 2048, 2},     {7, 2048, 4},     {-3, 2048, -2},  {-5, 2048, -2},   {-1, 2048, 0},
      {1, 2048, 0},   {9, 2048, 4},     {4, 2048, 2},     {100, 65535, 1600}, {-100, 65535, -1600},
      {255, 65535, 4080}, {-256, 65535, -4096}, {50, 1, 0}, {100, 0, 0},
  };
  for (const auto& c : cases) {
    auto table = unit_table();
    table[0] = c.recip;
    int16_t block[64];
    std::fill(block, block + 64, c.flat);
    ASSERT_EQ(nmxiDCTQuantFwd8x8_JPEG_16s_C1I(block, table.data()), nmxStatusOk);
    EXPECT_EQ(block[0], c.want) << "flat " << c.flat << " reciprocal " << c.recip;
  }
}

TEST(DCTQuantFwd8x8, QuantizedWithinOneOfExactQuotient) {
  Rng rng(8);
  const auto recip = nmx::test::reciprocals(nmx::test::kLumaQ50);
  for (int round = 0; round < 500; ++round) {
    uint8_t px[64];
    random_pixels(rng, px, 60);
    double f[64], exact[64];
    for (int i = 0; i < 64; ++i) f[i] = px[i] - 128.0;
    nmx::test::exact_fdct(f, exact);
    int16_t out[64];
    ASSERT_EQ(nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(px, 8, out, recip.data()), nmxStatusOk);
    for (int i = 0; i < 64; ++i)
      ASSERT_LE(std::fabs(out[i] - exact[i] / nmx::test::kLumaQ50[i]), 1.0) << "coefficient " << i;
  }
}

TEST(DCTQuantFwd8x8, InPlaceMatchesOutOfPlace) {
  Rng rng(3);
  for (int round = 0; round < 200; ++round) {
    int16_t block[64], out[64];
    nmx::test::fill(block, 64, rng, round % 2 ? nmx::test::Fill::Extremes : nmx::test::Fill::Uniform);
    uint16_t table[64];
    nmx::test::fill(table, 64, rng);
    ASSERT_EQ(nmxiDCTQuantFwd8x8_JPEG_16s_C1(block, out, table), nmxStatusOk);
    ASSERT_EQ(nmxiDCTQuantFwd8x8_JPEG_16s_C1I(block, table), nmxStatusOk);
    ASSERT_TRUE(nmx::test::same(out, block, 64, 8)) << "round " << round;
  }
}

// Any step >= 1 reads row r at src + r * step, overlapping or not.
TEST(DCTQuantFwd8x8LS, AnyStepReadsItsRows) {
  Rng rng(4);
  std::vector<uint8_t> area(8 * 300 + 8);
  nmx::test::fill(area.data(), area.size(), rng);
  const auto recip = nmx::test::reciprocals(nmx::test::kLumaQ50);
  for (int32_t step : {1, 2, 3, 7, 8, 9, 64, 300}) {
    int16_t block[64], want[64], got[64];
    for (int r = 0; r < 8; ++r)
      for (int c = 0; c < 8; ++c) block[8 * r + c] = static_cast<int16_t>(area[r * step + c] - 128);
    ASSERT_EQ(nmxiDCTQuantFwd8x8_JPEG_16s_C1(block, want, recip.data()), nmxStatusOk);
    ASSERT_EQ(nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(area.data(), step, got, recip.data()), nmxStatusOk);
    ASSERT_TRUE(nmx::test::same(want, got, 64, 8)) << "step " << step;
  }
}

TEST(DCTQuantFwd8x8, WritesOnlyTheBlockAtAnyAlignment) {
  Rng rng(6);
  const auto recip = nmx::test::reciprocals(nmx::test::kLumaQ50);
  uint8_t px[64];
  random_pixels(rng, px, 40);
  int16_t want[64];
  ASSERT_EQ(nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(px, 8, want, recip.data()), nmxStatusOk);
  for (size_t off = 0; off < 16; off += 2) {
    Guarded<int16_t> dst(64, off);
    Guarded<uint16_t> table(64, 14 - off);
    std::memcpy(table.data(), recip.data(), 128);
    ASSERT_EQ(nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(px, 8, dst.data(), table.data()), nmxStatusOk);
    ASSERT_TRUE(nmx::test::same(want, dst.data(), 64, 8)) << "offset " << off;
    ASSERT_TRUE(dst.guards_intact()) << "offset " << off;
  }
}

TEST(DCTQuantFwd8x8, ArgumentChecksInOrder) {
  uint8_t px[64] = {};
  uint16_t px16[64] = {};
  int16_t block[64];
  uint16_t table[64];
  float ftable[64];
  std::fill(table, table + 64, kUnit);
  std::fill(ftable, ftable + 64, 1.0f);
  const int16_t canary = 0x5A5A;
  struct Case {
    const char* what;
    nmxStatus want;
    nmxStatus (*call)(const uint8_t*, const uint16_t*, int16_t*, const uint16_t*, const float*, int32_t);
  };
  const Case cases[] = {
      {"C1 src null", nmxStatusNullPtrErr,
       [](auto, auto, int16_t* d, auto t, auto, int32_t) { return nmxiDCTQuantFwd8x8_JPEG_16s_C1(nullptr, d, t); }},
      {"C1 dst null", nmxStatusNullPtrErr,
       [](auto, auto, int16_t* d, auto t, auto, int32_t) { return nmxiDCTQuantFwd8x8_JPEG_16s_C1(d, nullptr, t); }},
      {"C1 table null", nmxStatusNullPtrErr,
       [](auto, auto, int16_t* d, auto, auto, int32_t) {
         int16_t src[64] = {};
         return nmxiDCTQuantFwd8x8_JPEG_16s_C1(src, d, nullptr);
       }},
      {"C1I block null", nmxStatusNullPtrErr,
       [](auto, auto, int16_t*, auto t, auto, int32_t) { return nmxiDCTQuantFwd8x8_JPEG_16s_C1I(nullptr, t); }},
      {"C1I table null", nmxStatusNullPtrErr,
       [](auto, auto, int16_t* d, auto, auto, int32_t) { return nmxiDCTQuantFwd8x8_JPEG_16s_C1I(d, nullptr); }},
      {"8u src null before step", nmxStatusNullPtrErr,
       [](auto, auto, int16_t* d, auto t, auto, int32_t) {
         return nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(nullptr, 0, d, t);
       }},
      {"8u dst null before step", nmxStatusNullPtrErr,
       [](const uint8_t* s, auto, int16_t*, auto t, auto, int32_t) {
         return nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(s, 0, nullptr, t);
       }},
      {"8u step before table", nmxStatusStepErr,
       [](const uint8_t* s, auto, int16_t* d, auto, auto, int32_t step) {
         return nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(s, step, d, nullptr);
       }},
      {"8u table null", nmxStatusNullPtrErr,
       [](const uint8_t* s, auto, int16_t* d, auto, auto, int32_t) {
         return nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(s, 8, d, nullptr);
       }},
      {"16u src null before step", nmxStatusNullPtrErr,
       [](auto, auto, int16_t* d, auto, const float* f, int32_t) {
         return nmxiDCTQuantFwd8x8LS_JPEG_16u16s_C1R(nullptr, 0, d, f);
       }},
      {"16u dst null before step", nmxStatusNullPtrErr,
       [](auto, const uint16_t* s, int16_t*, auto, const float* f, int32_t) {
         return nmxiDCTQuantFwd8x8LS_JPEG_16u16s_C1R(s, 0, nullptr, f);
       }},
      {"16u step before table", nmxStatusStepErr,
       [](auto, const uint16_t* s, int16_t* d, auto, auto, int32_t step) {
         return nmxiDCTQuantFwd8x8LS_JPEG_16u16s_C1R(s, step, d, nullptr);
       }},
      {"16u table null", nmxStatusNullPtrErr,
       [](auto, const uint16_t* s, int16_t* d, auto, auto, int32_t) {
         return nmxiDCTQuantFwd8x8LS_JPEG_16u16s_C1R(s, 16, d, nullptr);
       }},
  };
  for (const Case& c : cases)
    for (int32_t step : {0, -1, INT32_MIN}) {
      std::fill(block, block + 64, canary);
      EXPECT_EQ(c.call(px, px16, block, table, ftable, step), c.want) << c.what << " step " << step;
      for (int16_t v : block) ASSERT_EQ(v, canary) << c.what;
    }
}

TEST(DCTQuantFwd8x8LS_16u16s, WithinOneOfExactTransform) {
  Rng rng(12);
  std::uniform_int_distribution<int> sample(0, 4095), small(-40, 40);
  std::vector<float> ones(64, 1.0f), halves(64, 0.5f);
  for (int round = 0; round < 1000; ++round) {
    // Rows 40 bytes apart, 8 samples each.
    std::vector<uint16_t> area(20 * 8);
    const int base = sample(rng);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        area[20 * y + x] = static_cast<uint16_t>(round % 2 ? sample(rng) : std::clamp(base + small(rng) * (x + y), 0, 4095));
    double f[64], exact[64];
    for (int i = 0; i < 64; ++i) f[i] = area[20 * (i / 8) + i % 8] - 2048.0;
    nmx::test::exact_fdct(f, exact);
    int16_t got[64], got_half[64];
    ASSERT_EQ(nmxiDCTQuantFwd8x8LS_JPEG_16u16s_C1R(area.data(), 40, got, ones.data()), nmxStatusOk);
    ASSERT_EQ(nmxiDCTQuantFwd8x8LS_JPEG_16u16s_C1R(area.data(), 40, got_half, halves.data()), nmxStatusOk);
    for (int i = 0; i < 64; ++i) {
      ASSERT_LE(std::fabs(got[i] - exact[i]), 1.0) << "coefficient " << i << " round " << round;
      ASSERT_LE(std::fabs(got_half[i] - exact[i] / 2), 1.0) << "coefficient " << i << " round " << round;
    }
  }
}

TEST(DCTQuantFwd8x8LS_16u16s, ScalesRoundsAndSaturates) {
  std::vector<uint16_t> flat(64, 2048 + 3);  // DC 24, all else 0
  struct {
    float factor;
    int16_t want;
  } cases[] = {{1.0f, 24}, {0.125f, 3}, {-0.125f, -3}, {1.0f / 7, 3}, {1.0f / 9, 3}, {-1.0f / 9, -3},
               {2000.0f, 32767}, {1e6f, 32767}, {-1e6f, -32768}, {0.0f, 0}};
  for (const auto& c : cases) {
    std::vector<float> table(64, 1.0f);
    table[0] = c.factor;
    int16_t out[64];
    ASSERT_EQ(nmxiDCTQuantFwd8x8LS_JPEG_16u16s_C1R(flat.data(), 16, out, table.data()), nmxStatusOk);
    EXPECT_EQ(out[0], c.want) << "factor " << c.factor;
    for (int i = 1; i < 64; ++i) ASSERT_EQ(out[i], 0);
  }
}

}  // namespace

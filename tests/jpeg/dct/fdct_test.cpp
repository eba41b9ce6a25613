// Forward 8x8 DCT with quantization through the exports: accuracy against a
// double-precision DCT at steps that make rows overlap and wide ones, exact
// flat blocks and the quantizer's ties, and the 12-bit form. (Argument checks:
// idct_test.cpp.)
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "jpeg/dct/dct_exact.h"
#include "nmxj.h"
#include "support/harness.h"

namespace {

using nmx::test::Rng;

// A random 8-bit block: smooth gradient plus noise of the given amplitude.
void random_pixels(Rng& rng, uint8_t* px, int noise) {
  std::uniform_int_distribution<int> base(0, 255), slope(-24, 24), jitter(-noise, noise);
  const int b = base(rng), sx = slope(rng), sy = slope(rng);
  for (int i = 0; i < 64; ++i) px[i] = static_cast<uint8_t>(std::clamp(b + sx * (i % 8) / 4 + sy * (i / 8) / 4 + jitter(rng), 0, 255));
}

// With the unit table (reciprocal 32768) the output is the transform itself;
// with the quality-50 table it is the quotient by each quantizer. The LS form
// reads its rows at any step >= 1, overlapping or not, into a misaligned block
// with nothing around it changed, and agrees with the 16s form of those rows.
TEST(DCTQuantFwd8x8, WithinOneOfExactTransform) {
  Rng rng(21);
  const std::vector<uint16_t> unit(64, 32768);
  const auto q50 = nmx::test::reciprocals(nmx::test::kLumaQ50);
  constexpr int32_t kSteps[] = {8, 1, 2, 3, 7, 9, 64, 300};
  for (int round = 0; round < 3000; ++round) {
    uint8_t px[64];
    random_pixels(rng, px, round % 3 == 0 ? 128 : (round % 3 == 1 ? 20 : 2));
    if (round < 2) std::memset(px, round ? 255 : 0, 64);  // the extremes of the range
    // The rows written in order at the step; overlapping rows leave the later one.
    const int32_t step = kSteps[round % 8];
    std::vector<uint8_t> area(static_cast<size_t>(step) * 7 + 8);
    for (int r = 0; r < 8; ++r) std::memcpy(area.data() + r * step, px + 8 * r, 8);
    double f[64], exact[64];
    int16_t shifted[64], got_16s[64], quant[64];
    for (int i = 0; i < 64; ++i) {
      shifted[i] = static_cast<int16_t>(area[i / 8 * step + i % 8] - 128);
      f[i] = shifted[i];
    }
    nmx::test::exact_fdct(f, exact);
    nmx::test::Guarded<int16_t> got(64, round % 8 * 2);
    ASSERT_EQ(nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(area.data(), step, got.data(), unit.data()), nmxStatusOk);
    ASSERT_EQ(nmxiDCTQuantFwd8x8_JPEG_16s_C1(shifted, got_16s, unit.data()), nmxStatusOk);
    ASSERT_EQ(nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(area.data(), step, quant, q50.data()), nmxStatusOk);
    ASSERT_TRUE(nmx::test::same(got_16s, got.data(), 64, 8)) << "LS and 16s forms differ, step " << step;
    ASSERT_TRUE(got.guards_intact()) << "step " << step;
    for (int i = 0; i < 64; ++i) {
      ASSERT_LE(std::fabs(got[i] - exact[i]), 1.0) << "coefficient " << i << " round " << round;
      ASSERT_LE(std::fabs(quant[i] - exact[i] / nmx::test::kLumaQ50[i]), 1.0) << "quantized " << i << " round " << round;
    }
  }
}

// A flat block of v has DC 8v and 63 zeros exactly (unit reciprocals pass them
// through); a DC reciprocal r gives 8v x r / 32768 rounded to nearest, ties to
// even: r = 2048 (quantizer 16) lands on halves for odd v. In place (C1I).
TEST(DCTQuantFwd8x8, FlatBlocksAndQuantizerTies) {
  const struct {
    int16_t flat;
    uint16_t recip;
    int16_t want;
  } cases[] = {{0, 32768, 0},     {1, 32768, 8},      {-128, 32768, -1024}, {255, 32768, 2040}, {-256, 32768, -2048},
               {3, 2048, 2},      {5, 2048, 2},       {7, 2048, 4},         {-3, 2048, -2},     {-5, 2048, -2},
               {-1, 2048, 0},     {1, 2048, 0},       {9, 2048, 4},         {100, 65535, 1600}, {-100, 65535, -1600},
               {255, 65535, 4080}, {-256, 65535, -4096}, {50, 1, 0},        {100, 0, 0}};
  for (const auto& c : cases) {
    std::vector<uint16_t> table(64, 32768);
    table[0] = c.recip;
    int16_t block[64];
    std::fill(block, block + 64, c.flat);
    ASSERT_EQ(nmxiDCTQuantFwd8x8_JPEG_16s_C1I(block, table.data()), nmxStatusOk);
    EXPECT_EQ(block[0], c.want) << "flat " << c.flat << " reciprocal " << c.recip;
    for (int i = 1; i < 64; ++i) ASSERT_EQ(block[i], 0) << "flat " << c.flat << " coefficient " << i;
  }
}

// Factors of 1 on even rows and -1 on odd ones (a transposed table shows),
// source rows 40 bytes apart.
TEST(DCTQuantFwd8x8LS_16u16s, WithinOneOfExactTransform) {
  Rng rng(12);
  std::uniform_int_distribution<int> sample(0, 4095), small(-40, 40);
  std::vector<float> factors(64);
  for (int i = 0; i < 64; ++i) factors[i] = i / 8 % 2 ? -1.0f : 1.0f;
  for (int round = 0; round < 1000; ++round) {
    std::vector<uint16_t> area(20 * 8);
    const int base = sample(rng);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        area[20 * y + x] = static_cast<uint16_t>(round % 2 ? sample(rng) : std::clamp(base + small(rng) * (x + y), 0, 4095));
    double f[64], exact[64];
    for (int i = 0; i < 64; ++i) f[i] = area[20 * (i / 8) + i % 8] - 2048.0;
    nmx::test::exact_fdct(f, exact);
    int16_t got[64];
    ASSERT_EQ(nmxiDCTQuantFwd8x8LS_JPEG_16u16s_C1R(area.data(), 40, got, factors.data()), nmxStatusOk);
    for (int i = 0; i < 64; ++i)
      ASSERT_LE(std::fabs(got[i] - exact[i] * factors[i]), 1.0) << "coefficient " << i << " round " << round;
  }
}

// Flat 2048 + 3 has DC 24: its factor scales, rounds to nearest and
// saturates; the other coefficients stay 0.
TEST(DCTQuantFwd8x8LS_16u16s, ScalesRoundsAndSaturates) {
  std::vector<uint16_t> flat(64, 2048 + 3);
  const struct {
    float factor;
    int16_t want;
  } cases[] = {{1.0f, 24},    {0.125f, 3},     {-0.125f, -3},   {1.0f / 9, 3},
               {-1.0f / 9, -3}, {2000.0f, 32767}, {-1e6f, -32768}, {0.0f, 0}};
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

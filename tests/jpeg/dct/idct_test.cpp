// Inverse 8x8 DCT with dequantization through the exports: accuracy against a
// double-precision inverse DCT, DC-only and empty blocks, the shortcut forms
// against the full form, the thumbnails against exact means, 16-bit
// wrap-around of dequantization, overlapping rows, argument checks, the 12-bit
// form and forward-then-inverse round trips of photograph blocks.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "jpeg/dct/dct_exact.h"
#include "nmxj.h"
#include "support/harness.h"

namespace {

using nmx::test::Rng;

using InvLS = nmxStatus (*)(const int16_t*, uint8_t*, int32_t, const uint16_t*);

const std::vector<uint16_t> kOnes(64, 1);

// Coefficients of ordinary magnitude: the rounded exact transform of a random
// level-shifted 8-bit block, with every coefficient outside the top-left
// `keep` x `keep` corner cleared.
void ordinary_coefficients(Rng& rng, int16_t* c, int keep = 8) {
  std::uniform_int_distribution<int> base(0, 255), amp(0, 127);
  const int b = base(rng), a = amp(rng);
  std::uniform_int_distribution<int> noise(-a, a);
  double f[64], F[64];
  for (double& v : f) v = std::clamp(b + noise(rng), 0, 255) - 128.0;
  nmx::test::exact_fdct(f, F);
  for (int i = 0; i < 64; ++i) c[i] = (i / 8 < keep && i % 8 < keep) ? static_cast<int16_t>(std::lround(F[i])) : 0;
}

void exact_pixels(const int16_t* c, double out[64]) {
  double F[64];
  for (int i = 0; i < 64; ++i) F[i] = c[i];
  nmx::test::exact_idct(F, out);
}

TEST(DCTQuantInv8x8, WithinOneOfExactInverse) {
  Rng rng(31);
  for (int round = 0; round < 3000; ++round) {
    int16_t c[64], got[64];
    ordinary_coefficients(rng, c, round % 4 == 0 ? 3 : 8);
    double exact[64];
    exact_pixels(c, exact);
    ASSERT_EQ(nmxiDCTQuantInv8x8_JPEG_16s_C1(c, got, kOnes.data()), nmxStatusOk);
    for (int i = 0; i < 64; ++i)
      ASSERT_LE(std::fabs(got[i] - exact[i]), 1.0) << "sample " << i << " round " << round << " exact " << exact[i];
    uint8_t px[64];
    ASSERT_EQ(nmxiDCTQuantInv8x8LS_JPEG_16s8u_C1R(c, px, 8, kOnes.data()), nmxStatusOk);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(px[i], std::clamp(got[i] + 128, 0, 255)) << "sample " << i;
  }
}

TEST(DCTQuantInv8x8, DcOnlyBlocks) {
  // d / 8 rounded to nearest; at exact halves either neighbour.
  for (int d : {0, 8, -8, 1024, -1024, 1000, 1023, 1025, 12, -12, 4, -4, 2047, -2048, 7, -7}) {
    int16_t c[64] = {}, got[64];
    c[0] = static_cast<int16_t>(d);
    ASSERT_EQ(nmxiDCTQuantInv8x8_JPEG_16s_C1(c, got, kOnes.data()), nmxStatusOk);
    const bool half = ((d % 8) + 8) % 8 == 4;
    const int lo = static_cast<int>(std::floor(d / 8.0)), nearest = static_cast<int>(std::floor(d / 8.0 + 0.5));
    for (int i = 0; i < 64; ++i) {
      if (half)
        ASSERT_TRUE(got[i] == lo || got[i] == lo + 1) << "d " << d << " sample " << i << " got " << got[i];
      else
        ASSERT_EQ(got[i], nearest) << "d " << d << " sample " << i;
    }
  }
  // Dequantized DC 1024: 128 in the 16-bit form, clamped 255 in the LS form.
  int16_t c[64] = {};
  c[0] = 64;
  std::vector<uint16_t> q(64, 1);
  q[0] = 16;
  int16_t out[64];
  uint8_t px[64];
  ASSERT_EQ(nmxiDCTQuantInv8x8_JPEG_16s_C1(c, out, q.data()), nmxStatusOk);
  ASSERT_EQ(nmxiDCTQuantInv8x8LS_JPEG_16s8u_C1R(c, px, 8, q.data()), nmxStatusOk);
  for (int i = 0; i < 64; ++i) {
    ASSERT_EQ(out[i], 128);
    ASSERT_EQ(px[i], 255);
  }
}

TEST(DCTQuantInv8x8, ZeroBlockGivesMidGreyInEveryForm) {
  const int16_t zero[64] = {};
  int16_t out[64];
  std::fill(out, out + 64, 7);
  ASSERT_EQ(nmxiDCTQuantInv8x8_JPEG_16s_C1(zero, out, kOnes.data()), nmxStatusOk);
  for (int16_t v : out) ASSERT_EQ(v, 0);
  const struct {
    InvLS fn;
    int n;
    const char* what;
  } forms[] = {{nmxiDCTQuantInv8x8LS_JPEG_16s8u_C1R, 8, "full"},    {nmxiDCTQuantInv8x8LS_1x1_JPEG_16s8u_C1R, 8, "1x1"},
               {nmxiDCTQuantInv8x8LS_2x2_JPEG_16s8u_C1R, 8, "2x2"},  {nmxiDCTQuantInv8x8LS_4x4_JPEG_16s8u_C1R, 8, "4x4"},
               {nmxiDCTQuantInv8x8To4x4LS_JPEG_16s8u_C1R, 4, "to4x4"}, {nmxiDCTQuantInv8x8To2x2LS_JPEG_16s8u_C1R, 2, "to2x2"}};
  for (const auto& f : forms) {
    uint8_t px[64];
    std::memset(px, 0, 64);
    ASSERT_EQ(f.fn(zero, px, 8, kOnes.data()), nmxStatusOk);
    for (int i = 0; i < 64; ++i) {
      const bool inside = i / 8 < f.n && i % 8 < f.n;
      ASSERT_EQ(px[i], inside ? 128 : 0) << f.what << " pixel " << i;
    }
  }
}

TEST(DCTQuantInv8x8LS_1x1, OwnRounding) {
  const struct {
    int16_t dc;
    uint16_t q;
    uint8_t want;
  } cases[] = {{4, 1, 128},     {1023, 1, 255},   {1, 4, 128},    {-1, 1, 127},   {-9, 1, 126},  {-1024, 1, 0},
               {-1032, 1, 0},   {8, 2, 130},      {100, 10, 253}, {-100, 10, 3},  {0, 65535, 128},
               // 8192 x 64 = 2^19: (2^19 >> 3) + 128 keeps 16 bits, 65664 -> 128.
               {8192, 64, 128}, {-32768, 65535, 255}, {32767, 65535, 0}};
  for (const auto& c : cases) {
    int16_t coef[64];
    for (int i = 0; i < 64; ++i) coef[i] = static_cast<int16_t>(i ? 1000 + i : c.dc);  // AC is never read
    std::vector<uint16_t> q(64, 3);
    q[0] = c.q;
    uint8_t px[64];
    ASSERT_EQ(nmxiDCTQuantInv8x8LS_1x1_JPEG_16s8u_C1R(coef, px, 8, q.data()), nmxStatusOk);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(px[i], c.want) << "dc " << c.dc << " q " << c.q << " pixel " << i;
  }
}

// The 2x2 and 4x4 shortcuts equal the full form on the block with everything
// outside their corner cleared, bit for bit, without reading outside it.
TEST(DCTQuantInv8x8LS_Shortcuts, SameAsFullTransformOfCorner) {
  Rng rng(41);
  for (int n : {2, 4}) {
    const InvLS shortcut = n == 2 ? nmxiDCTQuantInv8x8LS_2x2_JPEG_16s8u_C1R : nmxiDCTQuantInv8x8LS_4x4_JPEG_16s8u_C1R;
    for (int round = 0; round < 3000; ++round) {
      int16_t c[64], corner[64] = {};
      uint16_t q[64];
      if (round % 3 == 0) {
        nmx::test::fill(c, 64, rng, nmx::test::Fill::Extremes);
        nmx::test::fill(q, 64, rng, nmx::test::Fill::Extremes);
      } else {
        ordinary_coefficients(rng, c);
        std::uniform_int_distribution<int> qd(1, round % 3 == 1 ? 4 : 120);
        for (uint16_t& v : q) v = static_cast<uint16_t>(qd(rng));
      }
      for (int i = 0; i < 64; ++i)
        if (i / 8 < n && i % 8 < n) corner[i] = c[i];
      uint8_t want[64], got[64];
      ASSERT_EQ(nmxiDCTQuantInv8x8LS_JPEG_16s8u_C1R(corner, want, 8, q), nmxStatusOk);
      ASSERT_EQ(shortcut(c, got, 8, q), nmxStatusOk);
      ASSERT_TRUE(nmx::test::same(want, got, 64, 8)) << n << "x" << n << " round " << round;
    }
  }
}

// Mean of each s x s square of the exact result, level-shifted and clamped.
void exact_means(const int16_t* c, int s, double* out) {
  double px[64];
  exact_pixels(c, px);
  const int n = 8 / s;
  for (int by = 0; by < n; ++by)
    for (int bx = 0; bx < n; ++bx) {
      double acc = 0;
      for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) acc += px[8 * (by * s + y) + bx * s + x];
      out[n * by + bx] = std::clamp(acc / (s * s) + 128, 0.0, 255.0);
    }
}

TEST(DCTQuantInv8x8Thumbnails, WithinOneOfExactMeans) {
  Rng rng(51);
  for (int s : {2, 4}) {
    const InvLS fn = s == 2 ? nmxiDCTQuantInv8x8To4x4LS_JPEG_16s8u_C1R : nmxiDCTQuantInv8x8To2x2LS_JPEG_16s8u_C1R;
    const int n = 8 / s;
    for (int round = 0; round < 3000; ++round) {
      int16_t c[64];
      ordinary_coefficients(rng, c, round % 5 == 0 ? 2 : 8);
      double want[16];
      exact_means(c, s, want);
      // Rows 20 bytes apart; the gaps must stay untouched.
      std::vector<uint8_t> area(20 * n, 0xEE);
      ASSERT_EQ(fn(c, area.data(), 20, kOnes.data()), nmxStatusOk);
      for (int y = 0; y < n; ++y)
        for (int x = 0; x < 20; ++x) {
          const uint8_t v = area[20 * y + x];
          if (x >= n) {
            ASSERT_EQ(v, 0xEE) << "wrote outside the thumbnail";
            continue;
          }
          ASSERT_LE(std::fabs(v - want[n * y + x]), 1.0)
              << (s == 2 ? "4x4" : "2x2") << " pixel (" << y << "," << x << ") round " << round;
        }
    }
  }
}

TEST(DCTQuantInv8x8, DequantizationWrapsTo16Bits) {
  Rng rng(61);
  std::uniform_int_distribution<int> coef(-3000, 3000), quant(1, 1000);
  for (int round = 0; round < 300; ++round) {
    int16_t c[64], wrapped[64], a[64], b[64];
    uint16_t q[64];
    for (int i = 0; i < 64; ++i) {
      c[i] = static_cast<int16_t>(coef(rng));
      q[i] = static_cast<uint16_t>(quant(rng));
      wrapped[i] = static_cast<int16_t>(static_cast<uint16_t>((c[i] * q[i]) & 0xFFFF));
    }
    ASSERT_EQ(nmxiDCTQuantInv8x8_JPEG_16s_C1(c, a, q), nmxStatusOk);
    ASSERT_EQ(nmxiDCTQuantInv8x8_JPEG_16s_C1(wrapped, b, kOnes.data()), nmxStatusOk);
    ASSERT_TRUE(nmx::test::same(b, a, 64, 8));
    // In place gives the same and the out-of-place source is unchanged.
    int16_t keep[64];
    std::memcpy(keep, c, sizeof c);
    ASSERT_EQ(nmxiDCTQuantInv8x8_JPEG_16s_C1I(c, q), nmxStatusOk);
    ASSERT_TRUE(nmx::test::same(a, c, 64, 8));
    ASSERT_EQ(nmxiDCTQuantInv8x8LS_JPEG_16s8u_C1R(keep, reinterpret_cast<uint8_t*>(b), 8, q), nmxStatusOk);
    int16_t again[64];
    ASSERT_EQ(nmxiDCTQuantInv8x8_JPEG_16s_C1(keep, again, q), nmxStatusOk);
    ASSERT_TRUE(nmx::test::same(a, again, 64, 8)) << "source changed";
  }
}

// With a step below the output width rows overlap and later rows win; with a
// large step the bytes between rows are untouched.
TEST(DCTQuantInv8x8LS, AnyStepWritesRowsInOrder) {
  Rng rng(71);
  const InvLS forms[] = {nmxiDCTQuantInv8x8LS_JPEG_16s8u_C1R,     nmxiDCTQuantInv8x8LS_1x1_JPEG_16s8u_C1R,
                         nmxiDCTQuantInv8x8LS_2x2_JPEG_16s8u_C1R, nmxiDCTQuantInv8x8LS_4x4_JPEG_16s8u_C1R,
                         nmxiDCTQuantInv8x8To4x4LS_JPEG_16s8u_C1R, nmxiDCTQuantInv8x8To2x2LS_JPEG_16s8u_C1R};
  const int sizes[] = {8, 8, 8, 8, 4, 2};
  for (int f = 0; f < 6; ++f) {
    const int n = sizes[f];
    for (int32_t step : {1, 2, 3, 5, 7, 8, 9, 33}) {
      int16_t c[64];
      ordinary_coefficients(rng, c);
      uint8_t tight[64];
      ASSERT_EQ(forms[f](c, tight, n, kOnes.data()), nmxStatusOk);
      std::vector<uint8_t> want(static_cast<size_t>(step) * 8 + 16, 0x3C), got(want);
      for (int r = 0; r < n; ++r) std::memcpy(want.data() + r * step, tight + n * r, n);
      ASSERT_EQ(forms[f](c, got.data(), step, kOnes.data()), nmxStatusOk);
      ASSERT_TRUE(nmx::test::same(want.data(), got.data(), want.size())) << "form " << f << " step " << step;
    }
  }
}

TEST(DCTQuantInv8x8, ArgumentChecksInOrder) {
  int16_t src[64] = {};
  uint16_t table[64];
  std::fill(table, table + 64, 1);
  float ftable[64];
  std::fill(ftable, ftable + 64, 1.0f);
  const InvLS region[] = {nmxiDCTQuantInv8x8LS_JPEG_16s8u_C1R,     nmxiDCTQuantInv8x8LS_1x1_JPEG_16s8u_C1R,
                          nmxiDCTQuantInv8x8LS_2x2_JPEG_16s8u_C1R, nmxiDCTQuantInv8x8LS_4x4_JPEG_16s8u_C1R,
                          nmxiDCTQuantInv8x8To4x4LS_JPEG_16s8u_C1R, nmxiDCTQuantInv8x8To2x2LS_JPEG_16s8u_C1R};
  for (InvLS fn : region) {
    uint8_t px[64];
    std::memset(px, 0x77, 64);
    const struct {
      const int16_t* s;
      uint8_t* d;
      int32_t step;
      const uint16_t* t;
      nmxStatus want;
    } cases[] = {{nullptr, px, 0, nullptr, nmxStatusNullPtrErr}, {src, nullptr, 0, nullptr, nmxStatusNullPtrErr},
                 {src, px, 0, nullptr, nmxStatusStepErr},        {src, px, -8, table, nmxStatusStepErr},
                 {src, px, INT32_MIN, table, nmxStatusStepErr},  {src, px, 8, nullptr, nmxStatusNullPtrErr}};
    for (const auto& c : cases) {
      EXPECT_EQ(fn(c.s, c.d, c.step, c.t), c.want);
      for (uint8_t v : px) ASSERT_EQ(v, 0x77);
    }
  }
  uint16_t px16[64];
  std::fill(px16, px16 + 64, 0x7777);
  EXPECT_EQ(nmxiDCTQuantInv8x8LS_JPEG_16s16u_C1R(nullptr, px16, 0, nullptr), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiDCTQuantInv8x8LS_JPEG_16s16u_C1R(src, nullptr, 0, nullptr), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiDCTQuantInv8x8LS_JPEG_16s16u_C1R(src, px16, 0, nullptr), nmxStatusStepErr);
  EXPECT_EQ(nmxiDCTQuantInv8x8LS_JPEG_16s16u_C1R(src, px16, 16, nullptr), nmxStatusNullPtrErr);
  for (uint16_t v : px16) ASSERT_EQ(v, 0x7777);
  int16_t out[64];
  std::fill(out, out + 64, 0x7777);
  EXPECT_EQ(nmxiDCTQuantInv8x8_JPEG_16s_C1(nullptr, out, table), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiDCTQuantInv8x8_JPEG_16s_C1(src, nullptr, table), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiDCTQuantInv8x8_JPEG_16s_C1(src, out, nullptr), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiDCTQuantInv8x8_JPEG_16s_C1I(nullptr, table), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiDCTQuantInv8x8_JPEG_16s_C1I(out, nullptr), nmxStatusNullPtrErr);
  for (int16_t v : out) ASSERT_EQ(v, 0x7777);
}

TEST(DCTQuantInv8x8LS_16s16u, WithinOneOfExactInverse) {
  Rng rng(81);
  std::uniform_int_distribution<int> sample(0, 4095);
  std::vector<float> factors(64);
  for (int round = 0; round < 1000; ++round) {
    // 12-bit content and its exact coefficients; factors 1 or 2 with halved coefficients.
    double f[64], F[64];
    const int b = sample(rng);
    std::uniform_int_distribution<int> noise(-(round % 700), round % 700);
    for (double& v : f) v = std::clamp(b + noise(rng), 0, 4095) - 2048.0;
    nmx::test::exact_fdct(f, F);
    int16_t c[64];
    double used[64];
    for (int i = 0; i < 64; ++i) {
      factors[i] = round % 2 ? 2.0f : 1.0f;
      c[i] = static_cast<int16_t>(std::lround(F[i] / factors[i]));
      used[i] = c[i] * static_cast<double>(factors[i]);
    }
    double exact[64];
    nmx::test::exact_idct(used, exact);
    std::vector<uint16_t> area(12 * 8, 0xDDDD);  // rows 24 bytes apart
    ASSERT_EQ(nmxiDCTQuantInv8x8LS_JPEG_16s16u_C1R(c, area.data(), 24, factors.data()), nmxStatusOk);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 12; ++x) {
        const uint16_t v = area[12 * y + x];
        if (x >= 8) {
          ASSERT_EQ(v, 0xDDDD);
          continue;
        }
        // The form truncates: compare with the truncated exact value.
        const double want = std::clamp(std::trunc(exact[8 * y + x] + 2048.0), 0.0, 4095.0);
        ASSERT_LE(std::fabs(v - want), 1.0) << "sample (" << y << "," << x << ") round " << round;
      }
  }
  // Clamping at both ends.
  int16_t c[64] = {};
  std::vector<float> ones(64, 1.0f);
  uint16_t out[64];
  for (const auto& [dc, want] : {std::pair{30000, 4095}, {-30000, 0}, {0, 2048}, {8 * 2047, 4095}, {-8 * 2048, 0}}) {
    c[0] = static_cast<int16_t>(dc);
    ASSERT_EQ(nmxiDCTQuantInv8x8LS_JPEG_16s16u_C1R(c, out, 16, ones.data()), nmxStatusOk);
    for (uint16_t v : out) ASSERT_EQ(v, want) << "dc " << dc;
  }
}

// Forward with the quality-50 table, then inverse, over every block of the
// photographs: the error stays that of a double-precision round trip.
TEST(DCTQuantRoundTrip, PhotographBlocksAtQuality50) {
  const auto recip = nmx::test::reciprocals(nmx::test::kLumaQ50);
  int files = 0;
  for (const std::string& path : nmx::test::corpus_paths()) {
    int count = 0;
    const std::vector<uint8_t> blocks = nmx::test::photo_blocks(path, &count);
    if (count == 0) continue;
    ++files;
    double err_ours = 0, err_exact = 0;
    for (int b = 0; b < count; ++b) {
      const uint8_t* px = blocks.data() + 64 * b;
      int16_t coef[64];
      uint8_t back[64];
      ASSERT_EQ(nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(px, 8, coef, recip.data()), nmxStatusOk);
      ASSERT_EQ(nmxiDCTQuantInv8x8LS_JPEG_16s8u_C1R(coef, back, 8, nmx::test::kLumaQ50), nmxStatusOk);
      double f[64], F[64], g[64];
      for (int i = 0; i < 64; ++i) f[i] = px[i] - 128.0;
      nmx::test::exact_fdct(f, F);
      for (int i = 0; i < 64; ++i) F[i] = std::nearbyint(F[i] / nmx::test::kLumaQ50[i]) * nmx::test::kLumaQ50[i];
      nmx::test::exact_idct(F, g);
      for (int i = 0; i < 64; ++i) {
        const double ex = std::clamp(std::nearbyint(g[i] + 128), 0.0, 255.0);
        err_ours += (back[i] - px[i]) * (back[i] - px[i]);
        err_exact += (ex - px[i]) * (ex - px[i]);
      }
    }
    const double n = 64.0 * count;
    const double mse_ours = err_ours / n, mse_exact = err_exact / n;
    EXPECT_LT(mse_ours, mse_exact * 1.01 + 0.02) << path << ": " << mse_ours << " vs " << mse_exact;
    std::printf("%s: mean squared error %.3f (double-precision round trip %.3f)\n", path.c_str(), mse_ours, mse_exact);
    RecordProperty("mse_" + std::to_string(files), std::to_string(mse_ours) + " (exact " + std::to_string(mse_exact) + ")");
  }
  if (files == 0) GTEST_SKIP() << "no test photographs";
}

}  // namespace

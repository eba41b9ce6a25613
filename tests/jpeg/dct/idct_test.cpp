// Inverse 8x8 DCT with dequantization through the exports: accuracy against a
// double-precision inverse DCT, DC-only blocks, the shortcut forms against the
// full form, the thumbnails against exact means, 16-bit wrap-around of
// dequantization, rows written in order, the argument checks of every DCT
// export, the 12-bit form and forward-then-inverse round trips of photographs.
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

// The region forms to 8-bit pixels and the width of their output.
const struct {
  InvLS fn;
  int n;
  const char* what;
} kRegionForms[] = {
    {nmxiDCTQuantInv8x8LS_JPEG_16s8u_C1R, 8, "full"},      {nmxiDCTQuantInv8x8LS_1x1_JPEG_16s8u_C1R, 8, "1x1"},
    {nmxiDCTQuantInv8x8LS_2x2_JPEG_16s8u_C1R, 8, "2x2"},   {nmxiDCTQuantInv8x8LS_4x4_JPEG_16s8u_C1R, 8, "4x4"},
    {nmxiDCTQuantInv8x8To4x4LS_JPEG_16s8u_C1R, 4, "to4x4"}, {nmxiDCTQuantInv8x8To2x2LS_JPEG_16s8u_C1R, 2, "to2x2"}};

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

// The 16-bit form within 1 of the exact inverse and the LS form its clamped
// level shift; each thumbnail pixel within 1 of the mean of its square of the
// exact result, level-shifted and clamped.
TEST(DCTQuantInv8x8, WithinOneOfExactInverse) {
  Rng rng(31);
  for (int round = 0; round < 3000; ++round) {
    int16_t c[64], got[64];
    ordinary_coefficients(rng, c, round % 4 == 0 ? 3 : (round % 5 == 0 ? 2 : 8));
    double exact[64];
    exact_pixels(c, exact);
    ASSERT_EQ(nmxiDCTQuantInv8x8_JPEG_16s_C1(c, got, kOnes.data()), nmxStatusOk);
    for (int i = 0; i < 64; ++i)
      ASSERT_LE(std::fabs(got[i] - exact[i]), 1.0) << "sample " << i << " round " << round << " exact " << exact[i];
    uint8_t px[64];
    ASSERT_EQ(nmxiDCTQuantInv8x8LS_JPEG_16s8u_C1R(c, px, 8, kOnes.data()), nmxStatusOk);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(px[i], std::clamp(got[i] + 128, 0, 255)) << "sample " << i;
    for (int n : {4, 2}) {
      const int s = 8 / n;
      const InvLS fn = n == 4 ? nmxiDCTQuantInv8x8To4x4LS_JPEG_16s8u_C1R : nmxiDCTQuantInv8x8To2x2LS_JPEG_16s8u_C1R;
      ASSERT_EQ(fn(c, px, n, kOnes.data()), nmxStatusOk);
      for (int by = 0; by < n; ++by)
        for (int bx = 0; bx < n; ++bx) {
          double acc = 0;
          for (int y = 0; y < s; ++y)
            for (int x = 0; x < s; ++x) acc += exact[8 * (by * s + y) + bx * s + x];
          ASSERT_LE(std::fabs(px[n * by + bx] - std::clamp(acc / (s * s) + 128, 0.0, 255.0)), 1.0)
              << n << "x" << n << " thumbnail pixel (" << by << "," << bx << ") round " << round;
        }
    }
  }
}

// A DC-only block of d gives d / 8 rounded to nearest in every sample (at exact
// halves either neighbour), the LS form that + 128 clamped (d = 1024: 128, 255).
TEST(DCTQuantInv8x8, DcOnlyBlocks) {
  for (int d : {0, 8, -8, 1024, -1024, 1000, 1023, 1025, 12, -12, 4, -4, 2047, -2048, 7, -7}) {
    int16_t c[64] = {static_cast<int16_t>(d)}, got[64];
    uint8_t px[64];
    ASSERT_EQ(nmxiDCTQuantInv8x8_JPEG_16s_C1(c, got, kOnes.data()), nmxStatusOk);
    ASSERT_EQ(nmxiDCTQuantInv8x8LS_JPEG_16s8u_C1R(c, px, 8, kOnes.data()), nmxStatusOk);
    const bool half = ((d % 8) + 8) % 8 == 4;
    const int lo = static_cast<int>(std::floor(d / 8.0)), nearest = static_cast<int>(std::floor(d / 8.0 + 0.5));
    for (int i = 0; i < 64; ++i) {
      ASSERT_TRUE(half ? (got[i] == lo || got[i] == lo + 1) : got[i] == nearest) << "d " << d << " got " << got[i];
      ASSERT_EQ(px[i], std::clamp(got[i] + 128, 0, 255)) << "d " << d << " sample " << i;
    }
  }
}

// (DC x q) >> 3 rounding toward minus infinity, + 128 kept to 16 bits, clamped.
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

// Products keep their low 16 bits: the same as the wrapped products with unit
// quantizers, and in place the same again. The 2x2 and 4x4 shortcuts give the
// full form of the block with everything outside their corner cleared (which
// they must not read), bit for bit. No out-of-place form changes its source.
TEST(DCTQuantInv8x8, DequantizationWrapsAndShortcutsMatch) {
  Rng rng(61);
  std::uniform_int_distribution<int> coef(-3000, 3000), quant(1, 1000), small_quant(1, 4);
  for (int round = 0; round < 3000; ++round) {
    int16_t c[64], keep[64], wrapped[64], a[64], b[64];
    uint16_t q[64];
    if (round % 3 == 0) {
      nmx::test::fill(c, 64, rng, nmx::test::Fill::Extremes);
      nmx::test::fill(q, 64, rng, nmx::test::Fill::Extremes);
    } else if (round % 3 == 1) {
      ordinary_coefficients(rng, c);
      for (uint16_t& v : q) v = static_cast<uint16_t>(small_quant(rng));
    } else {
      for (int i = 0; i < 64; ++i) {
        c[i] = static_cast<int16_t>(coef(rng));
        q[i] = static_cast<uint16_t>(quant(rng));
      }
    }
    for (int i = 0; i < 64; ++i) wrapped[i] = static_cast<int16_t>(static_cast<uint16_t>((c[i] * q[i]) & 0xFFFF));
    std::memcpy(keep, c, sizeof c);
    ASSERT_EQ(nmxiDCTQuantInv8x8_JPEG_16s_C1(c, a, q), nmxStatusOk);
    ASSERT_EQ(nmxiDCTQuantInv8x8_JPEG_16s_C1(wrapped, b, kOnes.data()), nmxStatusOk);
    ASSERT_TRUE(nmx::test::same(b, a, 64, 8)) << "round " << round;
    uint8_t px[6][64];
    for (int f = 0; f < 6; ++f) ASSERT_EQ(kRegionForms[f].fn(c, px[f], 8, q), nmxStatusOk);
    ASSERT_TRUE(nmx::test::same(keep, c, 64, 8)) << "source changed";
    for (int n : {2, 4}) {
      int16_t corner[64] = {};
      for (int i = 0; i < 64; ++i) corner[i] = i / 8 < n && i % 8 < n ? c[i] : 0;
      uint8_t want[64];
      ASSERT_EQ(nmxiDCTQuantInv8x8LS_JPEG_16s8u_C1R(corner, want, 8, q), nmxStatusOk);
      ASSERT_TRUE(nmx::test::same(want, px[n == 2 ? 2 : 3], 64, 8)) << n << "x" << n << " round " << round;
    }
    ASSERT_EQ(nmxiDCTQuantInv8x8_JPEG_16s_C1I(c, q), nmxStatusOk);
    ASSERT_TRUE(nmx::test::same(a, c, 64, 8)) << "in place";
  }
}

// Every region form: an all-zero block gives mid-grey; with a step below the
// output width rows overlap and later rows win; with a large step the bytes
// between and after the rows are untouched.
TEST(DCTQuantInv8x8LS, AnyStepWritesRowsInOrder) {
  Rng rng(71);
  const int16_t zero[64] = {};
  for (const auto& f : kRegionForms) {
    const int n = f.n;
    uint8_t tight[64];
    ASSERT_EQ(f.fn(zero, tight, n, kOnes.data()), nmxStatusOk);
    for (int i = 0; i < n * n; ++i) ASSERT_EQ(tight[i], 128) << f.what << " zero block, pixel " << i;
    for (int32_t step : {1, 2, 3, 5, 7, 8, 9, 33}) {
      int16_t c[64];
      ordinary_coefficients(rng, c);
      ASSERT_EQ(f.fn(c, tight, n, kOnes.data()), nmxStatusOk);
      std::vector<uint8_t> want(static_cast<size_t>(step) * 8 + 16, 0x3C), got(want);
      for (int r = 0; r < n; ++r) std::memcpy(want.data() + r * step, tight + n * r, n);
      ASSERT_EQ(f.fn(c, got.data(), step, kOnes.data()), nmxStatusOk);
      ASSERT_TRUE(nmx::test::same(want.data(), got.data(), want.size())) << f.what << " step " << step;
    }
  }
}

// Every forward and inverse DCT export behind one signature: source,
// destination, step, table (block forms ignore the step; in-place forms take
// the destination as their block).
struct Arg {
  void* p;
  template <class T> operator T*() const { return static_cast<T*>(p); }
};
enum Kind { kRegion, kBlock, kInPlace };
const struct {
  const char* what;
  Kind kind;
  nmxStatus (*call)(Arg s, Arg d, int32_t step, Arg t);
} kExports[] = {
    {"fwd 16s", kBlock, [](Arg s, Arg d, int32_t, Arg t) { return nmxiDCTQuantFwd8x8_JPEG_16s_C1(s, d, t); }},
    {"fwd 16s I", kInPlace, [](Arg, Arg d, int32_t, Arg t) { return nmxiDCTQuantFwd8x8_JPEG_16s_C1I(d, t); }},
    {"fwd 8u", kRegion, [](Arg s, Arg d, int32_t n, Arg t) { return nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(s, n, d, t); }},
    {"fwd 16u", kRegion, [](Arg s, Arg d, int32_t n, Arg t) { return nmxiDCTQuantFwd8x8LS_JPEG_16u16s_C1R(s, n, d, t); }},
    {"inv 16s", kBlock, [](Arg s, Arg d, int32_t, Arg t) { return nmxiDCTQuantInv8x8_JPEG_16s_C1(s, d, t); }},
    {"inv 16s I", kInPlace, [](Arg, Arg d, int32_t, Arg t) { return nmxiDCTQuantInv8x8_JPEG_16s_C1I(d, t); }},
    {"inv 16u", kRegion, [](Arg s, Arg d, int32_t n, Arg t) { return nmxiDCTQuantInv8x8LS_JPEG_16s16u_C1R(s, d, n, t); }},
    {"inv 8u", kRegion, [](Arg s, Arg d, int32_t n, Arg t) { return nmxiDCTQuantInv8x8LS_JPEG_16s8u_C1R(s, d, n, t); }},
    {"1x1", kRegion, [](Arg s, Arg d, int32_t n, Arg t) { return nmxiDCTQuantInv8x8LS_1x1_JPEG_16s8u_C1R(s, d, n, t); }},
    {"2x2", kRegion, [](Arg s, Arg d, int32_t n, Arg t) { return nmxiDCTQuantInv8x8LS_2x2_JPEG_16s8u_C1R(s, d, n, t); }},
    {"4x4", kRegion, [](Arg s, Arg d, int32_t n, Arg t) { return nmxiDCTQuantInv8x8LS_4x4_JPEG_16s8u_C1R(s, d, n, t); }},
    {"to4x4", kRegion, [](Arg s, Arg d, int32_t n, Arg t) { return nmxiDCTQuantInv8x8To4x4LS_JPEG_16s8u_C1R(s, d, n, t); }},
    {"to2x2", kRegion, [](Arg s, Arg d, int32_t n, Arg t) { return nmxiDCTQuantInv8x8To2x2LS_JPEG_16s8u_C1R(s, d, n, t); }},
};

// Source or destination null, then the step (region forms), then the table:
// the first failure decides and the output keeps its canary bytes. The wanted
// status per kind of export; Ok marks a call that is valid for that kind.
TEST(DCTQuant8x8, ArgumentChecksInOrder) {
  constexpr nmxStatus kNull = nmxStatusNullPtrErr, kStep = nmxStatusStepErr, kOk = nmxStatusOk;
  const struct {
    bool src, dst, bad_step, table;  // true: null or invalid
    nmxStatus want[3];               // region, block, in place
  } cases[] = {
      {true, false, true, true, {kNull, kNull, kNull}},   {false, true, true, true, {kNull, kNull, kNull}},
      {false, false, true, true, {kStep, kNull, kNull}},  {false, false, false, true, {kNull, kNull, kNull}},
      {false, false, true, false, {kStep, kOk, kOk}},     {true, false, false, false, {kNull, kNull, kOk}},
      {false, true, false, false, {kNull, kNull, kNull}},
  };
  alignas(64) uint8_t src[256] = {}, table[256] = {}, dst[256];
  for (const auto& e : kExports)
    for (const auto& c : cases)
      for (int32_t bad : {0, -1, INT32_MIN}) {
        const nmxStatus want = c.want[e.kind];
        if (want == kOk) continue;
        std::memset(dst, 0xC3, sizeof dst);
        const int32_t step = c.bad_step ? bad : 16;
        EXPECT_EQ(e.call({c.src ? nullptr : src}, {c.dst ? nullptr : dst}, step, {c.table ? nullptr : table}), want)
            << e.what << " src " << c.src << " dst " << c.dst << " step " << step << " table " << c.table;
        for (uint8_t v : dst) ASSERT_EQ(v, 0xC3) << e.what << " wrote on error";
      }
}

TEST(DCTQuantInv8x8LS_16s16u, WithinOneOfExactInverse) {
  Rng rng(81);
  std::uniform_int_distribution<int> sample(0, 4095);
  std::vector<float> factors(64);
  for (int i = 0; i < 64; ++i) factors[i] = i / 8 % 2 ? 2.0f : 1.0f;  // a transposed table shows
  for (int round = 0; round < 1000; ++round) {
    // 12-bit content and its exact coefficients divided by the factors.
    double f[64], F[64], exact[64];
    const int b = sample(rng);
    std::uniform_int_distribution<int> noise(-(round % 700), round % 700);
    for (double& v : f) v = std::clamp(b + noise(rng), 0, 4095) - 2048.0;
    nmx::test::exact_fdct(f, F);
    int16_t c[64];
    for (int i = 0; i < 64; ++i) {
      c[i] = static_cast<int16_t>(std::lround(F[i] / factors[i]));
      F[i] = c[i] * static_cast<double>(factors[i]);
    }
    nmx::test::exact_idct(F, exact);
    std::vector<uint16_t> area(12 * 8, 0xDDDD);  // rows 24 bytes apart; the gaps must stay
    ASSERT_EQ(nmxiDCTQuantInv8x8LS_JPEG_16s16u_C1R(c, area.data(), 24, factors.data()), nmxStatusOk);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 12; ++x) {
        // The form truncates: compare with the truncated exact value.
        const double want = x < 8 ? std::clamp(std::trunc(exact[8 * y + x] + 2048.0), 0.0, 4095.0) : 0xDDDD;
        ASSERT_LE(std::fabs(area[12 * y + x] - want), x < 8 ? 1.0 : 0.0) << "(" << y << "," << x << ") round " << round;
      }
  }
  // DC only: truncation toward zero of d / 8 + 2048 and the clamp at both ends.
  int16_t c[64] = {};
  std::vector<float> ones(64, 1.0f);
  uint16_t out[64];
  for (const auto& [dc, want] : {std::pair{30000, 4095}, {-30000, 0}, {0, 2048}, {14, 2049}, {-10, 2046},
                                 {8 * 2047, 4095}, {-8 * 2048, 0}}) {
    c[0] = static_cast<int16_t>(dc);
    ASSERT_EQ(nmxiDCTQuantInv8x8LS_JPEG_16s16u_C1R(c, out, 16, ones.data()), nmxStatusOk);
    for (uint16_t v : out) ASSERT_EQ(v, want) << "dc " << dc;
  }
}

// Forward with the quality-50 table, then inverse, over every block of the
// photographs' luma planes (read in place, the image width as step): the error
// stays that of a double-precision round trip.
TEST(DCTQuantRoundTrip, PhotographBlocksAtQuality50) {
  const auto recip = nmx::test::reciprocals(nmx::test::kLumaQ50);
  int files = 0;
  for (const std::string& path : nmx::test::corpus_paths()) {
    int w = 0, h = 0;
    const std::vector<uint8_t> luma = nmx::test::photo_luma(path, &w, &h);
    if (w < 8 || h < 8) continue;
    ++files;
    double err_ours = 0, err_exact = 0;
    for (int by = 0; by + 8 <= h; by += 8)
      for (int bx = 0; bx + 8 <= w; bx += 8) {
        const uint8_t* px = luma.data() + static_cast<size_t>(by) * w + bx;
        int16_t coef[64];
        uint8_t back[64];
        ASSERT_EQ(nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(px, w, coef, recip.data()), nmxStatusOk);
        ASSERT_EQ(nmxiDCTQuantInv8x8LS_JPEG_16s8u_C1R(coef, back, 8, nmx::test::kLumaQ50), nmxStatusOk);
        double f[64], F[64], g[64];
        for (int i = 0; i < 64; ++i) f[i] = px[i / 8 * w + i % 8] - 128.0;
        nmx::test::exact_fdct(f, F);
        for (int i = 0; i < 64; ++i) F[i] = std::nearbyint(F[i] / nmx::test::kLumaQ50[i]) * nmx::test::kLumaQ50[i];
        nmx::test::exact_idct(F, g);
        for (int i = 0; i < 64; ++i) {
          const double ex = std::clamp(std::nearbyint(g[i] + 128), 0.0, 255.0);
          err_ours += (back[i] - f[i] - 128) * (back[i] - f[i] - 128);
          err_exact += (ex - f[i] - 128) * (ex - f[i] - 128);
        }
      }
    const double blocks = static_cast<double>(w / 8) * (h / 8);
    const double mse_ours = err_ours / (64 * blocks), mse_exact = err_exact / (64 * blocks);
    EXPECT_LT(mse_ours, mse_exact * 1.01 + 0.02) << path << ": " << mse_ours << " vs " << mse_exact;
    std::printf("%s: mean squared error %.3f (double-precision round trip %.3f)\n", path.c_str(), mse_ours, mse_exact);
  }
  if (files == 0) GTEST_SKIP() << "no test photographs";
}

}  // namespace

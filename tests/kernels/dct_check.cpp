// 8x8 DCT kernels of every target against the references: random, extreme
// and photograph-like blocks and tables at every even misalignment, area
// forms with steps below, at and above the row width; nothing outside the
// output may change.
#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <vector>

#include "jpeg/dct/dct_kernels.h"
#include "support/harness.h"

namespace nmx::dct {
namespace {

using test::Fill;
using test::Guarded;

// Block contents: uniform 16-bit, extremes near +-32768, or small
// (coefficients or level-shifted samples of ordinary range).
void fill_block(int16_t* b, test::Rng& rng, int mode) {
  if (mode < 2) {
    test::fill(b, 64, rng, mode ? Fill::Extremes : Fill::Uniform);
    return;
  }
  std::uniform_int_distribution<int> small(mode == 2 ? -128 : -1024, mode == 2 ? 127 : 1023);
  for (int i = 0; i < 64; ++i) b[i] = static_cast<int16_t>(i % 7 == 3 ? small(rng) / 8 : small(rng));
}
void fill_table(uint16_t* t, test::Rng& rng, int mode) {
  if (mode < 2) {
    test::fill(t, 64, rng, mode ? Fill::Extremes : Fill::Uniform);
    return;
  }
  std::uniform_int_distribution<int> q(1, 255);
  for (int i = 0; i < 64; ++i) t[i] = static_cast<uint16_t>(q(rng));
}

constexpr int kRounds = 3000;

TEST(KernelCheck, DctBlockForms) {
  const Kernels ref = kernels_for(Target::Ref);
  test::Rng rng(0xdc7);
  for (Target t : test::vector_targets()) {
    const Kernels k = kernels_for(t);
    for (int round = 0; round < kRounds; ++round) {
      const size_t off = static_cast<size_t>(round % 8) * 2;
      const int mode = round % 4;
      Guarded<int16_t> src(64, off), want(64, 14 - off), got(64, 14 - off);
      Guarded<uint16_t> table(64, (off + 6) % 16);
      fill_block(src.data(), rng, mode);
      fill_table(table.data(), rng, mode == 2 ? 0 : mode);
      for (auto op : {&Kernels::fwd, &Kernels::inv}) {
        const char* what = op == &Kernels::fwd ? "fwd" : "inv";
        (ref.*op)(src.data(), want.data(), table.data());
        (k.*op)(src.data(), got.data(), table.data());
        ASSERT_TRUE(test::same(want.data(), got.data(), 64, 8)) << target_name(t) << " " << what << " round " << round;
        ASSERT_TRUE(got.guards_intact()) << target_name(t) << " " << what;
        // In place.
        std::memcpy(got.data(), src.data(), 128);
        (k.*op)(got.data(), got.data(), table.data());
        ASSERT_TRUE(test::same(want.data(), got.data(), 64, 8)) << target_name(t) << " " << what << " in place";
      }
    }
  }
}

TEST(KernelCheck, DctForwardFromPixels) {
  const Kernels ref = kernels_for(Target::Ref);
  test::Rng rng(0xf0d);
  for (Target t : test::vector_targets()) {
    const Kernels k = kernels_for(t);
    for (int round = 0; round < kRounds; ++round) {
      const int32_t step = std::array<int32_t, 6>{1, 3, 8, 9, 17, 64}[round % 6];
      const size_t bytes = static_cast<size_t>(step) * 7 + 8;
      Guarded<uint8_t> px(bytes, round % 16);
      test::fill(px.data(), bytes, rng, round % 3 ? Fill::Uniform : Fill::Extremes);
      Guarded<int16_t> want(64, round % 8 * 2), got(64, round % 8 * 2);
      Guarded<uint16_t> table(64, 2);
      fill_table(table.data(), rng, round % 3);
      ref.fwd_ls(px.data(), step, want.data(), table.data());
      k.fwd_ls(px.data(), step, got.data(), table.data());
      ASSERT_TRUE(test::same(want.data(), got.data(), 64, 8)) << target_name(t) << " step " << step << " round " << round;
      ASSERT_TRUE(got.guards_intact());
    }
  }
}

TEST(KernelCheck, DctInverseToPixels) {
  const Kernels ref = kernels_for(Target::Ref);
  test::Rng rng(0x1d);
  const struct {
    Inv8u Kernels::*op;
    const char* what;
    int n;
  } forms[] = {{&Kernels::inv_ls, "inv_ls", 8},         {&Kernels::inv_ls_1x1, "inv_ls_1x1", 8},
               {&Kernels::inv_ls_2x2, "inv_ls_2x2", 8}, {&Kernels::inv_ls_4x4, "inv_ls_4x4", 8},
               {&Kernels::inv_to4x4, "inv_to4x4", 4},   {&Kernels::inv_to2x2, "inv_to2x2", 2}};
  for (Target t : test::vector_targets()) {
    const Kernels k = kernels_for(t);
    for (const auto& f : forms) {
      for (int round = 0; round < kRounds; ++round) {
        const int32_t step = std::array<int32_t, 6>{1, 2, f.n, f.n + 1, 13, 40}[round % 6];
        const size_t bytes = static_cast<size_t>(step) * (f.n - 1) + f.n;
        Guarded<int16_t> src(64, round % 8 * 2);
        Guarded<uint16_t> table(64, (round + 3) % 8 * 2);
        const int mode = round % 4;
        fill_block(src.data(), rng, mode);
        fill_table(table.data(), rng, mode == 3 ? 2 : (mode == 2 ? 3 : mode));
        if (mode == 2) std::fill(table.data(), table.data() + 64, uint16_t{1});
        Guarded<uint8_t> want(bytes, round % 16), got(bytes, round % 16);
        std::memset(want.data(), 0x5C, bytes);
        std::memset(got.data(), 0x5C, bytes);
        ASSERT_EQ((ref.*f.op)(src.data(), want.data(), step, table.data()), nmxStatusOk);
        ASSERT_EQ((k.*f.op)(src.data(), got.data(), step, table.data()), nmxStatusOk);
        ASSERT_TRUE(test::same(want.data(), got.data(), bytes, static_cast<size_t>(step)))
            << target_name(t) << " " << f.what << " step " << step << " round " << round;
        ASSERT_TRUE(got.guards_intact()) << target_name(t) << " " << f.what;
      }
    }
  }
}

// The corner shortcuts with corner values at and next to the 16-bit limits
// and unit or large quantizers, so that row outputs saturate to -32768 and
// 32767 in every combination of rows (the column passes of the vector
// kernels rely on which sums can and cannot leave 16 bits); everything
// outside the corner is noise the kernels must not use.
TEST(KernelCheck, DctCornerShortcutsAtTheLimits) {
  const Kernels ref = kernels_for(Target::Ref);
  test::Rng rng(0xc0de);
  constexpr int16_t kValues[] = {-32768, -32767, -16384, -2048, -1, 0, 1, 2047, 16384, 32766, 32767};
  constexpr uint16_t kQuants[] = {1, 1, 1, 2, 3, 255, 32768, 65535};
  std::uniform_int_distribution<int> pick_value(0, std::size(kValues) - 1), pick_quant(0, std::size(kQuants) - 1);
  for (Target t : test::vector_targets()) {
    const Kernels k = kernels_for(t);
    for (int n : {2, 4}) {
      const Inv8u Kernels::*op = n == 2 ? &Kernels::inv_ls_2x2 : &Kernels::inv_ls_4x4;
      for (int round = 0; round < 20000; ++round) {
        int16_t src[64];
        uint16_t table[64];
        test::fill(src, 64, rng);
        test::fill(table, 64, rng);
        for (int r = 0; r < n; ++r)
          for (int c = 0; c < n; ++c) {
            src[8 * r + c] = kValues[pick_value(rng)];
            table[8 * r + c] = kQuants[pick_quant(rng)];
          }
        uint8_t want[64], got[64];
        (ref.*op)(src, want, 8, table);
        (k.*op)(src, got, 8, table);
        ASSERT_TRUE(test::same(want, got, 64, 8)) << target_name(t) << " " << n << "x" << n << " round " << round;
      }
    }
  }
}

TEST(KernelCheck, DctTwelveBit) {
  const Kernels ref = kernels_for(Target::Ref);
  test::Rng rng(0x12b);
  std::uniform_real_distribution<float> factor(-4.0f, 4.0f);
  for (Target t : test::vector_targets()) {
    const Kernels k = kernels_for(t);
    for (int round = 0; round < 500; ++round) {
      const int32_t step = std::array<int32_t, 4>{16, 17, 3, 40}[round % 4];
      const size_t bytes = static_cast<size_t>(step) * 7 + 16;
      std::vector<float> factors(64);
      for (float& f : factors) f = factor(rng);
      Guarded<uint8_t> area(bytes, round % 4);
      test::fill(area.data(), bytes, rng, round % 2 ? Fill::Extremes : Fill::Uniform);
      int16_t want[64], got[64];
      ref.fwd_12(reinterpret_cast<const uint16_t*>(area.data()), step, want, factors.data());
      k.fwd_12(reinterpret_cast<const uint16_t*>(area.data()), step, got, factors.data());
      ASSERT_TRUE(test::same(want, got, 64, 8)) << target_name(t) << " fwd_12 round " << round;
      int16_t coef[64];
      fill_block(coef, rng, round % 4);
      Guarded<uint8_t> w(bytes, round % 4), g(bytes, round % 4);
      std::memset(w.data(), 0x33, bytes);
      std::memset(g.data(), 0x33, bytes);
      ref.inv_12(coef, reinterpret_cast<uint16_t*>(w.data()), step, factors.data());
      k.inv_12(coef, reinterpret_cast<uint16_t*>(g.data()), step, factors.data());
      ASSERT_TRUE(test::same(w.data(), g.data(), bytes, static_cast<size_t>(step)))
          << target_name(t) << " inv_12 step " << step << " round " << round;
      ASSERT_TRUE(g.guards_intact());
    }
  }
}

}  // namespace
}  // namespace nmx::dct

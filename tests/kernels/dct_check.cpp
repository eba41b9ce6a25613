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

// The block forms (fwd, inv) of k against the references on one block; with
// in_place also with the output over the input.
void check_block_forms(const Kernels& ref, const Kernels& k, Target t, int round, const int16_t* src,
                       const uint16_t* table, size_t off, bool in_place) {
  Guarded<int16_t> want(64, 14 - off), got(64, 14 - off);
  for (auto op : {&Kernels::fwd, &Kernels::inv}) {
    const char* what = op == &Kernels::fwd ? "fwd" : "inv";
    (ref.*op)(src, want.data(), table);
    (k.*op)(src, got.data(), table);
    ASSERT_TRUE(test::same(want.data(), got.data(), 64, 8)) << target_name(t) << " " << what << " round " << round;
    ASSERT_TRUE(got.guards_intact()) << target_name(t) << " " << what;
    if (!in_place) continue;
    std::memcpy(got.data(), src, 128);
    (k.*op)(got.data(), got.data(), table);
    ASSERT_TRUE(test::same(want.data(), got.data(), 64, 8)) << target_name(t) << " " << what << " in place";
  }
}

TEST(KernelCheck, DctBlockForms) {
  const Kernels ref = kernels_for(Target::Ref);
  test::Rng rng(0xdc7);
  for (Target t : test::vector_targets()) {
    const Kernels k = kernels_for(t);
    for (int round = 0; round < kRounds; ++round) {
      const size_t off = static_cast<size_t>(round % 8) * 2;
      const int mode = round % 4;
      Guarded<int16_t> src(64, off);
      Guarded<uint16_t> table(64, (off + 6) % 16);
      fill_block(src.data(), rng, mode);
      fill_table(table.data(), rng, mode == 2 ? 0 : mode);
      check_block_forms(ref, k, t, round, src.data(), table.data(), off, true);
      if (HasFatalFailure()) return;
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

// The corner shortcuts given a block that ends at their last corner
// coefficient (row n-1, column n-1): a kernel that reads past it (a whole
// row, a wider load) reads outside the allocation, which the sanitizer
// build reports; the pixels still match the reference.
TEST(KernelCheck, DctCornerShortcutsReadOnlyTheCorner) {
  test::Rng rng(0x5eed);
  for (Target t : available_targets()) {
    const Kernels k = kernels_for(t);
    for (int n : {2, 4}) {
      const Inv8u op = n == 2 ? k.inv_ls_2x2 : k.inv_ls_4x4;
      const Inv8u ref = n == 2 ? kernels_for(Target::Ref).inv_ls_2x2 : kernels_for(Target::Ref).inv_ls_4x4;
      for (int round = 0; round < 200; ++round) {
        int16_t block[64];
        uint16_t table[64];
        fill_block(block, rng, round % 4);
        fill_table(table, rng, round % 4);
        std::vector<int16_t> tail(block, block + 8 * (n - 1) + n);  // heap copy ending at the corner
        uint8_t want[64], got[64];
        ref(block, want, 8, table);
        op(tail.data(), got, 8, table);
        ASSERT_TRUE(test::same(want, got, 64, 8)) << target_name(t) << " " << n << "x" << n << " round " << round;
      }
    }
  }
}

// The full transforms with values at and next to the 16-bit limits, whole
// rows, columns or blocks of one extreme value (so that the saturating sums
// of both passes clip together, lane after lane), and quantizers that wrap
// the dequantized products or put every odd coefficient on a rounding tie
// (16384 and 49152: c x t / 32768 is then exactly n + 1/2); the 8-bit forms
// with bytes at 0 and 255 and steps from overlapping rows to wide ones, at
// every misalignment.
TEST(KernelCheck, DctFullFormsAtTheLimits) {
  const Kernels ref = kernels_for(Target::Ref);
  test::Rng rng(0x1e7);
  constexpr int16_t kValues[] = {-32768, -32767, -32766, -16384, -2049, -2048, -1, 0,
                                 1,      2047,   2048,   16384,  32765, 32766, 32767};
  constexpr uint16_t kQuants[] = {1, 1, 2, 3, 255, 16384, 16384, 32767, 32768, 32769, 49152, 65535};
  constexpr uint8_t kBytes[] = {0, 0, 1, 127, 128, 254, 255, 255};
  constexpr int32_t kSteps[] = {1, 3, 7, 8, 9, 64};
  std::uniform_int_distribution<int> pick_value(0, std::size(kValues) - 1), pick_quant(0, std::size(kQuants) - 1),
      pick_byte(0, std::size(kBytes) - 1), pick_shape(0, 3);
  // Shape 0: every value drawn; 1: one value per row; 2: one per column; 3: one for the block.
  const auto draw = [&](auto* out, auto& pick, const auto& values) {
    const int shape = pick_shape(rng);
    const auto one = values[pick(rng)];
    for (int i = 0; i < 64; ++i) {
      if (shape == 0) out[i] = values[pick(rng)];
      else if (shape == 1) out[i] = i % 8 == 0 ? values[pick(rng)] : out[i - 1];
      else if (shape == 2) out[i] = i < 8 ? values[pick(rng)] : out[i - 8];
      else out[i] = one;
    }
  };
  for (Target t : test::vector_targets()) {
    const Kernels k = kernels_for(t);
    for (int round = 0; round < 8000; ++round) {
      const size_t off = static_cast<size_t>(round % 8) * 2;
      Guarded<int16_t> src(64, off);
      Guarded<uint16_t> table(64, (off + 4) % 16);
      draw(src.data(), pick_value, kValues);
      draw(table.data(), pick_quant, kQuants);
      check_block_forms(ref, k, t, round, src.data(), table.data(), off, false);
      if (HasFatalFailure()) return;
      const int32_t step = kSteps[round % std::size(kSteps)];
      const size_t bytes = static_cast<size_t>(step) * 7 + 8;
      // Forward from pixels: bytes at the extremes, drawn block-wise then
      // spread over the (possibly overlapping) rows.
      uint8_t block[64];
      draw(block, pick_byte, kBytes);
      Guarded<uint8_t> px(bytes, round % 16);
      for (size_t i = 0; i < bytes; ++i) px.data()[i] = block[i % 64];
      Guarded<int16_t> want(64, 14 - off), got(64, 14 - off);
      ref.fwd_ls(px.data(), step, want.data(), table.data());
      k.fwd_ls(px.data(), step, got.data(), table.data());
      ASSERT_TRUE(test::same(want.data(), got.data(), 64, 8)) << target_name(t) << " fwd_ls step " << step << " round "
                                                            << round;
      // Inverse to pixels, rows written in order (overlaps keep the later row).
      Guarded<uint8_t> pw(bytes, (round + 5) % 16), pg(bytes, (round + 5) % 16);
      std::memset(pw.data(), 0xA7, bytes);
      std::memset(pg.data(), 0xA7, bytes);
      ASSERT_EQ(ref.inv_ls(src.data(), pw.data(), step, table.data()), nmxStatusOk);
      ASSERT_EQ(k.inv_ls(src.data(), pg.data(), step, table.data()), nmxStatusOk);
      ASSERT_TRUE(test::same(pw.data(), pg.data(), bytes, static_cast<size_t>(step)))
          << target_name(t) << " inv_ls step " << step << " round " << round;
      ASSERT_TRUE(pg.guards_intact()) << target_name(t) << " inv_ls step " << step;
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

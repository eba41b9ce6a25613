// 8x8 DCT kernels of every target against the references: random, extreme
// and ordinary blocks and tables at every even misalignment, area forms with
// steps below, at and above the row width; nothing outside the output may
// change, and the corner shortcuts read nothing outside their corner.
#include <algorithm>
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
  if (mode < 2) return test::fill(b, 64, rng, mode ? Fill::Extremes : Fill::Uniform);
  std::uniform_int_distribution<int> small(mode == 2 ? -128 : -1024, mode == 2 ? 127 : 1023);
  for (int i = 0; i < 64; ++i) b[i] = static_cast<int16_t>(i % 7 == 3 ? small(rng) / 8 : small(rng));
}
// Tables: uniform, extremes, all ones, or quantizers 1..255.
void fill_table(uint16_t* t, test::Rng& rng, int mode) {
  if (mode < 2) return test::fill(t, 64, rng, mode ? Fill::Extremes : Fill::Uniform);
  std::uniform_int_distribution<int> q(1, 255);
  for (int i = 0; i < 64; ++i) t[i] = static_cast<uint16_t>(mode == 2 ? 1 : q(rng));
}

// The block forms (fwd, inv) of k against the references, out of place and in
// place.
void check_block_forms(const Kernels& ref, const Kernels& k, Target t, int round, const int16_t* src,
                       const uint16_t* table) {
  Guarded<int16_t> want(64, 14 - round % 8 * 2), got(64, 14 - round % 8 * 2);
  for (auto op : {&Kernels::fwd, &Kernels::inv}) {
    const char* what = op == &Kernels::fwd ? "fwd" : "inv";
    (ref.*op)(src, want.data(), table);
    (k.*op)(src, got.data(), table);
    ASSERT_TRUE(test::same(want.data(), got.data(), 64, 8)) << target_name(t) << " " << what << " round " << round;
    ASSERT_TRUE(got.guards_intact()) << target_name(t) << " " << what;
    std::memcpy(got.data(), src, 128);
    (k.*op)(got.data(), got.data(), table);
    ASSERT_TRUE(test::same(want.data(), got.data(), 64, 8)) << target_name(t) << " " << what << " in place";
  }
}

// The forward form from the 8-bit area px and every inverse form of src to an
// area prefilled with one byte value, all with the same step.
void check_area_forms(const Kernels& ref, const Kernels& k, Target t, int round, const uint8_t* px, int32_t step,
                      const int16_t* src, const uint16_t* table) {
  Guarded<int16_t> want(64, round % 8 * 2), got(64, round % 8 * 2);
  ref.fwd_ls(px, step, want.data(), table);
  k.fwd_ls(px, step, got.data(), table);
  ASSERT_TRUE(test::same(want.data(), got.data(), 64, 8)) << target_name(t) << " fwd_ls step " << step << " round " << round;
  ASSERT_TRUE(got.guards_intact()) << target_name(t) << " fwd_ls";
  const struct {
    Inv8u Kernels::*op;
    const char* what;
    int n;
  } forms[] = {{&Kernels::inv_ls, "inv_ls", 8},         {&Kernels::inv_ls_1x1, "inv_ls_1x1", 8},
               {&Kernels::inv_ls_2x2, "inv_ls_2x2", 8}, {&Kernels::inv_ls_4x4, "inv_ls_4x4", 8},
               {&Kernels::inv_to4x4, "inv_to4x4", 4},   {&Kernels::inv_to2x2, "inv_to2x2", 2}};
  for (const auto& f : forms) {
    const size_t bytes = static_cast<size_t>(step) * (f.n - 1) + f.n;
    Guarded<uint8_t> w(bytes, (round + 5) % 16), g(bytes, (round + 5) % 16);
    std::memset(w.data(), 0x5C, bytes);
    std::memset(g.data(), 0x5C, bytes);
    ASSERT_EQ((ref.*f.op)(src, w.data(), step, table), nmxStatusOk);
    ASSERT_EQ((k.*f.op)(src, g.data(), step, table), nmxStatusOk);
    ASSERT_TRUE(test::same(w.data(), g.data(), bytes, static_cast<size_t>(step)))
        << target_name(t) << " " << f.what << " step " << step << " round " << round;
    ASSERT_TRUE(g.guards_intact()) << target_name(t) << " " << f.what << " step " << step;
  }
}

// Overlapping rows for every output width (8, 4, 2), tight ones, wide ones.
constexpr int32_t kSteps[] = {1, 2, 3, 4, 5, 8, 9, 17, 64};

// Even rounds: random blocks and tables (uniform, extreme or of ordinary
// range) and random bytes. Odd rounds: values at and next to the 16-bit limits,
// whole rows, columns or blocks of one extreme value (so that the saturating
// sums of both passes clip together, lane after lane), quantizers that wrap the
// dequantized products or put every odd coefficient on a rounding tie (16384
// and 49152: c x t / 32768 is then exactly n + 1/2), bytes at 0 and 255.
TEST(KernelCheck, DctAllForms) {
  const Kernels ref = kernels_for(Target::Ref);
  test::Rng rng(0x1e7);
  constexpr int16_t kValues[] = {-32768, -32767, -32766, -16384, -2049, -2048, -1, 0,
                                 1,      2047,   2048,   16384,  32765, 32766, 32767};
  constexpr uint16_t kQuants[] = {1, 1, 2, 3, 255, 16384, 16384, 32767, 32768, 32769, 49152, 65535};
  constexpr uint8_t kBytes[] = {0, 0, 1, 127, 128, 254, 255, 255};
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
    for (int round = 0; round < 16000; ++round) {
      const size_t off = static_cast<size_t>(round / 2 % 8) * 2;
      const int32_t step = kSteps[round % std::size(kSteps)];
      const size_t bytes = static_cast<size_t>(step) * 7 + 8;
      Guarded<int16_t> src(64, off);
      Guarded<uint16_t> table(64, (off + 6) % 16);
      Guarded<uint8_t> px(bytes, round % 16);
      if (round % 2 == 0) {
        fill_block(src.data(), rng, round / 2 % 4);
        fill_table(table.data(), rng, round / 2 % 4);
        test::fill(px.data(), bytes, rng, round % 3 ? Fill::Uniform : Fill::Extremes);
      } else {
        draw(src.data(), pick_value, kValues);
        draw(table.data(), pick_quant, kQuants);
        uint8_t block[64];
        draw(block, pick_byte, kBytes);
        for (size_t i = 0; i < bytes; ++i) px.data()[i] = block[i % 64];
      }
      check_block_forms(ref, k, t, round, src.data(), table.data());
      check_area_forms(ref, k, t, round, px.data(), step, src.data(), table.data());
      if (HasFatalFailure()) return;
    }
  }
}

// The corner shortcuts with corner values at and next to the 16-bit limits
// and unit or large quantizers, so that row outputs saturate to -32768 and
// 32767 in every combination of rows (the column passes of the vector
// kernels rely on which sums can and cannot leave 16 bits); everything
// outside the corner is noise the kernels must not use. Each kernel, the
// reference included, also gets a heap copy of the block that ends at the last
// corner coefficient: a read past it is one the sanitizer build reports.
TEST(KernelCheck, DctCornerShortcutsAtTheLimits) {
  const Kernels ref = kernels_for(Target::Ref);
  test::Rng rng(0xc0de);
  constexpr int16_t kValues[] = {-32768, -32767, -16384, -2048, -1, 0, 1, 2047, 16384, 32766, 32767};
  constexpr uint16_t kQuants[] = {1, 1, 1, 2, 3, 255, 32768, 65535};
  std::uniform_int_distribution<int> pick_value(0, std::size(kValues) - 1), pick_quant(0, std::size(kQuants) - 1);
  for (Target t : available_targets()) {
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
        const std::vector<int16_t> tail(src, src + 8 * (n - 1) + n);
        uint8_t want[64], got[64], got_tail[64];
        (ref.*op)(src, want, 8, table);
        (k.*op)(src, got, 8, table);
        (k.*op)(tail.data(), got_tail, 8, table);
        ASSERT_TRUE(test::same(want, got, 64, 8)) << target_name(t) << " " << n << "x" << n << " round " << round;
        ASSERT_TRUE(test::same(want, got_tail, 64, 8)) << target_name(t) << " " << n << "x" << n << " tail only";
      }
    }
  }
}

// Rows of 16-bit samples at any byte step, even odd ones.
constexpr int32_t kSteps12[] = {16, 17, 3, 40};

TEST(KernelCheck, DctTwelveBit) {
  const Kernels ref = kernels_for(Target::Ref);
  test::Rng rng(0x12b);
  std::uniform_real_distribution<float> factor(-4.0f, 4.0f);
  for (Target t : test::vector_targets()) {
    const Kernels k = kernels_for(t);
    for (int round = 0; round < 500; ++round) {
      const int32_t step = kSteps12[round % 4];
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

// Quantization kernels of every target against the references: random and
// extreme blocks and tables at every small misalignment; every quantizer value
// in every lane; every quality from 1 to 300 on random raw tables.
#include <algorithm>

#include "jpeg/dct/quant_kernels.h"
#include "support/harness.h"

namespace nmx::quant {
namespace {

using test::Fill;
using test::Guarded;

TEST(KernelCheck, QuantBlocks) {
  const Kernels ref = kernels_for(Target::Ref);
  test::Rng rng(7);
  for (Target t : test::vector_targets()) {
    const Kernels k = kernels_for(t);
    for (int round = 0; round < 400; ++round) {
      const size_t off = static_cast<size_t>(round % 7) * 2;
      const Fill mode = round % 2 ? Fill::Extremes : Fill::Uniform;
      Guarded<int16_t> block(64, off), want(64, off), got(64, off);
      Guarded<uint16_t> table(64, (off + 2) % 16);
      test::fill(block.data(), 64, rng, mode);
      test::fill(table.data(), 64, rng, mode);
      for (auto op : {&Kernels::quant_fwd, &Kernels::quant_inv}) {
        std::memcpy(want.data(), block.data(), 128);
        std::memcpy(got.data(), block.data(), 128);
        (ref.*op)(want.data(), table.data());
        (k.*op)(got.data(), table.data());
        ASSERT_TRUE(test::same(want.data(), got.data(), 64, 8))
            << target_name(t) << (op == &Kernels::quant_fwd ? " quant_fwd" : " quant_inv") << " round " << round;
        ASSERT_TRUE(got.guards_intact());
      }
    }
  }
}

TEST(KernelCheck, QuantTables) {
  const Kernels ref = kernels_for(Target::Ref);
  test::Rng rng(11);
  for (Target t : test::vector_targets()) {
    const Kernels k = kernels_for(t);
    // Each quantizer value, zero included, at three different positions.
    for (int round = 0; round < 12; ++round) {
      uint8_t raw[64];
      for (int i = 0; i < 64; ++i) raw[i] = static_cast<uint8_t>(round % 4 * 64 + (i + 17 * (round / 4)) % 64);
      uint16_t fw[64], fg[64], iw[64], ig[64];
      EXPECT_EQ(ref.fwd_table(raw, fw), k.fwd_table(raw, fg)) << target_name(t) << " zero flag, round " << round;
      ref.inv_table(raw, iw);
      k.inv_table(raw, ig);
      ASSERT_TRUE(test::same(fw, fg, 64, 8)) << target_name(t) << " fwd_table round " << round;
      ASSERT_TRUE(test::same(iw, ig, 64, 8)) << target_name(t) << " inv_table round " << round;
    }
    for (int32_t q = 1; q <= 300; ++q) {
      uint8_t raw[64], want[64], got[64];
      test::fill(raw, 64, rng, q % 3 ? Fill::Uniform : Fill::Extremes);
      std::copy(raw, raw + 64, want);
      std::copy(raw, raw + 64, got);
      ref.raw_scale(want, q);
      k.raw_scale(got, q);
      ASSERT_TRUE(test::same(want, got, 64, 8)) << target_name(t) << " raw_scale quality " << q;
    }
  }
}

}  // namespace
}  // namespace nmx::quant

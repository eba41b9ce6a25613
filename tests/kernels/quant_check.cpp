// Quantization kernels of every target against the references: random and
// extreme blocks and tables at every small misalignment; all 256 quantizer
// values; every quality from -2 to 300 on random raw tables.
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
    // Every quantizer value appears in some table, zero included.
    for (int base = 0; base < 256; base += 64) {
      uint8_t raw[64];
      for (int i = 0; i < 64; ++i) raw[i] = static_cast<uint8_t>(base + i);
      for (int rot = 0; rot < 3; ++rot) {
        uint16_t fw[64], fg[64], iw[64], ig[64];
        const bool zw = ref.fwd_table(raw, fw);
        const bool zg = k.fwd_table(raw, fg);
        EXPECT_EQ(zw, zg) << target_name(t);
        ASSERT_TRUE(test::same(fw, fg, 64, 8)) << target_name(t) << " fwd_table base " << base;
        ref.inv_table(raw, iw);
        k.inv_table(raw, ig);
        ASSERT_TRUE(test::same(iw, ig, 64, 8)) << target_name(t) << " inv_table base " << base;
        std::rotate(raw, raw + 17, raw + 64);
      }
    }
    for (int32_t q = 1; q <= 300; ++q) {
      uint8_t raw[64], want[64], got[64];
      test::fill(raw, 64, rng, q % 3 ? Fill::Uniform : Fill::Extremes);
      std::memcpy(want, raw, 64);
      std::memcpy(got, raw, 64);
      ref.raw_scale(want, q);
      k.raw_scale(got, q);
      ASSERT_TRUE(test::same(want, got, 64, 8)) << target_name(t) << " raw_scale quality " << q;
    }
  }
}

}  // namespace
}  // namespace nmx::quant

// Sampling row kernels of every target against the references: output widths
// 1..70 and long rows, misaligned sources and destinations, random and extreme
// samples, every bias pair the entry points use. Sources are allocated to the
// exact span a kernel may read (the sanitizer build catches a read past it);
// destinations carry guard bytes that must stay untouched.
#include <array>
#include <vector>

#include "jpeg/sampling/sampling_kernels.h"
#include "support/harness.h"

namespace nmx::sampling {
namespace {

using test::Fill;
using test::Guarded;

std::vector<int32_t> widths() {
  std::vector<int32_t> w;
  for (int32_t n = 1; n <= 70; ++n) w.push_back(n);
  for (int32_t n : {95, 96, 97, 127, 128, 129, 1000, 1921}) w.push_back(n);
  return w;
}

// A source of exactly `n` readable bytes starting `offset` bytes into its
// allocation, so anything read past the end leaves the block.
struct Exact {
  Exact(size_t n, size_t offset, test::Rng& rng, Fill mode) : bytes(offset + n), at(offset) {
    test::fill(bytes.data() + at, n, rng, mode);
  }
  const uint8_t* data() const { return bytes.data() + at; }
  std::vector<uint8_t> bytes;
  size_t at;
};

// Runs check(reference, kernels, width, misalignment, fill, target name) for
// every vector target, width, misalignment and fill; each check compares
// `want` and `got` of one kernel call (outputs and guard bytes).
template <class Check>
void for_all(Check check) {
  const Kernels ref = kernels_for(Target::Ref);
  for (Target t : test::vector_targets())
    for (int32_t n : widths())
      for (size_t mis = 0; mis < 4; ++mis)
        for (Fill mode : {Fill::Uniform, Fill::Extremes}) {
          check(ref, kernels_for(t), n, mis, mode, target_name(t));
          if (::testing::Test::HasFatalFailure()) return;
        }
}
::testing::AssertionResult agree(const Guarded<uint8_t>& want, const Guarded<uint8_t>& got) {
  if (auto r = test::same(want.data(), got.data(), want.size()); !r) return r;
  if (!got.guards_intact()) return ::testing::AssertionFailure() << "wrote outside its row";
  return ::testing::AssertionSuccess();
}

// Bias pairs of the plane and box forms: {H2V1 even, odd, H2V2 even, odd}.
// The vector kernels prefetch `ahead` bytes past their rows, which never
// changes a result.
TEST(KernelCheck, SamplingDownRows) {
  test::Rng rng(0x5a3d);
  for_all([&](const Kernels& ref, const Kernels& k, int32_t n, size_t mis, Fill mode, const char* t) {
    for (const auto& b : {std::array<int32_t, 4>{1, 1, 3, 3}, std::array<int32_t, 4>{0, 1, 1, 2}}) {
      const Exact s1(2 * n, mis * 5, rng, mode), s2(2 * n, mis, rng, mode);
      const intptr_t ahead = (mis & 1) ? 4 * n : 0;
      Guarded<uint8_t> want(n, mis), got(n, mis);
      ref.down_h2v1(s1.data(), want.data(), n, b[0], b[1], 0);
      k.down_h2v1(s1.data(), got.data(), n, b[0], b[1], ahead);
      ASSERT_TRUE(agree(want, got)) << "h2v1 " << t << " n " << n << " bias " << b[0] << "/" << b[1];
      ref.down_h2v2(s1.data(), s2.data(), want.data(), n, b[2], b[3], 0);
      k.down_h2v2(s1.data(), s2.data(), got.data(), n, b[2], b[3], ahead);
      ASSERT_TRUE(agree(want, got)) << "h2v2 " << t << " n " << n << " bias " << b[2] << "/" << b[3];
    }
  });
}

// Plane rows of `w` outputs read source samples -1 .. w/2; triangle rows read
// exactly their w samples and write 2w outputs.
TEST(KernelCheck, SamplingUpRows) {
  test::Rng rng(0x77);
  for_all([&](const Kernels& ref, const Kernels& k, int32_t w, size_t mis, Fill mode, const char* t) {
    for (bool plane : {true, false}) {
      const size_t in = plane ? w / 2 + 2 : w, out = plane ? w : 2 * w;
      const Exact n(in, mis * 3, rng, mode), f(in, mis * 7, rng, mode);
      const uint8_t *pn = n.data() + (plane ? 1 : 0), *pf = f.data() + (plane ? 1 : 0);  // after the left context
      Guarded<uint8_t> want(out, mis), got(out, mis * 5);
      (plane ? ref.up_h2v1 : ref.up_row_h2v1)(pn, want.data(), w);
      (plane ? k.up_h2v1 : k.up_row_h2v1)(pn, got.data(), w);
      ASSERT_TRUE(agree(want, got)) << (plane ? "plane" : "triangle") << " h2v1 " << t << " width " << w;
      (plane ? ref.up_h2v2 : ref.up_row_h2v2)(pn, pf, want.data(), w);
      (plane ? k.up_h2v2 : k.up_row_h2v2)(pn, pf, got.data(), w);
      ASSERT_TRUE(agree(want, got)) << (plane ? "plane" : "triangle") << " h2v2 " << t << " width " << w;
    }
  });
}

}  // namespace
}  // namespace nmx::sampling

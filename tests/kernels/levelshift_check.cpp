// Level-shift row kernels of every target against the references: all widths
// 1..70 plus long rows, every misalignment of source and destination, random
// and extreme inputs; nothing outside the row may change.
#include "jpeg/dct/levelshift_kernels.h"
#include "support/harness.h"

namespace nmx::levelshift {
namespace {

using test::Fill;
using test::Guarded;

template <class S, class D, class K>
void check_rows(K Kernels::*member, const char* what) {
  const Kernels ref = kernels_for(Target::Ref);
  test::Rng rng(0x5eed);
  std::vector<int32_t> widths;
  for (int32_t w = 1; w <= 70; ++w) widths.push_back(w);
  for (int32_t w : {127, 128, 129, 1000, 1921}) widths.push_back(w);
  for (Target t : test::vector_targets()) {
    const Kernels k = kernels_for(t);
    for (int32_t w : widths) {
      for (size_t misalign = 0; misalign < 4; ++misalign) {
        for (Fill mode : {Fill::Uniform, Fill::Extremes}) {
          Guarded<S> src(w, misalign * 3);
          Guarded<D> want(w, misalign), got(w, misalign);
          test::fill(src.data(), w, rng, mode);
          (ref.*member)(src.data(), want.data(), w);
          (k.*member)(src.data(), got.data(), w);
          ASSERT_TRUE(test::same(want.data(), got.data(), w))
              << what << " " << target_name(t) << " width " << w << " misalign " << misalign;
          ASSERT_TRUE(got.guards_intact()) << what << " " << target_name(t) << " wrote outside width " << w;
        }
      }
    }
  }
}

TEST(KernelCheck, Sub128Rows) { check_rows<uint8_t, int16_t>(&Kernels::sub128, "sub128"); }
TEST(KernelCheck, Add128Rows) { check_rows<int16_t, uint8_t>(&Kernels::add128, "add128"); }

}  // namespace
}  // namespace nmx::levelshift

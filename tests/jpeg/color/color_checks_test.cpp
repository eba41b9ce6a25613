// Argument checks of every plane colour conversion, table-driven over the
// conversions: order of the checks, untouched outputs on error, the steps that
// a form does not check, minimum sizes, odd sizes (status 35) and what is left
// unwritten.
#include <algorithm>
#include <vector>

#include "color_fixture.h"

namespace nmx::test::color {
namespace {

int n_planes_of(Lay l) { return l == Lay::P4 ? 4 : l == Lay::P3 ? 3 : 0; }
int n_src_planes(const Conv& c) { return n_planes_of(c.forward ? c.pix : c.ycc); }
int n_dst_planes(const Conv& c) { return c.forward ? (c.lumaOnly ? 0 : n_planes_of(c.ycc)) : n_planes_of(c.pix); }

// The plane-pointer arrays of each side (the call holds the fixture's arrays).
uint8_t** src_planes(Bufs& b) { return b.c.forward ? b.pixPtr : b.planePtr; }
uint8_t** dst_planes(Bufs& b) { return b.c.forward ? b.planePtr : b.pixPtr; }
void null_src(Args& a) { a.srcPlanes ? void(a.srcPlanes = nullptr) : void(a.src = nullptr); }
void null_dst(Bufs& b, Args& a) {  // luminance only: the one destination plane
  if (b.c.forward && b.c.lumaOnly) b.planePtr[0] = nullptr;
  else a.dstPlanes ? void(a.dstPlanes = nullptr) : void(a.dst = nullptr);
}

// One change to a valid call and the status each kind of form must give (1: does not apply).
const struct Mutation {
  const char* what;
  nmxStatus (*want)(const Conv&);
  void (*apply)(Bufs&, Args&);
} kMutations[] = {
    {"valid call", [](const Conv&) -> nmxStatus { return nmxStatusOk; }, [](Bufs&, Args&) {}},
    {"source null", [](const Conv&) -> nmxStatus { return nmxStatusNullPtrErr; }, [](Bufs&, Args& a) { null_src(a); }},
    {"a source plane null", [](const Conv& c) -> nmxStatus { return n_src_planes(c) ? nmxStatusNullPtrErr : 1; },
     [](Bufs& b, Args&) { src_planes(b)[n_src_planes(b.c) - 1] = nullptr; }},
    {"destination null", [](const Conv&) -> nmxStatus { return nmxStatusNullPtrErr; },
     [](Bufs& b, Args& a) { null_dst(b, a); }},
    {"a destination plane null", [](const Conv& c) -> nmxStatus { return n_dst_planes(c) ? nmxStatusNullPtrErr : 1; },
     [](Bufs& b, Args&) { dst_planes(b)[n_dst_planes(b.c) - 1] = nullptr; }},
    {"step array null", [](const Conv& c) -> nmxStatus { return c.sub > 1 ? nmxStatusNullPtrErr : 1; },
     [](Bufs& b, Args& a) { (b.c.forward ? a.dstSteps : a.srcSteps) = nullptr; }},
    {"source step 0", [](const Conv& c) -> nmxStatus { return c.stepsChecked ? nmxStatusStepErr : nmxStatusOk; },
     [](Bufs&, Args& a) { a.srcStep = 0; }},
    {"destination step 0", [](const Conv& c) -> nmxStatus { return c.stepsChecked ? nmxStatusStepErr : nmxStatusOk; },
     [](Bufs&, Args& a) { a.dstStep = 0; }},
    // Unchecked steps: -3 would read outside.
    {"source step -3", [](const Conv& c) -> nmxStatus { return c.stepsChecked ? nmxStatusStepErr : 1; },
     [](Bufs&, Args& a) { a.srcStep = -3; }},
    {"null pointer with bad steps", [](const Conv&) -> nmxStatus { return nmxStatusNullPtrErr; },
     [](Bufs& b, Args& a) { null_dst(b, a), a.srcStep = 0, a.dstStep = -1; }},
    {"bad step with bad size",
     [](const Conv& c) -> nmxStatus { return c.stepsChecked ? nmxStatusStepErr : nmxStatusSizeErr; },
     [](Bufs&, Args& a) { a.dstStep = 0, a.roi.width = 0; }},
    {"width 0", [](const Conv&) -> nmxStatus { return nmxStatusSizeErr; }, [](Bufs&, Args& a) { a.roi.width = 0; }},
    {"height -1", [](const Conv&) -> nmxStatus { return nmxStatusSizeErr; }, [](Bufs&, Args& a) { a.roi.height = -1; }},
    {"width 1", [](const Conv& c) -> nmxStatus { return c.sub > 1 ? nmxStatusSizeErr : nmxStatusOk; },
     [](Bufs&, Args& a) { a.roi.width = 1; }},
    {"height 1", [](const Conv& c) -> nmxStatus { return c.sub == 4 ? nmxStatusSizeErr : nmxStatusOk; },
     [](Bufs&, Args& a) { a.roi.height = 1; }},
    {"step array entries 0", [](const Conv& c) -> nmxStatus { return c.sub > 1 ? nmxStatusOk : 1; },
     [](Bufs& b, Args&) { std::fill(b.steps3, b.steps3 + 3, 0); }},
};

TEST(ColorChecks, EveryConversionChecksInOrder) {
  Rng rng(11);
  for (const Conv& c : conversions())
    for (const Mutation& m : kMutations) {
      const nmxStatus want = m.want(c);
      if (want == 1) continue;
      Bufs b(c, {8, 4});
      b.randomize_input(rng);
      b.clear_output();
      const std::vector<uint8_t> before = b.output_bytes();
      Args a = b.args();
      m.apply(b, a);
      EXPECT_EQ(c.call(a), want) << c.name << ": " << m.what;
      if (want < 0) EXPECT_TRUE(b.output_bytes() == before) << c.name << ": " << m.what << " wrote to the output";
    }
}

// Odd widths (and, for 4:1:1, odd heights) convert the even part, return 35
// and leave the last column (row) unwritten; even sizes return 0. Forms
// without sub-sampling convert every pixel of any size. Two runs over outputs
// filled with different values show which bytes a conversion writes.
TEST(ColorChecks, OddSizesConvertTheEvenPart) {
  Rng rng(12);
  const NmxSize sizes[] = {{5, 3}, {4, 3}, {5, 4}, {4, 4}, {2, 2}, {3, 2}, {17, 5}, {40, 6}, {1, 1}, {1, 7}};
  for (const Conv& c : conversions()) {
    for (NmxSize s : sizes) {
      if (s.width < (c.sub > 1 ? 2 : 1) || s.height < (c.sub == 4 ? 2 : 1)) continue;
      Bufs b(c, s);
      b.randomize_input(rng);
      const bool odd = c.sub > 1 && ((s.width & 1) || (c.sub == 4 && (s.height & 1)));
      std::vector<uint8_t> out[2];
      for (int v : {0, 1}) {
        b.clear_output(v ? 0x3A : Bufs::kCanary);
        EXPECT_EQ(b.run(), odd ? nmxStatusOddSize : nmxStatusOk) << c.name << " " << s.width << "x" << s.height;
        out[v] = b.output_bytes();
      }
      const std::vector<bool> inside = b.inside_mask();
      for (size_t k = 0; k < inside.size(); ++k)
        if (inside[k] ? out[0][k] != out[1][k] : out[0][k] != Bufs::kCanary || out[1][k] != 0x3A) {
          ADD_FAILURE() << c.name << " " << s.width << "x" << s.height << ": output byte " << k
                        << (inside[k] ? " not written" : " written");
          break;
        }
    }
  }
}

// Forms that check no step work with any step, a negative one included: with
// the pointer on the last row and the step negated, a conversion writes the
// same rows bottom-up.
TEST(ColorChecks, UncheckedStepsMayBeNegative) {
  Rng rng(14);
  const NmxSize roi{22, 6};
  for (const Conv& c : conversions()) {
    if (c.stepsChecked) continue;
    Bufs up(c, roi), down(c, roi);
    up.randomize_input(rng);
    ASSERT_EQ(up.run(), nmxStatusOk) << c.name;
    // The pixel side is the one image with a single step: its rows go bottom-up.
    const size_t row = static_cast<size_t>(up.pixStep), last = static_cast<size_t>(roi.height - 1);
    auto flipped = [&](const std::vector<uint8_t>& img) {
      std::vector<uint8_t> out(img.size(), 0);
      for (size_t y = 0; y <= last; ++y) std::copy_n(&img[y * row], row, &out[(last - y) * row]);
      return out;
    };
    if (c.forward) down.pix = flipped(up.pix);
    for (size_t i = 0; i < 4 && !c.forward; ++i)
      std::copy(up.planes[i].begin(), up.planes[i].end(), down.planes[i].begin());
    Args a = down.args();
    if (c.forward) a.src = down.pix.data() + last * row, a.srcStep = -up.pixStep;
    else a.dst = down.pix.data() + last * row, a.dstStep = -up.pixStep;
    ASSERT_EQ(c.call(a), nmxStatusOk) << c.name;
    if (c.forward) EXPECT_TRUE(up.output_bytes() == down.output_bytes()) << c.name;
    else EXPECT_TRUE(std::equal(up.pix.begin(), up.pix.begin() + (last + 1) * row, flipped(down.pix).begin())) << c.name;
  }
}

}  // namespace
}  // namespace nmx::test::color

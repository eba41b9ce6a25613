// Argument checks of every plane colour conversion, table-driven over the
// conversions: order of the checks, untouched outputs on error, the steps that
// a form does not check, minimum sizes, odd sizes (status 35) and what is left
// unwritten.
#include <algorithm>
#include <vector>

#include "color_fixture.h"

namespace nmx::test::color {
namespace {

bool pix_planar(const Conv& c) { return c.pix == Lay::P3 || c.pix == Lay::P4; }
int n_src_planes(const Conv& c) {
  if (c.forward) return pix_planar(c) ? (c.pix == Lay::P4 ? 4 : 3) : 0;
  return c.ycc == Lay::C2 ? 0 : (c.ycc == Lay::P4 ? 4 : 3);
}
int n_dst_planes(const Conv& c) {
  if (c.forward) return c.lumaOnly ? 0 : (c.ycc == Lay::P4 ? 4 : 3);
  return pix_planar(c) ? (c.pix == Lay::P4 ? 4 : 3) : 0;
}
bool has_step_array(const Conv& c) { return c.sub > 1; }

// A valid call whose pointer and step arrays are local copies, so that one entry can be changed.
struct Call {
  const Conv& c;
  Args a;
  const uint8_t* srcPl[4] = {};
  uint8_t* dstPl[4] = {};
  int32_t steps[3] = {};
  const int32_t** stepArr;  // the per-plane steps of the plane side
  Call(const Conv& conv, Bufs& b) : c(conv), a(b.args()), stepArr(conv.forward ? &a.dstSteps : &a.srcSteps) {
    if (a.srcPlanes) a.srcPlanes = std::copy(a.srcPlanes, a.srcPlanes + 4, srcPl) - 4;
    if (a.dstPlanes) a.dstPlanes = std::copy(a.dstPlanes, a.dstPlanes + 4, dstPl) - 4;
    if (*stepArr) *stepArr = std::copy(*stepArr, *stepArr + 3, steps) - 3;
  }
  void null_src() {
    if (a.srcPlanes) a.srcPlanes = nullptr;
    else a.src = nullptr;
  }
  void null_dst() {
    if (a.dstPlanes && c.forward && c.lumaOnly) dstPl[0] = nullptr;  // luminance only: the one destination plane
    else if (a.dstPlanes) a.dstPlanes = nullptr;
    else a.dst = nullptr;
  }
};

// One change to a valid call and the status each kind of form must give (1: does not apply).
const struct Mutation {
  const char* what;
  nmxStatus (*want)(const Conv&);
  void (*apply)(Call&);
} kMutations[] = {
    {"valid call", [](const Conv&) -> nmxStatus { return nmxStatusOk; }, [](Call&) {}},
    {"source null", [](const Conv&) -> nmxStatus { return nmxStatusNullPtrErr; }, [](Call& k) { k.null_src(); }},
    {"a source plane null", [](const Conv& c) -> nmxStatus { return n_src_planes(c) ? nmxStatusNullPtrErr : 1; },
     [](Call& k) { k.srcPl[n_src_planes(k.c) - 1] = nullptr; }},
    {"destination null", [](const Conv&) -> nmxStatus { return nmxStatusNullPtrErr; }, [](Call& k) { k.null_dst(); }},
    {"a destination plane null", [](const Conv& c) -> nmxStatus { return n_dst_planes(c) ? nmxStatusNullPtrErr : 1; },
     [](Call& k) { k.dstPl[n_dst_planes(k.c) - 1] = nullptr; }},
    {"step array null", [](const Conv& c) -> nmxStatus { return has_step_array(c) ? nmxStatusNullPtrErr : 1; },
     [](Call& k) { *k.stepArr = nullptr; }},
    {"source step 0", [](const Conv& c) -> nmxStatus { return c.stepsChecked ? nmxStatusStepErr : nmxStatusOk; },
     [](Call& k) { k.a.srcStep = 0; }},
    {"destination step 0", [](const Conv& c) -> nmxStatus { return c.stepsChecked ? nmxStatusStepErr : nmxStatusOk; },
     [](Call& k) { k.a.dstStep = 0; }},
    // Unchecked steps: -3 would read outside.
    {"source step -3", [](const Conv& c) -> nmxStatus { return c.stepsChecked ? nmxStatusStepErr : 1; },
     [](Call& k) { k.a.srcStep = -3; }},
    {"null pointer with bad steps", [](const Conv&) -> nmxStatus { return nmxStatusNullPtrErr; },
     [](Call& k) { k.null_dst(), k.a.srcStep = 0, k.a.dstStep = -1; }},
    {"bad step with bad size",
     [](const Conv& c) -> nmxStatus { return c.stepsChecked ? nmxStatusStepErr : nmxStatusSizeErr; },
     [](Call& k) { k.a.dstStep = 0, k.a.roi.width = 0; }},
    {"width 0", [](const Conv&) -> nmxStatus { return nmxStatusSizeErr; }, [](Call& k) { k.a.roi.width = 0; }},
    {"height -1", [](const Conv&) -> nmxStatus { return nmxStatusSizeErr; }, [](Call& k) { k.a.roi.height = -1; }},
    {"width 1", [](const Conv& c) -> nmxStatus { return c.sub > 1 ? nmxStatusSizeErr : nmxStatusOk; },
     [](Call& k) { k.a.roi.width = 1; }},
    {"height 1", [](const Conv& c) -> nmxStatus { return c.sub == 4 ? nmxStatusSizeErr : nmxStatusOk; },
     [](Call& k) { k.a.roi.height = 1; }},
    {"step array entries 0", [](const Conv& c) -> nmxStatus { return has_step_array(c) ? nmxStatusOk : 1; },
     [](Call& k) { std::fill(k.steps, k.steps + 3, 0); }},
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
      Call k(c, b);
      m.apply(k);
      EXPECT_EQ(c.call(k.a), want) << c.name << ": " << m.what;
      if (want < 0) EXPECT_TRUE(b.output_bytes() == before) << c.name << ": " << m.what << " wrote to the output";
    }
}

// Odd widths (and, for 4:1:1, odd heights) convert the even part, return 35
// and leave the last column (row) unwritten; even sizes return 0. Forms
// without sub-sampling convert every pixel of any size.
TEST(ColorChecks, OddSizesConvertTheEvenPart) {
  Rng rng(12);
  const NmxSize sizes[] = {{5, 3}, {4, 3}, {5, 4}, {4, 4}, {2, 2}, {3, 2}, {17, 5}, {40, 6}, {1, 1}, {1, 7}};
  for (const Conv& c : conversions()) {
    for (NmxSize s : sizes) {
      if (s.width < (c.sub > 1 ? 2 : 1) || s.height < (c.sub == 4 ? 2 : 1)) continue;
      Bufs b(c, s);
      b.randomize_input(rng);
      b.clear_output();
      const bool odd = c.sub > 1 && ((s.width & 1) || (c.sub == 4 && (s.height & 1)));
      EXPECT_EQ(b.run(), odd ? nmxStatusOddSize : nmxStatusOk) << c.name << " " << s.width << "x" << s.height;
      std::string where;
      EXPECT_TRUE(b.outside_untouched(&where)) << c.name << " " << s.width << "x" << s.height << ": " << where;
      // Everything inside the converted part is written: a second run over
      // outputs filled with another value gives the same bytes there.
      const std::vector<uint8_t> first = b.output_bytes();
      b.clear_output(0x3A);
      b.run();
      EXPECT_TRUE(b.outside_untouched(&where, 0x3A)) << c.name << ": " << where;
      const std::vector<uint8_t> second = b.output_bytes();
      const std::vector<bool> inside = b.inside_mask();
      for (size_t k = 0; k < first.size(); ++k)
        if (inside[k] && first[k] != second[k]) {
          ADD_FAILURE() << c.name << " " << s.width << "x" << s.height << ": output byte " << k << " not written";
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
    Args a;
    if (c.forward) {
      down.pix = flipped(up.pix);
      a = down.args();
      a.src = down.pix.data() + last * row;
      a.srcStep = -up.pixStep;
    } else {
      down.planes = up.planes;
      a = down.args();
      a.dst = down.pix.data() + last * row;
      a.dstStep = -up.pixStep;
    }
    ASSERT_EQ(c.call(a), nmxStatusOk) << c.name;
    if (c.forward) EXPECT_TRUE(up.output_bytes() == down.output_bytes()) << c.name;
    else EXPECT_TRUE(std::equal(up.pix.begin(), up.pix.begin() + (last + 1) * row, flipped(down.pix).begin())) << c.name;
  }
}

}  // namespace
}  // namespace nmx::test::color

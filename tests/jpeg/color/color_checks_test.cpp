// Argument checks of every plane colour conversion, table-driven over the
// conversions: order of the checks, untouched outputs on error, the steps that
// a form does not check, minimum sizes, odd sizes (status 35) and what is left
// unwritten.
#include <cstring>
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

// One mutation of a valid call and the status each kind of form must give.
struct Mutation {
  const char* what;
  enum Kind {
    None, NullSrc, NullSrcPlane, NullDst, NullDstPlane, NullStepArray, SrcStep0, DstStep0, SrcStepNeg,
    NullAndStep, StepAndSize, Width0, HeightNeg, Width1, Height1, StepArrayZero
  } kind;
};

const Mutation kMutations[] = {
    {"valid call", Mutation::None},
    {"source null", Mutation::NullSrc},
    {"a source plane null", Mutation::NullSrcPlane},
    {"destination null", Mutation::NullDst},
    {"a destination plane null", Mutation::NullDstPlane},
    {"step array null", Mutation::NullStepArray},
    {"source step 0", Mutation::SrcStep0},
    {"destination step 0", Mutation::DstStep0},
    {"source step -3", Mutation::SrcStepNeg},
    {"null pointer with bad step", Mutation::NullAndStep},
    {"bad step with bad size", Mutation::StepAndSize},
    {"width 0", Mutation::Width0},
    {"height -1", Mutation::HeightNeg},
    {"width 1", Mutation::Width1},
    {"height 1", Mutation::Height1},
    {"step array entries 0", Mutation::StepArrayZero},
};

// The expected status of mutation m on conversion c, or 1 when m does not apply.
nmxStatus expected(const Conv& c, Mutation::Kind m) {
  const bool step = c.stepsChecked;
  switch (m) {
    case Mutation::None: return nmxStatusOk;
    case Mutation::NullSrc:
    case Mutation::NullDst:
    case Mutation::NullAndStep: return nmxStatusNullPtrErr;
    case Mutation::NullSrcPlane: return n_src_planes(c) ? nmxStatusNullPtrErr : 1;
    case Mutation::NullDstPlane: return n_dst_planes(c) ? nmxStatusNullPtrErr : 1;
    case Mutation::NullStepArray: return has_step_array(c) ? nmxStatusNullPtrErr : 1;
    case Mutation::SrcStep0:
    case Mutation::DstStep0: return step ? nmxStatusStepErr : nmxStatusOk;
    case Mutation::SrcStepNeg: return step ? nmxStatusStepErr : 1;  // unchecked: would read outside
    case Mutation::StepAndSize: return step ? nmxStatusStepErr : nmxStatusSizeErr;
    case Mutation::Width0:
    case Mutation::HeightNeg: return nmxStatusSizeErr;
    case Mutation::Width1: return c.sub > 1 ? nmxStatusSizeErr : nmxStatusOk;
    case Mutation::Height1: return c.sub == 4 ? nmxStatusSizeErr : nmxStatusOk;
    case Mutation::StepArrayZero: return has_step_array(c) ? nmxStatusOk : 1;
  }
  return 1;
}

TEST(ColorChecks, EveryConversionChecksInOrder) {
  Rng rng(11);
  for (const Conv& c : conversions()) {
    for (const Mutation& m : kMutations) {
      const nmxStatus want = expected(c, m.kind);
      if (want == 1) continue;
      Bufs b(c, {8, 4});
      b.randomize_input(rng);
      b.clear_output();
      const std::vector<uint8_t> before = b.output_bytes();
      Args a = b.args();
      // Local copies of the pointer and step arrays so that one entry can be changed.
      const uint8_t* srcPl[4] = {};
      uint8_t* dstPl[4] = {};
      int32_t steps[3] = {};
      if (a.srcPlanes) {
        for (int i = 0; i < 4; ++i) srcPl[i] = a.srcPlanes[i];
        a.srcPlanes = srcPl;
      }
      if (a.dstPlanes) {
        for (int i = 0; i < 4; ++i) dstPl[i] = a.dstPlanes[i];
        a.dstPlanes = dstPl;
      }
      const int32_t** stepArr = c.forward ? &a.dstSteps : &a.srcSteps;
      if (*stepArr) {
        for (int i = 0; i < 3; ++i) steps[i] = (*stepArr)[i];
        *stepArr = steps;
      }
      auto null_src = [&] {
        if (a.srcPlanes) a.srcPlanes = nullptr;
        else a.src = nullptr;
      };
      auto null_dst = [&] {
        if (a.dstPlanes && !(c.forward && c.lumaOnly)) a.dstPlanes = nullptr;
        else if (a.dstPlanes) dstPl[0] = nullptr;  // luminance only: the one destination plane
        else a.dst = nullptr;
      };
      // The step a form would check (sub-sampled forms have none; use the single step argument).
      switch (m.kind) {
        case Mutation::None: break;
        case Mutation::NullSrc: null_src(); break;
        case Mutation::NullSrcPlane: srcPl[n_src_planes(c) - 1] = nullptr; break;
        case Mutation::NullDst: null_dst(); break;
        case Mutation::NullDstPlane: dstPl[n_dst_planes(c) - 1] = nullptr; break;
        case Mutation::NullStepArray: *stepArr = nullptr; break;
        case Mutation::SrcStep0: a.srcStep = 0; break;
        case Mutation::DstStep0: a.dstStep = 0; break;
        case Mutation::SrcStepNeg: a.srcStep = -3; break;
        case Mutation::NullAndStep: null_dst(); a.srcStep = 0; a.dstStep = -1; break;
        case Mutation::StepAndSize: a.dstStep = 0; a.roi.width = 0; break;
        case Mutation::Width0: a.roi.width = 0; break;
        case Mutation::HeightNeg: a.roi.height = -1; break;
        case Mutation::Width1: a.roi.width = 1; break;
        case Mutation::Height1: a.roi.height = 1; break;
        case Mutation::StepArrayZero: steps[0] = steps[1] = steps[2] = 0; break;
      }
      const nmxStatus got = c.call(a);
      EXPECT_EQ(got, want) << c.name << ": " << m.what;
      if (want < 0) EXPECT_TRUE(b.output_bytes() == before) << c.name << ": " << m.what << " wrote to the output";
    }
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
  for (const Conv& c : conversions()) {
    if (c.stepsChecked) continue;
    const NmxSize roi{22, 6};
    Bufs up(c, roi), down(c, roi);
    up.randomize_input(rng);
    down.pix = up.pix;
    for (size_t i = 0; i < up.planes.size(); ++i) down.planes[i] = up.planes[i];
    up.clear_output();
    down.clear_output();
    ASSERT_EQ(up.run(), nmxStatusOk) << c.name;
    // The pixel side is the one image with a single step: flip it.
    Args a = down.args();
    const int32_t last = roi.height - 1;
    if (c.forward) {
      std::vector<uint8_t> flipped(down.pix.size(), 0);
      for (int y = 0; y < roi.height; ++y)
        std::memcpy(&flipped[static_cast<size_t>(last - y) * down.pixStep], &up.pix[static_cast<size_t>(y) * down.pixStep],
                    static_cast<size_t>(down.pixStep));
      down.pix = flipped;
      a = down.args();
      a.src = down.pix.data() + static_cast<size_t>(last) * down.pixStep;
      a.srcStep = -down.pixStep;
    } else {
      a.dst = down.pix.data() + static_cast<size_t>(last) * down.pixStep;
      a.dstStep = -down.pixStep;
    }
    ASSERT_EQ(c.call(a), nmxStatusOk) << c.name;
    if (c.forward) {
      EXPECT_TRUE(up.output_bytes() == down.output_bytes()) << c.name;
    } else {
      for (int y = 0; y < roi.height; ++y)
        ASSERT_EQ(0, std::memcmp(&up.pix[static_cast<size_t>(y) * up.pixStep],
                                 &down.pix[static_cast<size_t>(last - y) * up.pixStep], static_cast<size_t>(up.pixStep)))
            << c.name << " row " << y;
    }
  }
}

}  // namespace
}  // namespace nmx::test::color

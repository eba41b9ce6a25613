// Colour row kernels of every target against the references: all widths
// 1..70 and long rows, misaligned planes and pixels, random and extreme
// inputs, every channel order and variant flag; nothing outside the row may
// change.
#include <functional>
#include <memory>

#include "jpeg/color/color_kernels.h"
#include "support/harness.h"

namespace nmx::color {
namespace {

using test::Fill;
using test::Guarded;

std::vector<int32_t> widths() {
  std::vector<int32_t> w;
  for (int32_t i = 1; i <= 70; ++i) w.push_back(i);
  for (int32_t i : {127, 128, 129, 255, 1000, 1921}) w.push_back(i);
  return w;
}

// Buffers of one kernel call: inputs shared, outputs per side (want / got).
struct Io {
  std::vector<std::unique_ptr<Guarded<uint8_t>>> in;
  std::vector<std::unique_ptr<Guarded<uint8_t>>> want, got;
  uint8_t* i(size_t k) { return in[k]->data(); }
  uint8_t* o(bool ref, size_t k) { return (ref ? want : got)[k]->data(); }
  // Adds an input of n bytes (random, at a misalignment) or a pair of outputs.
  void input(size_t n, size_t mis, test::Rng& rng, Fill mode) {
    in.push_back(std::make_unique<Guarded<uint8_t>>(n, mis));
    test::fill(in.back()->data(), n, rng, mode);
  }
  void output(size_t n, size_t mis) {
    want.push_back(std::make_unique<Guarded<uint8_t>>(n, mis));
    got.push_back(std::make_unique<Guarded<uint8_t>>(n, mis));
  }
  ::testing::AssertionResult compare() {
    for (size_t k = 0; k < want.size(); ++k) {
      if (auto r = test::same(want[k]->data(), got[k]->data(), want[k]->size()); !r) return r << " (output " << k << ")";
      if (!got[k]->guards_intact()) return ::testing::AssertionFailure() << "output " << k << " written outside its row";
    }
    return ::testing::AssertionSuccess();
  }
};

// Runs `call(kernels, io, ref, width)` with the reference and with every
// vector target, on buffers that `setup(io, width, misalign, rng, mode)` makes
// (sub-sampled kernels: even widths only).
void check(const char* what, bool evenOnly,
           const std::function<void(Io&, int32_t, size_t, test::Rng&, Fill)>& setup,
           const std::function<void(const Kernels&, Io&, bool, int32_t)>& call) {
  const Kernels ref = kernels_for(Target::Ref);
  test::Rng rng(0xC0102);
  for (Target t : test::vector_targets()) {
    const Kernels k = kernels_for(t);
    for (int32_t w : widths()) {
      if (evenOnly && w % 2) continue;
      for (size_t mis = 0; mis < 4; ++mis)
        for (Fill mode : {Fill::Uniform, Fill::Extremes}) {
          Io io;
          setup(io, w, mis, rng, mode);
          call(ref, io, true, w);
          call(k, io, false, w);
          ASSERT_TRUE(io.compare()) << what << " " << target_name(t) << " width " << w << " misalign " << mis;
        }
    }
  }
}

constexpr bool any = false, even = true;

// Inputs of the listed byte counts (in half-width units, so that sub-sampled
// chroma rows fit: 2 = one byte a pixel), outputs likewise.
auto planes(std::vector<int> ins, std::vector<int> outs) {
  return [ins, outs](Io& io, int32_t w, size_t mis, test::Rng& rng, Fill mode) {
    size_t m = mis;
    for (int n : ins) io.input(static_cast<size_t>(n) * w / 2, m++ * 5 % 16, rng, mode);
    for (int n : outs) io.output(static_cast<size_t>(n) * w / 2, m++ * 3 % 16);
  };
}

// One kernel call on either side: k the kernel table, I(n) input n, O(n) output n of that side, w the width.
#define CALL(...) [=](const Kernels& k, Io& io, bool ref, int32_t w) { __VA_ARGS__; }
#define I(n) io.i(n)
#define O(n) io.o(ref, n)

TEST(KernelCheck, ColorForward) {
  for (bool bgr : {false, true}) {  // channel order; for the planar kernel: CMYK inversion
    check("fwd_c3", any, planes({6}, {2, 2, 2}), CALL(k.fwd_c3(I(0), O(0), O(1), O(2), w, bgr)));
    check("luma_c3", any, planes({6}, {2}), CALL(k.luma_c3(I(0), O(0), w, bgr)));
    check("fwd_c4", any, planes({8}, {2, 2, 2}), CALL(k.fwd_c4(I(0), O(0), O(1), O(2), w, bgr)));
    check("fwd_p3", any, planes({2, 2, 2}, {2, 2, 2}), CALL(k.fwd_p3(I(0), I(1), I(2), O(0), O(1), O(2), w, bgr)));
    for (int ch : {3, 4}) {
      check("fwd_422", even, planes({2 * ch}, {2, 1, 1}), CALL(k.fwd_422(I(0), ch, bgr, O(0), O(1), O(2), w)));
      check("fwd_411", even, planes({2 * ch, 2 * ch}, {2, 2, 1, 1}),
            CALL(k.fwd_411(I(0), I(1), ch, bgr, O(0), O(1), O(2), O(3), w)));
    }
  }
  check("luma_p3", any, planes({2, 2, 2}, {2}), CALL(k.luma_p3(I(0), I(1), I(2), O(0), w)));
  check("fwd_cmyk_c4", any, planes({8}, {2, 2, 2, 2}), CALL(k.fwd_cmyk_c4(I(0), O(0), O(1), O(2), O(3), w)));
  for (Packed f : {Packed::RGB555, Packed::RGB565, Packed::BGR555, Packed::BGR565})
    check("fwd_packed", any, planes({4}, {2, 2, 2}), CALL({
            uint16_t src[2048];  // 16-bit input, any alignment of the copy's source
            std::memcpy(src, I(0), 2 * static_cast<size_t>(w));
            k.fwd_packed(src, O(0), O(1), O(2), w, f);
          }));
}

TEST(KernelCheck, ColorInverse) {
  for (bool bgr : {false, true}) {  // channel order; for the planar kernel: CMYK inversion
    check("inv_c3", any, planes({2, 2, 2}, {6}), CALL(k.inv_c3(I(0), I(1), I(2), O(0), w, bgr)));
    check("inv_p3", any, planes({2, 2, 2}, {2, 2, 2}), CALL(k.inv_p3(I(0), I(1), I(2), O(0), O(1), O(2), w, bgr)));
    for (int ch : {3, 4})
      for (bool half : {false, true})
        check("inv_hi", half, planes({2, half ? 1 : 2, half ? 1 : 2}, {2 * ch}),
              CALL(k.inv_hi(I(0), I(1), I(2), O(0), w, ch, bgr, 0x5B, half)));
  }
  check("inv_cmyk_c4", any, planes({2, 2, 2, 2}, {8}), CALL(k.inv_cmyk_c4(I(0), I(1), I(2), I(3), O(0), w)));
  for (Packed f : {Packed::RGB555, Packed::RGB565, Packed::BGR555, Packed::BGR565})
    check("inv_packed", any, planes({2, 2, 2}, {4}),
          CALL(k.inv_packed(I(0), I(1), I(2), reinterpret_cast<uint16_t*>(O(0)), w, f)));
  auto pairs = [](Io& io, int32_t w, size_t mis, test::Rng& rng, Fill mode) {  // (w + 1) / 2 whole pairs
    io.input(4 * static_cast<size_t>((w + 1) / 2), mis * 5 % 16, rng, mode);
    io.output(3 * static_cast<size_t>(w), mis * 3 % 16);
  };
  check("inv_c2", any, pairs, CALL(k.inv_c2(I(0), O(0), w)));
}

#undef CALL
#undef I
#undef O

}  // namespace
}  // namespace nmx::color

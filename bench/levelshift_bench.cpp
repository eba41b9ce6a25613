// Level shift on a 1920x1080 plane (one thread and all threads) next to memcpy
// of the same traffic, and 8x8 quantization next to its scalar reference.
// Throughput counts bytes read plus bytes written: 3 bytes a pixel for both
// level shifts, so memcpy copies 1.5 bytes a pixel.
#include <cstring>
#include <vector>

#include "bench_util.h"
#include "jpeg/dct/quant_kernels.h"
#include "nmxcore.h"
#include "nmxj.h"

namespace {

constexpr NmxSize kHD{1920, 1080};
constexpr int64_t kPixels = int64_t{1920} * 1080;

int threads_arg(const benchmark::State& s) { return s.range(0) == 0 ? ownGetNumThreads() : 1; }

void BM_Sub128(benchmark::State& state) {
  const std::vector<uint8_t> src = nmx::bench::test_plane(kHD.width, kHD.height);
  std::vector<int16_t> dst(kPixels);
  nmxSetNumThreads(threads_arg(state));
  for (auto _ : state) {
    nmxiSub128_JPEG_8u16s_C1R(src.data(), kHD.width, dst.data(), kHD.width * 2, kHD);
    benchmark::DoNotOptimize(dst.data());
  }
  nmxSetNumThreads(0);
  state.SetBytesProcessed(state.iterations() * kPixels * 3);
}

void BM_Add128(benchmark::State& state) {
  const std::vector<uint8_t> plane = nmx::bench::test_plane(kHD.width, kHD.height);
  std::vector<int16_t> src(plane.begin(), plane.end());
  for (auto& v : src) v = static_cast<int16_t>(v * 2 - 200);
  std::vector<uint8_t> dst(kPixels);
  nmxSetNumThreads(threads_arg(state));
  for (auto _ : state) {
    nmxiAdd128_JPEG_16s8u_C1R(src.data(), kHD.width * 2, dst.data(), kHD.width, kHD);
    benchmark::DoNotOptimize(dst.data());
  }
  nmxSetNumThreads(0);
  state.SetBytesProcessed(state.iterations() * kPixels * 3);
}

void BM_Memcpy(benchmark::State& state) {
  const size_t n = kPixels * 3 / 2;
  std::vector<uint8_t> a(n, 1), b(n);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), n);
    benchmark::DoNotOptimize(b.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(n) * 2);
}

// Arg 0: all threads, 1: one thread.
BENCHMARK(BM_Sub128)->ArgName("one_thread")->Arg(1)->Arg(0)->UseRealTime();
BENCHMARK(BM_Add128)->ArgName("one_thread")->Arg(1)->Arg(0)->UseRealTime();
BENCHMARK(BM_Memcpy)->UseRealTime();

const int kLevelShiftRatios =
    (nmx::bench::add_ratio("Sub128 one thread / memcpy (bytes/s)", "BM_Sub128/one_thread:1/real_time",
                           "BM_Memcpy/real_time"),
     nmx::bench::add_ratio("Add128 one thread / memcpy (bytes/s)", "BM_Add128/one_thread:1/real_time",
                           "BM_Memcpy/real_time"),
     nmx::bench::add_ratio("Sub128 all threads / one thread", "BM_Sub128/one_thread:0/real_time",
                           "BM_Sub128/one_thread:1/real_time"),
     nmx::bench::add_ratio("Add128 all threads / one thread", "BM_Add128/one_thread:0/real_time",
                           "BM_Add128/one_thread:1/real_time"),
     nmx::bench::add_ratio("QuantFwd8x8 / scalar reference", "BM_QuantFwd8x8/nmxj", "BM_QuantFwd8x8/scalar_ref"),
     nmx::bench::add_ratio("QuantInv8x8 / scalar reference", "BM_QuantInv8x8/nmxj", "BM_QuantInv8x8/scalar_ref"));

// 8x8 quantization: the exported (vector) path against the scalar reference,
// over 256 blocks per iteration so the table and blocks stay in L1.
template <bool kFwd, bool kRef>
void BM_Quant8x8(benchmark::State& state) {
  constexpr int kBlocks = 256;
  std::vector<int16_t> blocks(64 * kBlocks);
  const std::vector<uint8_t> plane = nmx::bench::test_plane(64, kBlocks);
  for (size_t i = 0; i < blocks.size(); ++i) blocks[i] = static_cast<int16_t>((plane[i] - 128) * 4);
  uint8_t raw[64];
  for (int i = 0; i < 64; ++i) raw[i] = static_cast<uint8_t>(4 + i);
  uint16_t table[64];
  if (kFwd) nmxiQuantFwdTableInit_JPEG_8u16u(raw, table);
  else nmxiQuantInvTableInit_JPEG_8u16u(raw, table);
  const nmx::quant::Kernels ref = nmx::quant::kernels_for(nmx::Target::Ref);
  const auto ref_op = kFwd ? ref.quant_fwd : ref.quant_inv;
  const auto api_op = kFwd ? nmxiQuantFwd8x8_JPEG_16s_C1I : nmxiQuantInv8x8_JPEG_16s_C1I;
  for (auto _ : state) {
    for (int b = 0; b < kBlocks; ++b) {
      if (kRef) ref_op(&blocks[64 * b], table);
      else api_op(&blocks[64 * b], table);
    }
    benchmark::DoNotOptimize(blocks.data());
  }
  state.SetItemsProcessed(state.iterations() * kBlocks);
  // Seconds per block, printed with an SI prefix (n = ns).
  state.counters["per_block"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlocks,
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_Quant8x8<true, false>)->Name("BM_QuantFwd8x8/nmxj");
BENCHMARK(BM_Quant8x8<true, true>)->Name("BM_QuantFwd8x8/scalar_ref");
BENCHMARK(BM_Quant8x8<false, false>)->Name("BM_QuantInv8x8/nmxj");
BENCHMARK(BM_Quant8x8<false, true>)->Name("BM_QuantInv8x8/scalar_ref");

}  // namespace

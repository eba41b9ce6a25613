// 8x8 DCT with quantization, per block, on the blocks of a 256x128 region of
// a test photograph's luma (512 blocks per iteration, all in cache):
//   forward  DCTQuantFwd8x8LS_JPEG_8u16s (pixels -> quantized coefficients)
//            against libjpeg-turbo's jsimd_convsamp_avx2 + jsimd_fdct_islow_avx2
//            + jsimd_quantize_avx2 on the same blocks;
//   inverse  DCTQuantInv8x8LS_JPEG_16s8u (coefficients -> pixels) against
//            jsimd_idct_islow_avx2, on the quality-50 coefficients of the blocks;
//   our 1x1, 2x2, 4x4 shortcuts and 4x4, 2x2 thumbnails on the same input,
//   the forward, block-form and full and shortcut inverse kernels of every
//   target called directly (`kernel_<target>`, with their ratios), and the
//   12-bit single-precision forms on the samples scaled by 16.
// Each run reports `per_block` (seconds per block, with an SI prefix).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "../tests/support/ppm.h"
#include "bench_util.h"
#include "jpeg/dct/dct_kernels.h"
#include "nmxj.h"

#if NMXJ_HAVE_LIBJPEG
extern "C" {
// Weak, so that a libjpeg.a without these kernels skips the peer runs; the
// public codec entry points pull the library's SIMD dispatch (and with it
// these kernels) into the link.
void jpeg_start_compress(void* cinfo, int write_all_tables);
void jpeg_start_decompress(void* cinfo);
void jsimd_convsamp_avx2(unsigned char** sample_data, unsigned int start_col, short* workspace)
    __attribute__((weak));
void jsimd_fdct_islow_avx2(short* data) __attribute__((weak));
void jsimd_quantize_avx2(short* coef_block, short* divisors, short* workspace) __attribute__((weak));
void jsimd_idct_islow_avx2(void* dct_table, short* coef_block, unsigned char** output_buf, unsigned int output_col)
    __attribute__((weak));
}
#endif

namespace {

constexpr int kW = 256, kH = 128, kBlocksX = kW / 8, kBlocks = kBlocksX * (kH / 8);

// The quality-50 luminance table of the JPEG standard's example, natural order.
constexpr uint16_t kQ50[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                               14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                               18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                               49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

struct Data {
  std::vector<uint8_t> plane;     // kW x kH luma
  std::vector<uint16_t> recip;    // forward table
  std::vector<int16_t> coefs;     // quantized coefficients of every block
  std::vector<uint8_t*> rows;     // row pointers into `plane` (peer input)
  std::vector<uint8_t> out;       // kW x kH output pixels
  std::vector<uint8_t*> out_rows;
};

// Luma of the top-left region of the first photograph that loads (a
// synthetic plane if none does), and its quality-50 coefficients.
const Data& data() {
  static const Data d = [] {
    Data x;
    x.plane.resize(kW * kH);
    nmx::test::Image img;
    for (const std::string& path : nmx::test::corpus_paths())
      if ((img = nmx::test::read_pnm(path)).width >= kW + 64 && img.height >= kH + 64) break;
    if (img.width >= kW + 64 && img.height >= kH + 64) {
      for (int y = 0; y < kH; ++y)
        for (int xx = 0; xx < kW; ++xx) {
          const uint8_t* p = img.pixels.data() + (static_cast<size_t>(y + 64) * img.width + xx + 64) * img.channels;
          const double l = img.channels == 3 ? 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2] : p[0];
          x.plane[y * kW + xx] = static_cast<uint8_t>(std::lround(l));
        }
    } else {
      std::printf("dct_bench: no test photograph found, using a synthetic plane\n");
      x.plane = nmx::bench::test_plane(kW, kH);
    }
    for (uint16_t q : kQ50) x.recip.push_back(static_cast<uint16_t>(std::lround(32768.0 / q)));
    x.coefs.resize(64 * kBlocks);
    for (int b = 0; b < kBlocks; ++b)
      nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(&x.plane[(b / kBlocksX) * 8 * kW + (b % kBlocksX) * 8], kW,
                                          &x.coefs[64 * b], x.recip.data());
    x.out.resize(kW * kH);
    for (int y = 0; y < kH; ++y) {
      x.rows.push_back(&x.plane[y * kW]);
      x.out_rows.push_back(&x.out[y * kW]);
    }
    return x;
  }();
  return d;
}

inline int block_offset(int b) { return (b / kBlocksX) * 8 * kW + (b % kBlocksX) * 8; }

void per_block(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * kBlocks);
  state.counters["per_block"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlocks,
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Fwd(benchmark::State& state) {
  const Data& d = data();
  std::vector<int16_t> coefs(64 * kBlocks);
  for (auto _ : state) {
    for (int b = 0; b < kBlocks; ++b)
      nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(&d.plane[block_offset(b)], kW, &coefs[64 * b], d.recip.data());
    benchmark::DoNotOptimize(coefs.data());
  }
  per_block(state);
}

void BM_FwdRef(benchmark::State& state) {
  const Data& d = data();
  const auto kernel = nmx::dct::kernels_for(nmx::Target::Ref).fwd_ls;
  std::vector<int16_t> coefs(64 * kBlocks);
  for (auto _ : state) {
    for (int b = 0; b < kBlocks; ++b) kernel(&d.plane[block_offset(b)], kW, &coefs[64 * b], d.recip.data());
    benchmark::DoNotOptimize(coefs.data());
  }
  per_block(state);
}

template <nmxStatus (*Fn)(const int16_t*, uint8_t*, int32_t, const uint16_t*), int kOut>
void BM_Inv(benchmark::State& state) {
  const Data& d = data();
  std::vector<uint8_t> out(kW * kH);
  for (auto _ : state) {
    for (int b = 0; b < kBlocks; ++b)
      Fn(&d.coefs[64 * b], &out[(b / kBlocksX) * kOut * kW + (b % kBlocksX) * kOut], kW, kQ50);
    benchmark::DoNotOptimize(out.data());
  }
  per_block(state);
}

void BM_InvRef(benchmark::State& state) {
  const Data& d = data();
  const auto kernel = nmx::dct::kernels_for(nmx::Target::Ref).inv_ls;
  std::vector<uint8_t> out(kW * kH);
  for (auto _ : state) {
    for (int b = 0; b < kBlocks; ++b) kernel(&d.coefs[64 * b], &out[block_offset(b)], kW, kQ50);
    benchmark::DoNotOptimize(out.data());
  }
  per_block(state);
}

// The area inverse kernels of one target called directly (no entry point),
// so that the shortcut ratios of the narrower targets show on this machine.
template <nmx::Target kTarget, nmx::dct::Inv8u nmx::dct::Kernels::*kOp>
void BM_InvKernel(benchmark::State& state) {
  const auto& targets = nmx::available_targets();
  if (std::find(targets.begin(), targets.end(), kTarget) == targets.end()) {
    state.SkipWithError("target not available here");
    return;
  }
  const Data& d = data();
  const auto kernel = nmx::dct::kernels_for(kTarget).*kOp;
  std::vector<uint8_t> out(kW * kH);
  for (auto _ : state) {
    for (int b = 0; b < kBlocks; ++b) kernel(&d.coefs[64 * b], &out[block_offset(b)], kW, kQ50);
    benchmark::DoNotOptimize(out.data());
  }
  per_block(state);
}

// The forward kernel of one target called directly, as BM_InvKernel.
template <nmx::Target kTarget>
void BM_FwdKernel(benchmark::State& state) {
  const auto& targets = nmx::available_targets();
  if (std::find(targets.begin(), targets.end(), kTarget) == targets.end()) {
    state.SkipWithError("target not available here");
    return;
  }
  const Data& d = data();
  const auto kernel = nmx::dct::kernels_for(kTarget).fwd_ls;
  std::vector<int16_t> coefs(64 * kBlocks);
  for (auto _ : state) {
    for (int b = 0; b < kBlocks; ++b) kernel(&d.plane[block_offset(b)], kW, &coefs[64 * b], d.recip.data());
    benchmark::DoNotOptimize(coefs.data());
  }
  per_block(state);
}

// The block forms' kernels of one target (16-bit block in, 16-bit block out):
// the forward on the level-shifted samples, the inverse on the coefficients.
template <nmx::Target kTarget, bool kInverse>
void BM_BlockKernel(benchmark::State& state) {
  const auto& targets = nmx::available_targets();
  if (std::find(targets.begin(), targets.end(), kTarget) == targets.end()) {
    state.SkipWithError("target not available here");
    return;
  }
  const Data& d = data();
  const nmx::dct::Kernels k = nmx::dct::kernels_for(kTarget);
  std::vector<int16_t> in(64 * kBlocks), out(64 * kBlocks);
  for (int b = 0; b < kBlocks; ++b)
    for (int i = 0; i < 64; ++i)
      in[64 * b + i] = kInverse ? d.coefs[64 * b + i] : d.plane[block_offset(b) + (i / 8) * kW + i % 8] - 128;
  for (auto _ : state) {
    if (kInverse)
      for (int b = 0; b < kBlocks; ++b) k.inv(&in[64 * b], &out[64 * b], kQ50);
    else
      for (int b = 0; b < kBlocks; ++b) k.fwd(&in[64 * b], &out[64 * b], d.recip.data());
    benchmark::DoNotOptimize(out.data());
  }
  per_block(state);
}

// The 12-bit forms on the same content scaled to 12 bits (no peer).
void BM_Fwd12(benchmark::State& state) {
  const Data& d = data();
  std::vector<uint16_t> plane(d.plane.size());
  for (size_t i = 0; i < plane.size(); ++i) plane[i] = static_cast<uint16_t>(d.plane[i] * 16);
  std::vector<float> factors(64);
  for (int i = 0; i < 64; ++i) factors[i] = 1.0f / (16 * kQ50[i]);
  std::vector<int16_t> coefs(64 * kBlocks);
  for (auto _ : state) {
    for (int b = 0; b < kBlocks; ++b)
      nmxiDCTQuantFwd8x8LS_JPEG_16u16s_C1R(&plane[block_offset(b)], kW * 2, &coefs[64 * b], factors.data());
    benchmark::DoNotOptimize(coefs.data());
  }
  per_block(state);
}

void BM_Inv12(benchmark::State& state) {
  const Data& d = data();
  std::vector<float> factors(64);
  for (int i = 0; i < 64; ++i) factors[i] = 16.0f * kQ50[i];
  std::vector<uint16_t> out(kW * kH);
  for (auto _ : state) {
    for (int b = 0; b < kBlocks; ++b)
      nmxiDCTQuantInv8x8LS_JPEG_16s16u_C1R(&d.coefs[64 * b], &out[block_offset(b)], kW * 2, factors.data());
    benchmark::DoNotOptimize(out.data());
  }
  per_block(state);
}

#if NMXJ_HAVE_LIBJPEG
bool peer_ready(benchmark::State& state) {
  if (!jsimd_convsamp_avx2 || !jsimd_fdct_islow_avx2 || !jsimd_quantize_avx2 || !jsimd_idct_islow_avx2) {
    state.SkipWithError("libjpeg.a lacks the AVX2 DCT kernels");
    return false;
  }
  if (!__builtin_cpu_supports("avx2")) {
    state.SkipWithError("processor without AVX2");
    return false;
  }
  return true;
}

// The peer's forward path: convert samples (level shift into a 16-bit
// workspace), islow DCT, quantize with a divisor table (4 x 64 entries:
// reciprocal, rounding correction, scale, shift). Its quantizer is branch-free
// vector code, so its time does not depend on these entries.
void BM_FwdPeer(benchmark::State& state) {
  if (!peer_ready(state)) return;
  const Data& d = data();
  alignas(32) short divisors[256];
  for (int i = 0; i < 64; ++i) {
    divisors[i] = static_cast<short>(std::min(65535 / kQ50[i], 32767));
    divisors[64 + i] = static_cast<short>(kQ50[i] / 2);
    divisors[128 + i] = 1;
    divisors[192 + i] = 0;
  }
  alignas(32) short workspace[64];
  std::vector<int16_t> coefs(64 * kBlocks + 16);
  short* out = reinterpret_cast<short*>((reinterpret_cast<uintptr_t>(coefs.data()) + 31) & ~uintptr_t{31});
  uint8_t** rows = const_cast<uint8_t**>(d.rows.data());
  for (auto _ : state) {
    for (int b = 0; b < kBlocks; ++b) {
      jsimd_convsamp_avx2(rows + (b / kBlocksX) * 8, static_cast<unsigned>((b % kBlocksX) * 8), workspace);
      jsimd_fdct_islow_avx2(workspace);
      jsimd_quantize_avx2(out + 64 * b, divisors, workspace);
    }
    benchmark::DoNotOptimize(out);
  }
  per_block(state);
}

// The peer's inverse: dequantize by its table of quantizers, islow IDCT,
// level shift and clamp into 8 output rows at a column.
void BM_InvPeer(benchmark::State& state) {
  if (!peer_ready(state)) return;
  const Data& d = data();
  alignas(32) short table[128] = {};  // room for either multiplier width
  for (int i = 0; i < 64; ++i) table[i] = static_cast<short>(kQ50[i]);
  std::vector<int16_t> coefs(d.coefs.size() + 16);
  short* in = reinterpret_cast<short*>((reinterpret_cast<uintptr_t>(coefs.data()) + 31) & ~uintptr_t{31});
  std::copy(d.coefs.begin(), d.coefs.end(), in);
  std::vector<uint8_t> out(kW * kH + 64);
  std::vector<uint8_t*> rows;
  for (int y = 0; y < kH; ++y) rows.push_back(&out[y * kW]);
  for (auto _ : state) {
    for (int b = 0; b < kBlocks; ++b)
      jsimd_idct_islow_avx2(table, in + 64 * b, rows.data() + (b / kBlocksX) * 8,
                            static_cast<unsigned>((b % kBlocksX) * 8));
    benchmark::DoNotOptimize(out.data());
  }
  per_block(state);
}

BENCHMARK(BM_FwdPeer)->Name("BM_DCTQuantFwd8x8LS/libjpeg-turbo_avx2");
BENCHMARK(BM_InvPeer)->Name("BM_DCTQuantInv8x8LS/libjpeg-turbo_avx2");
#else
const int kNoPeer = (std::printf("dct_bench: libjpeg.a not linked, no peer runs\n"), 0);
#endif

BENCHMARK(BM_Fwd)->Name("BM_DCTQuantFwd8x8LS/nmxj");
BENCHMARK(BM_FwdRef)->Name("BM_DCTQuantFwd8x8LS/scalar_ref");
BENCHMARK(BM_Inv<nmxiDCTQuantInv8x8LS_JPEG_16s8u_C1R, 8>)->Name("BM_DCTQuantInv8x8LS/nmxj");
BENCHMARK(BM_InvRef)->Name("BM_DCTQuantInv8x8LS/scalar_ref");
BENCHMARK(BM_Inv<nmxiDCTQuantInv8x8LS_1x1_JPEG_16s8u_C1R, 8>)->Name("BM_DCTQuantInv8x8LS_1x1/nmxj");
BENCHMARK(BM_Inv<nmxiDCTQuantInv8x8LS_2x2_JPEG_16s8u_C1R, 8>)->Name("BM_DCTQuantInv8x8LS_2x2/nmxj");
BENCHMARK(BM_Inv<nmxiDCTQuantInv8x8LS_4x4_JPEG_16s8u_C1R, 8>)->Name("BM_DCTQuantInv8x8LS_4x4/nmxj");
BENCHMARK(BM_Inv<nmxiDCTQuantInv8x8To4x4LS_JPEG_16s8u_C1R, 4>)->Name("BM_DCTQuantInv8x8To4x4LS/nmxj");
BENCHMARK(BM_Inv<nmxiDCTQuantInv8x8To2x2LS_JPEG_16s8u_C1R, 2>)->Name("BM_DCTQuantInv8x8To2x2LS/nmxj");
#define NMXJ_INV_KERNELS(T, name)                                                                     \
  BENCHMARK(BM_InvKernel<nmx::Target::T, &nmx::dct::Kernels::inv_ls>)->Name("BM_DCTQuantInv8x8LS/" name); \
  BENCHMARK(BM_InvKernel<nmx::Target::T, &nmx::dct::Kernels::inv_ls_1x1>)                                 \
      ->Name("BM_DCTQuantInv8x8LS_1x1/" name);                                                            \
  BENCHMARK(BM_InvKernel<nmx::Target::T, &nmx::dct::Kernels::inv_ls_2x2>)                                 \
      ->Name("BM_DCTQuantInv8x8LS_2x2/" name);                                                            \
  BENCHMARK(BM_InvKernel<nmx::Target::T, &nmx::dct::Kernels::inv_ls_4x4>)                                 \
      ->Name("BM_DCTQuantInv8x8LS_4x4/" name)
BENCHMARK(BM_FwdKernel<nmx::Target::SSE41>)->Name("BM_DCTQuantFwd8x8LS/kernel_sse41");
BENCHMARK(BM_FwdKernel<nmx::Target::AVX2>)->Name("BM_DCTQuantFwd8x8LS/kernel_avx2");
BENCHMARK(BM_FwdKernel<nmx::Target::AVX512>)->Name("BM_DCTQuantFwd8x8LS/kernel_avx512");
#define NMXJ_BLOCK_KERNELS(T, name)                                                        \
  BENCHMARK(BM_BlockKernel<nmx::Target::T, false>)->Name("BM_DCTQuantFwd8x8_16s/" name); \
  BENCHMARK(BM_BlockKernel<nmx::Target::T, true>)->Name("BM_DCTQuantInv8x8_16s/" name)
NMXJ_BLOCK_KERNELS(SSE41, "kernel_sse41");
NMXJ_BLOCK_KERNELS(AVX2, "kernel_avx2");
NMXJ_BLOCK_KERNELS(AVX512, "kernel_avx512");
#undef NMXJ_BLOCK_KERNELS
NMXJ_INV_KERNELS(SSE41, "kernel_sse41");
NMXJ_INV_KERNELS(AVX2, "kernel_avx2");
NMXJ_INV_KERNELS(AVX512, "kernel_avx512");
#undef NMXJ_INV_KERNELS
BENCHMARK(BM_Fwd12)->Name("BM_DCTQuantFwd8x8LS_16u16s/nmxj");
BENCHMARK(BM_Inv12)->Name("BM_DCTQuantInv8x8LS_16s16u/nmxj");

// The shortcut kernels of one target against its full inverse kernel.
int add_kernel_ratios(const std::string& target) {
  const std::string full = "BM_DCTQuantInv8x8LS/kernel_" + target;
  for (const char* form : {"1x1", "2x2", "4x4"})
    nmx::bench::add_ratio(std::string("DCTQuantInv8x8LS_") + form + " / full, " + target + " kernels",
                          std::string("BM_DCTQuantInv8x8LS_") + form + "/kernel_" + target, full);
  return 0;
}

// Rates are blocks per second: the forward and inverse want >= 1.25 (at most
// 0.8x the peer's time), the shortcuts >= 5, 2.5 and 1.67 against our full
// inverse (at most 0.2x, 0.4x, 0.6x its time).
const int kDctRatios =
    (nmx::bench::add_ratio("DCTQuantFwd8x8LS / libjpeg-turbo (want >= 1.25)", "BM_DCTQuantFwd8x8LS/nmxj",
                           "BM_DCTQuantFwd8x8LS/libjpeg-turbo_avx2"),
     nmx::bench::add_ratio("DCTQuantInv8x8LS / libjpeg-turbo (want >= 1.25)", "BM_DCTQuantInv8x8LS/nmxj",
                           "BM_DCTQuantInv8x8LS/libjpeg-turbo_avx2"),
     nmx::bench::add_ratio("DCTQuantFwd8x8LS / scalar reference", "BM_DCTQuantFwd8x8LS/nmxj",
                           "BM_DCTQuantFwd8x8LS/scalar_ref"),
     nmx::bench::add_ratio("DCTQuantInv8x8LS / scalar reference", "BM_DCTQuantInv8x8LS/nmxj",
                           "BM_DCTQuantInv8x8LS/scalar_ref"),
     nmx::bench::add_ratio("DCTQuantInv8x8LS_1x1 / full inverse (want >= 5)", "BM_DCTQuantInv8x8LS_1x1/nmxj",
                           "BM_DCTQuantInv8x8LS/nmxj"),
     nmx::bench::add_ratio("DCTQuantInv8x8LS_2x2 / full inverse (want >= 2.5)", "BM_DCTQuantInv8x8LS_2x2/nmxj",
                           "BM_DCTQuantInv8x8LS/nmxj"),
     nmx::bench::add_ratio("DCTQuantInv8x8LS_4x4 / full inverse (want >= 1.67)", "BM_DCTQuantInv8x8LS_4x4/nmxj",
                           "BM_DCTQuantInv8x8LS/nmxj"),
     nmx::bench::add_ratio("DCTQuantFwd8x8LS kernels, avx512 / avx2", "BM_DCTQuantFwd8x8LS/kernel_avx512",
                           "BM_DCTQuantFwd8x8LS/kernel_avx2"),
     nmx::bench::add_ratio("DCTQuantInv8x8LS kernels, avx512 / avx2", "BM_DCTQuantInv8x8LS/kernel_avx512",
                           "BM_DCTQuantInv8x8LS/kernel_avx2"),
     nmx::bench::add_ratio("DCTQuantFwd8x8_16s kernels, avx512 / avx2", "BM_DCTQuantFwd8x8_16s/kernel_avx512",
                           "BM_DCTQuantFwd8x8_16s/kernel_avx2"),
     nmx::bench::add_ratio("DCTQuantInv8x8_16s kernels, avx512 / avx2", "BM_DCTQuantInv8x8_16s/kernel_avx512",
                           "BM_DCTQuantInv8x8_16s/kernel_avx2"),
     add_kernel_ratios("sse41"), add_kernel_ratios("avx2"), add_kernel_ratios("avx512"), 0);

}  // namespace

// Kernel table of the sampling family and the checks its plane forms share.
#include "frame/check.h"
#include "jpeg/sampling/sampling_entry.h"

namespace nmx::sampling {

Kernels kernels_for(Target t) {
  Kernels k{down_h2v1_ref, down_h2v2_ref, up_h2v1_ref, up_h2v2_ref, up_row_h2v1_ref, up_row_h2v2_ref};
#if NMXJ_SIMD
  if (reaches(t, Target::SSE41))
    k = {down_h2v1_sse41, down_h2v2_sse41, up_h2v1_sse41, up_h2v2_sse41, up_row_h2v1_sse41, up_row_h2v2_sse41};
  // 512-bit down-sampling was measured a little faster on one thread but
  // clearly slower with two, so the AVX-512 target keeps these kernels.
  if (reaches(t, Target::AVX2))
    k = {down_h2v1_avx2, down_h2v2_avx2, up_h2v1_avx2, up_h2v2_avx2, up_row_h2v1_avx2, up_row_h2v2_avx2};
#else
  (void)t;
#endif
  return k;
}

const Kernels active = kernels_for(best_target());

nmxStatus check_plane(const uint8_t* src, int32_t srcStep, NmxSize srcSize, const uint8_t* dst, int32_t dstStep,
                      NmxSize dstSize) {
  return ArgCheck()
      .ptr(src)
      .step(srcStep)
      .size(srcSize)
      .ptr(dst)
      .step(dstStep)
      .length(dstSize.width)
      .length(dstSize.height)
      .status();
}

}  // namespace nmx::sampling

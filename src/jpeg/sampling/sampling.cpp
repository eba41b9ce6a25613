// Kernel table of the sampling family.
#include "jpeg/sampling/sampling_kernels.h"

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

}  // namespace nmx::sampling

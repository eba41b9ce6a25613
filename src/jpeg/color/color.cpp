// Kernel table of the plane colour conversions: references first, then the
// vector kernels of every target up to the one asked for.
#include "jpeg/color/color_kernels.h"

namespace nmx::color {

Kernels kernels_for(Target t) {
  Kernels k{fwd_c3_ref,     luma_c3_ref, luma_p3_ref, fwd_p3_ref,  fwd_cmyk_c4_ref,
            fwd_packed_ref, fwd_c4_ref,  fwd_422_ref, fwd_411_ref, inv_c3_ref,
            inv_p3_ref,     inv_cmyk_c4_ref, inv_packed_ref, inv_hi_ref, inv_c2_ref};
#if NMXJ_SIMD
  if (reaches(t, Target::SSE41)) {
    k.fwd_c3 = fwd_c3_sse41;
    k.luma_c3 = luma_c3_sse41;
    k.fwd_c4 = fwd_c4_sse41;
    k.fwd_422 = fwd_422_sse41;
    k.fwd_411 = fwd_411_sse41;
    k.inv_c3 = inv_c3_sse41;
    k.inv_hi = inv_hi_sse41;
    k.fwd_p3 = fwd_p3_sse41;
    k.fwd_cmyk_c4 = fwd_cmyk_c4_sse41;
    k.luma_p3 = luma_p3_sse41;
    k.inv_p3 = inv_p3_sse41;
    k.inv_cmyk_c4 = inv_cmyk_c4_sse41;
    k.inv_c2 = inv_c2_sse41;
    k.fwd_packed = fwd_packed_sse41;
    k.inv_packed = inv_packed_sse41;
  }
  if (reaches(t, Target::AVX2)) {
    k.fwd_c3 = fwd_c3_avx2;
    k.luma_c3 = luma_c3_avx2;
    k.inv_c3 = inv_c3_avx2;
    k.fwd_422 = fwd_422_avx2;
    k.fwd_411 = fwd_411_avx2;
    k.inv_hi = inv_hi_avx2;
  }
  if (reaches(t, Target::AVX512)) {
    k.inv_c3 = inv_c3_avx512;
    k.fwd_c3 = fwd_c3_avx512;
    k.luma_c3 = luma_c3_avx512;
  }
#else
  (void)t;
#endif
  return k;
}

namespace {
const Kernels kActive = kernels_for(best_target());
}  // namespace

const Kernels& active() { return kActive; }

}  // namespace nmx::color

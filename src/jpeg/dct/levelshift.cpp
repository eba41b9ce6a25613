// Entry points of the level shifts. Both run through the parallel row loop.
#include "frame/check.h"
#include "frame/entry.h"
#include "frame/rows.h"
#include "jpeg/dct/levelshift_kernels.h"

namespace nmx::levelshift {

Kernels kernels_for(Target t) {
  Kernels k{sub128_ref, add128_ref};
#if NMXJ_SIMD
  if (reaches(t, Target::SSE41)) k = {sub128_sse41, add128_sse41};
  if (reaches(t, Target::AVX2)) k = {sub128_avx2, add128_avx2};
#else
  (void)t;
#endif
  return k;
}

namespace {
const Kernels active = kernels_for(best_target());
}  // namespace

}  // namespace nmx::levelshift

namespace nmx::entry {

using levelshift::active;

nmxStatus nmxiSub128_JPEG_8u16s_C1R(const uint8_t* pSrc, int32_t srcStep, int16_t* pDst, int32_t dstStep,
                                    NmxSize roiSize) {
  const nmxStatus s = ArgCheck().ptr(pSrc).step(srcStep).ptr(pDst).step(dstStep).size(roiSize).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active.sub128;
  row_loop(roiSize, [&](int32_t r) {
    kernel(row_at(pSrc, srcStep, r), row_at(pDst, dstStep, r), roiSize.width);
  });
  return nmxStatusOk;
}

nmxStatus nmxiAdd128_JPEG_16s8u_C1R(const int16_t* pSrc, int32_t srcStep, uint8_t* pDst, int32_t dstStep,
                                    NmxSize roiSize) {
  const nmxStatus s = ArgCheck().ptr(pSrc).step(srcStep).ptr(pDst).step(dstStep).size(roiSize).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active.add128;
  row_loop(roiSize, [&](int32_t r) {
    kernel(row_at(pSrc, srcStep, r), row_at(pDst, dstStep, r), roiSize.width);
  });
  return nmxStatusOk;
}

}  // namespace nmx::entry

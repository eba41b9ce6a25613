// Entry points of the CMYK to YCCK conversions (interleaved and planar), both
// threaded. The colour channels go through the forward equations on 255 - value;
// K is copied unchanged.
#include <cstring>

#include "frame/check.h"
#include "frame/entry.h"
#include "frame/rows.h"
#include "jpeg/color/color_kernels.h"

namespace nmx::entry {

using namespace nmx::color;

nmxStatus nmxiCMYKToYCCK_JPEG_8u_C4P4R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[4], int32_t dstStep,
                                       NmxSize roiSize) {
  const nmxStatus s = ArgCheck().ptr(pSrc).planes(pDst, 4).step(srcStep).step(dstStep).size(roiSize).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active().fwd_cmyk_c4;
  row_loop(roiSize, [&](int32_t r) {
    kernel(row_at(pSrc, srcStep, r), row_at(pDst[0], dstStep, r), row_at(pDst[1], dstStep, r),
           row_at(pDst[2], dstStep, r), row_at(pDst[3], dstStep, r), roiSize.width);
  });
  return nmxStatusOk;
}

nmxStatus nmxiCMYKToYCCK_JPEG_8u_P4R(const uint8_t* const pSrc[4], int32_t srcStep, uint8_t* const pDst[4],
                                     int32_t dstStep, NmxSize roiSize) {
  const nmxStatus s =
      ArgCheck().planes(pSrc, 4).planes(pDst, 4).step(srcStep).step(dstStep).size(roiSize).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active().fwd_p3;
  row_loop(roiSize, [&](int32_t r) {
    kernel(row_at(pSrc[0], srcStep, r), row_at(pSrc[1], srcStep, r), row_at(pSrc[2], srcStep, r),
           row_at(pDst[0], dstStep, r), row_at(pDst[1], dstStep, r), row_at(pDst[2], dstStep, r), roiSize.width,
           true);
    std::memmove(row_at(pDst[3], dstStep, r), row_at(pSrc[3], srcStep, r), static_cast<size_t>(roiSize.width));
  });
  return nmxStatusOk;
}

}  // namespace nmx::entry

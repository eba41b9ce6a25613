// Entry points of the 16-bit packed (5-5-5, 5-6-5) to YCbCr conversions.
#include "frame/check.h"
#include "frame/entry.h"
#include "jpeg/color/color_kernels.h"
#include "frame/rows.h"

namespace nmx::color {
namespace {

nmxStatus from_packed(const uint16_t* src, int32_t srcStep, uint8_t* const dst[3], int32_t dstStep, NmxSize roi,
                      Packed f) {
  const nmxStatus s = ArgCheck().ptr(src).planes(dst, 3).step(srcStep).step(dstStep).size(roi).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active().fwd_packed;
  for (int32_t r = 0; r < roi.height; ++r)
    kernel(row_at(src, srcStep, r), row_at(dst[0], dstStep, r), row_at(dst[1], dstStep, r),
           row_at(dst[2], dstStep, r), roi.width, f);
  return nmxStatusOk;
}

}  // namespace
}  // namespace nmx::color

namespace nmx::entry {

using namespace nmx::color;

nmxStatus nmxiRGB555ToYCbCr_JPEG_16u8u_C3P3R(const uint16_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                             int32_t dstStep, NmxSize roiSize) {
  return from_packed(pSrc, srcStep, pDst, dstStep, roiSize, Packed::RGB555);
}
nmxStatus nmxiRGB565ToYCbCr_JPEG_16u8u_C3P3R(const uint16_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                             int32_t dstStep, NmxSize roiSize) {
  return from_packed(pSrc, srcStep, pDst, dstStep, roiSize, Packed::RGB565);
}
nmxStatus nmxiBGR555ToYCbCr_JPEG_16u8u_C3P3R(const uint16_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                             int32_t dstStep, NmxSize roiSize) {
  return from_packed(pSrc, srcStep, pDst, dstStep, roiSize, Packed::BGR555);
}
nmxStatus nmxiBGR565ToYCbCr_JPEG_16u8u_C3P3R(const uint16_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                             int32_t dstStep, NmxSize roiSize) {
  return from_packed(pSrc, srcStep, pDst, dstStep, roiSize, Packed::BGR565);
}

}  // namespace nmx::entry

// Entry points of the YCbCr to 16-bit packed (5-5-5, 5-6-5) conversions.
#include "frame/check.h"
#include "frame/entry.h"
#include "frame/rows.h"
#include "jpeg/color/color_kernels.h"

namespace nmx::color {
namespace {

nmxStatus to_packed(const uint8_t* const src[3], int32_t srcStep, uint16_t* dst, int32_t dstStep, NmxSize roi,
                    Packed f) {
  const nmxStatus s = ArgCheck().planes(src, 3).ptr(dst).step(srcStep).step(dstStep).size(roi).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active().inv_packed;
  for (int32_t r = 0; r < roi.height; ++r)
    kernel(row_at(src[0], srcStep, r), row_at(src[1], srcStep, r), row_at(src[2], srcStep, r),
           row_at(dst, dstStep, r), roi.width, f);
  return nmxStatusOk;
}

}  // namespace
}  // namespace nmx::color

namespace nmx::entry {

using namespace nmx::color;

nmxStatus nmxiYCbCrToRGB555_JPEG_8u16u_P3C3R(const uint8_t* const pSrc[3], int32_t srcStep, uint16_t* pDst,
                                             int32_t dstStep, NmxSize roiSize) {
  return to_packed(pSrc, srcStep, pDst, dstStep, roiSize, Packed::RGB555);
}
nmxStatus nmxiYCbCrToRGB565_JPEG_8u16u_P3C3R(const uint8_t* const pSrc[3], int32_t srcStep, uint16_t* pDst,
                                             int32_t dstStep, NmxSize roiSize) {
  return to_packed(pSrc, srcStep, pDst, dstStep, roiSize, Packed::RGB565);
}
nmxStatus nmxiYCbCrToBGR555_JPEG_8u16u_P3C3R(const uint8_t* const pSrc[3], int32_t srcStep, uint16_t* pDst,
                                             int32_t dstStep, NmxSize roiSize) {
  return to_packed(pSrc, srcStep, pDst, dstStep, roiSize, Packed::BGR555);
}
nmxStatus nmxiYCbCrToBGR565_JPEG_8u16u_P3C3R(const uint8_t* const pSrc[3], int32_t srcStep, uint16_t* pDst,
                                             int32_t dstStep, NmxSize roiSize) {
  return to_packed(pSrc, srcStep, pDst, dstStep, roiSize, Packed::BGR565);
}

}  // namespace nmx::entry

// Entry points of the YCbCr to RGB and BGR conversions (interleaved, planar,
// 4-channel with alpha, 4:2:2 and 4:1:1 planes, interleaved 4:2:2 source).
#include "frame/check.h"
#include "frame/entry.h"
#include "frame/rows.h"
#include "jpeg/color/color_kernels.h"

namespace nmx::color {
namespace {

// Full-resolution planes to 3-byte pixels; threaded.
nmxStatus to_c3(const uint8_t* const src[3], int32_t srcStep, uint8_t* dst, int32_t dstStep, NmxSize roi, bool bgr) {
  const nmxStatus s = ArgCheck().planes(src, 3).ptr(dst).step(srcStep).step(dstStep).size(roi).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active().inv_c3;
  row_loop(roi, [&](int32_t r) {
    kernel(row_at(src[0], srcStep, r), row_at(src[1], srcStep, r), row_at(src[2], srcStep, r),
           row_at(dst, dstStep, r), roi.width, bgr);
  });
  return nmxStatusOk;
}

// Full-resolution planes to 4-byte pixels with alpha; no step check, calling thread.
nmxStatus to_c4(const uint8_t* const src[3], int32_t srcStep, uint8_t* dst, int32_t dstStep, NmxSize roi, bool bgr,
                uint8_t alpha) {
  const nmxStatus s = ArgCheck().ptr(dst).planes(src, 3).size(roi).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active().inv_hi;
  for (int32_t r = 0; r < roi.height; ++r)
    kernel(row_at(src[0], srcStep, r), row_at(src[1], srcStep, r), row_at(src[2], srcStep, r),
           row_at(dst, dstStep, r), roi.width, 4, bgr, alpha, false);
  return nmxStatusOk;
}

// 4:2:2 planes to 3- or 4-byte pixels; an odd last column is not written (status 35).
nmxStatus from_422(const uint8_t* const src[3], const int32_t srcStep[3], uint8_t* dst, int32_t dstStep, NmxSize roi,
                   int channels, bool bgr, uint8_t alpha) {
  const nmxStatus s = ArgCheck().ptr(dst).planes(src, 3).ptr(srcStep).size(roi, 2, 1).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active().inv_hi;
  const int32_t even = roi.width & ~1;
  for (int32_t r = 0; r < roi.height; ++r)
    kernel(row_at(src[0], srcStep[0], r), row_at(src[1], srcStep[1], r), row_at(src[2], srcStep[2], r),
           row_at(dst, dstStep, r), even, channels, bgr, alpha, true);
  return (roi.width & 1) ? nmxStatusOddSize : nmxStatusOk;
}

// 4:1:1 planes, by pairs of rows sharing a chroma row; an odd last column or row is not written (status 35).
nmxStatus from_411(const uint8_t* const src[3], const int32_t srcStep[3], uint8_t* dst, int32_t dstStep, NmxSize roi,
                   int channels, bool bgr, uint8_t alpha) {
  const nmxStatus s = ArgCheck().ptr(dst).planes(src, 3).ptr(srcStep).size(roi, 2, 2).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active().inv_hi;
  const int32_t even = roi.width & ~1;
  for (int32_t r = 0; r < (roi.height & ~1); ++r)
    kernel(row_at(src[0], srcStep[0], r), row_at(src[1], srcStep[1], r / 2), row_at(src[2], srcStep[2], r / 2),
           row_at(dst, dstStep, r), even, channels, bgr, alpha, true);
  return ((roi.width | roi.height) & 1) ? nmxStatusOddSize : nmxStatusOk;
}

}  // namespace
}  // namespace nmx::color

namespace nmx::entry {

using namespace nmx::color;

nmxStatus nmxiYCbCrToRGB_JPEG_8u_P3C3R(const uint8_t* const pSrc[3], int32_t srcStep, uint8_t* pDst, int32_t dstStep,
                                       NmxSize roiSize) {
  return to_c3(pSrc, srcStep, pDst, dstStep, roiSize, false);
}
nmxStatus nmxiYCbCrToBGR_JPEG_8u_P3C3R(const uint8_t* const pSrc[3], int32_t srcStep, uint8_t* pDst, int32_t dstStep,
                                       NmxSize roiSize) {
  return to_c3(pSrc, srcStep, pDst, dstStep, roiSize, true);
}
nmxStatus nmxiYCbCrToRGB_JPEG_8u_P3C4R(const uint8_t* const pSrc[3], int32_t srcStep, uint8_t* pDst, int32_t dstStep,
                                       NmxSize roiSize, uint8_t aval) {
  return to_c4(pSrc, srcStep, pDst, dstStep, roiSize, false, aval);
}
nmxStatus nmxiYCbCrToBGR_JPEG_8u_P3C4R(const uint8_t* const pSrc[3], int32_t srcStep, uint8_t* pDst, int32_t dstStep,
                                       NmxSize roiSize, uint8_t aval) {
  return to_c4(pSrc, srcStep, pDst, dstStep, roiSize, true, aval);
}

nmxStatus nmxiYCbCrToRGB_JPEG_8u_P3R(const uint8_t* const pSrc[3], int32_t srcStep, uint8_t* const pDst[3],
                                     int32_t dstStep, NmxSize roiSize) {
  const nmxStatus s =
      ArgCheck().planes(pSrc, 3).planes(pDst, 3).step(srcStep).step(dstStep).size(roiSize).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active().inv_p3;
  row_loop(roiSize, [&](int32_t r) {
    kernel(row_at(pSrc[0], srcStep, r), row_at(pSrc[1], srcStep, r), row_at(pSrc[2], srcStep, r),
           row_at(pDst[0], dstStep, r), row_at(pDst[1], dstStep, r), row_at(pDst[2], dstStep, r), roiSize.width,
           false);
  });
  return nmxStatusOk;
}

nmxStatus nmxiYCbCr422ToRGB_JPEG_8u_P3C3R(const uint8_t* const pSrc[3], const int32_t srcStep[3], uint8_t* pDst,
                                          int32_t dstStep, NmxSize roiSize) {
  return from_422(pSrc, srcStep, pDst, dstStep, roiSize, 3, false, 0);
}
nmxStatus nmxiYCbCr422ToBGR_JPEG_8u_P3C3R(const uint8_t* const pSrc[3], const int32_t srcStep[3], uint8_t* pDst,
                                          int32_t dstStep, NmxSize roiSize) {
  return from_422(pSrc, srcStep, pDst, dstStep, roiSize, 3, true, 0);
}
nmxStatus nmxiYCbCr422ToRGB_JPEG_8u_P3C4R(const uint8_t* const pSrc[3], const int32_t srcStep[3], uint8_t* pDst,
                                          int32_t dstStep, NmxSize roiSize, uint8_t aval) {
  return from_422(pSrc, srcStep, pDst, dstStep, roiSize, 4, false, aval);
}
nmxStatus nmxiYCbCr422ToBGR_JPEG_8u_P3C4R(const uint8_t* const pSrc[3], const int32_t srcStep[3], uint8_t* pDst,
                                          int32_t dstStep, NmxSize roiSize, uint8_t aval) {
  return from_422(pSrc, srcStep, pDst, dstStep, roiSize, 4, true, aval);
}
nmxStatus nmxiYCbCr411ToRGB_JPEG_8u_P3C3R(const uint8_t* const pSrc[3], const int32_t srcStep[3], uint8_t* pDst,
                                          int32_t dstStep, NmxSize roiSize) {
  return from_411(pSrc, srcStep, pDst, dstStep, roiSize, 3, false, 0);
}
nmxStatus nmxiYCbCr411ToBGR_JPEG_8u_P3C3R(const uint8_t* const pSrc[3], const int32_t srcStep[3], uint8_t* pDst,
                                          int32_t dstStep, NmxSize roiSize) {
  return from_411(pSrc, srcStep, pDst, dstStep, roiSize, 3, true, 0);
}
nmxStatus nmxiYCbCr411ToRGB_JPEG_8u_P3C4R(const uint8_t* const pSrc[3], const int32_t srcStep[3], uint8_t* pDst,
                                          int32_t dstStep, NmxSize roiSize, uint8_t aval) {
  return from_411(pSrc, srcStep, pDst, dstStep, roiSize, 4, false, aval);
}
nmxStatus nmxiYCbCr411ToBGR_JPEG_8u_P3C4R(const uint8_t* const pSrc[3], const int32_t srcStep[3], uint8_t* pDst,
                                          int32_t dstStep, NmxSize roiSize, uint8_t aval) {
  return from_411(pSrc, srcStep, pDst, dstStep, roiSize, 4, true, aval);
}

nmxStatus nmxiYCbCr422ToRGB_JPEG_8u_C2C3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* pDst, int32_t dstStep,
                                          NmxSize roiSize) {
  const nmxStatus s = ArgCheck().ptr(pSrc).ptr(pDst).size(roiSize).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active().inv_c2;
  row_loop(roiSize, [&](int32_t r) { kernel(row_at(pSrc, srcStep, r), row_at(pDst, dstStep, r), roiSize.width); });
  return nmxStatusOk;
}

}  // namespace nmx::entry

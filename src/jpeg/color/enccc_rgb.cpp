// Entry points of the RGB and BGR to YCbCr conversions (full resolution,
// planar, luminance only, 4:2:2 and 4:1:1).
#include "frame/check.h"
#include "frame/entry.h"
#include "frame/rows.h"
#include "jpeg/color/color_kernels.h"

namespace nmx::color {
namespace {

// Interleaved 3-byte pixels to three planes of one step; threaded.
nmxStatus from_c3(const uint8_t* src, int32_t srcStep, uint8_t* const dst[3], int32_t dstStep, NmxSize roi,
                  bool bgr) {
  const nmxStatus s = ArgCheck().ptr(src).planes(dst, 3).step(srcStep).step(dstStep).size(roi).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active().fwd_c3;
  row_loop(roi, [&](int32_t r) {
    kernel(row_at(src, srcStep, r), row_at(dst[0], dstStep, r), row_at(dst[1], dstStep, r),
           row_at(dst[2], dstStep, r), roi.width, bgr);
  });
  return nmxStatusOk;
}

// Interleaved 4-byte pixels to three full-resolution planes; no step check, calling thread.
nmxStatus from_c4(const uint8_t* src, int32_t srcStep, uint8_t* const dst[3], int32_t dstStep, NmxSize roi,
                  bool bgr) {
  const nmxStatus s = ArgCheck().ptr(src).planes(dst, 3).size(roi).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active().fwd_c4;
  for (int32_t r = 0; r < roi.height; ++r)
    kernel(row_at(src, srcStep, r), row_at(dst[0], dstStep, r), row_at(dst[1], dstStep, r),
           row_at(dst[2], dstStep, r), roi.width, bgr);
  return nmxStatusOk;
}

// 4:2:2: half-width chroma; an odd last column is left out (status 35).
nmxStatus to_422(const uint8_t* src, int32_t srcStep, uint8_t* const dst[3], const int32_t dstStep[3], NmxSize roi,
                 int channels, bool bgr) {
  const nmxStatus s = ArgCheck().ptr(src).planes(dst, 3).ptr(dstStep).size(roi, 2, 1).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active().fwd_422;
  const int32_t even = roi.width & ~1;
  for (int32_t r = 0; r < roi.height; ++r)
    kernel(row_at(src, srcStep, r), channels, bgr, row_at(dst[0], dstStep[0], r), row_at(dst[1], dstStep[1], r),
           row_at(dst[2], dstStep[2], r), even);
  return (roi.width & 1) ? nmxStatusOddSize : nmxStatusOk;
}

// 4:1:1: chroma halved both ways, by pairs of rows; an odd last column or row is left out (status 35).
nmxStatus to_411(const uint8_t* src, int32_t srcStep, uint8_t* const dst[3], const int32_t dstStep[3], NmxSize roi,
                 int channels, bool bgr) {
  const nmxStatus s = ArgCheck().ptr(src).planes(dst, 3).ptr(dstStep).size(roi, 2, 2).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active().fwd_411;
  const int32_t even = roi.width & ~1;
  for (int32_t i = 0; i < roi.height / 2; ++i)
    kernel(row_at(src, srcStep, 2 * i), row_at(src, srcStep, 2 * i + 1), channels, bgr,
           row_at(dst[0], dstStep[0], 2 * i), row_at(dst[0], dstStep[0], 2 * i + 1), row_at(dst[1], dstStep[1], i),
           row_at(dst[2], dstStep[2], i), even);
  return ((roi.width | roi.height) & 1) ? nmxStatusOddSize : nmxStatusOk;
}

// Interleaved 3-byte pixels to a Y plane; threaded.
nmxStatus luma_from_c3(const uint8_t* src, int32_t srcStep, uint8_t* dst, int32_t dstStep, NmxSize roi, bool bgr) {
  const nmxStatus s = ArgCheck().ptr(src).ptr(dst).step(srcStep).step(dstStep).size(roi).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active().luma_c3;
  row_loop(roi, [&](int32_t r) { kernel(row_at(src, srcStep, r), row_at(dst, dstStep, r), roi.width, bgr); });
  return nmxStatusOk;
}

}  // namespace
}  // namespace nmx::color

namespace nmx::entry {

using namespace nmx::color;

nmxStatus nmxiRGBToYCbCr_JPEG_8u_C3P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3], int32_t dstStep,
                                       NmxSize roiSize) {
  return from_c3(pSrc, srcStep, pDst, dstStep, roiSize, false);
}
nmxStatus nmxiBGRToYCbCr_JPEG_8u_C3P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3], int32_t dstStep,
                                       NmxSize roiSize) {
  return from_c3(pSrc, srcStep, pDst, dstStep, roiSize, true);
}
nmxStatus nmxiRGBToYCbCr_JPEG_8u_C4P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3], int32_t dstStep,
                                       NmxSize roiSize) {
  return from_c4(pSrc, srcStep, pDst, dstStep, roiSize, false);
}
nmxStatus nmxiBGRToYCbCr_JPEG_8u_C4P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3], int32_t dstStep,
                                       NmxSize roiSize) {
  return from_c4(pSrc, srcStep, pDst, dstStep, roiSize, true);
}

nmxStatus nmxiRGBToYCbCr_JPEG_8u_P3R(const uint8_t* const pSrc[3], int32_t srcStep, uint8_t* const pDst[3],
                                     int32_t dstStep, NmxSize roiSize) {
  const nmxStatus s =
      ArgCheck().planes(pSrc, 3).planes(pDst, 3).step(srcStep).step(dstStep).size(roiSize).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active().fwd_p3;
  row_loop(roiSize, [&](int32_t r) {
    kernel(row_at(pSrc[0], srcStep, r), row_at(pSrc[1], srcStep, r), row_at(pSrc[2], srcStep, r),
           row_at(pDst[0], dstStep, r), row_at(pDst[1], dstStep, r), row_at(pDst[2], dstStep, r), roiSize.width,
           false);
  });
  return nmxStatusOk;
}

nmxStatus nmxiRGBToYCbCr422_JPEG_8u_C3P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                          const int32_t dstStep[3], NmxSize roiSize) {
  return to_422(pSrc, srcStep, pDst, dstStep, roiSize, 3, false);
}
nmxStatus nmxiBGRToYCbCr422_JPEG_8u_C3P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                          const int32_t dstStep[3], NmxSize roiSize) {
  return to_422(pSrc, srcStep, pDst, dstStep, roiSize, 3, true);
}
nmxStatus nmxiRGBToYCbCr422_JPEG_8u_C4P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                          const int32_t dstStep[3], NmxSize roiSize) {
  return to_422(pSrc, srcStep, pDst, dstStep, roiSize, 4, false);
}
nmxStatus nmxiBGRToYCbCr422_JPEG_8u_C4P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                          const int32_t dstStep[3], NmxSize roiSize) {
  return to_422(pSrc, srcStep, pDst, dstStep, roiSize, 4, true);
}
nmxStatus nmxiRGBToYCbCr411_JPEG_8u_C3P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                          const int32_t dstStep[3], NmxSize roiSize) {
  return to_411(pSrc, srcStep, pDst, dstStep, roiSize, 3, false);
}
nmxStatus nmxiBGRToYCbCr411_JPEG_8u_C3P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                          const int32_t dstStep[3], NmxSize roiSize) {
  return to_411(pSrc, srcStep, pDst, dstStep, roiSize, 3, true);
}
nmxStatus nmxiRGBToYCbCr411_JPEG_8u_C4P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                          const int32_t dstStep[3], NmxSize roiSize) {
  return to_411(pSrc, srcStep, pDst, dstStep, roiSize, 4, false);
}
nmxStatus nmxiBGRToYCbCr411_JPEG_8u_C4P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                          const int32_t dstStep[3], NmxSize roiSize) {
  return to_411(pSrc, srcStep, pDst, dstStep, roiSize, 4, true);
}

nmxStatus nmxiRGBToY_JPEG_8u_C3C1R(const uint8_t* pSrc, int32_t srcStep, uint8_t* pDst, int32_t dstStep,
                                   NmxSize roiSize) {
  return luma_from_c3(pSrc, srcStep, pDst, dstStep, roiSize, false);
}
nmxStatus nmxiBGRToY_JPEG_8u_C3C1R(const uint8_t* pSrc, int32_t srcStep, uint8_t* pDst, int32_t dstStep,
                                   NmxSize roiSize) {
  return luma_from_c3(pSrc, srcStep, pDst, dstStep, roiSize, true);
}

nmxStatus nmxiRGBToY_JPEG_8u_P3C1R(const uint8_t* const pSrc[3], int32_t srcStep, uint8_t* pDst, int32_t dstStep,
                                   NmxSize roiSize) {
  const nmxStatus s = ArgCheck().planes(pSrc, 3).ptr(pDst).step(srcStep).step(dstStep).size(roiSize).status();
  if (s != nmxStatusOk) return s;
  const auto kernel = active().luma_p3;
  row_loop(roiSize, [&](int32_t r) {
    kernel(row_at(pSrc[0], srcStep, r), row_at(pSrc[1], srcStep, r), row_at(pSrc[2], srcStep, r),
           row_at(pDst, dstStep, r), roiSize.width);
  });
  return nmxStatusOk;
}

}  // namespace nmx::entry

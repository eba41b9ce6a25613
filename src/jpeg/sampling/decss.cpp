// Decoder-side sampling: triangle up-sampling by two of whole planes (H2V2
// through the parallel row loop over destination rows, H2V1 in the calling
// thread) and of single rows.
//
// The plane forms read one sample of context around the source region: the
// column left and right of each source row, and for H2V2 the row above the
// first and below the last source row.
#include "frame/check.h"
#include "frame/entry.h"
#include "frame/rows.h"
#include "jpeg/sampling/sampling_entry.h"

namespace nmx::entry {

using sampling::active;
using sampling::check_plane;

nmxStatus nmxiSampleUpH2V1_JPEG_8u_C1R(const uint8_t* pSrc, int32_t srcStep, NmxSize srcRoiSize, uint8_t* pDst,
                                       int32_t dstStep, NmxSize dstRoiSize) {
  const nmxStatus s = check_plane(pSrc, srcStep, srcRoiSize, pDst, dstStep, dstRoiSize);
  if (s != nmxStatusOk) return s;
  const auto kernel = active.up_h2v1;
  for (int32_t r = 0; r < dstRoiSize.height; ++r)
    kernel(row_at(pSrc, srcStep, r), row_at(pDst, dstStep, r), dstRoiSize.width);
  return nmxStatusOk;
}

// Destination row r lies in source row r / 2; its farther row is the source
// row above for even r and the one below for odd r.
nmxStatus nmxiSampleUpH2V2_JPEG_8u_C1R(const uint8_t* pSrc, int32_t srcStep, NmxSize srcRoiSize, uint8_t* pDst,
                                       int32_t dstStep, NmxSize dstRoiSize) {
  const nmxStatus s = check_plane(pSrc, srcStep, srcRoiSize, pDst, dstStep, dstRoiSize);
  if (s != nmxStatusOk) return s;
  const auto kernel = active.up_h2v2;
  row_loop(dstRoiSize, [&](int32_t r) {
    const uint8_t* nearer = row_at(pSrc, srcStep, r >> 1);
    const uint8_t* farther = (r & 1) ? nearer + srcStep : nearer - srcStep;
    kernel(nearer, farther, row_at(pDst, dstStep, r), dstRoiSize.width);
  });
  return nmxStatusOk;
}

nmxStatus nmxiSampleUpRowH2V1_Triangle_JPEG_8u_C1(const uint8_t* pSrc, int32_t srcWidth, uint8_t* pDst) {
  const nmxStatus s = ArgCheck().ptr(pSrc).ptr(pDst).length(srcWidth).status();
  if (s != nmxStatusOk) return s;
  active.up_row_h2v1(pSrc, pDst, srcWidth);
  return nmxStatusOk;
}

nmxStatus nmxiSampleUpRowH2V2_Triangle_JPEG_8u_C1(const uint8_t* pSrc1, const uint8_t* pSrc2, int32_t srcWidth,
                                                  uint8_t* pDst) {
  const nmxStatus s = ArgCheck().ptr(pSrc1).ptr(pSrc2).ptr(pDst).length(srcWidth).status();
  if (s != nmxStatusOk) return s;
  active.up_row_h2v2(pSrc1, pSrc2, pDst, srcWidth);
  return nmxStatusOk;
}

}  // namespace nmx::entry

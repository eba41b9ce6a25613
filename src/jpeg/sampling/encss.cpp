// Encoder-side sampling: down-sampling by two of whole planes (both through
// the parallel row loop over destination rows) and of single rows.
#include "frame/check.h"
#include "frame/entry.h"
#include "frame/rows.h"
#include "jpeg/sampling/sampling_entry.h"

namespace nmx::sampling {
namespace {

// Row `row` of a plane, with the row number in pointer-sized arithmetic (the
// source row of an H2V2 destination row is twice its number).
inline const uint8_t* plane_row(const uint8_t* base, int32_t step, intptr_t row) {
  return base + row * step;
}

}  // namespace
}  // namespace nmx::sampling

namespace nmx::entry {

using sampling::active;
using sampling::check_plane;
using sampling::plane_row;

nmxStatus nmxiSampleDownH2V1_JPEG_8u_C1R(const uint8_t* pSrc, int32_t srcStep, NmxSize srcRoiSize, uint8_t* pDst,
                                         int32_t dstStep, NmxSize dstRoiSize) {
  const nmxStatus s = check_plane(pSrc, srcStep, srcRoiSize, pDst, dstStep, dstRoiSize);
  if (s != nmxStatusOk) return s;
  const auto kernel = active.down_h2v1;
  // Each row prefetches the source row of the next one.
  row_loop(dstRoiSize, [&](int32_t r) {
    kernel(plane_row(pSrc, srcStep, r), row_at(pDst, dstStep, r), dstRoiSize.width, 1, 1, srcStep);
  });
  return nmxStatusOk;
}

nmxStatus nmxiSampleDownH2V2_JPEG_8u_C1R(const uint8_t* pSrc, int32_t srcStep, NmxSize srcRoiSize, uint8_t* pDst,
                                         int32_t dstStep, NmxSize dstRoiSize) {
  const nmxStatus s = check_plane(pSrc, srcStep, srcRoiSize, pDst, dstStep, dstRoiSize);
  if (s != nmxStatusOk) return s;
  const auto kernel = active.down_h2v2;
  // Each row prefetches the source rows of the next one.
  row_loop(dstRoiSize, [&](int32_t r) {
    const uint8_t* upper = plane_row(pSrc, srcStep, 2 * static_cast<intptr_t>(r));
    kernel(upper, upper + srcStep, row_at(pDst, dstStep, r), dstRoiSize.width, 3, 3, 2 * intptr_t{srcStep});
  });
  return nmxStatusOk;
}

// Bias 0 on even outputs, 1 on odd ones.
nmxStatus nmxiSampleDownRowH2V1_Box_JPEG_8u_C1(const uint8_t* pSrc, int32_t srcWidth, uint8_t* pDst) {
  const nmxStatus s = ArgCheck().ptr(pSrc).ptr(pDst).length(srcWidth).status();
  if (s != nmxStatusOk) return s;
  active.down_h2v1(pSrc, pDst, srcWidth / 2, 0, 1, 0);
  return nmxStatusOk;
}

// Bias 1 on even outputs, 2 on odd ones.
nmxStatus nmxiSampleDownRowH2V2_Box_JPEG_8u_C1(const uint8_t* pSrc1, const uint8_t* pSrc2, int32_t srcWidth,
                                               uint8_t* pDst) {
  const nmxStatus s = ArgCheck().ptr(pSrc1).ptr(pSrc2).ptr(pDst).length(srcWidth).status();
  if (s != nmxStatusOk) return s;
  active.down_h2v2(pSrc1, pSrc2, pDst, srcWidth / 2, 1, 2, 0);
  return nmxStatusOk;
}

}  // namespace nmx::entry

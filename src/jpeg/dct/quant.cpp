// Entry points of quality scaling, working-table builds and 8x8 quantization.
#include "frame/check.h"
#include "frame/entry.h"
#include "jpeg/dct/quant_kernels.h"

namespace nmx::quant {

Kernels kernels_for(Target t) {
  Kernels k{raw_scale_ref, fwd_table_ref, inv_table_ref, quant_fwd_ref, quant_inv_ref};
#if NMXJ_SIMD
  if (reaches(t, Target::SSE41))
    k = {raw_scale_sse41, fwd_table_sse41, inv_table_sse41, quant_fwd_sse41, quant_inv_sse41};
#else
  (void)t;
#endif
  return k;
}

namespace {
const Kernels active = kernels_for(best_target());
}  // namespace

}  // namespace nmx::quant

namespace nmx::entry {

using quant::active;

nmxStatus nmxiQuantFwdRawTableInit_JPEG_8u(uint8_t* pQuantRawTable, int32_t qualityFactor) {
  const nmxStatus s = ArgCheck().ptr(pQuantRawTable).fail_if(qualityFactor < 1, nmxStatusBadArgErr).status();
  if (s != nmxStatusOk) return s;
  active.raw_scale(pQuantRawTable, qualityFactor);
  return nmxStatusOk;
}

nmxStatus nmxiQuantFwdTableInit_JPEG_8u16u(const uint8_t* pQuantRawTable, uint16_t* pQuantFwdTable) {
  const nmxStatus s = ArgCheck().ptr(pQuantRawTable).ptr(pQuantFwdTable).status();
  if (s != nmxStatusOk) return s;
  return active.fwd_table(pQuantRawTable, pQuantFwdTable) ? nmxStatusDivByZero : nmxStatusOk;
}

nmxStatus nmxiQuantInvTableInit_JPEG_8u16u(const uint8_t* pQuantRawTable, uint16_t* pQuantInvTable) {
  const nmxStatus s = ArgCheck().ptr(pQuantRawTable).ptr(pQuantInvTable).status();
  if (s != nmxStatusOk) return s;
  active.inv_table(pQuantRawTable, pQuantInvTable);
  return nmxStatusOk;
}

nmxStatus nmxiQuantFwd8x8_JPEG_16s_C1I(int16_t* pSrcDst, const uint16_t* pQuantFwdTable) {
  const nmxStatus s = ArgCheck().ptr(pSrcDst).ptr(pQuantFwdTable).status();
  if (s != nmxStatusOk) return s;
  active.quant_fwd(pSrcDst, pQuantFwdTable);
  return nmxStatusOk;
}

nmxStatus nmxiQuantInv8x8_JPEG_16s_C1I(int16_t* pSrcDst, const uint16_t* pQuantInvTable) {
  const nmxStatus s = ArgCheck().ptr(pSrcDst).ptr(pQuantInvTable).status();
  if (s != nmxStatusOk) return s;
  active.quant_inv(pSrcDst, pQuantInvTable);
  return nmxStatusOk;
}

}  // namespace nmx::entry

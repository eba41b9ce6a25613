// Entry points of the 8x8 forward DCT with quantization and the inverse DCT
// with dequantization.
#include "frame/check.h"
#include "frame/entry.h"
#include "jpeg/dct/dct_kernels.h"
#include "jpeg/dct/idct_dc.h"

namespace nmx::dct {

Kernels kernels_for(Target t) {
  Kernels k{fwd_ref,        fwd_ls_ref,     fwd_12_ref,    inv_ref,       inv_ls_ref, inv_ls_1x1_ref,
            inv_ls_2x2_ref, inv_ls_4x4_ref, inv_to4x4_ref, inv_to2x2_ref, inv_12_ref};
#if NMXJ_SIMD
  if (reaches(t, Target::SSE41)) {
    k.fwd = fwd_sse41;
    k.fwd_ls = fwd_ls_sse41;
    k.fwd_12 = fwd_12_sse41;
    k.inv = inv_sse41;
    k.inv_ls = inv_ls_sse41;
    k.inv_ls_1x1 = dc_only_pixels;
    k.inv_ls_2x2 = inv_ls_2x2_sse41;
    k.inv_ls_4x4 = inv_ls_4x4_sse41;
    k.inv_to4x4 = inv_to4x4_sse41;
    k.inv_to2x2 = inv_to2x2_sse41;
    k.inv_12 = inv_12_sse41;
  }
  if (reaches(t, Target::AVX2)) {
    k.fwd = fwd_avx2;
    k.fwd_ls = fwd_ls_avx2;
    k.inv = inv_avx2;
    k.inv_ls = inv_ls_avx2;
    k.inv_ls_2x2 = inv_ls_2x2_avx2;
    k.inv_ls_4x4 = inv_ls_4x4_avx2;
    k.inv_to4x4 = inv_to4x4_avx2;
    k.inv_to2x2 = inv_to2x2_avx2;
  }
  if (reaches(t, Target::AVX512)) {
    k.fwd = fwd_avx512;
    k.fwd_ls = fwd_ls_avx512;
    k.inv = inv_avx512;
    k.inv_ls = inv_ls_avx512;
    k.inv_ls_2x2 = inv_ls_2x2_avx512;
    k.inv_ls_4x4 = inv_ls_4x4_avx512;
  }
#else
  (void)t;
#endif
  return k;
}

namespace {
const Kernels active = kernels_for(best_target());
}  // namespace

}  // namespace nmx::dct

namespace nmx::entry {

using dct::active;

nmxStatus nmxiDCTQuantFwd8x8_JPEG_16s_C1(const int16_t* pSrc, int16_t* pDst, const uint16_t* pQuantFwdTable) {
  const nmxStatus s = ArgCheck().ptr(pSrc).ptr(pDst).ptr(pQuantFwdTable).status();
  if (s != nmxStatusOk) return s;
  active.fwd(pSrc, pDst, pQuantFwdTable);
  return nmxStatusOk;
}

nmxStatus nmxiDCTQuantFwd8x8_JPEG_16s_C1I(int16_t* pSrcDst, const uint16_t* pQuantFwdTable) {
  const nmxStatus s = ArgCheck().ptr(pSrcDst).ptr(pQuantFwdTable).status();
  if (s != nmxStatusOk) return s;
  active.fwd(pSrcDst, pSrcDst, pQuantFwdTable);
  return nmxStatusOk;
}

nmxStatus nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(const uint8_t* pSrc, int32_t srcStep, int16_t* pDst,
                                              const uint16_t* pQuantFwdTable) {
  const nmxStatus s = ArgCheck().ptr(pSrc).ptr(pDst).step(srcStep).ptr(pQuantFwdTable).status();
  if (s != nmxStatusOk) return s;
  active.fwd_ls(pSrc, srcStep, pDst, pQuantFwdTable);
  return nmxStatusOk;
}

nmxStatus nmxiDCTQuantFwd8x8LS_JPEG_16u16s_C1R(const uint16_t* pSrc, int32_t srcStep, int16_t* pDst,
                                               const float* pQuantFwdTable) {
  const nmxStatus s = ArgCheck().ptr(pSrc).ptr(pDst).step(srcStep).ptr(pQuantFwdTable).status();
  if (s != nmxStatusOk) return s;
  active.fwd_12(pSrc, srcStep, pDst, pQuantFwdTable);
  return nmxStatusOk;
}

nmxStatus nmxiDCTQuantInv8x8_JPEG_16s_C1(const int16_t* pSrc, int16_t* pDst, const uint16_t* pQuantInvTable) {
  const nmxStatus s = ArgCheck().ptr(pSrc).ptr(pDst).ptr(pQuantInvTable).status();
  if (s != nmxStatusOk) return s;
  active.inv(pSrc, pDst, pQuantInvTable);
  return nmxStatusOk;
}

nmxStatus nmxiDCTQuantInv8x8_JPEG_16s_C1I(int16_t* pSrcDst, const uint16_t* pQuantInvTable) {
  const nmxStatus s = ArgCheck().ptr(pSrcDst).ptr(pQuantInvTable).status();
  if (s != nmxStatusOk) return s;
  active.inv(pSrcDst, pSrcDst, pQuantInvTable);
  return nmxStatusOk;
}

namespace {

// The region forms of the inverse share their checks and their shape.
template <class D, class T, class K>
nmxStatus inverse_to_region(K kernel, const int16_t* pSrc, D* pDst, int32_t dstStep, const T* table) {
  // Valid arguments go straight to the kernel (a jump: the kernel returns
  // the status); otherwise the first failing check in order decides.
  if (pSrc != nullptr && pDst != nullptr && dstStep >= 1 && table != nullptr) [[likely]]
    return kernel(pSrc, pDst, dstStep, table);
  return ArgCheck().ptr(pSrc).ptr(pDst).step(dstStep).ptr(table).status();
}

}  // namespace

nmxStatus nmxiDCTQuantInv8x8LS_JPEG_16s8u_C1R(const int16_t* pSrc, uint8_t* pDst, int32_t dstStep,
                                              const uint16_t* pQuantInvTable) {
  return inverse_to_region(active.inv_ls, pSrc, pDst, dstStep, pQuantInvTable);
}

nmxStatus nmxiDCTQuantInv8x8LS_1x1_JPEG_16s8u_C1R(const int16_t* pSrc, uint8_t* pDst, int32_t dstStep,
                                                  const uint16_t* pQuantInvTable) {
  if (pSrc != nullptr && pDst != nullptr && dstStep >= 1 && pQuantInvTable != nullptr) [[likely]]
    return dct::dc_only_pixels(pSrc, pDst, dstStep, pQuantInvTable);  // inline: see idct_dc.h
  return ArgCheck().ptr(pSrc).ptr(pDst).step(dstStep).ptr(pQuantInvTable).status();
}

nmxStatus nmxiDCTQuantInv8x8LS_2x2_JPEG_16s8u_C1R(const int16_t* pSrc, uint8_t* pDst, int32_t dstStep,
                                                  const uint16_t* pQuantInvTable) {
  return inverse_to_region(active.inv_ls_2x2, pSrc, pDst, dstStep, pQuantInvTable);
}

nmxStatus nmxiDCTQuantInv8x8LS_4x4_JPEG_16s8u_C1R(const int16_t* pSrc, uint8_t* pDst, int32_t dstStep,
                                                  const uint16_t* pQuantInvTable) {
  return inverse_to_region(active.inv_ls_4x4, pSrc, pDst, dstStep, pQuantInvTable);
}

nmxStatus nmxiDCTQuantInv8x8To4x4LS_JPEG_16s8u_C1R(const int16_t* pSrc, uint8_t* pDst, int32_t dstStep,
                                                   const uint16_t* pQuantInvTable) {
  return inverse_to_region(active.inv_to4x4, pSrc, pDst, dstStep, pQuantInvTable);
}

nmxStatus nmxiDCTQuantInv8x8To2x2LS_JPEG_16s8u_C1R(const int16_t* pSrc, uint8_t* pDst, int32_t dstStep,
                                                   const uint16_t* pQuantInvTable) {
  return inverse_to_region(active.inv_to2x2, pSrc, pDst, dstStep, pQuantInvTable);
}

nmxStatus nmxiDCTQuantInv8x8LS_JPEG_16s16u_C1R(const int16_t* pSrc, uint16_t* pDst, int32_t dstStep,
                                               const float* pQuantInvTable) {
  return inverse_to_region(active.inv_12, pSrc, pDst, dstStep, pQuantInvTable);
}

}  // namespace nmx::entry

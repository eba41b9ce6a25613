// Entry points of the Huffman table and state records and of the baseline
// block coders.
#include "frame/check.h"
#include "frame/entry.h"
#include "frame/memory.h"
#include "jpeg/huffman/huffman_bits.h"
#include "jpeg/huffman/huffman_kernels.h"

namespace nmx::huff {

Kernels kernels_for(Target t) {
  Kernels k{encode_block_ref, decode_block_ref, nullptr, nullptr};
#if NMXJ_SIMD
  if (reaches(t, Target::SSE41))
    k = {encode_block_sse41, decode_block_sse41, encode_block_fast_sse41, decode_block_fast};
  if (reaches(t, Target::AVX2)) k.decode_block = decode_block_avx2, k.decode_fast = decode_block_fast_avx2;
  if (reaches(t, Target::AVX512)) k.encode_block = encode_block_avx512, k.encode_fast = encode_block_fast_avx512;
#else
  (void)t;
#endif
  return k;
}

namespace {
const Kernels active = kernels_for(best_target());

nmxStatus store_size(int32_t* pSize, int32_t size) {
  if (!pSize) return nmxStatusNullPtrErr;
  *pSize = size;
  return nmxStatusOk;
}

nmxStatus release(void* p) {
  if (!p) return nmxStatusNullPtrErr;
  mem_free(p);
  return nmxStatusOk;
}

// Allocates a table record, builds it and hands it out (also when the build fails).
template <class Record, class Build>
nmxStatus alloc_table(const uint8_t* pCounts, const uint8_t* pSymbols, Record** ppSpec, int32_t size, Build build) {
  const nmxStatus s = ArgCheck().ptr(pCounts).ptr(pSymbols).ptr(ppSpec).status();
  if (s != nmxStatusOk) return s;
  void* mem = mem_alloc(size);
  if (!mem) return nmxStatusNullPtrErr;
  Record* spec = static_cast<Record*>(mem);
  const nmxStatus st = build(pCounts, pSymbols, rec(spec));
  *ppSpec = spec;
  return st;
}

}  // namespace
}  // namespace nmx::huff

namespace nmx::entry {

using namespace huff;

// ---- Tables and states --------------------------------------------------------

nmxStatus nmxiEncodeHuffmanSpecGetBufSize_JPEG_8u(int32_t* pSize) { return store_size(pSize, sizeof(EncodeSpec)); }
nmxStatus nmxiDecodeHuffmanSpecGetBufSize_JPEG_8u(int32_t* pSize) { return store_size(pSize, sizeof(DecodeSpec)); }
nmxStatus nmxiEncodeHuffmanStateGetBufSize_JPEG_8u(int32_t* pSize) { return store_size(pSize, sizeof(EncodeState)); }
nmxStatus nmxiDecodeHuffmanStateGetBufSize_JPEG_8u(int32_t* pSize) { return store_size(pSize, sizeof(DecodeState)); }

nmxStatus nmxiEncodeHuffmanSpecInit_JPEG_8u(const uint8_t* pCounts, const uint8_t* pSymbols,
                                            NmxEncodeHuffmanSpec* pSpec) {
  const nmxStatus s = ArgCheck().ptr(pCounts).ptr(pSymbols).ptr(pSpec).status();
  if (s != nmxStatusOk) return s;
  return build_encode_spec(pCounts, pSymbols, rec(pSpec));
}

nmxStatus nmxiDecodeHuffmanSpecInit_JPEG_8u(const uint8_t* pCounts, const uint8_t* pSymbols,
                                            NmxDecodeHuffmanSpec* pSpec) {
  const nmxStatus s = ArgCheck().ptr(pCounts).ptr(pSymbols).ptr(pSpec).status();
  if (s != nmxStatusOk) return s;
  return build_decode_spec(pCounts, pSymbols, rec(pSpec));
}

nmxStatus nmxiEncodeHuffmanSpecInitAlloc_JPEG_8u(const uint8_t* pCounts, const uint8_t* pSymbols,
                                                 NmxEncodeHuffmanSpec** ppSpec) {
  return alloc_table(pCounts, pSymbols, ppSpec, sizeof(EncodeSpec), build_encode_spec);
}

nmxStatus nmxiDecodeHuffmanSpecInitAlloc_JPEG_8u(const uint8_t* pCounts, const uint8_t* pSymbols,
                                                 NmxDecodeHuffmanSpec** ppSpec) {
  return alloc_table(pCounts, pSymbols, ppSpec, sizeof(DecodeSpec), build_decode_spec);
}

nmxStatus nmxiEncodeHuffmanSpecFree_JPEG_8u(NmxEncodeHuffmanSpec* pSpec) { return release(pSpec); }
nmxStatus nmxiDecodeHuffmanSpecFree_JPEG_8u(NmxDecodeHuffmanSpec* pSpec) { return release(pSpec); }
nmxStatus nmxiEncodeHuffmanStateFree_JPEG_8u(NmxEncodeHuffmanState* pState) { return release(pState); }
nmxStatus nmxiDecodeHuffmanStateFree_JPEG_8u(NmxDecodeHuffmanState* pState) { return release(pState); }

nmxStatus nmxiEncodeHuffmanStateInit_JPEG_8u(NmxEncodeHuffmanState* pState) {
  if (!pState) return nmxStatusNullPtrErr;
  reset(rec(pState));
  return nmxStatusOk;
}

nmxStatus nmxiDecodeHuffmanStateInit_JPEG_8u(NmxDecodeHuffmanState* pState) {
  if (!pState) return nmxStatusNullPtrErr;
  reset(rec(pState));
  return nmxStatusOk;
}

nmxStatus nmxiEncodeHuffmanStateInitAlloc_JPEG_8u(NmxEncodeHuffmanState** ppState) {
  if (!ppState) return nmxStatusNullPtrErr;
  void* mem = mem_alloc(sizeof(EncodeState));
  if (!mem) return nmxStatusNullPtrErr;
  auto* state = static_cast<NmxEncodeHuffmanState*>(mem);
  reset(rec(state));
  *ppState = state;
  return nmxStatusOk;
}

nmxStatus nmxiDecodeHuffmanStateInitAlloc_JPEG_8u(NmxDecodeHuffmanState** ppState) {
  if (!ppState) return nmxStatusNullPtrErr;
  void* mem = mem_alloc(sizeof(DecodeState));
  if (!mem) return nmxStatusNullPtrErr;
  auto* state = static_cast<NmxDecodeHuffmanState*>(mem);
  reset(rec(state));
  *ppState = state;
  return nmxStatusOk;
}

// ---- Baseline block coding ----------------------------------------------------

nmxStatus nmxiEncodeHuffman8x8_JPEG_16s1u_C1(const int16_t* pSrc, uint8_t* pDst, int32_t dstLen, int32_t* pDstPos,
                                             int16_t* pLastDC, const NmxEncodeHuffmanSpec* pDcSpec,
                                             const NmxEncodeHuffmanSpec* pAcSpec, NmxEncodeHuffmanState* pState,
                                             int32_t flush) {
  nmxStatus s = ArgCheck().ptr(pDst).length(dstLen).ptr(pDstPos).ptr(pState).status();
  if (s != nmxStatusOk) return s;
  if (flush) return flush_writer(pDst, dstLen, pDstPos, rec(pState));
  s = ArgCheck().ptr(pSrc).ptr(pLastDC).ptr(pDcSpec).ptr(pAcSpec).status();
  if (s != nmxStatusOk) return s;
  return active.encode_block(pSrc, pDst, dstLen, pDstPos, pLastDC, rec(pDcSpec), rec(pAcSpec), rec(pState));
}

nmxStatus nmxiEncodeHuffmanOne_JPEG_16s1u_C1(const int16_t* pSrc, uint8_t* pDst, int32_t dstLen, int32_t* pDstPos,
                                             const NmxEncodeHuffmanSpec* pSpec, NmxEncodeHuffmanState* pState,
                                             int32_t flush) {
  nmxStatus s = ArgCheck().ptr(pDst).length(dstLen).ptr(pDstPos).ptr(pState).status();
  if (s != nmxStatusOk) return s;
  if (flush) return flush_writer(pDst, dstLen, pDstPos, rec(pState));
  s = ArgCheck().ptr(pSrc).ptr(pSpec).status();
  if (s != nmxStatusOk) return s;
  return encode_one(pSrc, pDst, dstLen, pDstPos, rec(pSpec), rec(pState));
}

nmxStatus nmxiEncodeHuffman8x8_Direct_JPEG_16s1u_C1(const int16_t* pSrc, uint8_t* pDst, int32_t* pDstBitPos,
                                                    int16_t* pLastDC, const NmxEncodeHuffmanSpec* pDcSpec,
                                                    const NmxEncodeHuffmanSpec* pAcSpec) {
  const nmxStatus s =
      ArgCheck().ptr(pSrc).ptr(pDst).ptr(pDstBitPos).ptr(pLastDC).ptr(pDcSpec).ptr(pAcSpec).status();
  if (s != nmxStatusOk) return s;
  encode_block_direct(pSrc, pDst, pDstBitPos, pLastDC, rec(pDcSpec), rec(pAcSpec));
  return nmxStatusOk;
}

nmxStatus nmxiDecodeHuffman8x8_JPEG_1u16s_C1(const uint8_t* pSrc, int32_t srcLen, int32_t* pSrcPos, int16_t* pDst,
                                             int16_t* pLastDC, int32_t* pMarker, const NmxDecodeHuffmanSpec* pDcSpec,
                                             const NmxDecodeHuffmanSpec* pAcSpec, NmxDecodeHuffmanState* pState) {
  const nmxStatus s = ArgCheck()
                          .ptr(pSrc)
                          .fail_if(srcLen < 0, nmxStatusBadArgErr)
                          .ptr(pSrcPos)
                          .ptr(pDst)
                          .ptr(pLastDC)
                          .ptr(pMarker)
                          .ptr(pDcSpec)
                          .ptr(pAcSpec)
                          .ptr(pState)
                          .status();
  if (s != nmxStatusOk) return s;
  return active.decode_block(pSrc, srcLen, pSrcPos, pDst, pLastDC, pMarker, rec(pDcSpec), rec(pAcSpec),
                             rec(pState));
}

nmxStatus nmxiDecodeHuffmanOne_JPEG_1u16s_C1(const uint8_t* pSrc, int32_t srcLen, int32_t* pSrcPos, int16_t* pDst,
                                             int32_t* pMarker, const NmxDecodeHuffmanSpec* pSpec,
                                             NmxDecodeHuffmanState* pState) {
  const nmxStatus s =
      ArgCheck().ptr(pSrc).length(srcLen).ptr(pSrcPos).ptr(pDst).ptr(pMarker).ptr(pSpec).ptr(pState).status();
  if (s != nmxStatusOk) return s;
  return decode_one(pSrc, srcLen, pSrcPos, pDst, pMarker, rec(pSpec), rec(pState));
}

nmxStatus nmxiDecodeHuffman8x8_Direct_JPEG_1u16s_C1(const uint8_t* pSrc, int32_t* pSrcBitPos, int16_t* pDst,
                                                    int16_t* pLastDC, int32_t* pMarker, uint32_t* pBitBuf,
                                                    int32_t* pBitCount, const NmxDecodeHuffmanSpec* pDcSpec,
                                                    const NmxDecodeHuffmanSpec* pAcSpec) {
  ArgCheck c;
  c.ptr(pSrc).ptr(pSrcBitPos);
  if (c.ok()) c.fail_if(*pSrcBitPos < 0, nmxStatusBadArgErr);
  c.ptr(pDst).ptr(pLastDC).ptr(pMarker).ptr(pBitBuf).ptr(pBitCount);
  if (c.ok()) c.fail_if(*pBitCount < 0, nmxStatusBadArgErr);
  c.ptr(pDcSpec).ptr(pAcSpec);
  if (!c.ok()) return c.status();
  return decode_block_direct(pSrc, pSrcBitPos, pDst, pLastDC, pMarker, pBitBuf, pBitCount, rec(pDcSpec),
                             rec(pAcSpec));
}

}  // namespace nmx::entry

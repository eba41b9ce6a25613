// Huffman table builds and baseline 8x8 block coding kernels.
//
// The *_ref kernels are the plain forms, bit by bit. The block coders of the
// vector targets first try a fast path (64-bit bit accumulator / 64-bit
// read-ahead) and fall back to the plain form, without visible effect, on
// anything the fast path does not handle; both give identical bytes,
// positions and states.
#pragma once

#include <cstdint>

#include "frame/target.h"
#include "jpeg/huffman/huffman_records.h"

namespace nmx::huff {

// Table builds from the two lists of a DHT segment; 0 or -64.
nmxStatus build_encode_spec(const uint8_t* counts, const uint8_t* symbols, EncodeSpec* spec);
nmxStatus build_decode_spec(const uint8_t* counts, const uint8_t* symbols, DecodeSpec* spec);

using EncodeBlock = nmxStatus (*)(const int16_t* src, uint8_t* dst, int32_t dstLen, int32_t* dstPos,
                                  int16_t* lastDC, const EncodeSpec* dc, const EncodeSpec* ac, EncodeState* state);
using DecodeBlock = nmxStatus (*)(const uint8_t* src, int32_t srcLen, int32_t* srcPos, int16_t* dst, int16_t* lastDC,
                                  int32_t* marker, const DecodeSpec* dc, const DecodeSpec* ac, DecodeState* state);

// The fast paths alone: true when they coded the block, false when they gave
// up without visible effect.
using EncodeFast = bool (*)(const int16_t* src, uint8_t* dst, int32_t dstLen, int32_t* dstPos, int16_t* lastDC,
                            const EncodeSpec* dc, const EncodeSpec* ac, EncodeState* state);
using DecodeFast = bool (*)(const uint8_t* src, int32_t srcLen, int32_t* srcPos, int16_t* dst, int16_t* lastDC,
                            int32_t* marker, const DecodeSpec* dc, const DecodeSpec* ac, DecodeState* state);

struct Kernels {
  EncodeBlock encode_block;  // fast path, then the plain form
  DecodeBlock decode_block;
  EncodeFast encode_fast;    // the fast paths alone (null for the reference)
  DecodeFast decode_fast;
};

// Plain forms.
nmxStatus encode_block_ref(const int16_t* src, uint8_t* dst, int32_t dstLen, int32_t* dstPos, int16_t* lastDC,
                           const EncodeSpec* dc, const EncodeSpec* ac, EncodeState* state);
nmxStatus decode_block_ref(const uint8_t* src, int32_t srcLen, int32_t* srcPos, int16_t* dst, int16_t* lastDC,
                           int32_t* marker, const DecodeSpec* dc, const DecodeSpec* ac, DecodeState* state);
nmxStatus encode_one(const int16_t* src, uint8_t* dst, int32_t dstLen, int32_t* dstPos, const EncodeSpec* spec,
                     EncodeState* state);
nmxStatus decode_one(const uint8_t* src, int32_t srcLen, int32_t* srcPos, int16_t* dst, int32_t* marker,
                     const DecodeSpec* spec, DecodeState* state);
void encode_block_direct(const int16_t* src, uint8_t* dst, int32_t* dstBitPos, int16_t* lastDC, const EncodeSpec* dc,
                         const EncodeSpec* ac);
nmxStatus decode_block_direct(const uint8_t* src, int32_t* srcBitPos, int16_t* dst, int16_t* lastDC, int32_t* marker,
                              uint32_t* bitBuf, int32_t* bitCount, const DecodeSpec* dc, const DecodeSpec* ac);

// Fast paths alone: true when the block was coded, false when they gave up
// (nothing visible changed; the caller then runs the plain form).
bool encode_block_fast_sse41(const int16_t* src, uint8_t* dst, int32_t dstLen, int32_t* dstPos, int16_t* lastDC,
                             const EncodeSpec* dc, const EncodeSpec* ac, EncodeState* state);
bool encode_block_fast_avx512(const int16_t* src, uint8_t* dst, int32_t dstLen, int32_t* dstPos, int16_t* lastDC,
                              const EncodeSpec* dc, const EncodeSpec* ac, EncodeState* state);
bool decode_block_fast(const uint8_t* src, int32_t srcLen, int32_t* srcPos, int16_t* dst, int16_t* lastDC,
                       int32_t* marker, const DecodeSpec* dc, const DecodeSpec* ac, DecodeState* state);
bool decode_block_fast_avx2(const uint8_t* src, int32_t srcLen, int32_t* srcPos, int16_t* dst, int16_t* lastDC,
                            int32_t* marker, const DecodeSpec* dc, const DecodeSpec* ac, DecodeState* state);

// Fast path, then the plain form when it gives up.
nmxStatus encode_block_sse41(const int16_t* src, uint8_t* dst, int32_t dstLen, int32_t* dstPos, int16_t* lastDC,
                             const EncodeSpec* dc, const EncodeSpec* ac, EncodeState* state);
nmxStatus encode_block_avx512(const int16_t* src, uint8_t* dst, int32_t dstLen, int32_t* dstPos, int16_t* lastDC,
                              const EncodeSpec* dc, const EncodeSpec* ac, EncodeState* state);
nmxStatus decode_block_sse41(const uint8_t* src, int32_t srcLen, int32_t* srcPos, int16_t* dst, int16_t* lastDC,
                             int32_t* marker, const DecodeSpec* dc, const DecodeSpec* ac, DecodeState* state);
nmxStatus decode_block_avx2(const uint8_t* src, int32_t srcLen, int32_t* srcPos, int16_t* dst, int16_t* lastDC,
                            int32_t* marker, const DecodeSpec* dc, const DecodeSpec* ac, DecodeState* state);

Kernels kernels_for(Target t);

}  // namespace nmx::huff

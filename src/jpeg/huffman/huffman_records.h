// The four caller-held Huffman records and the small constants every JPEG
// Huffman coder shares (zig-zag order, magnitude categories, state resets).
//
// Helper functions have internal linkage: this header is also compiled into
// the files built with wider instruction sets, whose copies must not be shared.
//
// Callers may place the records at any address, so every record is declared
// with byte alignment: member accesses then compile to plain (unaligned-safe)
// loads and stores on x86-64 and stay well defined for any placement.
#pragma once

#include <cstdint>
#include <cstring>

#include "nmxj.h"

namespace nmx::huff {

#define NMX_HUFF_RECORD __attribute__((packed, aligned(1)))

// Encoder table: entry = (code length << 16) | code, indexed by symbol; 0 = no code.
struct NMX_HUFF_RECORD EncodeSpec {
  uint32_t entry[256];
};

// Decoder table.
struct NMX_HUFF_RECORD DecodeSpec {
  uint16_t symbolsByCode[256];  // symbols in code order
  uint32_t lookup[256];         // next 8 bits -> lookup entry (below) for codes of <= 8 bits, else 0
  uint16_t firstCode[18];       // [L]: first code of length L
  uint16_t lastCode[18];        // [L]: last code of length L, 0xFFFF when none; [17] = 0xFFFF
  uint16_t firstIndex[18];      // [L]: position of the first code of length L in symbolsByCode
};

// Decoder lookup entry: bits 0-4 the code length plus the symbol's value
// bits (s = symbol & 15), bits 8-15 the symbol, bits 16-19 the code length
// (1..8), bits 24-29 63 - s. A 64-bit shift by the entry itself passes code
// and value bits at once (shift counts use their low 6 bits).
static inline int lookup_symbol(uint32_t e) { return static_cast<int>((e >> 8) & 0xFF); }
static inline int lookup_length(uint32_t e) { return static_cast<int>((e >> 16) & 15); }

// Bit-writer state. The byte writer keeps its pending bits left-aligned below
// bit 24 of `accumulator` (first pending bit = bit 23), 0..7 of them between calls.
struct NMX_HUFF_RECORD EncodeState {
  uint64_t accumulator;
  int32_t bitCount;
  int32_t eobRun;
  int32_t correctionCount;
  uint8_t correctionBits[1024];
  uint8_t reserved[4];  // rounds the record to whole 8-byte words
};

// Bit-reader state: the unread bits are the low `bitCount` bits of `accumulator`.
struct NMX_HUFF_RECORD DecodeState {
  uint64_t accumulator;
  int32_t bitCount;
  int32_t eobRun;
  int32_t endPosition;
  uint8_t reserved[4];  // rounds the record to whole 8-byte words
};

#undef NMX_HUFF_RECORD

static_assert(sizeof(EncodeSpec) == 1024);
static_assert(sizeof(DecodeSpec) == 1644);
static_assert(sizeof(EncodeState) == 1048);
static_assert(sizeof(DecodeState) == 24);

static inline EncodeSpec* rec(NmxEncodeHuffmanSpec* p) { return reinterpret_cast<EncodeSpec*>(p); }
static inline const EncodeSpec* rec(const NmxEncodeHuffmanSpec* p) { return reinterpret_cast<const EncodeSpec*>(p); }
static inline DecodeSpec* rec(NmxDecodeHuffmanSpec* p) { return reinterpret_cast<DecodeSpec*>(p); }
static inline const DecodeSpec* rec(const NmxDecodeHuffmanSpec* p) { return reinterpret_cast<const DecodeSpec*>(p); }
static inline EncodeState* rec(NmxEncodeHuffmanState* p) { return reinterpret_cast<EncodeState*>(p); }
static inline DecodeState* rec(NmxDecodeHuffmanState* p) { return reinterpret_cast<DecodeState*>(p); }

static inline void reset(EncodeState* s) {
  s->accumulator = 0;
  s->bitCount = 0;
  s->eobRun = 0;
  s->correctionCount = 0;
  std::memset(s->correctionBits, 0, sizeof s->correctionBits);
}

static inline void reset(DecodeState* s) {
  s->accumulator = 0;
  s->bitCount = 0;
  s->eobRun = 0;
  s->endPosition = 0;
}

// Natural index of zig-zag position k; positions 64..71 (reached only by
// corrupt runs) land on the last coefficient.
inline constexpr uint8_t kZigzag[72] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48, 41, 34,
    27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63, 63, 63, 63, 63, 63, 63, 63, 63};

// Number of significant bits of m, for m = 0..255.
struct BitLengths {
  uint8_t v[256];
  constexpr BitLengths() : v() {
    for (int m = 1; m < 256; ++m) v[m] = static_cast<uint8_t>(v[m >> 1] + 1);
  }
};
inline constexpr BitLengths kBits{};

// Magnitude category of v (|v| <= 65535): 0 for 0, else the significant bits of |v|.
static inline int category(int32_t v) {
  const uint32_t m = static_cast<uint32_t>(v < 0 ? -v : v);
  return m < 256 ? kBits.v[m] : kBits.v[(m >> 8) & 255] + 8;
}

// The c extra bits of v: v itself when v >= 0, else v - 1 (one's complement of |v|).
static inline uint32_t extra_bits(int32_t v, int c) {
  const uint32_t u = static_cast<uint32_t>(v < 0 ? v - 1 : v);
  return c >= 32 ? u : u & ((1u << c) - 1u);
}

// Value of c extra bits u read from the stream.
static inline int32_t extend(uint32_t u, int c) {
  if (c == 0) return 0;
  return u >= (1u << (c - 1)) ? static_cast<int32_t>(u) : static_cast<int32_t>(u) - (1 << c) + 1;
}

}  // namespace nmx::huff

// The byte-stream rules of JPEG entropy-coded data, bit by bit: the byte
// writer (MSB first, 0xFF followed by a stuffed 0x00) and the bit reader
// (stuffing removed, 0xFF fill bytes passed over, markers reported through the
// caller's marker variable, after which no byte is read). These are the plain
// forms every buffered coder of the family builds on; the block coders have
// faster paths of their own that give the same results.
#pragma once

#include <cstdint>

#include "jpeg/huffman/huffman_records.h"

namespace nmx::huff {

// Byte writer over a caller buffer. `acc` and `n` are a working copy of the
// state's accumulator (pending bits left-aligned below bit 24) and bit count;
// a failing put leaves them as they were before it.
struct ByteWriter {
  uint8_t* dst;
  int32_t len;
  int32_t* pos;
  uint32_t acc;
  int n;

  ByteWriter(uint8_t* d, int32_t l, int32_t* p, const EncodeState* s)
      : dst(d), len(l), pos(p), acc(static_cast<uint32_t>(s->accumulator)), n(s->bitCount) {
    if (n < 0 || n > 7) n = n < 0 ? 0 : 7;  // a state left unflushed by another writer
  }
  void store(EncodeState* s) const {
    s->accumulator = acc;
    s->bitCount = n;
  }

  // Puts the low `length` (0..16) bits of `value`.
  nmxStatus put(uint32_t value, int length) {
    if (length == 0) return nmxStatusHuffTableErr;
    int m = n + length;
    uint32_t a = acc | ((value & ((1u << length) - 1u)) << (24 - m));
    while (m >= 8) {
      const uint8_t b = static_cast<uint8_t>(a >> 16);
      if (*pos >= len) return nmxStatusBufferEndErr;
      dst[(*pos)++] = b;
      if (b == 0xFF) {
        if (*pos >= len) return nmxStatusBufferEndErr;
        dst[(*pos)++] = 0;
      }
      a <<= 8;
      m -= 8;
    }
    acc = a;
    n = m;
    return nmxStatusOk;
  }
  // Puts the code of `symbol` from an encoder table (-64 when it has none).
  nmxStatus put_symbol(const EncodeSpec* t, unsigned symbol) {
    const uint32_t e = t->entry[symbol];
    return put(e & 0xFFFF, static_cast<int>(e >> 16));
  }
};

// Flush: completes the partial byte with 1 bits and writes it, then resets
// the state whatever the put returned.
inline nmxStatus flush_writer(uint8_t* dst, int32_t len, int32_t* pos, EncodeState* s) {
  ByteWriter w(dst, len, pos, s);
  const nmxStatus st = w.put(0x7F, 7);
  reset(s);
  return st;
}

// Bit reader over a caller buffer. `acc` and `n` are a working copy of the
// state's accumulator (32 bits used) and bit count.
struct BitReader {
  const uint8_t* src;
  int32_t len;
  int32_t* pos;
  int32_t* marker;
  uint32_t acc;
  int n;

  BitReader(const uint8_t* s, int32_t l, int32_t* p, int32_t* mk, const DecodeState* st)
      : src(s), len(l), pos(p), marker(mk), acc(static_cast<uint32_t>(st->accumulator)), n(st->bitCount) {
    if (n < 0 || n > 32) n = n < 0 ? 0 : 32;  // a state left by a 64-bit reader
  }
  void store(DecodeState* s) const {
    s->accumulator = acc;
    s->bitCount = n;
  }

  // Reads bytes until at least 25 bits are held; fails only when `need` bits
  // cannot be had (-62 at the end of the input, -63 after a marker). A 0xFF
  // that is the last byte of the input always fails with -62.
  nmxStatus refill(int need) {
    if (*marker != 0) return need > n ? nmxStatusBadCodeErr : nmxStatusOk;
    while (n < 25) {
      if (*pos >= len) return need > n ? nmxStatusBufferEndErr : nmxStatusOk;
      uint32_t b = src[(*pos)++];
      if (b == 0xFF) {
        uint32_t m;
        do {
          if (*pos >= len) return nmxStatusBufferEndErr;
          m = src[(*pos)++];
        } while (m == 0xFF);
        if (m != 0) {
          *marker = static_cast<int32_t>(m);
          return need > n ? nmxStatusBadCodeErr : nmxStatusOk;
        }
      }
      acc = (acc << 8) | b;
      n += 8;
    }
    return nmxStatusOk;
  }

  // Takes `count` (1..16) bits, refilling first when fewer are held.
  nmxStatus take(int count, uint32_t* out) {
    if (n < count) {
      const nmxStatus st = refill(count);
      if (st != nmxStatusOk) return st;
    }
    n -= count;
    *out = (acc >> n) & ((1u << count) - 1u);
    return nmxStatusOk;
  }

  // Decodes one symbol with a decoder table.
  nmxStatus symbol(const DecodeSpec* t, int* sym) {
    if (n < 8) {
      const nmxStatus st = refill(0);
      if (st != nmxStatusOk) return st;
    }
    int L = 1;
    if (n >= 8) {
      const uint32_t e = t->lookup[(acc >> (n - 8)) & 0xFF];
      if (e != 0) {
        n -= lookup_length(e);
        *sym = lookup_symbol(e);
        return nmxStatusOk;
      }
      L = 9;
    }
    uint32_t c;
    nmxStatus st = take(L, &c);
    if (st != nmxStatusOk) return st;
    while (L > 16 || t->lastCode[L] == 0xFFFF || c > t->lastCode[L]) {
      if (L > 16) {
        *sym = 0;
        return nmxStatusBadCodeErr;
      }
      uint32_t bit;
      st = take(1, &bit);
      if (st != nmxStatusOk) return st;
      c = 2 * c + bit;
      ++L;
    }
    *sym = t->symbolsByCode[(t->firstIndex[L] + c - t->firstCode[L]) & 255];
    return nmxStatusOk;
  }
};

}  // namespace nmx::huff

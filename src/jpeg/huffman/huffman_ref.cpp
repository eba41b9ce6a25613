// Plain forms of the baseline coders: 8x8 blocks and single values through
// the byte writer and bit reader, and the direct (stateless) block coders.
#include "jpeg/huffman/huffman_bits.h"
#include "jpeg/huffman/huffman_kernels.h"

namespace nmx::huff {

nmxStatus encode_block_ref(const int16_t* src, uint8_t* dst, int32_t dstLen, int32_t* dstPos, int16_t* lastDC,
                           const EncodeSpec* dc, const EncodeSpec* ac, EncodeState* state) {
  ByteWriter w(dst, dstLen, dstPos, state);
  const int32_t diff = int32_t{src[0]} - int32_t{*lastDC};
  *lastDC = src[0];
  auto run = [&]() -> nmxStatus {
    int c = category(diff);
    nmxStatus st = w.put_symbol(dc, static_cast<unsigned>(c));
    if (st == nmxStatusOk && c > 0) st = w.put(extra_bits(diff, c), c);
    if (st != nmxStatusOk) return st;
    int r = 0;
    for (int k = 1; k < 64; ++k) {
      const int32_t v = src[kZigzag[k]];
      if (v == 0) {
        ++r;
        continue;
      }
      for (; r > 15; r -= 16)
        if ((st = w.put_symbol(ac, 0xF0)) != nmxStatusOk) return st;
      c = category(v);
      if (c > 15) return nmxStatusBadCodeErr;  // -32768: no AC symbol has category 16
      if ((st = w.put_symbol(ac, static_cast<unsigned>((r << 4) + c))) != nmxStatusOk) return st;
      if ((st = w.put(extra_bits(v, c), c)) != nmxStatusOk) return st;
      r = 0;
    }
    if (r > 0) return w.put_symbol(ac, 0x00);
    return nmxStatusOk;
  };
  const nmxStatus st = run();
  w.store(state);
  return st;
}

nmxStatus encode_one(const int16_t* src, uint8_t* dst, int32_t dstLen, int32_t* dstPos, const EncodeSpec* spec,
                     EncodeState* state) {
  ByteWriter w(dst, dstLen, dstPos, state);
  const int32_t v = *src;
  const int c = category(v);
  nmxStatus st = w.put_symbol(spec, static_cast<unsigned>(c));
  if (st == nmxStatusOk && c > 0 && c < 16) st = w.put(extra_bits(v, c), c);
  w.store(state);
  return st;
}

nmxStatus decode_block_ref(const uint8_t* src, int32_t srcLen, int32_t* srcPos, int16_t* dst, int16_t* lastDC,
                           int32_t* marker, const DecodeSpec* dc, const DecodeSpec* ac, DecodeState* state) {
  BitReader r(src, srcLen, srcPos, marker, state);
  for (int i = 0; i < 64; ++i) dst[i] = 0;
  int k = 0;
  auto run = [&]() -> nmxStatus {
    int sym;
    nmxStatus st = r.symbol(dc, &sym);
    if (st != nmxStatusOk) return st;
    int s = sym & 15;
    if (s > 0) {
      uint32_t u;
      if ((st = r.take(s, &u)) != nmxStatusOk) return st;
      *lastDC = static_cast<int16_t>(*lastDC + extend(u, s));
    }
    dst[0] = *lastDC;
    for (k = 1; k < 64;) {
      if ((st = r.symbol(ac, &sym)) != nmxStatusOk) return st;
      const int run_length = (sym >> 4) & 15;
      s = sym & 15;
      if (s > 0) {
        k += run_length;
        if (k > 71) return nmxStatusBadRunErr;
        uint32_t u;
        if ((st = r.take(s, &u)) != nmxStatusOk) {
          ++k;
          return st;
        }
        dst[kZigzag[k]] = static_cast<int16_t>(extend(u, s));
        ++k;
      } else if (run_length < 15) {
        break;
      } else {
        k += 16;
      }
    }
    return nmxStatusOk;
  };
  const nmxStatus st = run();
  state->endPosition = k;
  r.store(state);
  return st;
}

nmxStatus decode_one(const uint8_t* src, int32_t srcLen, int32_t* srcPos, int16_t* dst, int32_t* marker,
                     const DecodeSpec* spec, DecodeState* state) {
  BitReader r(src, srcLen, srcPos, marker, state);
  int sym;
  nmxStatus st = r.symbol(spec, &sym);
  if (st == nmxStatusOk) {
    if (sym >= 16) {
      *dst = -32768;
    } else if (sym == 0) {
      *dst = 0;
    } else {
      uint32_t u;
      st = r.take(sym, &u);
      if (st == nmxStatusOk) *dst = static_cast<int16_t>(extend(u, sym));
    }
  }
  r.store(state);
  return st;
}

// ---- Direct coders ----------------------------------------------------------

void encode_block_direct(const int16_t* src, uint8_t* dst, int32_t* dstBitPos, int16_t* lastDC, const EncodeSpec* dc,
                         const EncodeSpec* ac) {
  const int32_t bitPos = *dstBitPos;
  uint8_t* out = dst + (bitPos >> 3);
  int n = bitPos & 7;
  uint64_t acc = n ? static_cast<uint64_t>(*out >> (8 - n)) : 0;  // bits of the unfinished byte
  auto put = [&](uint32_t value, int length) {
    acc = (acc << length) | (value & ((uint64_t{1} << length) - 1));
    n += length;
    while (n >= 8) {
      n -= 8;
      const uint8_t b = static_cast<uint8_t>(acc >> n);
      *out++ = b;
      if (b == 0xFF) *out++ = 0;
    }
    acc &= (uint64_t{1} << n) - 1;
  };
  auto put_code = [&](uint32_t e, uint32_t bits, int c) {  // code of a symbol, then its extra bits
    const int len = static_cast<int>(e >> 16);
    put(((e & 0xFFFF) << c) | bits, len + c);
  };
  const int32_t diff = int32_t{src[0]} - int32_t{*lastDC};
  *lastDC = src[0];
  int c = category(diff);
  put_code(dc->entry[c], extra_bits(diff, c), c);
  int r = 0;
  for (int k = 1; k < 64; ++k) {
    int32_t v = src[kZigzag[k]];
    if (v == 0) {
      ++r;
      continue;
    }
    for (; r > 15; r -= 16) put_code(ac->entry[0xF0], 0, 0);
    if (v == -32768) v = -32767;  // no AC symbol has category 16: coded as the nearest value
    c = category(v);
    put_code(ac->entry[(r << 4) + c], extra_bits(v, c), c);
    r = 0;
  }
  if (r > 0) put_code(ac->entry[0x00], 0, 0);
  *out = static_cast<uint8_t>(acc << (8 - n));
  *dstBitPos = static_cast<int32_t>(8 * static_cast<int64_t>(out - dst) + n);
}

nmxStatus decode_block_direct(const uint8_t* src, int32_t* srcBitPos, int16_t* dst, int16_t* lastDC, int32_t* marker,
                              uint32_t* bitBuf, int32_t* bitCount, const DecodeSpec* dc, const DecodeSpec* ac) {
  const uint8_t* p = src + (*srcBitPos >> 3);
  uint32_t acc = *bitBuf;
  int n = *bitCount > 32 ? 32 : *bitCount;  // the buffer holds at most 32 bits
  for (int i = 0; i < 64; ++i) dst[i] = 0;

  // No length limit: reads until 25 bits are held or a marker is met.
  auto refill = [&]() {
    if (*marker > 0) return;
    while (n < 25) {
      uint32_t b = *p++;
      if (b == 0xFF) {
        uint32_t m;
        do m = *p++;
        while (m == 0xFF);
        if (m != 0) {
          *marker = static_cast<int32_t>(m);
          return;
        }
      }
      acc = (acc << 8) | b;
      n += 8;
    }
  };
  enum { kSymbol, kIncomplete, kBadCode };
  auto symbol = [&](const DecodeSpec* t, int* sym) -> int {
    if (n < 8) refill();
    if (n == 0) return kIncomplete;
    const uint32_t peek = n >= 8 ? (acc >> (n - 8)) & 0xFF : (acc << (8 - n)) & 0xFF;
    const uint32_t e = t->lookup[peek];
    if (e != 0) {
      const int len = lookup_length(e);
      if (len > n) return kBadCode;  // the code's bits lie beyond a marker
      n -= len;
      *sym = lookup_symbol(e);
      return kSymbol;
    }
    int L = n >= 8 ? 9 : 1;
    if (n < L) refill();
    if (n < L) return kBadCode;
    n -= L;
    uint32_t c = (acc >> n) & ((1u << L) - 1);
    while (L > 16 || t->lastCode[L] == 0xFFFF || c > t->lastCode[L]) {
      if (L > 16) return kBadCode;
      if (n == 0) refill();
      if (n == 0) return kBadCode;
      --n;
      c = 2 * c + ((acc >> n) & 1);
      ++L;
    }
    *sym = t->symbolsByCode[(t->firstIndex[L] + c - t->firstCode[L]) & 255];
    return kSymbol;
  };
  auto take = [&](int s, uint32_t* u) {
    if (n < s) refill();
    if (n < s) return false;
    n -= s;
    *u = (acc >> n) & ((1u << s) - 1);
    return true;
  };

  auto run = [&]() -> nmxStatus {
    int sym;
    int got = symbol(dc, &sym);
    if (got != kSymbol) return got == kIncomplete ? nmxStatusOk : nmxStatusBadCodeErr;
    int s = sym & 15;
    if (s > 0) {
      uint32_t u;
      if (!take(s, &u)) return nmxStatusBufferEndErr;
      *lastDC = static_cast<int16_t>(*lastDC + extend(u, s));
    }
    dst[0] = *lastDC;
    for (int k = 1; k < 64;) {
      got = symbol(ac, &sym);
      if (got != kSymbol) return got == kIncomplete ? nmxStatusOk : nmxStatusBadCodeErr;
      const int run_length = (sym >> 4) & 15;
      s = sym & 15;
      if (s > 0) {
        k += run_length;
        if (k > 71) return nmxStatusBadRunErr;
        uint32_t u;
        if (!take(s, &u)) return nmxStatusBufferEndErr;
        dst[kZigzag[k]] = static_cast<int16_t>(extend(u, s));
        ++k;
      } else if (run_length < 15) {
        break;
      } else {
        k += 16;
      }
    }
    return nmxStatusOk;
  };
  const nmxStatus st = run();
  *bitBuf = acc;
  *bitCount = n;
  *srcBitPos = static_cast<int32_t>(8 * static_cast<int64_t>(p - src));
  return st;
}

}  // namespace nmx::huff

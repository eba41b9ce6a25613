// Canonical Huffman code assignment from DHT lists and the encoder and
// decoder tables built from it.
#include <cstring>

#include "jpeg/huffman/huffman_kernels.h"

namespace nmx::huff {
namespace {

// Lengths and codes of the listed entries in DHT order.
struct CodeList {
  int count = 0;
  uint8_t length[257];
  uint32_t code[256];
};

// Lists the code lengths (-64 when the counts add up to more than 256) and
// assigns the canonical codes. With `reject_overflow` a length whose codes
// reach 2^L (all-ones code or overflow) fails with -64.
nmxStatus assign_codes(const uint8_t* counts, bool reject_overflow, CodeList* out) {
  int p = 0;
  for (int L = 1; L <= 16; ++L) {
    const int n = counts[L - 1];
    if (p + n > 256) return nmxStatusHuffTableErr;
    for (int i = 0; i < n; ++i) out->length[p++] = static_cast<uint8_t>(L);
  }
  out->length[p] = 0;
  out->count = p;
  uint32_t c = 0;
  int L = out->length[0];
  int i = 0;
  while (i < p) {
    while (out->length[i] == L) out->code[i++] = c++;
    if (reject_overflow && c >= (1u << L)) return nmxStatusHuffTableErr;
    c <<= 1;
    ++L;
  }
  return nmxStatusOk;
}

}  // namespace

nmxStatus build_encode_spec(const uint8_t* counts, const uint8_t* symbols, EncodeSpec* spec) {
  CodeList list;
  const nmxStatus st = assign_codes(counts, true, &list);
  if (st != nmxStatusOk) return st;
  std::memset(spec->entry, 0, sizeof spec->entry);
  for (int p = 0; p < list.count; ++p)
    spec->entry[symbols[p]] = (static_cast<uint32_t>(list.length[p]) << 16) | list.code[p];
  return nmxStatusOk;
}

nmxStatus build_decode_spec(const uint8_t* counts, const uint8_t* symbols, DecodeSpec* spec) {
  CodeList list;
  nmxStatus st = assign_codes(counts, false, &list);
  if (st != nmxStatusOk) return st;
  std::memset(static_cast<void*>(spec), 0, sizeof *spec);
  int p = 0;
  for (int L = 1; L <= 16; ++L) {
    const int n = counts[L - 1];
    if (n == 0) {
      spec->lastCode[L] = 0xFFFF;
      continue;
    }
    spec->firstIndex[L] = static_cast<uint16_t>(p);
    spec->firstCode[L] = static_cast<uint16_t>(list.code[p]);
    for (int i = p; i < p + n; ++i) spec->symbolsByCode[i] = symbols[i];
    spec->lastCode[L] = static_cast<uint16_t>(list.code[p + n - 1]);
    p += n;
  }
  spec->lastCode[17] = 0xFFFF;
  for (int i = 0; i < list.count && list.length[i] <= 8; ++i) {
    const int L = list.length[i];
    const uint32_t from = list.code[i] << (8 - L);
    const uint32_t entry = static_cast<uint32_t>(L + (symbols[i] & 15)) | static_cast<uint32_t>(symbols[i]) << 8 |
                           static_cast<uint32_t>(L) << 16 | static_cast<uint32_t>(63 - (symbols[i] & 15)) << 24;
    for (uint32_t j = 0; j < (1u << (8 - L)); ++j) {
      if (from + j >= 256) return nmxStatusHuffTableErr;
      spec->lookup[from + j] = entry;
    }
  }
  return st;
}

}  // namespace nmx::huff

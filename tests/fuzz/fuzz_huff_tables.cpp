// Table builders on arbitrary DHT lists: no crash, the relation
// between the two builders, and the tables they accept decode what the
// encoder table codes.
#include "huff_fuzz.h"

using namespace nmx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in{data, size};
  uint8_t counts[16];
  std::vector<uint8_t> symbols;
  in.dht(counts, symbols);
  symbols.push_back(0);  // never an empty (null) list
  std::vector<uint8_t> emem(1024 + 1), dmem(1644 + 3);
  auto* enc = reinterpret_cast<huff::EncodeSpec*>(emem.data() + 1);
  auto* dec = reinterpret_cast<huff::DecodeSpec*>(dmem.data() + 3);
  const nmxStatus se = huff::build_encode_spec(counts, symbols.data(), enc);
  const nmxStatus sd = huff::build_decode_spec(counts, symbols.data(), dec);
  fuzz::check(se == nmxStatusOk || se == nmxStatusHuffTableErr);
  fuzz::check(sd == nmxStatusOk || sd == nmxStatusHuffTableErr);
  if (se != nmxStatusOk) return 0;
  fuzz::check(sd == nmxStatusOk);  // codes that fit their lengths also fit the look-up

  // Every listed symbol (the last of duplicates) decodes from its code.
  size_t total = 0;
  for (int i = 0; i < 16; ++i) total += counts[i];
  for (size_t p = 0; p < total; ++p) {
    const uint8_t sym = symbols[p];
    bool later = false;
    for (size_t q = p + 1; q < total; ++q) later |= symbols[q] == sym;
    if (later) continue;
    const uint32_t e = enc->entry[sym];
    const int len = static_cast<int>(e >> 16);
    fuzz::check(len >= 1 && len <= 16);
    // The code, then 1 bits, with stuffing.
    uint64_t bits = (uint64_t{e & 0xFFFF} << (40 - len)) | ((uint64_t{1} << (40 - len)) - 1);
    std::vector<uint8_t> stream;
    for (int b = 4; b >= 0; --b) {
      const uint8_t v = static_cast<uint8_t>(bits >> (8 * b));
      stream.push_back(v);
      if (v == 0xFF) stream.push_back(0);
    }
    std::vector<uint8_t> st(24);
    auto* state = reinterpret_cast<huff::DecodeState*>(st.data());
    huff::reset(state);
    int32_t pos = 0, marker = 0;
    int16_t value = 0;
    const nmxStatus s = huff::decode_one(stream.data(), static_cast<int32_t>(stream.size()), &pos, &value, &marker,
                                         dec, state);
    // decode_one reads extra bits for symbols 1..15: the 1 bits give positive values.
    if (sym == 0) fuzz::check(s == nmxStatusOk && value == 0);
    else if (sym >= 16) fuzz::check(s == nmxStatusOk && value == -32768);
    else if (len + sym <= 40) fuzz::check(s == nmxStatusOk && value == (1 << sym) - 1);
  }
  return 0;
}

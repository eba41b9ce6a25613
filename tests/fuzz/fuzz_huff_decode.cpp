// Buffered block decoders on arbitrary streams and tables: no crash, no read
// past srcLen (the stream sits in a heap block of exactly that size), and the
// fast paths of every target give what the plain form gives, call by call.
// Markers are handled as a caller would: reset the marker, the state and the
// predictor, and go on; after an error, resynchronize at the next marker.
#include "huff_fuzz.h"

using namespace nmx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in{data, size};
  const uint8_t mode = in.byte();
  std::vector<uint8_t> mem;
  huff::DecodeSpec* spec[2];
  if (!fuzz::tables(in, mode, mem, spec, huff::build_decode_spec)) return 0;
  const bool one = mode & 4;  // single values instead of blocks
  uint8_t state0[24];
  for (uint8_t& b : state0) b = in.byte();  // any starting state the block decoders accept
  state0[8] %= 33, state0[9] = state0[10] = state0[11] = 0;
  const size_t len = in.n;
  uint8_t* stream = static_cast<uint8_t*>(std::malloc(len ? len : 1));
  if (len) std::memcpy(stream, in.p, len);

  std::vector<Target> targets(available_targets().begin(), available_targets().end());
  struct Side {
    huff::DecodeBlock decode;
    int32_t pos = 0, marker = 0;
    int16_t last = 0, out[64];
    alignas(8) uint8_t st[24];
  };
  std::vector<Side> sides;
  for (Target t : targets) {
    Side s;
    s.decode = huff::kernels_for(t).decode_block;
    std::memcpy(s.st, state0, 24);
    sides.push_back(s);
  }
  for (int call = 0; call < 4000; ++call) {
    nmxStatus first = 0;
    for (size_t i = 0; i < sides.size(); ++i) {
      Side& s = sides[i];
      auto* state = reinterpret_cast<huff::DecodeState*>(s.st);
      const nmxStatus st = one ? huff::decode_one(stream, static_cast<int32_t>(len), &s.pos, s.out, &s.marker,
                                                  spec[0], state)
                               : s.decode(stream, static_cast<int32_t>(len), &s.pos, s.out, &s.last, &s.marker,
                                          spec[0], spec[1], state);
      if (i == 0) {
        first = st;
        continue;
      }
      const Side& r = sides[0];
      fuzz::check(st == first && s.pos == r.pos && s.marker == r.marker && s.last == r.last);
      fuzz::check(std::memcmp(s.out, r.out, one ? 2 : 128) == 0 && std::memcmp(s.st, r.st, 20) == 0);
    }
    Side& r = sides[0];
    fuzz::check(r.pos >= 0 && static_cast<size_t>(r.pos) <= len);
    if (first == nmxStatusBufferEndErr) break;
    if (r.marker != 0 || first != nmxStatusOk) {
      int32_t p = r.pos;
      if (r.marker == 0) {
        while (static_cast<size_t>(p) + 1 < len && !(stream[p] == 0xFF && stream[p + 1] != 0 && stream[p + 1] != 0xFF))
          ++p;
        if (static_cast<size_t>(p) + 1 >= len) break;
        p += 2;
      }
      for (Side& s : sides) {
        s.pos = p;
        s.marker = 0;
        s.last = 0;
        huff::reset(reinterpret_cast<huff::DecodeState*>(s.st));
      }
    }
    if (static_cast<size_t>(r.pos) >= len && reinterpret_cast<huff::DecodeState*>(r.st)->bitCount < 8) break;
  }
  std::free(stream);
  return 0;
}

// Block encoders on arbitrary blocks, tables, states and buffer lengths: no
// write past dstLen, and the fast paths of every target give exactly the
// plain form's bytes, positions, predictor and state, block after block.
#include "huff_fuzz.h"

using namespace nmx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in{data, size};
  const uint8_t mode = in.byte();
  std::vector<uint8_t> mem;
  huff::EncodeSpec* spec[2];
  if (!fuzz::tables(in, mode, mem, spec, huff::build_encode_spec)) return 0;
  const int32_t dstLen = 1 + in.byte() * 4 + in.byte();
  const uint32_t acc = static_cast<uint32_t>(in.byte()) << 24 | static_cast<uint32_t>(in.byte()) << 16;
  const int n = in.byte() % 8;

  std::vector<Target> targets(available_targets().begin(), available_targets().end());
  struct Side {
    huff::EncodeBlock encode;
    uint8_t* out;
    int32_t pos = 0;
    int16_t last = 0;
    std::vector<uint8_t> st = std::vector<uint8_t>(1048);
  };
  std::vector<Side> sides;
  for (Target t : targets) {
    Side s;
    s.encode = huff::kernels_for(t).encode_block;
    s.out = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(dstLen)));  // exactly dstLen bytes
    auto* state = reinterpret_cast<huff::EncodeState*>(s.st.data());
    huff::reset(state);
    state->accumulator = (acc & 0xFF000000u) | ((acc >> 8) & (0xFF0000u << (8 - n)) & 0xFFFFFFu);
    state->bitCount = n;
    sides.push_back(std::move(s));
  }
  while (in.n >= 2) {
    int16_t block[64] = {};
    const int count = in.byte() % 65;
    for (int i = 0; i < count && in.n >= 3; ++i) {
      const int at = in.byte() % 64;
      block[at] = static_cast<int16_t>(in.byte() << 8 | in.byte());
    }
    nmxStatus first = 0;
    for (size_t i = 0; i < sides.size(); ++i) {
      Side& s = sides[i];
      const nmxStatus st = s.encode(block, s.out, dstLen, &s.pos, &s.last, spec[0], spec[1],
                                    reinterpret_cast<huff::EncodeState*>(s.st.data()));
      if (i == 0) {
        first = st;
        continue;
      }
      const Side& r = sides[0];
      fuzz::check(st == first && s.pos == r.pos && s.last == r.last && s.st == r.st);
      fuzz::check(std::memcmp(s.out, r.out, static_cast<size_t>(r.pos)) == 0);
    }
    if (first != nmxStatusOk) break;
  }
  for (Side& s : sides) std::free(s.out);
  return 0;
}

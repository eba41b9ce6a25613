// Direct block decoder on arbitrary streams and tables. It has no length:
// the caller ends its data with a marker (here FF D9), after which it reads
// nothing; the stream sits in a heap block that ends right after that marker,
// so a read past it is caught. Markers inside the data are handled as a
// caller would (reset and go on), errors resynchronize at the next marker.
#include "huff_fuzz.h"

using namespace nmx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in{data, size};
  const uint8_t mode = in.byte();
  std::vector<uint8_t> mem;
  huff::DecodeSpec* spec[2];
  if (!fuzz::tables(in, mode, mem, spec, huff::build_decode_spec)) return 0;
  const size_t len = in.n + 2;
  uint8_t* stream = static_cast<uint8_t*>(std::malloc(len));
  std::memcpy(stream, in.p, in.n);
  stream[len - 2] = 0xFF;
  stream[len - 1] = 0xD9;

  int32_t bitpos = 0, marker = 0, count = mode >> 3;  // 0..31 held bits to start with
  uint32_t buf = 0x5A5A5A5Au;
  int16_t last = 0, out[64];
  for (int call = 0; call < 4000 && static_cast<size_t>(bitpos >> 3) < len; ++call) {
    const nmxStatus st = huff::decode_block_direct(stream, &bitpos, out, &last, &marker, &buf, &count, spec[0],
                                                   spec[1]);
    fuzz::check(st == nmxStatusOk || st == nmxStatusBadCodeErr || st == nmxStatusBufferEndErr ||
                st == nmxStatusBadRunErr);
    fuzz::check(count >= 0 && count <= 32 && bitpos >= 0 && static_cast<size_t>(bitpos >> 3) <= len);
    if (marker == 0 && st == nmxStatusOk) continue;
    if (static_cast<size_t>(bitpos >> 3) >= len) break;  // the closing marker was read
    int32_t p = bitpos >> 3;
    if (marker == 0) {  // an error: on to the next marker
      while (static_cast<size_t>(p) + 1 < len && !(stream[p] == 0xFF && stream[p + 1] != 0 && stream[p + 1] != 0xFF))
        ++p;
      if (static_cast<size_t>(p) + 1 >= len) break;
      p += 2;
    }
    bitpos = 8 * p;
    marker = 0;
    count = 0;
    last = 0;
  }
  std::free(stream);
  return 0;
}

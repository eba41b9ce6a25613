// Baseline block coding through the exports: the bit patterns of the edge
// cases, the byte-stream rules (stuffing, padding, fill bytes, markers), the
// statuses and the state they leave, argument-check order, and random round
// trips through the buffered and direct coders.
#include <cstring>
#include <functional>

#include "jpeg/huffman/huff_test_util.h"
#include "jpeg/huffman/huffman_records.h"

namespace nmx::test {
namespace {

// Natural index of each zig-zag position, walked along the anti-diagonals.
std::vector<int> natural_of_zigzag() {
  std::vector<int> out;
  for (int d = 0; d < 15; ++d)
    for (int k = 0; k < 8; ++k) {
      const int r = d % 2 ? k : d - k, c = d - r;
      if (r >= 0 && r < 8 && c >= 0 && c < 8) out.push_back(8 * r + c);
    }
  return out;
}
const std::vector<int> kNat = natural_of_zigzag();

// A DC table of nested codes: category c (0..8) has c ones then a zero.
Dht unary_dc_dht() {
  Dht d;
  for (int L = 1; L <= 9; ++L) {
    d.counts[L - 1] = 1;
    d.symbols.push_back(static_cast<uint8_t>(L - 1));
  }
  return d;
}

struct Encoder {
  EncSpec dc{simple_dc_dht()}, ac{simple_ac_dht()};
  EncState state;
  std::vector<uint8_t> out = std::vector<uint8_t>(4096, 0xEE);
  int32_t pos = 0;
  int16_t last = 0;
  nmxStatus block(const int16_t* b, int32_t len = 4096) {
    return nmxiEncodeHuffman8x8_JPEG_16s1u_C1(b, out.data(), len, &pos, &last, dc.get(), ac.get(), state.get(), 0);
  }
  nmxStatus flush(int32_t len = 4096) {
    return nmxiEncodeHuffman8x8_JPEG_16s1u_C1(nullptr, out.data(), len, &pos, nullptr, nullptr, nullptr, state.get(),
                                              1);
  }
  std::vector<uint8_t> bytes() const { return {out.begin(), out.begin() + pos}; }
  const huff::EncodeState* rec() const { return reinterpret_cast<const huff::EncodeState*>(state.bytes()); }
};

uint32_t ac_code(int run, int cat) { return simple_ac_code(run << 4 | cat); }

TEST(HuffmanEncode8x8, EdgeCaseBitPatterns) {
  struct Case {
    const char* name;
    std::function<void(int16_t*, int16_t*)> setup;  // block (zig-zag positions) and predictor
    std::function<void(BitString&)> want;
  };
  const Case cases[] = {
      {"zero block", [](int16_t*, int16_t*) {}, [](BitString& b) { b.add(0, 5), b.add(ac_code(0, 0), 8); }},
      {"only position 63",
       [](int16_t* z, int16_t*) { z[63] = 1; },
       [](BitString& b) {
         b.add(0, 5);
         for (int i = 0; i < 3; ++i) b.add(simple_ac_code(0xF0), 8);
         b.add(ac_code(14, 1), 8), b.add(1, 1);
       }},
      {"16 trailing zeros give EOB only",
       [](int16_t* z, int16_t*) {
         for (int k = 1; k < 48; ++k) z[k] = -1;
       },
       [](BitString& b) {
         b.add(0, 5);
         for (int k = 1; k < 48; ++k) b.add(ac_code(0, 1), 8), b.add(0, 1);
         b.add(ac_code(0, 0), 8);
       }},
      {"run of 17 then a value",
       [](int16_t* z, int16_t*) { z[18] = 3; },
       [](BitString& b) {
         b.add(0, 5), b.add(simple_ac_code(0xF0), 8), b.add(ac_code(1, 2), 8), b.add(3, 2), b.add(ac_code(0, 0), 8);
       }},
      {"DC difference -1", [](int16_t* z, int16_t* p) { z[0] = 4, *p = 5; },
       [](BitString& b) { b.add(1, 5), b.add(0, 1), b.add(ac_code(0, 0), 8); }},
      {"DC difference 255", [](int16_t* z, int16_t* p) { z[0] = 200, *p = -55; },
       [](BitString& b) { b.add(8, 5), b.add(0xFF, 8), b.add(ac_code(0, 0), 8); }},
      {"DC difference -256", [](int16_t* z, int16_t*) { z[0] = -256; },
       [](BitString& b) { b.add(9, 5), b.add(0x0FF, 9), b.add(ac_code(0, 0), 8); }},
      {"DC difference 65535 has 16 extra bits", [](int16_t* z, int16_t* p) { z[0] = 32767, *p = -32768; },
       [](BitString& b) { b.add(16, 5), b.add(0xFFFF, 16), b.add(ac_code(0, 0), 8); }},
      {"DC difference -65535", [](int16_t* z, int16_t* p) { z[0] = -32768, *p = 32767; },
       [](BitString& b) { b.add(16, 5), b.add(0x0000, 16), b.add(ac_code(0, 0), 8); }},
      {"AC extremes",
       [](int16_t* z, int16_t*) { z[1] = 32767, z[2] = -32767, z[63] = -2; },
       [](BitString& b) {
         b.add(0, 5), b.add(ac_code(0, 15), 8), b.add(0x7FFF, 15), b.add(ac_code(0, 15), 8), b.add(0, 15);
         b.add(simple_ac_code(0xF0), 8), b.add(simple_ac_code(0xF0), 8), b.add(simple_ac_code(0xF0), 8);
         b.add(ac_code(12, 2), 8), b.add(1, 2);
       }},
  };
  for (const Case& c : cases) {
    int16_t zz[64] = {}, block[64];
    Encoder e;
    c.setup(zz, &e.last);
    for (int k = 0; k < 64; ++k) block[kNat[k]] = zz[k];
    BitString want;
    c.want(want);
    ASSERT_EQ(e.block(block), nmxStatusOk) << c.name;
    EXPECT_EQ(e.last, zz[0]) << c.name;
    // Whole bytes are out, the rest is pending.
    EXPECT_EQ(e.rec()->bitCount, static_cast<int>(want.bits.size() % 8)) << c.name;
    EXPECT_EQ(e.bytes(), want.bytes(false)) << c.name;
    ASSERT_EQ(e.flush(), nmxStatusOk);
    EXPECT_EQ(e.bytes(), want.bytes(true)) << c.name;
    EXPECT_EQ(e.rec()->bitCount, 0);
    EXPECT_EQ(e.rec()->accumulator, 0u);
  }
}

TEST(HuffmanEncode8x8, FailuresKeepWhatWasWritten) {
  // No code for the EOB: -64 after the DC and the first value went out.
  {
    std::vector<uint8_t> syms = all_ac_symbols();
    syms.erase(syms.begin());  // drop 0x00
    Encoder e;
    e.ac = EncSpec(fixed_length_dht(8, syms));
    int16_t block[64] = {};
    block[0] = 7;
    block[1] = 1;
    EXPECT_EQ(e.block(block), nmxStatusHuffTableErr);
    EXPECT_EQ(e.last, 7);  // updated at once
    EXPECT_EQ(e.pos, 2);   // 5 + 3 DC bits and the 8 + 1 bits of the value
    EXPECT_EQ(e.rec()->bitCount, 1);
  }
  // AC value -32768 has no symbol: -63.
  {
    Encoder e;
    int16_t block[64] = {};
    block[9] = -32768;
    EXPECT_EQ(e.block(block), nmxStatusBadCodeErr);
  }
  // Empty tables: the first symbol fails, nothing is written.
  {
    Encoder e;
    e.dc = EncSpec(Dht{});
    int16_t block[64] = {};
    block[0] = 3;
    EXPECT_EQ(e.block(block), nmxStatusHuffTableErr);
    EXPECT_EQ(e.pos, 0);
    EXPECT_EQ(e.last, 3);
  }
}

// EncodeOne with codes of c ones then a zero: 255 (category 8) gives the
// code 111111110 and the extra bits 11111111, so the stream begins 0xFF 0x00 0x7F.
TEST(HuffmanEncodeOne, BufferEndAfterA0xFF) {
  const struct {
    int32_t len;
    nmxStatus want;
    int32_t pos;
    uint32_t acc;
    int count;
  } cases[] = {
      {1, nmxStatusBufferEndErr, 1, 0u, 0},           // 0xFF stored, no room for its 0x00: state as before the code
      {2, nmxStatusBufferEndErr, 2, 0xFF000000u, 1},  // the code went out, the extra bits have no room
      {3, nmxStatusOk, 3, 0x7F800000u, 1},
  };
  for (const auto& c : cases) {
    EncSpec spec(unary_dc_dht());
    EncState state;
    std::vector<uint8_t> out(8, 0xEE);
    int32_t pos = 0;
    const int16_t v = 255;
    EXPECT_EQ(nmxiEncodeHuffmanOne_JPEG_16s1u_C1(&v, out.data(), c.len, &pos, spec.get(), state.get(), 0), c.want);
    const auto* rec = reinterpret_cast<const huff::EncodeState*>(state.bytes());
    EXPECT_EQ(pos, c.pos) << "dstLen " << c.len;
    EXPECT_EQ(rec->accumulator, c.acc) << "dstLen " << c.len;
    EXPECT_EQ(rec->bitCount, c.count) << "dstLen " << c.len;
    const uint8_t want[3] = {0xFF, 0x00, 0x7F};
    for (int i = 0; i < c.pos; ++i) EXPECT_EQ(out[i], want[i]);
    EXPECT_EQ(out[c.len], 0xEE) << "wrote past dstLen " << c.len;
  }
}

TEST(HuffmanEncodeOne, FlushAndCategory16) {
  EncSpec spec(unary_dc_dht());
  EncState state;
  std::vector<uint8_t> out(8, 0xEE);
  int32_t pos = 0;
  const int16_t one = 1;  // code 10, extra bit 1
  ASSERT_EQ(nmxiEncodeHuffmanOne_JPEG_16s1u_C1(&one, out.data(), 8, &pos, spec.get(), state.get(), 0), nmxStatusOk);
  EXPECT_EQ(pos, 0);
  ASSERT_EQ(nmxiEncodeHuffmanOne_JPEG_16s1u_C1(nullptr, out.data(), 8, &pos, nullptr, state.get(), 1), nmxStatusOk);
  EXPECT_EQ(pos, 1);
  EXPECT_EQ(out[0], 0xBF);
  // Nothing pending: nothing written.
  ASSERT_EQ(nmxiEncodeHuffmanOne_JPEG_16s1u_C1(nullptr, out.data(), 8, &pos, nullptr, state.get(), 1), nmxStatusOk);
  EXPECT_EQ(pos, 1);
  // Pending bits and a full buffer: -62, and the state is reset anyway.
  ASSERT_EQ(nmxiEncodeHuffmanOne_JPEG_16s1u_C1(&one, out.data(), 8, &pos, spec.get(), state.get(), 0), nmxStatusOk);
  EXPECT_EQ(nmxiEncodeHuffmanOne_JPEG_16s1u_C1(nullptr, out.data(), 1, &pos, nullptr, state.get(), 1),
            nmxStatusBufferEndErr);
  const auto* rec = reinterpret_cast<const huff::EncodeState*>(state.bytes());
  EXPECT_EQ(rec->bitCount, 0);
  EXPECT_EQ(rec->accumulator, 0u);

  // -32768 is category 16: its code and no extra bits.
  EncSpec dc(simple_dc_dht());
  EncState s2;
  pos = 0;
  const int16_t min = -32768;
  ASSERT_EQ(nmxiEncodeHuffmanOne_JPEG_16s1u_C1(&min, out.data(), 8, &pos, dc.get(), s2.get(), 0), nmxStatusOk);
  EXPECT_EQ(reinterpret_cast<const huff::EncodeState*>(s2.bytes())->bitCount, 5);
  ASSERT_EQ(nmxiEncodeHuffmanOne_JPEG_16s1u_C1(nullptr, out.data(), 8, &pos, nullptr, s2.get(), 1), nmxStatusOk);
  EXPECT_EQ(out[0], 0x87);  // 10000 111
}

struct Decoder {
  DecSpec dc{simple_dc_dht()}, ac{simple_ac_dht()};
  DecState state;
  std::vector<uint8_t> in;
  int32_t pos = 0, marker = 0;
  int16_t last = 0;
  int16_t out[64];
  nmxStatus block() {
    static const uint8_t none = 0;
    return nmxiDecodeHuffman8x8_JPEG_1u16s_C1(in.empty() ? &none : in.data(), static_cast<int32_t>(in.size()), &pos, out, &last, &marker,
                                              dc.get(), ac.get(), state.get());
  }
  const huff::DecodeState* rec() const { return reinterpret_cast<const huff::DecodeState*>(state.bytes()); }
};

TEST(HuffmanDecode8x8, MarkerInTheMiddleOfABlock) {
  BitString b;
  b.add(3, 5), b.add(5, 3);  // DC +5
  for (int i = 0; i < 20; ++i) b.add(ac_code(0, 4), 8), b.add(9, 4);
  b.add(ac_code(0, 0), 8);
  std::vector<uint8_t> bytes = b.bytes();
  Decoder d;
  d.in.assign(bytes.begin(), bytes.begin() + 6);
  d.in.push_back(0xFF);
  d.in.push_back(0xD0);
  d.in.insert(d.in.end(), 40, 0x00);  // never read
  EXPECT_EQ(d.block(), nmxStatusBadCodeErr);
  EXPECT_EQ(d.marker, 0xD0);
  EXPECT_EQ(d.pos, 8);  // just past the marker
  EXPECT_EQ(d.last, 5);
  EXPECT_EQ(d.out[0], 5);
  // Values decoded from the bits that were held stay.
  EXPECT_EQ(d.out[kNat[1]], 9);
  // While the marker is set, nothing more is read.
  const int32_t end = d.rec()->endPosition;
  EXPECT_GT(end, 1);
  EXPECT_EQ(d.block(), nmxStatusBadCodeErr);
  EXPECT_EQ(d.pos, 8);
}

TEST(HuffmanDecode8x8, StatusesAndEndPositions) {
  struct Case {
    const char* name;
    std::function<std::vector<uint8_t>()> stream;
    nmxStatus want;
    int end_position;  // -1: not pinned
    Dht dc = simple_dc_dht();
  };
  auto bits = [](std::function<void(BitString&)> f) {
    return [f] {
      BitString b;
      f(b);
      return b.bytes();
    };
  };
  const Case cases[] = {
      {"EOB after one value", bits([](BitString& b) { b.add(0, 5), b.add(ac_code(0, 1), 8), b.add(1, 1),
                                                      b.add(ac_code(0, 0), 8); }),
       nmxStatusOk, 2},
      {"value at 63, no EOB", bits([](BitString& b) {
         b.add(0, 5);
         for (int i = 0; i < 3; ++i) b.add(simple_ac_code(0xF0), 8);
         b.add(ac_code(14, 1), 8), b.add(1, 1);
       }),
       nmxStatusOk, 64},
      {"ZRL past the end", bits([](BitString& b) {
         b.add(0, 5), b.add(ac_code(15, 1), 8), b.add(1, 1), b.add(ac_code(15, 1), 8), b.add(1, 1);
         b.add(ac_code(15, 1), 8), b.add(1, 1), b.add(ac_code(13, 1), 8), b.add(1, 1);  // k = 63
         b.add(simple_ac_code(0xF0), 8);
       }),
       nmxStatusOk, 79},
      {"run stored at 63 from position 70", bits([](BitString& b) {
         b.add(0, 5), b.add(ac_code(15, 1), 8), b.add(1, 1), b.add(ac_code(15, 1), 8), b.add(1, 1);
         b.add(ac_code(15, 1), 8), b.add(1, 1), b.add(ac_code(6, 1), 8), b.add(1, 1);  // k = 56
         b.add(ac_code(14, 1), 8), b.add(0, 1);                                         // k = 70
       }),
       nmxStatusOk, 71},
      {"run past 71", bits([](BitString& b) {
         b.add(0, 5), b.add(ac_code(15, 1), 8), b.add(1, 1), b.add(ac_code(15, 1), 8), b.add(1, 1);
         b.add(ac_code(15, 1), 8), b.add(1, 1), b.add(ac_code(7, 1), 8), b.add(1, 1);  // k = 57
         b.add(ac_code(15, 1), 8), b.add(1, 1);                                         // 72
       }),
       nmxStatusBadRunErr, 72},
      {"input ends inside a value", bits([](BitString& b) { b.add(0, 5), b.add(ac_code(0, 12), 8), b.add(0, 2); }),
       nmxStatusBufferEndErr, 2},
      {"empty input", [] { return std::vector<uint8_t>{}; }, nmxStatusBufferEndErr, 0},
      {"0xFF as the last byte", [] { return std::vector<uint8_t>{0x00, 0x00, 0xFF}; }, nmxStatusBufferEndErr, 0},
      {"code longer than 16 bits", [] { return std::vector<uint8_t>{0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0}; },
       nmxStatusBadCodeErr, 0, Dht{{1}, {0}}},  // the one code "0"
      {"no codes at all", [] { return std::vector<uint8_t>(16, 0x00); }, nmxStatusBadCodeErr, -1, Dht{}},
  };
  for (const Case& c : cases) {
    Decoder d;
    d.dc = DecSpec(c.dc);
    d.in = c.stream();
    EXPECT_EQ(d.block(), c.want) << c.name;
    if (c.end_position >= 0) EXPECT_EQ(d.rec()->endPosition, c.end_position) << c.name;
    EXPECT_LE(d.pos, static_cast<int32_t>(d.in.size())) << c.name;
  }
  // The run past 71 kept the values stored before it, the last one at index 63.
  Decoder d;
  d.in = cases[3].stream();
  ASSERT_EQ(d.block(), nmxStatusOk);
  EXPECT_EQ(d.out[63], -1);
}

TEST(HuffmanDecode8x8, FillBytesBeforeAStuffedZero) {
  BitString b;
  b.add(3, 5), b.add(5, 3), b.add(ac_code(0, 8), 8), b.add(0xFF, 8), b.add(ac_code(0, 0), 8);
  std::vector<uint8_t> bytes = b.bytes();
  std::vector<uint8_t> filled;
  for (size_t i = 0; i < bytes.size(); ++i) {
    filled.push_back(bytes[i]);
    if (bytes[i] == 0xFF) filled.insert(filled.end(), 3, 0xFF);
  }
  ASSERT_GT(filled.size(), bytes.size());
  for (const auto& stream : {bytes, filled}) {
    Decoder d;
    d.in = stream;
    ASSERT_EQ(d.block(), nmxStatusOk);
    EXPECT_EQ(d.out[0], 5);
    EXPECT_EQ(d.out[1], 255);
    EXPECT_EQ(d.pos, static_cast<int32_t>(stream.size()));
  }
}

TEST(HuffmanDecodeOne, Category16AndValues) {
  DecSpec spec(simple_dc_dht());
  const struct {
    std::vector<uint8_t> in;
    int16_t want;
    int bits_left;
  } cases[] = {
      {{0x87}, -32768, 3},          // 10000 then padding: no extra bits read
      {{0x08, 0x7F}, -1, 10},       // 00001 0: category 1, bit 0
      {{0x47, 0xF8, 0x00}, 255, 11},   // 01000 11111111
      {{0x00}, 0, 3},
  };
  for (const auto& c : cases) {
    DecState state;
    int32_t pos = 0, marker = 0;
    int16_t v = 1234;
    ASSERT_EQ(nmxiDecodeHuffmanOne_JPEG_1u16s_C1(c.in.data(), static_cast<int32_t>(c.in.size()), &pos, &v, &marker,
                                                 spec.get(), state.get()),
              nmxStatusOk);
    EXPECT_EQ(v, c.want);
    EXPECT_EQ(reinterpret_cast<const huff::DecodeState*>(state.bytes())->bitCount, c.bits_left) << c.want;
  }
}

// ---- argument checks -----------------------------------------------------------

struct EncArgs {
  int16_t block[64] = {1, 2, 3};
  std::vector<uint8_t> dst = std::vector<uint8_t>(64, 0xEE);
  int32_t len = 64, pos = 0, flush = 0;
  int16_t last = 9;
  EncSpec dc{simple_dc_dht()}, ac{simple_ac_dht()};
  EncState state;
  const int16_t* pSrc = block;
  uint8_t* pDst = dst.data();
  int32_t* pPos = &pos;
  int16_t* pLast = &last;
  const NmxEncodeHuffmanSpec* pDc = dc.get();
  const NmxEncodeHuffmanSpec* pAc = ac.get();
  NmxEncodeHuffmanState* pState = state.get();
  bool untouched() const {
    for (uint8_t b : dst)
      if (b != 0xEE) return false;
    return pos == 0 && last == 9;
  }
};

TEST(HuffmanArgs, Encoders) {
  struct Case {
    const char* name;
    std::function<void(EncArgs&)> change;
    nmxStatus block, one;
  };
  const Case cases[] = {
      {"pDst null and dstLen 0", [](EncArgs& a) { a.pDst = nullptr, a.len = 0; }, -8, -8},
      {"dstLen 0 and pDstPos null", [](EncArgs& a) { a.len = 0, a.pPos = nullptr; }, -6, -6},
      {"dstLen -5", [](EncArgs& a) { a.len = -5; }, -6, -6},
      {"pDstPos null and pState null", [](EncArgs& a) { a.pPos = nullptr, a.pState = nullptr; }, -8, -8},
      {"pState null", [](EncArgs& a) { a.pState = nullptr; }, -8, -8},
      {"pSrc null", [](EncArgs& a) { a.pSrc = nullptr; }, -8, -8},
      {"pLastDC null", [](EncArgs& a) { a.pLast = nullptr; }, -8, 0},
      {"pDcSpec null", [](EncArgs& a) { a.pDc = nullptr; }, -8, -8},
      {"pAcSpec null", [](EncArgs& a) { a.pAc = nullptr; }, -8, 0},
      {"flush with the block pointers null",
       [](EncArgs& a) { a.flush = 1, a.pSrc = nullptr, a.pLast = nullptr, a.pDc = nullptr, a.pAc = nullptr; }, 0, 0},
  };
  for (const Case& c : cases) {
    EncArgs a;
    c.change(a);
    EXPECT_EQ(nmxiEncodeHuffman8x8_JPEG_16s1u_C1(a.pSrc, a.pDst, a.len, a.pPos, a.pLast, a.pDc, a.pAc, a.pState,
                                                 a.flush),
              c.block)
        << c.name;
    if (c.block != 0) EXPECT_TRUE(a.untouched()) << c.name;
    EncArgs b;
    c.change(b);
    EXPECT_EQ(nmxiEncodeHuffmanOne_JPEG_16s1u_C1(b.pSrc, b.pDst, b.len, b.pPos, b.pDc, b.pState, b.flush), c.one)
        << c.name;
    if (c.one != 0) EXPECT_TRUE(b.untouched()) << c.name;
  }
  // Direct encoder: the six pointers in order.
  for (int nulled = 0; nulled < 6; ++nulled) {
    EncArgs a;
    int32_t bitpos = 0;
    const void* p[6] = {a.pSrc, a.pDst, &bitpos, a.pLast, a.pDc, a.pAc};
    p[nulled] = nullptr;
    EXPECT_EQ(nmxiEncodeHuffman8x8_Direct_JPEG_16s1u_C1(
                  static_cast<const int16_t*>(p[0]), static_cast<uint8_t*>(const_cast<void*>(p[1])),
                  static_cast<int32_t*>(const_cast<void*>(p[2])), static_cast<int16_t*>(const_cast<void*>(p[3])),
                  static_cast<const NmxEncodeHuffmanSpec*>(p[4]), static_cast<const NmxEncodeHuffmanSpec*>(p[5])),
              nmxStatusNullPtrErr);
    EXPECT_TRUE(a.untouched());
    EXPECT_EQ(bitpos, 0);
  }
}

struct DecArgs {
  std::vector<uint8_t> src = std::vector<uint8_t>(16, 0x00);
  int32_t len = 16, pos = 0, marker = 0, bitpos = 0, count = 0;
  uint32_t buf = 0;
  int16_t out[64];
  int16_t last = 9;
  DecSpec dc{simple_dc_dht()}, ac{simple_ac_dht()};
  DecState state;
  const uint8_t* pSrc = src.data();
  int32_t* pPos = &pos;
  int16_t* pDst = out;
  int16_t* pLast = &last;
  int32_t* pMarker = &marker;
  const NmxDecodeHuffmanSpec* pDc = dc.get();
  const NmxDecodeHuffmanSpec* pAc = ac.get();
  NmxDecodeHuffmanState* pState = state.get();
  int32_t* pBitPos = &bitpos;
  uint32_t* pBuf = &buf;
  int32_t* pCount = &count;
  DecArgs() { std::fill(out, out + 64, int16_t{0x5555}); }
  bool untouched() const {
    for (int16_t v : out)
      if (v != 0x5555) return false;
    return pos == 0 && last == 9 && marker == 0 && buf == 0;
  }
};

TEST(HuffmanArgs, Decoders) {
  struct Case {
    const char* name;
    std::function<void(DecArgs&)> change;
    nmxStatus block, one;
  };
  const Case cases[] = {
      {"pSrc null and srcLen -1", [](DecArgs& a) { a.pSrc = nullptr, a.len = -1; }, -8, -8},
      {"srcLen -1 and pSrcPos null", [](DecArgs& a) { a.len = -1, a.pPos = nullptr; }, -5, -6},
      {"pSrcPos null", [](DecArgs& a) { a.pPos = nullptr; }, -8, -8},
      {"pDst null", [](DecArgs& a) { a.pDst = nullptr; }, -8, -8},
      {"pLastDC null", [](DecArgs& a) { a.pLast = nullptr; }, -8, 0},
      {"pMarker null", [](DecArgs& a) { a.pMarker = nullptr; }, -8, -8},
      {"pDcSpec null", [](DecArgs& a) { a.pDc = nullptr; }, -8, -8},
      {"pAcSpec null", [](DecArgs& a) { a.pAc = nullptr; }, -8, 0},
      {"pState null", [](DecArgs& a) { a.pState = nullptr; }, -8, -8},
  };
  for (const Case& c : cases) {
    DecArgs a;
    c.change(a);
    EXPECT_EQ(nmxiDecodeHuffman8x8_JPEG_1u16s_C1(a.pSrc, a.len, a.pPos, a.pDst, a.pLast, a.pMarker, a.pDc, a.pAc,
                                                 a.pState),
              c.block)
        << c.name;
    if (c.block != 0) EXPECT_TRUE(a.untouched()) << c.name;
    DecArgs b;
    c.change(b);
    EXPECT_EQ(nmxiDecodeHuffmanOne_JPEG_1u16s_C1(b.pSrc, b.len, b.pPos, b.pDst, b.pMarker, b.pDc, b.pState), c.one)
        << c.name;
    if (c.one != 0) EXPECT_TRUE(b.untouched()) << c.name;
  }
  // Lengths: 0 is a valid (empty) input for the block decoder, not for DecodeOne.
  DecArgs a;
  EXPECT_EQ(nmxiDecodeHuffman8x8_JPEG_1u16s_C1(a.pSrc, 0, a.pPos, a.pDst, a.pLast, a.pMarker, a.pDc, a.pAc, a.pState),
            nmxStatusBufferEndErr);
  EXPECT_EQ(nmxiDecodeHuffmanOne_JPEG_1u16s_C1(a.pSrc, 0, a.pPos, a.pDst, a.pMarker, a.pDc, a.pState),
            nmxStatusSizeErr);

  const Case direct[] = {
      {"pSrc null and *pSrcBitPos -1", [](DecArgs& a) { a.pSrc = nullptr, a.bitpos = -1; }, -8, 0},
      {"pSrcBitPos null", [](DecArgs& a) { a.pBitPos = nullptr; }, -8, 0},
      {"*pSrcBitPos -8 and pDst null", [](DecArgs& a) { a.bitpos = -8, a.pDst = nullptr; }, -5, 0},
      {"pDst null", [](DecArgs& a) { a.pDst = nullptr; }, -8, 0},
      {"pLastDC null", [](DecArgs& a) { a.pLast = nullptr; }, -8, 0},
      {"pMarker null", [](DecArgs& a) { a.pMarker = nullptr; }, -8, 0},
      {"pBitBuf null and *pBitCount -1", [](DecArgs& a) { a.pBuf = nullptr, a.count = -1; }, -8, 0},
      {"pBitCount null", [](DecArgs& a) { a.pCount = nullptr; }, -8, 0},
      {"*pBitCount -1 and pDcSpec null", [](DecArgs& a) { a.count = -1, a.pDc = nullptr; }, -5, 0},
      {"pDcSpec null", [](DecArgs& a) { a.pDc = nullptr; }, -8, 0},
      {"pAcSpec null", [](DecArgs& a) { a.pAc = nullptr; }, -8, 0},
  };
  for (const Case& c : direct) {
    DecArgs a;
    c.change(a);
    const int32_t bitpos = a.bitpos, count = a.count;
    EXPECT_EQ(nmxiDecodeHuffman8x8_Direct_JPEG_1u16s_C1(a.pSrc, a.pBitPos, a.pDst, a.pLast, a.pMarker, a.pBuf,
                                                        a.pCount, a.pDc, a.pAc),
              c.block)
        << c.name;
    EXPECT_TRUE(a.untouched()) << c.name;
    EXPECT_EQ(a.bitpos, bitpos);
    EXPECT_EQ(a.count, count);
  }
}

// ---- random round trips ----------------------------------------------------------

struct Tables {
  Dht dc_dht, ac_dht;
  EncSpec edc, eac;
  DecSpec ddc, dac;
  Tables(const Dht& dc, const Dht& ac) : dc_dht(dc), ac_dht(ac), edc(dc), eac(ac), ddc(dc), dac(ac) {}
};

std::vector<std::unique_ptr<Tables>> table_sets(Rng& rng) {
  std::vector<std::unique_ptr<Tables>> out;
  out.push_back(std::make_unique<Tables>(simple_dc_dht(), simple_ac_dht()));
  for (int i = 0; i < 6; ++i)
    out.push_back(std::make_unique<Tables>(random_dht(dc_symbols(), rng, 1 + i % 3),
                                           random_dht(all_ac_symbols(), rng, 1 + i % 4)));
  return out;
}

// Blocks encoded with the buffered encoder (restart-style flushes between
// groups) decode back with the buffered and the direct decoders, and the
// direct encoder writes the same bytes.
TEST(HuffmanRoundTrip, BufferedAndDirectCodersAgree) {
  Rng rng(17);
  for (const auto& t : table_sets(rng)) {
    for (int round = 0; round < 12; ++round) {
      const int nblocks = 1 + static_cast<int>(rng() % 120);
      std::vector<int16_t> blocks(64 * static_cast<size_t>(nblocks));
      for (int b = 0; b < nblocks; ++b) random_block(&blocks[64 * static_cast<size_t>(b)], rng);
      std::vector<uint8_t> out(200 * static_cast<size_t>(nblocks) + 64, 0);
      std::vector<uint8_t> dout(out.size(), 0);
      EncState state;
      int32_t pos = 0, bitpos = 0;
      int16_t last = 0, dlast = 0;
      for (int b = 0; b < nblocks; ++b) {
        ASSERT_EQ(nmxiEncodeHuffman8x8_JPEG_16s1u_C1(&blocks[64 * static_cast<size_t>(b)], out.data(),
                                                     static_cast<int32_t>(out.size()), &pos, &last, t->edc.get(),
                                                     t->eac.get(), state.get(), 0),
                  nmxStatusOk);
        ASSERT_EQ(nmxiEncodeHuffman8x8_Direct_JPEG_16s1u_C1(&blocks[64 * static_cast<size_t>(b)], dout.data(),
                                                            &bitpos, &dlast, t->edc.get(), t->eac.get()),
                  nmxStatusOk);
        EXPECT_EQ(pos, bitpos >> 3);
      }
      ASSERT_EQ(nmxiEncodeHuffman8x8_JPEG_16s1u_C1(nullptr, out.data(), static_cast<int32_t>(out.size()), &pos,
                                                   nullptr, nullptr, nullptr, state.get(), 1),
                nmxStatusOk);
      // The direct coder's caller pads the last byte.
      if (bitpos & 7) {
        uint8_t& last_byte = dout[bitpos >> 3];
        last_byte = static_cast<uint8_t>(last_byte | (0xFF >> (bitpos & 7)));
        bitpos = (bitpos | 7) + 1;
        if (last_byte == 0xFF) dout[bitpos >> 3] = 0, bitpos += 8;
      }
      ASSERT_EQ(pos, bitpos >> 3);
      ASSERT_TRUE(same(out.data(), dout.data(), static_cast<size_t>(pos)));
      out.resize(static_cast<size_t>(pos));
      out.push_back(0xFF);
      out.push_back(0xD9);

      DecState ds;
      int32_t rpos = 0, marker = 0, dbit = 0, dcount = 0;
      uint32_t dbuf = 0;
      int16_t rlast = 0, rdlast = 0;
      int32_t dmarker = 0;
      for (int b = 0; b < nblocks; ++b) {
        int16_t got[64], got2[64];
        ASSERT_EQ(nmxiDecodeHuffman8x8_JPEG_1u16s_C1(out.data(), static_cast<int32_t>(out.size()), &rpos, got,
                                                     &rlast, &marker, t->ddc.get(), t->dac.get(), ds.get()),
                  nmxStatusOk);
        ASSERT_TRUE(same(&blocks[64 * static_cast<size_t>(b)], got, 64, 8)) << "block " << b;
        ASSERT_EQ(nmxiDecodeHuffman8x8_Direct_JPEG_1u16s_C1(out.data(), &dbit, got2, &rdlast, &dmarker, &dbuf,
                                                            &dcount, t->ddc.get(), t->dac.get()),
                  nmxStatusOk);
        ASSERT_TRUE(same(&blocks[64 * static_cast<size_t>(b)], got2, 64, 8)) << "direct, block " << b;
      }
      // What is left before the marker is padding.
      const auto* rec = reinterpret_cast<const huff::DecodeState*>(ds.bytes());
      EXPECT_LT(rec->bitCount, 8 + (marker ? 0 : 32));
    }
  }
}

TEST(HuffmanRoundTrip, SingleValues) {
  Rng rng(23);
  for (int round = 0; round < 20; ++round) {
    const Dht dht = round == 0 ? simple_dc_dht() : random_dht(dc_symbols(), rng, 1 + round % 5);
    EncSpec e(dht);
    DecSpec d(dht);
    std::vector<int16_t> values(500);
    fill(values.data(), values.size(), rng, round % 2 ? Fill::Extremes : Fill::Uniform);
    for (size_t i = 0; i < values.size(); i += 3) values[i] = static_cast<int16_t>(values[i] >> (rng() % 16));
    std::vector<uint8_t> out(values.size() * 6 + 8);
    EncState es;
    int32_t pos = 0;
    for (int16_t v : values)
      ASSERT_EQ(nmxiEncodeHuffmanOne_JPEG_16s1u_C1(&v, out.data(), static_cast<int32_t>(out.size()), &pos, e.get(),
                                                   es.get(), 0),
                nmxStatusOk);
    ASSERT_EQ(nmxiEncodeHuffmanOne_JPEG_16s1u_C1(nullptr, out.data(), static_cast<int32_t>(out.size()), &pos, nullptr,
                                                 es.get(), 1),
              nmxStatusOk);
    DecState ds;
    int32_t rpos = 0, marker = 0;
    for (size_t i = 0; i < values.size(); ++i) {
      int16_t v;
      ASSERT_EQ(nmxiDecodeHuffmanOne_JPEG_1u16s_C1(out.data(), pos, &rpos, &v, &marker, d.get(), ds.get()),
                nmxStatusOk)
          << "value " << i;
      ASSERT_EQ(v, values[i]) << "value " << i;
    }
  }
}

// The direct encoder continues the unfinished byte that pDst holds and leaves
// the unused low bits of its last byte 0.
TEST(HuffmanDirect, ContinuesTheUnfinishedByte) {
  EncSpec dc(simple_dc_dht()), ac(simple_ac_dht());
  int16_t block[64] = {};
  for (int start = 0; start < 8; ++start) {
    std::vector<uint8_t> out(32, 0xEE);
    out[0] = static_cast<uint8_t>(0xA5 & ~(0xFF >> start));  // `start` bits already there
    int32_t bitpos = start;
    int16_t last = 0;
    ASSERT_EQ(nmxiEncodeHuffman8x8_Direct_JPEG_16s1u_C1(block, out.data(), &bitpos, &last, dc.get(), ac.get()),
              nmxStatusOk);
    BitString want;
    want.add(0xA5 >> (8 - start), start);
    want.add(0, 5), want.add(ac_code(0, 0), 8);
    EXPECT_EQ(bitpos, start + 13);
    want.add(0, static_cast<int>((8 - want.bits.size() % 8) % 8));  // low bits of the last byte 0 (no 0xFF here)
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + static_cast<long>(want.bits.size() / 8)),
              want.bytes(false))
        << "start " << start;
  }
}

TEST(HuffmanDirect, DecoderStopsAtAMarker) {
  // DC 0 and EOB, then 3 padding bits, then a restart marker.
  BitString b;
  b.add(0, 5), b.add(ac_code(0, 0), 8);
  std::vector<uint8_t> in = b.bytes();
  in.push_back(0xFF);
  in.push_back(0xD3);
  DecSpec dc(simple_dc_dht()), ac(simple_ac_dht());
  int32_t bitpos = 0, marker = 0, count = 0;
  uint32_t buf = 0;
  int16_t last = 4, out[64];
  ASSERT_EQ(nmxiDecodeHuffman8x8_Direct_JPEG_1u16s_C1(in.data(), &bitpos, out, &last, &marker, &buf, &count, dc.get(),
                                                      ac.get()),
            nmxStatusOk);
  EXPECT_EQ(out[0], 4);
  EXPECT_EQ(marker, 0xD3);
  EXPECT_EQ(bitpos, 8 * 4);
  EXPECT_EQ(count, 3);  // the padding bits
  // Next block: the padding 111 + zero fill looks up category 7 (5 bits): more bits than held.
  EXPECT_EQ(nmxiDecodeHuffman8x8_Direct_JPEG_1u16s_C1(in.data(), &bitpos, out, &last, &marker, &buf, &count, dc.get(),
                                                      ac.get()),
            nmxStatusBadCodeErr);
  // With nothing held: 0, block incomplete (zeros), nothing read.
  count = 0;
  std::fill(out, out + 64, int16_t{7});
  EXPECT_EQ(nmxiDecodeHuffman8x8_Direct_JPEG_1u16s_C1(in.data(), &bitpos, out, &last, &marker, &buf, &count, dc.get(),
                                                      ac.get()),
            nmxStatusOk);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(bitpos, 8 * 4);
  for (int16_t v : out) EXPECT_EQ(v, 0);
  // A value whose bits lie past the marker: -62.
  BitString c;
  c.add(12, 5), c.add(0, 4);  // category 12 needs 12 bits, 4 are there before the marker
  std::vector<uint8_t> in2 = c.bytes();
  in2.push_back(0xFF);
  in2.push_back(0xD4);
  bitpos = 0, marker = 0, count = 0, buf = 0;
  EXPECT_EQ(nmxiDecodeHuffman8x8_Direct_JPEG_1u16s_C1(in2.data(), &bitpos, out, &last, &marker, &buf, &count,
                                                      dc.get(), ac.get()),
            nmxStatusBufferEndErr);
  EXPECT_EQ(marker, 0xD4);
}

}  // namespace
}  // namespace nmx::test

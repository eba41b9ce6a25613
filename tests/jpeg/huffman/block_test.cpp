// Baseline block coding through the exports: the bit patterns of the edge
// cases, the byte-stream rules (stuffing, padding, fill bytes, markers), the
// statuses and the state they leave, argument-check order, and random round
// trips through the buffered and direct coders.
#include <cstring>
#include <functional>
#include <memory>

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
  for (int L = 1; L <= 9; ++L) d.counts[L - 1] = 1, d.symbols.push_back(static_cast<uint8_t>(L - 1));
  return d;
}

uint32_t ac_code(int run, int cat) { return simple_ac_code(run << 4 | cat); }
const uint32_t kZrl = simple_ac_code(0xF0), kEob = simple_ac_code(0x00);
// DC 0, three ZRLs and (14, 1) with the value 1: position 63.
void to_63(BitString& b) {
  b.add(0, 5), b.add(kZrl, 8), b.add(kZrl, 8), b.add(kZrl, 8), b.add(ac_code(14, 1), 8), b.add(1, 1);
}
const huff::EncodeState* enc_rec(const EncState& s) { return reinterpret_cast<const huff::EncodeState*>(s.bytes()); }
const huff::DecodeState* dec_rec(const DecState& s) { return reinterpret_cast<const huff::DecodeState*>(s.bytes()); }

struct Encoder {
  EncSpec dc{simple_dc_dht()}, ac{simple_ac_dht()};
  EncState state;
  std::vector<uint8_t> out = std::vector<uint8_t>(4096, 0xEE);
  int32_t pos = 0;
  int16_t last = 0;
  nmxStatus block(const int16_t* b) {
    return nmxiEncodeHuffman8x8_JPEG_16s1u_C1(b, out.data(), 4096, &pos, &last, dc.get(), ac.get(), state.get(), 0);
  }
  nmxStatus flush() {
    return nmxiEncodeHuffman8x8_JPEG_16s1u_C1(nullptr, out.data(), 4096, &pos, nullptr, nullptr, nullptr, state.get(),
                                              1);
  }
  std::vector<uint8_t> bytes() const { return {out.begin(), out.begin() + pos}; }
};

TEST(HuffmanEncode8x8, EdgeCaseBitPatterns) {
  struct Case {
    const char* name;
    std::function<void(int16_t*, int16_t*)> setup;  // block (zig-zag positions) and predictor
    std::function<void(BitString&)> want;
  };
  const Case cases[] = {
      {"zero block", [](int16_t*, int16_t*) {}, [](BitString& b) { b.add(0, 5), b.add(kEob, 8); }},
      {"only position 63", [](int16_t* z, int16_t*) { z[63] = 1; }, to_63},
      {"16 trailing zeros give EOB only",
       [](int16_t* z, int16_t*) {
         for (int k = 1; k < 48; ++k) z[k] = -1;
       },
       [](BitString& b) {
         b.add(0, 5);
         for (int k = 1; k < 48; ++k) b.add(ac_code(0, 1), 8), b.add(0, 1);
         b.add(kEob, 8);
       }},
      {"run of 17 then a value", [](int16_t* z, int16_t*) { z[18] = 3; },
       [](BitString& b) { b.add(0, 5), b.add(kZrl, 8), b.add(ac_code(1, 2), 8), b.add(3, 2), b.add(kEob, 8); }},
      {"DC difference -1", [](int16_t* z, int16_t* p) { z[0] = 4, *p = 5; },
       [](BitString& b) { b.add(1, 5), b.add(0, 1), b.add(kEob, 8); }},
      {"DC difference 255", [](int16_t* z, int16_t* p) { z[0] = 200, *p = -55; },
       [](BitString& b) { b.add(8, 5), b.add(0xFF, 8), b.add(kEob, 8); }},
      {"DC difference -256", [](int16_t* z, int16_t*) { z[0] = -256; },
       [](BitString& b) { b.add(9, 5), b.add(0x0FF, 9), b.add(kEob, 8); }},
      {"DC difference 65535 has 16 extra bits", [](int16_t* z, int16_t* p) { z[0] = 32767, *p = -32768; },
       [](BitString& b) { b.add(16, 5), b.add(0xFFFF, 16), b.add(kEob, 8); }},
      {"DC difference -65535", [](int16_t* z, int16_t* p) { z[0] = -32768, *p = 32767; },
       [](BitString& b) { b.add(16, 5), b.add(0x0000, 16), b.add(kEob, 8); }},
      {"AC extremes", [](int16_t* z, int16_t*) { z[1] = 32767, z[2] = -32767, z[63] = -2; },
       [](BitString& b) {
         b.add(0, 5), b.add(ac_code(0, 15), 8), b.add(0x7FFF, 15), b.add(ac_code(0, 15), 8), b.add(0, 15);
         b.add(kZrl, 8), b.add(kZrl, 8), b.add(kZrl, 8), b.add(ac_code(12, 2), 8), b.add(1, 2);
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
    EXPECT_EQ(enc_rec(e.state)->bitCount, static_cast<int>(want.bits.size() % 8)) << c.name;
    EXPECT_EQ(e.bytes(), want.bytes(false)) << c.name;
    ASSERT_EQ(e.flush(), nmxStatusOk);
    EXPECT_EQ(e.bytes(), want.bytes(true)) << c.name;
    EXPECT_EQ(enc_rec(e.state)->bitCount, 0);
    EXPECT_EQ(enc_rec(e.state)->accumulator, 0u);
  }
}

TEST(HuffmanEncode8x8, FailuresKeepWhatWasWritten) {
  int16_t block[64] = {7, 1};
  // No code for the EOB: -64 after the DC and the first value went out.
  std::vector<uint8_t> syms = all_ac_symbols();
  syms.erase(syms.begin());  // drop 0x00
  Encoder e;
  e.ac = EncSpec(fixed_length_dht(8, syms));
  EXPECT_EQ(e.block(block), nmxStatusHuffTableErr);
  EXPECT_EQ(e.last, 7);  // updated at once
  EXPECT_EQ(e.pos, 2);   // 5 + 3 DC bits and the 8 + 1 bits of the value
  EXPECT_EQ(enc_rec(e.state)->bitCount, 1);
  // AC value -32768 has no symbol: -63.
  Encoder e2;
  block[9] = -32768;
  EXPECT_EQ(e2.block(block), nmxStatusBadCodeErr);
  // Empty tables: the first symbol fails, nothing is written.
  Encoder e3;
  e3.dc = EncSpec(Dht{});
  block[0] = 3;
  EXPECT_EQ(e3.block(block), nmxStatusHuffTableErr);
  EXPECT_EQ(e3.pos, 0);
  EXPECT_EQ(e3.last, 3);
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
    EXPECT_EQ(pos, c.pos) << "dstLen " << c.len;
    EXPECT_EQ(enc_rec(state)->accumulator, c.acc) << "dstLen " << c.len;
    EXPECT_EQ(enc_rec(state)->bitCount, c.count) << "dstLen " << c.len;
    const uint8_t want[3] = {0xFF, 0x00, 0x7F};
    EXPECT_EQ(std::memcmp(out.data(), want, static_cast<size_t>(c.pos)), 0) << "dstLen " << c.len;
    EXPECT_EQ(out[c.len], 0xEE) << "wrote past dstLen " << c.len;
  }
}

TEST(HuffmanEncodeOne, FlushAndCategory16) {
  EncSpec unary(unary_dc_dht()), dc(simple_dc_dht());
  EncState state;
  std::vector<uint8_t> out(8, 0xEE);
  int32_t pos = 0;
  auto one = [&](const int16_t* v, int32_t len, EncSpec& spec, int32_t flush) {
    return nmxiEncodeHuffmanOne_JPEG_16s1u_C1(v, out.data(), len, &pos, flush ? nullptr : spec.get(), state.get(),
                                              flush);
  };
  const int16_t v1 = 1, min = -32768;  // 1: code 10, extra bit 1
  ASSERT_EQ(one(&v1, 8, unary, 0), nmxStatusOk);
  EXPECT_EQ(pos, 0);
  ASSERT_EQ(one(nullptr, 8, unary, 1), nmxStatusOk);
  EXPECT_EQ(pos, 1);
  EXPECT_EQ(out[0], 0xBF);
  ASSERT_EQ(one(nullptr, 8, unary, 1), nmxStatusOk);  // nothing pending: nothing written
  EXPECT_EQ(pos, 1);
  // Pending bits and a full buffer: -62, and the state is reset anyway.
  ASSERT_EQ(one(&v1, 8, unary, 0), nmxStatusOk);
  EXPECT_EQ(one(nullptr, 1, unary, 1), nmxStatusBufferEndErr);
  EXPECT_EQ(enc_rec(state)->bitCount, 0);
  EXPECT_EQ(enc_rec(state)->accumulator, 0u);
  // -32768 is category 16: its code and no extra bits.
  pos = 0;
  ASSERT_EQ(one(&min, 8, dc, 0), nmxStatusOk);
  EXPECT_EQ(enc_rec(state)->bitCount, 5);
  ASSERT_EQ(one(nullptr, 8, dc, 1), nmxStatusOk);
  EXPECT_EQ(out[0], 0x87);  // 10000 111
}

struct Decoder {
  DecSpec dc{simple_dc_dht()}, ac{simple_ac_dht()};
  DecState state;
  std::vector<uint8_t> in;
  int32_t pos = 0, marker = 0;
  int16_t last = 0, out[64];
  nmxStatus block() {
    static const uint8_t none = 0;
    return nmxiDecodeHuffman8x8_JPEG_1u16s_C1(in.empty() ? &none : in.data(), static_cast<int32_t>(in.size()), &pos,
                                              out, &last, &marker, dc.get(), ac.get(), state.get());
  }
};

TEST(HuffmanDecode8x8, MarkerInTheMiddleOfABlock) {
  BitString b;
  b.add(3, 5), b.add(5, 3);  // DC +5
  for (int i = 0; i < 20; ++i) b.add(ac_code(0, 4), 8), b.add(9, 4);
  b.add(kEob, 8);
  std::vector<uint8_t> bytes = b.bytes();
  Decoder d;
  d.in.assign(bytes.begin(), bytes.begin() + 6);
  d.in.insert(d.in.end(), {0xFF, 0xD0});
  d.in.insert(d.in.end(), 40, 0x00);  // never read
  EXPECT_EQ(d.block(), nmxStatusBadCodeErr);
  EXPECT_EQ(d.marker, 0xD0);
  EXPECT_EQ(d.pos, 8);  // just past the marker
  EXPECT_EQ(d.last, 5);
  EXPECT_EQ(d.out[0], 5);
  EXPECT_EQ(d.out[kNat[1]], 9);  // values decoded from the bits that were held stay
  EXPECT_GT(dec_rec(d.state)->endPosition, 1);
  // While the marker is set, nothing more is read.
  EXPECT_EQ(d.block(), nmxStatusBadCodeErr);
  EXPECT_EQ(d.pos, 8);
}

TEST(HuffmanDecode8x8, StatusesAndEndPositions) {
  struct Case {
    const char* name;
    std::function<void(BitString&)> bits;  // or, when empty, the raw bytes
    std::vector<uint8_t> raw;
    nmxStatus want;
    int end_position;  // -1: not pinned
    Dht dc = simple_dc_dht();
  };
  auto zrl_runs = [](BitString& b, int last_run) {  // 3 x (15, 1) then (last_run, 1): k = 49 + last_run
    b.add(0, 5);
    for (int r : {15, 15, 15, last_run}) b.add(ac_code(r, 1), 8), b.add(1, 1);
  };
  const Case cases[] = {
      {"EOB after one value", [](BitString& b) { b.add(0, 5), b.add(ac_code(0, 1), 8), b.add(1, 1), b.add(kEob, 8); },
       {}, nmxStatusOk, 2},
      {"value at 63, no EOB", to_63, {}, nmxStatusOk, 64},
      {"ZRL past the end", [&](BitString& b) { zrl_runs(b, 13), b.add(kZrl, 8); }, {}, nmxStatusOk, 79},
      {"run stored at 63 from position 70",
       [&](BitString& b) { zrl_runs(b, 6), b.add(ac_code(14, 1), 8), b.add(0, 1); }, {}, nmxStatusOk, 71},
      {"run past 71", [&](BitString& b) { zrl_runs(b, 7), b.add(ac_code(15, 1), 8), b.add(1, 1); }, {},
       nmxStatusBadRunErr, 72},
      {"input ends inside a value", [](BitString& b) { b.add(0, 5), b.add(ac_code(0, 12), 8), b.add(0, 2); }, {},
       nmxStatusBufferEndErr, 2},
      {"empty input", nullptr, {}, nmxStatusBufferEndErr, 0},
      {"0xFF as the last byte", nullptr, {0x00, 0x00, 0xFF}, nmxStatusBufferEndErr, 0},
      {"code longer than 16 bits", nullptr, {0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0}, nmxStatusBadCodeErr, 0,
       Dht{{1}, {0}}},  // the one code "0"
      {"no codes at all", nullptr, std::vector<uint8_t>(16, 0x00), nmxStatusBadCodeErr, -1, Dht{}},
  };
  for (const Case& c : cases) {
    Decoder d;
    d.dc = DecSpec(c.dc);
    BitString b;
    if (c.bits) c.bits(b);
    d.in = c.bits ? b.bytes() : c.raw;
    EXPECT_EQ(d.block(), c.want) << c.name;
    if (c.end_position >= 0) EXPECT_EQ(dec_rec(d.state)->endPosition, c.end_position) << c.name;
    EXPECT_LE(d.pos, static_cast<int32_t>(d.in.size())) << c.name;
    if (c.end_position == 71) EXPECT_EQ(d.out[63], -1) << c.name;
  }
}

TEST(HuffmanDecode8x8, FillBytesBeforeAStuffedZero) {
  BitString b;
  b.add(3, 5), b.add(5, 3), b.add(ac_code(0, 8), 8), b.add(0xFF, 8), b.add(kEob, 8);
  const std::vector<uint8_t> bytes = b.bytes();
  std::vector<uint8_t> filled;
  for (uint8_t v : bytes) {
    filled.push_back(v);
    if (v == 0xFF) filled.insert(filled.end(), 3, 0xFF);
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

// ---- argument checks -----------------------------------------------------------

struct EncArgs {
  int16_t block[64] = {1, 2, 3};
  std::vector<uint8_t> dst = std::vector<uint8_t>(64, 0xEE);
  int32_t len = 64, pos = 0, flush = 0, bitpos = 0;
  int16_t last = 9;
  EncSpec dc{simple_dc_dht()}, ac{simple_ac_dht()};
  EncState state;
  const int16_t* pSrc = block;
  uint8_t* pDst = dst.data();
  int32_t *pPos = &pos, *pBitPos = &bitpos;
  int16_t* pLast = &last;
  const NmxEncodeHuffmanSpec *pDc = dc.get(), *pAc = ac.get();
  NmxEncodeHuffmanState* pState = state.get();
  bool untouched() const { return dst == std::vector<uint8_t>(64, 0xEE) && pos == 0 && last == 9 && bitpos == 0; }
};

TEST(HuffmanArgs, Encoders) {
  struct Case {
    const char* name;
    std::function<void(EncArgs&)> change;
    nmxStatus block, one, direct;
  };
  const Case cases[] = {
      {"pDst null and dstLen 0", [](EncArgs& a) { a.pDst = nullptr, a.len = 0; }, -8, -8, -8},
      {"dstLen 0 and pDstPos null", [](EncArgs& a) { a.len = 0, a.pPos = nullptr; }, -6, -6, 0},
      {"dstLen -5", [](EncArgs& a) { a.len = -5; }, -6, -6, 0},
      {"pDstPos null and pState null", [](EncArgs& a) { a.pPos = nullptr, a.pState = nullptr; }, -8, -8, 0},
      {"pState null", [](EncArgs& a) { a.pState = nullptr; }, -8, -8, 0},
      {"pSrc null", [](EncArgs& a) { a.pSrc = nullptr; }, -8, -8, -8},
      {"pDstBitPos null", [](EncArgs& a) { a.pBitPos = nullptr; }, 0, 0, -8},
      {"pLastDC null", [](EncArgs& a) { a.pLast = nullptr; }, -8, 0, -8},
      {"pDcSpec null", [](EncArgs& a) { a.pDc = nullptr; }, -8, -8, -8},
      {"pAcSpec null", [](EncArgs& a) { a.pAc = nullptr; }, -8, 0, -8},
      {"flush with the block pointers null",
       [](EncArgs& a) { a.flush = 1, a.pSrc = nullptr, a.pLast = nullptr, a.pDc = nullptr, a.pAc = nullptr; }, 0, 0,
       -8},
  };
  const std::function<nmxStatus(EncArgs&)> calls[] = {
      [](EncArgs& a) {
        return nmxiEncodeHuffman8x8_JPEG_16s1u_C1(a.pSrc, a.pDst, a.len, a.pPos, a.pLast, a.pDc, a.pAc, a.pState,
                                                  a.flush);
      },
      [](EncArgs& a) {
        return nmxiEncodeHuffmanOne_JPEG_16s1u_C1(a.pSrc, a.pDst, a.len, a.pPos, a.pDc, a.pState, a.flush);
      },
      [](EncArgs& a) {
        return nmxiEncodeHuffman8x8_Direct_JPEG_16s1u_C1(a.pSrc, a.pDst, a.pBitPos, a.pLast, a.pDc, a.pAc);
      }};
  for (const Case& c : cases)
    for (int f = 0; f < 3; ++f) {
      const nmxStatus want = f == 0 ? c.block : f == 1 ? c.one : c.direct;
      if (want == 0) continue;  // the export goes on to code
      EncArgs a;
      c.change(a);
      EXPECT_EQ(calls[f](a), want) << c.name << ", export " << f;
      EXPECT_TRUE(a.untouched()) << c.name << ", export " << f;
    }
  EncArgs a;  // a flush with the block pointers null succeeds
  cases[10].change(a);
  EXPECT_EQ(calls[0](a), nmxStatusOk);
  EXPECT_EQ(calls[1](a), nmxStatusOk);
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
  int32_t *pPos = &pos, *pMarker = &marker, *pBitPos = &bitpos, *pCount = &count;
  int16_t *pDst = out, *pLast = &last;
  const NmxDecodeHuffmanSpec *pDc = dc.get(), *pAc = ac.get();
  NmxDecodeHuffmanState* pState = state.get();
  uint32_t* pBuf = &buf;
  DecArgs() { std::fill(out, out + 64, int16_t{0x5555}); }
  bool untouched() const {
    return std::all_of(out, out + 64, [](int16_t v) { return v == 0x5555; }) && pos == 0 && last == 9 &&
           marker == 0 && buf == 0;
  }
};

TEST(HuffmanArgs, Decoders) {
  struct Case {
    const char* name;
    std::function<void(DecArgs&)> change;
    nmxStatus block, one, direct;  // 0: not an error for that export
  };
  const Case cases[] = {
      {"pSrc null and srcLen -1", [](DecArgs& a) { a.pSrc = nullptr, a.len = -1; }, -8, -8, -8},
      {"srcLen -1 and pSrcPos null", [](DecArgs& a) { a.len = -1, a.pPos = nullptr; }, -5, -6, 0},
      {"srcLen 0", [](DecArgs& a) { a.len = 0; }, 0, -6, 0},
      {"pSrcPos null", [](DecArgs& a) { a.pPos = nullptr; }, -8, -8, 0},
      {"pDst null", [](DecArgs& a) { a.pDst = nullptr; }, -8, -8, -8},
      {"pLastDC null", [](DecArgs& a) { a.pLast = nullptr; }, -8, 0, -8},
      {"pMarker null", [](DecArgs& a) { a.pMarker = nullptr; }, -8, -8, -8},
      {"pDcSpec null", [](DecArgs& a) { a.pDc = nullptr; }, -8, -8, -8},
      {"pAcSpec null", [](DecArgs& a) { a.pAc = nullptr; }, -8, 0, -8},
      {"pState null", [](DecArgs& a) { a.pState = nullptr; }, -8, -8, 0},
      {"pSrc null and *pSrcBitPos -1", [](DecArgs& a) { a.pSrc = nullptr, a.bitpos = -1; }, -8, -8, -8},
      {"pSrcBitPos null", [](DecArgs& a) { a.pBitPos = nullptr; }, 0, 0, -8},
      {"*pSrcBitPos -8 and pDst null", [](DecArgs& a) { a.bitpos = -8, a.pDst = nullptr; }, -8, -8, -5},
      {"pBitBuf null and *pBitCount -1", [](DecArgs& a) { a.pBuf = nullptr, a.count = -1; }, 0, 0, -8},
      {"pBitCount null", [](DecArgs& a) { a.pCount = nullptr; }, 0, 0, -8},
      {"*pBitCount -1 and pDcSpec null", [](DecArgs& a) { a.count = -1, a.pDc = nullptr; }, -8, -8, -5},
  };
  const std::function<nmxStatus(DecArgs&)> calls[] = {
      [](DecArgs& a) {
        return nmxiDecodeHuffman8x8_JPEG_1u16s_C1(a.pSrc, a.len, a.pPos, a.pDst, a.pLast, a.pMarker, a.pDc, a.pAc,
                                                  a.pState);
      },
      [](DecArgs& a) {
        return nmxiDecodeHuffmanOne_JPEG_1u16s_C1(a.pSrc, a.len, a.pPos, a.pDst, a.pMarker, a.pDc, a.pState);
      },
      [](DecArgs& a) {
        return nmxiDecodeHuffman8x8_Direct_JPEG_1u16s_C1(a.pSrc, a.pBitPos, a.pDst, a.pLast, a.pMarker, a.pBuf,
                                                         a.pCount, a.pDc, a.pAc);
      }};
  for (const Case& c : cases)
    for (int f = 0; f < 3; ++f) {
      const nmxStatus want = f == 0 ? c.block : f == 1 ? c.one : c.direct;
      if (want == 0) continue;
      DecArgs a;
      c.change(a);
      const int32_t bitpos = a.bitpos, count = a.count;
      EXPECT_EQ(calls[f](a), want) << c.name << ", export " << f;
      EXPECT_TRUE(a.untouched()) << c.name << ", export " << f;
      EXPECT_TRUE(a.bitpos == bitpos && a.count == count) << c.name << ", export " << f;
    }
  // A length of 0 is a valid (empty) input for the block decoder.
  DecArgs a;
  a.len = 0;
  EXPECT_EQ(calls[0](a), nmxStatusBufferEndErr);
}

// ---- random round trips ----------------------------------------------------------

// Blocks encoded with the buffered encoder decode back with the buffered and
// the direct decoders, and the direct encoder writes the same bytes, on the
// simple and on random tables (codes of up to 16 bits).
TEST(HuffmanRoundTrip, BufferedAndDirectCodersAgree) {
  Rng rng(17);
  for (int set = 0; set < 7; ++set) {
    const Dht dc = set ? random_dht(dc_symbols(), rng, 1 + set % 3) : simple_dc_dht();
    const Dht ac = set ? random_dht(all_ac_symbols(), rng, 1 + set % 4) : simple_ac_dht();
    EncSpec edc(dc), eac(ac);
    DecSpec ddc(dc), dac(ac);
    for (int round = 0; round < 12; ++round) {
      const size_t nblocks = 1 + rng() % 120;
      std::vector<int16_t> blocks(64 * nblocks);
      for (size_t b = 0; b < nblocks; ++b) random_block(&blocks[64 * b], rng);
      std::vector<uint8_t> out(200 * nblocks + 64, 0), dout(out.size(), 0);
      const int32_t len = static_cast<int32_t>(out.size());
      EncState state;
      int32_t pos = 0, bitpos = 0;
      int16_t last = 0, dlast = 0;
      for (size_t b = 0; b < nblocks; ++b) {
        const int16_t* blk = &blocks[64 * b];
        ASSERT_EQ(nmxiEncodeHuffman8x8_JPEG_16s1u_C1(blk, out.data(), len, &pos, &last, edc.get(), eac.get(),
                                                     state.get(), 0), nmxStatusOk);
        ASSERT_EQ(nmxiEncodeHuffman8x8_Direct_JPEG_16s1u_C1(blk, dout.data(), &bitpos, &dlast, edc.get(), eac.get()),
                  nmxStatusOk);
        EXPECT_EQ(pos, bitpos >> 3);
      }
      ASSERT_EQ(nmxiEncodeHuffman8x8_JPEG_16s1u_C1(nullptr, out.data(), len, &pos, nullptr, nullptr, nullptr,
                                                   state.get(), 1), nmxStatusOk);
      if (bitpos & 7) {  // the direct coder's caller pads the last byte
        uint8_t& tail = dout[bitpos >> 3];
        tail = static_cast<uint8_t>(tail | (0xFF >> (bitpos & 7)));
        bitpos = (bitpos | 7) + 1;
        if (tail == 0xFF) dout[bitpos >> 3] = 0, bitpos += 8;
      }
      ASSERT_EQ(pos, bitpos >> 3);
      ASSERT_TRUE(same(out.data(), dout.data(), static_cast<size_t>(pos)));
      out.resize(static_cast<size_t>(pos));
      out.insert(out.end(), {0xFF, 0xD9});

      DecState ds;
      int32_t rpos = 0, marker = 0, dbit = 0, dcount = 0, dmarker = 0;
      uint32_t dbuf = 0;
      int16_t rlast = 0, rdlast = 0, got[64], got2[64];
      for (size_t b = 0; b < nblocks; ++b) {
        ASSERT_EQ(nmxiDecodeHuffman8x8_JPEG_1u16s_C1(out.data(), static_cast<int32_t>(out.size()), &rpos, got, &rlast,
                                                     &marker, ddc.get(), dac.get(), ds.get()), nmxStatusOk);
        ASSERT_TRUE(same(&blocks[64 * b], got, 64, 8)) << "block " << b;
        ASSERT_EQ(nmxiDecodeHuffman8x8_Direct_JPEG_1u16s_C1(out.data(), &dbit, got2, &rdlast, &dmarker, &dbuf, &dcount,
                                                            ddc.get(), dac.get()), nmxStatusOk);
        ASSERT_TRUE(same(&blocks[64 * b], got2, 64, 8)) << "direct, block " << b;
      }
      // What is left before the marker is padding.
      EXPECT_LT(dec_rec(ds)->bitCount, 8 + (marker ? 0 : 32));
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
    const int32_t len = static_cast<int32_t>(out.size());
    EncState es;
    int32_t pos = 0;
    for (int16_t v : values)
      ASSERT_EQ(nmxiEncodeHuffmanOne_JPEG_16s1u_C1(&v, out.data(), len, &pos, e.get(), es.get(), 0), nmxStatusOk);
    ASSERT_EQ(nmxiEncodeHuffmanOne_JPEG_16s1u_C1(nullptr, out.data(), len, &pos, nullptr, es.get(), 1), nmxStatusOk);
    DecState ds;
    int32_t rpos = 0, marker = 0;
    for (size_t i = 0; i < values.size(); ++i) {
      int16_t v;
      ASSERT_EQ(nmxiDecodeHuffmanOne_JPEG_1u16s_C1(out.data(), pos, &rpos, &v, &marker, d.get(), ds.get()), nmxStatusOk)
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
    EXPECT_EQ(bitpos, start + 13);
    BitString want;
    want.add(0xA5 >> (8 - start), start);
    want.add(0, 5), want.add(kEob, 8);
    want.add(0, static_cast<int>((8 - want.bits.size() % 8) % 8));  // low bits of the last byte 0 (no 0xFF here)
    const std::vector<uint8_t> got(out.begin(), out.begin() + static_cast<long>(want.bits.size() / 8));
    EXPECT_EQ(got, want.bytes(false)) << "start " << start;
  }
}

TEST(HuffmanDirect, DecoderStopsAtAMarker) {
  DecSpec dc(simple_dc_dht()), ac(simple_ac_dht());
  int32_t bitpos = 0, marker = 0, count = 0;
  uint32_t buf = 0;
  int16_t last = 4, out[64];
  auto decode = [&](const std::vector<uint8_t>& in) {
    return nmxiDecodeHuffman8x8_Direct_JPEG_1u16s_C1(in.data(), &bitpos, out, &last, &marker, &buf, &count, dc.get(),
                                                     ac.get());
  };
  // DC 0 and EOB, then 3 padding bits, then a restart marker.
  BitString b;
  b.add(0, 5), b.add(kEob, 8);
  std::vector<uint8_t> in = b.bytes();
  in.insert(in.end(), {0xFF, 0xD3});
  ASSERT_EQ(decode(in), nmxStatusOk);
  EXPECT_EQ(out[0], 4);
  EXPECT_EQ(marker, 0xD3);
  EXPECT_EQ(bitpos, 8 * 4);
  EXPECT_EQ(count, 3);  // the padding bits
  // Next block: the padding 111 + zero fill looks up category 7 (5 bits): more bits than held.
  EXPECT_EQ(decode(in), nmxStatusBadCodeErr);
  // With nothing held: 0, block incomplete (zeros), nothing read.
  count = 0;
  std::fill(out, out + 64, int16_t{7});
  EXPECT_EQ(decode(in), nmxStatusOk);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(bitpos, 8 * 4);
  for (int16_t v : out) EXPECT_EQ(v, 0);
  // A value whose bits lie past the marker: -62.
  BitString c;
  c.add(12, 5), c.add(0, 4);  // category 12 needs 12 bits, 4 are there before the marker
  in = c.bytes();
  in.insert(in.end(), {0xFF, 0xD4});
  bitpos = 0, marker = 0, count = 0, buf = 0;
  EXPECT_EQ(decode(in), nmxStatusBufferEndErr);
  EXPECT_EQ(marker, 0xD4);
}

}  // namespace
}  // namespace nmx::test

// Baseline block coding through the exports: the bit patterns of the edge
// cases, the byte-stream rules (stuffing, padding, fill bytes, markers), the
// statuses and the state they leave, argument-check order, and random round
// trips through the buffered and direct coders.
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

// A block as (zig-zag position, value) pairs; every other coefficient 0.
using Block = std::vector<std::pair<int, int>>;

// A DC table of nested codes: category c (0..8) has c ones then a zero.
Dht unary_dc_dht() {
  Dht d;
  for (int L = 1; L <= 9; ++L) d.counts[L - 1] = 1, d.symbols.push_back(static_cast<uint8_t>(L - 1));
  return d;
}

uint32_t ac_code(int run, int cat) { return simple_ac_code(run << 4 | cat); }
const uint32_t kZrl = simple_ac_code(0xF0), kEob = simple_ac_code(0x00);
// DC 0, three ZRLs and (14, 1) with the value 1: position 63, no EOB.
const Bits kTo63 = {{0, 5}, {kZrl, 8}, {kZrl, 8}, {kZrl, 8}, {ac_code(14, 1), 8}, {1, 1}};
// DC +5 and 255 at position 1, whose value bits are a whole 0xFF byte.
const std::vector<uint8_t> k255 = stream({{3, 5}, {5, 3}, {ac_code(0, 8), 8}, {0xFF, 8}, {kEob, 8}});
// The same stream with three fill bytes before the stuffed 0x00.
std::vector<uint8_t> with_fill(const std::vector<uint8_t>& s) {
  std::vector<uint8_t> out;
  for (uint8_t v : s) {
    out.push_back(v);
    if (v == 0xFF) out.insert(out.end(), 3, 0xFF);
  }
  return out;
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
  nmxStatus direct(const int16_t* b, uint8_t* dst, int32_t* bitpos, int16_t* lastDC) {
    return nmxiEncodeHuffman8x8_Direct_JPEG_16s1u_C1(b, dst, bitpos, lastDC, dc.get(), ac.get());
  }
  std::vector<uint8_t> bytes() const { return {out.begin(), out.begin() + pos}; }
};

// Each block through the buffered encoder (bytes before and after the flush,
// state) and through the direct encoder, which starts after 0..7 bits already
// in its first byte and leaves the unused low bits of its last byte 0.
TEST(HuffmanEncode8x8, EdgeCaseBitPatterns) {
  struct Case {
    const char* name;
    int16_t pred;
    Block coefs;
    Bits want;
  };
  Block minus_ones;
  Bits minus_bits{{0, 5}};
  for (int k = 1; k < 48; ++k) minus_ones.push_back({k, -1}), minus_bits.push_back({ac_code(0, 1), 8}),
                               minus_bits.push_back({0, 1});
  const Case cases[] = {
      {"zero block", 0, {}, {{0, 5}, {kEob, 8}}},
      {"only position 63", 0, {{63, 1}}, kTo63},
      {"16 trailing zeros give EOB only", 0, minus_ones, minus_bits + Bits{{kEob, 8}}},
      {"run of 17 then a value", 0, {{18, 3}}, {{0, 5}, {kZrl, 8}, {ac_code(1, 2), 8}, {3, 2}, {kEob, 8}}},
      {"DC difference -1", 5, {{0, 4}}, {{1, 5}, {0, 1}, {kEob, 8}}},
      {"DC difference 255", -55, {{0, 200}}, {{8, 5}, {0xFF, 8}, {kEob, 8}}},
      {"DC difference -256", 0, {{0, -256}}, {{9, 5}, {0x0FF, 9}, {kEob, 8}}},
      {"DC difference 65535 has 16 extra bits", -32768, {{0, 32767}}, {{16, 5}, {0xFFFF, 16}, {kEob, 8}}},
      {"DC difference -65535", 32767, {{0, -32768}}, {{16, 5}, {0x0000, 16}, {kEob, 8}}},
      {"AC extremes", 0, {{1, 32767}, {2, -32767}, {63, -2}},
       {{0, 5}, {ac_code(0, 15), 8}, {0x7FFF, 15}, {ac_code(0, 15), 8}, {0, 15}, {kZrl, 8}, {kZrl, 8}, {kZrl, 8},
        {ac_code(12, 2), 8}, {1, 2}}},
  };
  int start = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int16_t block[64] = {};
    for (auto [k, v] : c.coefs) block[kNat[k]] = static_cast<int16_t>(v);
    Encoder e;
    e.last = c.pred;
    ASSERT_EQ(e.block(block), nmxStatusOk);
    EXPECT_EQ(e.last, block[0]);
    // Whole bytes are out, the rest is pending until the flush.
    EXPECT_EQ(enc_rec(e.state)->bitCount, bit_count(c.want) % 8);
    EXPECT_EQ(e.bytes(), stream(c.want, -1));
    ASSERT_EQ(e.flush(), nmxStatusOk);
    EXPECT_EQ(e.bytes(), stream(c.want));
    EXPECT_EQ(enc_rec(e.state)->bitCount, 0);
    EXPECT_EQ(enc_rec(e.state)->accumulator, 0u);

    start = (start + 3) % 8;
    const Bits want = Bits{{0xA5u >> (8 - start), start}} + c.want;
    std::vector<uint8_t> out(600, 0xEE);
    out[0] = static_cast<uint8_t>(0xA5 & ~(0xFF >> start));
    int32_t bitpos = start;
    int16_t last = c.pred;
    ASSERT_EQ(e.direct(block, out.data(), &bitpos, &last), nmxStatusOk);
    EXPECT_EQ(last, block[0]);
    EXPECT_EQ(bitpos, 8 * static_cast<int32_t>(stream(want, -1).size()) + bit_count(want) % 8);
    const std::vector<uint8_t> bytes = stream(want, 0);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + static_cast<long>(bytes.size())), bytes);
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
  // AC value -32768 has no symbol: -63. The direct encoder, which cannot
  // fail, codes it as -32767.
  Encoder e2;
  block[9] = -32768;
  EXPECT_EQ(e2.block(block), nmxStatusBadCodeErr);
  int16_t near[64];
  std::copy(block, block + 64, near);
  near[9] = -32767;
  std::vector<uint8_t> d1(64), d2(64);
  int32_t p1 = 0, p2 = 0;
  int16_t l1 = 0, l2 = 0;
  ASSERT_EQ(e2.direct(block, d1.data(), &p1, &l1), nmxStatusOk);
  ASSERT_EQ(e2.direct(near, d2.data(), &p2, &l2), nmxStatusOk);
  EXPECT_EQ(p1, p2);
  EXPECT_EQ(d1, d2);
  // Empty tables: the first symbol fails, nothing is written.
  Encoder e3;
  e3.dc = EncSpec(Dht{});
  block[0] = 3;
  EXPECT_EQ(e3.block(block), nmxStatusHuffTableErr);
  EXPECT_EQ(e3.pos, 0);
  EXPECT_EQ(e3.last, 3);
}

// EncodeOne with codes of c ones then a zero: 255 (category 8) gives the
// code 111111110 and the extra bits 11111111, so the stream begins 0xFF 0x00
// 0x7F; a put that finds no room leaves the state as before it. A flush pads
// with 1 bits and resets the state, also when it fails; -32768 is category 16
// (its code and no extra bits).
TEST(HuffmanEncodeOne, BufferEndFlushAndCategory16) {
  EncSpec unary(unary_dc_dht()), dc(simple_dc_dht());
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
  const uint8_t ff[3] = {0xFF, 0x00, 0x7F};
  const int16_t v255 = 255, v1 = 1, min = -32768;  // 1: code 10, extra bit 1
  for (const auto& c : cases) {
    EncState state;
    std::vector<uint8_t> out(8, 0xEE);
    int32_t pos = 0;
    SCOPED_TRACE("dstLen " + std::to_string(c.len));
    EXPECT_EQ(nmxiEncodeHuffmanOne_JPEG_16s1u_C1(&v255, out.data(), c.len, &pos, unary.get(), state.get(), 0), c.want);
    EXPECT_EQ(pos, c.pos);
    EXPECT_EQ(enc_rec(state)->accumulator, c.acc);
    EXPECT_EQ(enc_rec(state)->bitCount, c.count);
    EXPECT_TRUE(std::equal(ff, ff + c.pos, out.begin()));
    EXPECT_EQ(out[c.len], 0xEE) << "wrote past dstLen";
  }
  EncState state;
  std::vector<uint8_t> out(8, 0xEE);
  int32_t pos = 0;
  auto one = [&](const int16_t* v, int32_t len, EncSpec* spec) {
    return nmxiEncodeHuffmanOne_JPEG_16s1u_C1(v, out.data(), len, &pos, spec ? spec->get() : nullptr, state.get(),
                                              spec ? 0 : 1);
  };
  ASSERT_EQ(one(&v1, 8, &unary), nmxStatusOk);
  EXPECT_EQ(pos, 0);
  ASSERT_EQ(one(nullptr, 8, nullptr), nmxStatusOk);
  EXPECT_EQ(pos, 1);
  EXPECT_EQ(out[0], 0xBF);
  ASSERT_EQ(one(nullptr, 8, nullptr), nmxStatusOk);  // nothing pending: nothing written
  EXPECT_EQ(pos, 1);
  ASSERT_EQ(one(&v1, 8, &unary), nmxStatusOk);
  EXPECT_EQ(one(nullptr, 1, nullptr), nmxStatusBufferEndErr);  // pending bits and a full buffer
  EXPECT_EQ(enc_rec(state)->bitCount, 0);
  EXPECT_EQ(enc_rec(state)->accumulator, 0u);
  pos = 0;
  ASSERT_EQ(one(&min, 8, &dc), nmxStatusOk);
  EXPECT_EQ(enc_rec(state)->bitCount, 5);
  ASSERT_EQ(one(nullptr, 8, nullptr), nmxStatusOk);
  EXPECT_EQ(out[0], 0x87);  // 10000 111
}

// The decoded block is exactly the given one.
void expect_block(const int16_t* got, const Block& values) {
  int16_t want[64] = {};
  for (auto [k, v] : values) want[kNat[k]] = static_cast<int16_t>(v);
  EXPECT_TRUE(same(want, got, 64, 8));
}

TEST(HuffmanDecode8x8, StreamsStatusesAndState) {
  struct Case {
    const char* name;
    std::vector<uint8_t> in;
    nmxStatus want;
    int end;                                 // end position; -1: not pinned
    Block block;  // the decoded block
    int32_t pos = -1, marker = 0, held = -1;  // afterwards (position, marker, bits held); -1: not pinned
    Dht dc = simple_dc_dht();
  };
  auto runs = [](int last_run) {  // 3 x (15, 1) then (last_run, 1) with the value 1: position 49 + last_run
    Bits b{{0, 5}};
    for (int r : {15, 15, 15, last_run}) b.push_back({ac_code(r, 1), 8}), b.push_back({1, 1});
    return b;
  };
  const Block ones{{16, 1}, {32, 1}, {48, 1}};
  Bits fours{{3, 5}, {5, 3}};  // DC +5, then 20 values 9
  for (int i = 0; i < 20; ++i) fours.push_back({ac_code(0, 4), 8}), fours.push_back({9, 4});
  const std::vector<uint8_t> cut = stream(fours);
  const Case cases[] = {
      {"EOB after one value", stream({{0, 5}, {ac_code(0, 1), 8}, {1, 1}, {kEob, 8}}), nmxStatusOk, 2, {{1, 1}}},
      {"value at 63, no EOB", stream(kTo63), nmxStatusOk, 64, {{63, 1}}},
      {"ZRL past the end", stream(runs(13) + Bits{{kZrl, 8}}), nmxStatusOk, 79, ones + Block{{62, 1}}},
      {"run stored at 63 from position 70", stream(runs(6) + Bits{{ac_code(14, 1), 8}, {0, 1}}), nmxStatusOk, 71,
       ones + Block{{55, 1}, {63, -1}}},
      {"run past 71", stream(runs(7) + Bits{{ac_code(15, 1), 8}, {1, 1}}), nmxStatusBadRunErr, 72,
       ones + Block{{56, 1}}},
      {"input ends inside a value", stream({{0, 5}, {ac_code(0, 12), 8}, {0, 2}}), nmxStatusBufferEndErr, 2, {}},
      {"empty input", {}, nmxStatusBufferEndErr, 0, {}},
      {"0xFF as the last byte", {0x00, 0x00, 0xFF}, nmxStatusBufferEndErr, 0, {}},
      // The search gives up after the 17th bit: 15 of the 32 bits stay.
      {"code longer than 16 bits", {0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0}, nmxStatusBadCodeErr, 0, {}, -1, 0, 15,
       Dht{{1}, {0}}},  // the one code "0"
      {"no codes at all", std::vector<uint8_t>(16, 0x00), nmxStatusBadCodeErr, -1, {}, -1, 0, -1, Dht{}},
      // The values decoded from the bits held before the marker stay; the
      // position is just past the marker, and the bytes after it are never read.
      {"marker inside a block", std::vector<uint8_t>(cut.begin(), cut.begin() + 6) + std::vector<uint8_t>{0xFF, 0xD0} +
                                    std::vector<uint8_t>(40, 0x00),
       nmxStatusBadCodeErr, 4, {{0, 5}, {1, 9}, {2, 9}, {3, 9}}, 8, 0xD0},
      {"a 0xFF value byte", k255, nmxStatusOk, 2, {{0, 5}, {1, 255}}, 5},
      {"fill bytes before a stuffed 0x00", with_fill(k255), nmxStatusOk, 2, {{0, 5}, {1, 255}}, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DecSpec dc(c.dc), ac(simple_ac_dht());
    DecState state;
    static const uint8_t none = 0;
    const uint8_t* src = c.in.empty() ? &none : c.in.data();
    const int32_t len = static_cast<int32_t>(c.in.size());
    int32_t pos = 0, marker = 0;
    int16_t last = 0, out[64];
    auto decode = [&] {
      return nmxiDecodeHuffman8x8_JPEG_1u16s_C1(src, len, &pos, out, &last, &marker, dc.get(), ac.get(), state.get());
    };
    EXPECT_EQ(decode(), c.want);
    if (c.end >= 0) EXPECT_EQ(dec_rec(state)->endPosition, c.end);
    expect_block(out, c.block);
    EXPECT_EQ(last, out[0]);
    EXPECT_EQ(marker, c.marker);
    EXPECT_LE(pos, len);
    if (c.pos >= 0) EXPECT_EQ(pos, c.pos);
    if (c.held >= 0) EXPECT_EQ(dec_rec(state)->bitCount, c.held);
    if (c.marker) {  // while the marker is set, nothing more is read
      EXPECT_EQ(decode(), nmxStatusBadCodeErr);
      EXPECT_EQ(pos, c.pos);
    }
  }
}

// The direct decoder has no input length: it reads until a marker, and a
// block cut short by one is an empty block (nothing held) or -63 (a code
// needs bits beyond it) or -62 (a value does).
TEST(HuffmanDirect, DecoderAtMarkersAndFillBytes) {
  DecSpec dc(simple_dc_dht()), ac(simple_ac_dht());
  const std::vector<uint8_t> rst3 = stream({{0, 5}, {kEob, 8}}) + std::vector<uint8_t>{0xFF, 0xD3};
  const std::vector<uint8_t> eoi{0xFF, 0xD9};
  struct Case {
    const char* name;
    std::vector<uint8_t> in;
    int32_t marker0, held0;  // starting marker and bits held (bitBuf 0, or 0b111 when `ones`)
    bool ones;
    nmxStatus want;
    Block block;
    int32_t marker, bytes, held;  // afterwards: marker, bytes read, bits held (-1: not pinned)
  };
  const Case cases[] = {
      {"block, 3 padding bits and RSTn", rst3, 0, 0, false, nmxStatusOk, {{0, 4}}, 0xD3, 4, 3},
      {"only the padding held", rst3, 0xD3, 3, true, nmxStatusBadCodeErr, {}, 0xD3, 0, -1},
      {"a 5-bit code with 3 bits held", rst3, 0xD3, 3, false, nmxStatusBadCodeErr, {}, 0xD3, 0, -1},
      {"nothing held", rst3, 0xD3, 0, false, nmxStatusOk, {}, 0xD3, 0, 0},
      {"value bits beyond the marker", stream({{12, 5}, {0, 4}}) + std::vector<uint8_t>{0xFF, 0xD4}, 0, 0, false,
       nmxStatusBufferEndErr, {}, 0xD4, 4, 11},
      {"a 0xFF value byte", k255 + eoi, 0, 0, false, nmxStatusOk, {{0, 5 + 4}, {1, 255}}, 0, -1, -1},
      {"fill bytes before a stuffed 0x00", with_fill(k255) + eoi, 0, 0, false, nmxStatusOk, {{0, 5 + 4}, {1, 255}},
       0, -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A marker already met: the bytes before it were read.
    int32_t bitpos = c.marker0 ? 8 * static_cast<int32_t>(c.in.size()) : 0, marker = c.marker0, held = c.held0;
    const int32_t bitpos0 = bitpos;
    uint32_t buf = c.ones ? 7 : 0;
    int16_t last = 4, out[64];
    std::fill(out, out + 64, int16_t{7});
    EXPECT_EQ(nmxiDecodeHuffman8x8_Direct_JPEG_1u16s_C1(c.in.data(), &bitpos, out, &last, &marker, &buf, &held,
                                                        dc.get(), ac.get()),
              c.want);
    expect_block(out, c.block);
    EXPECT_EQ(marker, c.marker);
    if (c.bytes >= 0) EXPECT_EQ(bitpos - bitpos0, 8 * c.bytes);
    if (c.held >= 0) EXPECT_EQ(held, c.held);
  }
}

// ---- argument checks -----------------------------------------------------------

// Each case against each export: the status it must give first (0: the
// export goes on to code) with nothing it writes touched.
template <class Args, class Case, size_t N, size_t F>
void check_args(const Case (&cases)[N], const std::function<nmxStatus(Args&)> (&calls)[F]) {
  for (const Case& c : cases)
    for (size_t f = 0; f < F; ++f) {
      if (c.want[f] == 0) continue;
      Args a;
      c.change(a);
      EXPECT_EQ(calls[f](a), c.want[f]) << c.name << ", export " << f;
      EXPECT_TRUE(a.untouched()) << c.name << ", export " << f;
    }
}

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
    nmxStatus want[3];  // 8x8, One, Direct
  };
  auto flush_only = [](EncArgs& a) { a.flush = 1, a.pSrc = nullptr, a.pLast = nullptr, a.pDc = a.pAc = nullptr; };
  const Case cases[] = {
      {"pDst null and dstLen 0", [](EncArgs& a) { a.pDst = nullptr, a.len = 0; }, {-8, -8, -8}},
      {"dstLen 0 and pDstPos null", [](EncArgs& a) { a.len = 0, a.pPos = nullptr; }, {-6, -6, 0}},
      {"dstLen -5", [](EncArgs& a) { a.len = -5; }, {-6, -6, 0}},
      {"pDstPos null and pState null", [](EncArgs& a) { a.pPos = nullptr, a.pState = nullptr; }, {-8, -8, 0}},
      {"pState null", [](EncArgs& a) { a.pState = nullptr; }, {-8, -8, 0}},
      {"pSrc null", [](EncArgs& a) { a.pSrc = nullptr; }, {-8, -8, -8}},
      {"pDstBitPos null", [](EncArgs& a) { a.pBitPos = nullptr; }, {0, 0, -8}},
      {"pLastDC null", [](EncArgs& a) { a.pLast = nullptr; }, {-8, 0, -8}},
      {"pDcSpec null", [](EncArgs& a) { a.pDc = nullptr; }, {-8, -8, -8}},
      {"pAcSpec null", [](EncArgs& a) { a.pAc = nullptr; }, {-8, 0, -8}},
      {"flush with the block pointers null", flush_only, {0, 0, -8}},
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
  check_args(cases, calls);
  EncArgs a;  // a flush needs none of the block pointers
  flush_only(a);
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
  int32_t bitpos0 = 0, count0 = 0;  // as the case set them
  DecArgs() { std::fill(out, out + 64, int16_t{0x5555}); }
  bool untouched() const {
    return std::all_of(out, out + 64, [](int16_t v) { return v == 0x5555; }) && pos == 0 && last == 9 &&
           marker == 0 && buf == 0 && bitpos == bitpos0 && count == count0;
  }
};

TEST(HuffmanArgs, Decoders) {
  struct Case {
    const char* name;
    std::function<void(DecArgs&)> change;
    nmxStatus want[3];  // 8x8, One, Direct
  };
  const Case cases[] = {
      {"pSrc null and srcLen -1", [](DecArgs& a) { a.pSrc = nullptr, a.len = -1; }, {-8, -8, -8}},
      {"srcLen -1 and pSrcPos null", [](DecArgs& a) { a.len = -1, a.pPos = nullptr; }, {-5, -6, 0}},
      {"srcLen 0", [](DecArgs& a) { a.len = 0; }, {0, -6, 0}},
      {"pSrcPos null", [](DecArgs& a) { a.pPos = nullptr; }, {-8, -8, 0}},
      {"pDst null", [](DecArgs& a) { a.pDst = nullptr; }, {-8, -8, -8}},
      {"pLastDC null", [](DecArgs& a) { a.pLast = nullptr; }, {-8, 0, -8}},
      {"pMarker null", [](DecArgs& a) { a.pMarker = nullptr; }, {-8, -8, -8}},
      {"pDcSpec null", [](DecArgs& a) { a.pDc = nullptr; }, {-8, -8, -8}},
      {"pAcSpec null", [](DecArgs& a) { a.pAc = nullptr; }, {-8, 0, -8}},
      {"pState null", [](DecArgs& a) { a.pState = nullptr; }, {-8, -8, 0}},
      {"pSrc null and *pSrcBitPos -1", [](DecArgs& a) { a.pSrc = nullptr, a.bitpos = a.bitpos0 = -1; }, {-8, -8, -8}},
      {"pSrcBitPos null", [](DecArgs& a) { a.pBitPos = nullptr; }, {0, 0, -8}},
      {"*pSrcBitPos -8 and pDst null", [](DecArgs& a) { a.bitpos = a.bitpos0 = -8, a.pDst = nullptr; }, {-8, -8, -5}},
      {"pBitBuf null and *pBitCount -1", [](DecArgs& a) { a.pBuf = nullptr, a.count = a.count0 = -1; }, {0, 0, -8}},
      {"pBitCount null", [](DecArgs& a) { a.pCount = nullptr; }, {0, 0, -8}},
      {"*pBitCount -1 and pDcSpec null", [](DecArgs& a) { a.count = a.count0 = -1, a.pDc = nullptr; }, {-8, -8, -5}},
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
  check_args(cases, calls);
  // A length of 0 is a valid (empty) input for the block decoder.
  DecArgs a;
  a.len = 0;
  EXPECT_EQ(calls[0](a), nmxStatusBufferEndErr);
}

// ---- random round trips ----------------------------------------------------------

// Blocks encoded with the buffered encoder decode back with the buffered and
// the direct decoders, and the direct encoder writes the same bytes; single
// values (extremes included) go through EncodeOne and back with the DC table.
// On the simple and on random tables (codes of up to 16 bits).
TEST(HuffmanRoundTrip, BlocksAndSingleValues) {
  Rng rng(17);
  for (int set = 0; set < 7; ++set) {
    const Dht dc = set ? random_dht(dc_symbols(), rng, 1 + set % 3) : simple_dc_dht();
    const Dht ac = set ? random_dht(all_ac_symbols(), rng, 1 + set % 4) : simple_ac_dht();
    EncSpec edc(dc), eac(ac);
    DecSpec ddc(dc), dac(ac);
    for (int round = 0; round < 12; ++round) {
      SCOPED_TRACE("table set " + std::to_string(set) + " round " + std::to_string(round));
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
      ASSERT_EQ(pos, pad_direct(dout.data(), bitpos));
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

      std::vector<int16_t> values(40);
      fill(values.data(), values.size(), rng, round % 2 ? Fill::Extremes : Fill::Uniform);
      for (size_t i = 0; i < values.size(); i += 3) values[i] = static_cast<int16_t>(values[i] >> (rng() % 16));
      EncState es;
      DecState vs;
      pos = rpos = marker = 0;
      for (int16_t v : values)
        ASSERT_EQ(nmxiEncodeHuffmanOne_JPEG_16s1u_C1(&v, out.data(), len, &pos, edc.get(), es.get(), 0), nmxStatusOk);
      ASSERT_EQ(nmxiEncodeHuffmanOne_JPEG_16s1u_C1(nullptr, out.data(), len, &pos, nullptr, es.get(), 1), nmxStatusOk);
      for (size_t i = 0; i < values.size(); ++i) {
        int16_t v;
        ASSERT_EQ(nmxiDecodeHuffmanOne_JPEG_1u16s_C1(out.data(), pos, &rpos, &v, &marker, ddc.get(), vs.get()),
                  nmxStatusOk) << "value " << i;
        ASSERT_EQ(v, values[i]) << "value " << i;
      }
    }
  }
}

}  // namespace
}  // namespace nmx::test

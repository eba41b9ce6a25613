// Fast block coders of every target against the plain forms: identical
// statuses, bytes, positions, DC predictors and whole state records, block
// after block, on random tables (some lacking symbols), random and extreme
// blocks, random starting states, buffers that end anywhere (near the end the
// fast paths must give up cleanly), and streams with markers, fill bytes,
// truncation and corruption.
#include <cstring>

#include "jpeg/huffman/huff_test_util.h"
#include "jpeg/huffman/huffman_bits.h"
#include "jpeg/huffman/huffman_kernels.h"

namespace nmx::huff {
namespace {

using test::Dht;
using test::Rng;

struct Specs {
  std::vector<uint8_t> emem = std::vector<uint8_t>(2 * 1024 + 3), dmem = std::vector<uint8_t>(2 * 1644 + 3);
  EncodeSpec* enc(int i) { return reinterpret_cast<EncodeSpec*>(emem.data() + 1 + 1024 * i); }
  DecodeSpec* dec(int i) { return reinterpret_cast<DecodeSpec*>(dmem.data() + 3 + 1644 * i); }
};

// DC and AC tables: random lengths, sometimes with symbols left out.
Specs random_specs(Rng& rng, int round) {
  Specs s;
  std::vector<uint8_t> dc = test::dc_symbols(round % 3 ? 15 : 16), ac = test::all_ac_symbols();
  if (round % 5 == 4) ac.erase(ac.begin() + static_cast<long>(rng() % ac.size()));
  if (round % 7 == 6) dc.erase(dc.begin() + static_cast<long>(rng() % dc.size()));
  const Dht d = round % 11 == 0 ? test::simple_dc_dht() : test::random_dht(dc, rng, 1 + round % 3);
  const Dht a = round % 11 == 0 ? test::simple_ac_dht() : test::random_dht(ac, rng, 1 + round % 5);
  EXPECT_EQ(build_encode_spec(d.counts, d.symbols.data(), s.enc(0)), nmxStatusOk);
  EXPECT_EQ(build_encode_spec(a.counts, a.symbols.data(), s.enc(1)), nmxStatusOk);
  EXPECT_EQ(build_decode_spec(d.counts, d.symbols.data(), s.dec(0)), nmxStatusOk);
  EXPECT_EQ(build_decode_spec(a.counts, a.symbols.data(), s.dec(1)), nmxStatusOk);
  return s;
}

void random_block(int16_t* b, Rng& rng, int round) {
  test::random_block(b, rng, 15);
  if (round % 13 == 12) {  // no AC symbol: the plain form reports it
    if (rng() % 2) {
      b[1 + rng() % 63] = -32768;
    } else {  // after exactly 14, 15 or 16 zeros: the symbols next to ZRL's and past the table's end
      const int first = 1 + static_cast<int>(rng() % 20), at = first + 15 + static_cast<int>(rng() % 3);
      for (int z = first + 1; z < 64; ++z) b[kZigzag[z]] = 0;
      if (at < 64) b[kZigzag[at]] = -32768;
    }
  }
  if (round % 3 == 0) b[0] = static_cast<int16_t>(rng());  // any DC difference, category 16 included
}

struct EncSide {
  std::vector<uint8_t> out;
  std::vector<uint8_t> state_mem = std::vector<uint8_t>(1048 + 1);
  int32_t pos = 0;
  int16_t last = 0;
  EncodeState* state() { return reinterpret_cast<EncodeState*>(state_mem.data() + 1); }
};

TEST(KernelCheck, HuffmanEncodeBlockFastPathsMatchThePlainForm) {
  Rng rng(41);
  for (Target t : test::vector_targets()) {
    const Kernels k = kernels_for(t);
    int fast_taken = 0, blocks = 0;
    for (int round = 0; round < 300; ++round) {
      Specs specs = random_specs(rng, round);
      EncSide a, b;
      const size_t cap = 64 + rng() % 3000;
      a.out.assign(cap + 64, 0xEE);
      b.out.assign(cap + 64, 0xEE);
      const int32_t dstLen = static_cast<int32_t>(cap);
      a.pos = b.pos = static_cast<int32_t>(rng() % 40);
      a.last = b.last = static_cast<int16_t>(rng());
      // A starting state as the byte writer leaves it: pending bits under bit
      // 24, the last byte written above them.
      const int n = static_cast<int>(rng() % 8);
      const uint32_t acc = (static_cast<uint32_t>(rng()) & 0xFF000000u) |
                           ((static_cast<uint32_t>(rng()) & ((1u << n) - 1u)) << (24 - n));
      for (EncSide* s : {&a, &b}) {
        reset(s->state());
        s->state()->accumulator = acc;
        s->state()->bitCount = n;
      }
      for (int i = 0; i < 40; ++i) {
        int16_t block[64];
        random_block(block, rng, round);
        // The fast path alone, on a copy, to know that it does its share.
        {
          EncSide c = b;
          ASSERT_NE(k.encode_fast, nullptr);
          if (k.encode_fast(block, c.out.data(), dstLen, &c.pos, &c.last, specs.enc(0), specs.enc(1), c.state()))
            ++fast_taken;
          ++blocks;
        }
        SCOPED_TRACE(std::string(target_name(t)) + " round " + std::to_string(round) + " block " + std::to_string(i));
        const nmxStatus sa =
            encode_block_ref(block, a.out.data(), dstLen, &a.pos, &a.last, specs.enc(0), specs.enc(1), a.state());
        const nmxStatus sb =
            k.encode_block(block, b.out.data(), dstLen, &b.pos, &b.last, specs.enc(0), specs.enc(1), b.state());
        ASSERT_EQ(sa, sb);
        ASSERT_TRUE(a.pos == b.pos && a.last == b.last) << a.pos << " " << b.pos << ", " << a.last << " " << b.last;
        ASSERT_TRUE(test::same(a.out.data(), b.out.data(), static_cast<size_t>(a.pos)));
        ASSERT_TRUE(test::same(a.state_mem.data(), b.state_mem.data(), a.state_mem.size())) << "state";
        for (size_t j = cap; j < a.out.size(); ++j) ASSERT_EQ(b.out[j], 0xEE) << "wrote past dstLen";
        if (sa != nmxStatusOk) break;  // the stream is abandoned
      }
    }
    // Most blocks have room and codes: the fast path must take them.
    EXPECT_GT(fast_taken, blocks / 2) << target_name(t);
  }
}

// A stream of random blocks from the plain encoder, with restart markers
// every few blocks.
std::vector<uint8_t> make_stream(Rng& rng, Specs& specs, int round) {
  std::vector<uint8_t> out(200000);
  int32_t pos = 0;
  std::vector<uint8_t> st(1048);
  auto* state = reinterpret_cast<EncodeState*>(st.data());
  reset(state);
  int16_t last = 0;
  const int nblocks = 20 + static_cast<int>(rng() % 200);
  const int interval = 1 + static_cast<int>(rng() % 12);
  for (int i = 0; i < nblocks; ++i) {
    if (round % 2 && i > 0 && i % interval == 0) {
      flush_writer(out.data(), static_cast<int32_t>(out.size()), &pos, state);
      out[pos++] = 0xFF;
      out[pos++] = static_cast<uint8_t>(0xD0 + (i / interval) % 8);
      last = 0;
    }
    int16_t block[64];
    test::random_block(block, rng, 15);
    if (encode_block_ref(block, out.data(), static_cast<int32_t>(out.size()), &pos, &last, specs.enc(0),
                         specs.enc(1), state) != nmxStatusOk)
      break;
  }
  flush_writer(out.data(), static_cast<int32_t>(out.size()), &pos, state);
  out.resize(static_cast<size_t>(pos));
  return out;
}

// Damage of several kinds: inserted markers, fill bytes, random bytes, a
// shorter length.
void damage(std::vector<uint8_t>& s, Rng& rng, int kind) {
  if (s.empty()) return;
  auto at = [&] { return static_cast<long>(rng() % s.size()); };
  if (kind == 1 || kind == 5)
    for (int i = 0; i < 3; ++i) {
      const uint8_t m = static_cast<uint8_t>(1 + rng() % 254);
      s.insert(s.begin() + at(), {0xFF, m});
    }
  if (kind == 2 || kind == 5)
    for (size_t i = 0; i + 1 < s.size(); ++i)
      if (s[i] == 0xFF && s[i + 1] == 0x00 && rng() % 2)
        s.insert(s.begin() + static_cast<long>(i), 1 + rng() % 3, 0xFF), i += 3;
  if (kind == 3 || kind == 5)
    for (int i = 0; i < 4; ++i) s[static_cast<size_t>(at())] = rng() % 3 ? static_cast<uint8_t>(rng()) : 0xFF;
  if (kind == 4 || kind == 5) s.resize(static_cast<size_t>(at()) + 1);
}

struct DecSide {
  int32_t pos = 0, marker = 0;
  int16_t last = 0;
  int16_t out[64];
  std::vector<uint8_t> state_mem = std::vector<uint8_t>(24 + 5);
  DecodeState* state() { return reinterpret_cast<DecodeState*>(state_mem.data() + 5); }
};

TEST(KernelCheck, HuffmanDecodeBlockFastPathMatchesThePlainForm) {
  Rng rng(43);
  for (Target t : test::vector_targets()) {
    const Kernels k = kernels_for(t);
    int fast_taken = 0, clean_blocks = 0, calls = 0;
    for (int round = 0; round < 400; ++round) {
      Specs specs = random_specs(rng, round % 5 == 4 ? round + 1 : round);
      std::vector<uint8_t> stream = make_stream(rng, specs, round);
      const int kind = round % 6;
      damage(stream, rng, kind);
      if (stream.empty()) continue;
      const uint8_t* src = stream.data();  // exactly srcLen bytes: reads past it are caught by ASan
      const int32_t len = static_cast<int32_t>(stream.size());
      DecSide a, b;
      for (DecSide* s : {&a, &b}) reset(s->state());
      if (round % 4 == 3) {  // any starting state
        const uint64_t acc = rng();
        const int n = static_cast<int>(rng() % 33);
        for (DecSide* s : {&a, &b}) s->state()->accumulator = acc, s->state()->bitCount = n;
      }
      for (int call = 0; call < 3000; ++call) {
        if (kind == 0) {  // how often the fast path alone takes a block of a clean stream
          DecSide c = b;
          ASSERT_NE(k.decode_fast, nullptr);
          if (k.decode_fast(src, len, &c.pos, c.out, &c.last, &c.marker, specs.dec(0), specs.dec(1), c.state()))
            ++fast_taken;
          ++clean_blocks;
        }
        const nmxStatus sa =
            decode_block_ref(src, len, &a.pos, a.out, &a.last, &a.marker, specs.dec(0), specs.dec(1), a.state());
        const nmxStatus sb =
            k.decode_block(src, len, &b.pos, b.out, &b.last, &b.marker, specs.dec(0), specs.dec(1), b.state());
        ++calls;
        SCOPED_TRACE(std::string(target_name(t)) + " round " + std::to_string(round) + " call " +
                     std::to_string(call) + " pos " + std::to_string(a.pos) + "/" + std::to_string(len));
        ASSERT_EQ(sa, sb);
        ASSERT_TRUE(a.pos == b.pos && a.marker == b.marker && a.last == b.last)
            << a.pos << " " << b.pos << ", " << a.marker << " " << b.marker << ", " << a.last << " " << b.last;
        ASSERT_TRUE(test::same(a.out, b.out, 64, 8));
        ASSERT_TRUE(test::same(a.state_mem.data(), b.state_mem.data(), a.state_mem.size())) << "state";
        if (sa == nmxStatusBufferEndErr) break;
        if (a.marker != 0 || sa != nmxStatusOk) {
          if (a.marker == 0) {  // resynchronize at the next marker
            int32_t p = a.pos;
            while (p + 1 < len && !(src[p] == 0xFF && src[p + 1] != 0 && src[p + 1] != 0xFF)) ++p;
            if (p + 1 >= len) break;
            a.pos = b.pos = p + 2;
          }
          for (DecSide* s : {&a, &b}) reset(s->state()), s->marker = 0, s->last = 0;
        }
        if (a.pos >= len && a.state()->bitCount < 8) break;
      }
    }
    EXPECT_GT(calls, 10000) << target_name(t);
    EXPECT_GT(fast_taken, clean_blocks / 2) << target_name(t);
  }
}

}  // namespace
}  // namespace nmx::huff

// Huffman table and state records through the exports: sizes, argument
// checks, allocation (failure included), the -64 rules and the fields of the
// built tables.
#include <cstring>
#include <utility>

#include "jpeg/huffman/huff_test_util.h"
#include "jpeg/huffman/huffman_records.h"
#include "nmxcore.h"

namespace nmx::test {
namespace {

// The DHT lists of the usual luminance DC table.
const uint8_t kStdDcCounts[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
const uint8_t kStdDcSymbols[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

TEST(HuffmanRecords, BufferSizes) {
  const struct {
    nmxStatus (*fn)(int32_t*);
    int32_t want;
  } cases[] = {{nmxiEncodeHuffmanSpecGetBufSize_JPEG_8u, 1024},
               {nmxiDecodeHuffmanSpecGetBufSize_JPEG_8u, 1644},
               {nmxiEncodeHuffmanStateGetBufSize_JPEG_8u, 1048},
               {nmxiDecodeHuffmanStateGetBufSize_JPEG_8u, 24}};
  for (const auto& c : cases) {
    int32_t size = -1;
    EXPECT_EQ(c.fn(&size), nmxStatusOk);
    EXPECT_EQ(size, c.want);
    EXPECT_EQ(c.fn(nullptr), nmxStatusNullPtrErr);
  }
}

TEST(HuffmanRecords, InitChecksPointersInOrderAndLeavesRecordAlone) {
  using Init = nmxStatus (*)(const uint8_t*, const uint8_t*, void*);
  const Init inits[] = {
      [](const uint8_t* c, const uint8_t* s, void* r) {
        return nmxiEncodeHuffmanSpecInit_JPEG_8u(c, s, static_cast<NmxEncodeHuffmanSpec*>(r));
      },
      [](const uint8_t* c, const uint8_t* s, void* r) {
        return nmxiDecodeHuffmanSpecInit_JPEG_8u(c, s, static_cast<NmxDecodeHuffmanSpec*>(r));
      }};
  for (Init init : inits) {
    std::vector<uint8_t> rec(1700, 0x5A);
    const bool nulls[][3] = {{true, false, false}, {false, true, false}, {false, false, true}, {true, true, true}};
    for (const auto& n : nulls) {
      EXPECT_EQ(init(n[0] ? nullptr : kStdDcCounts, n[1] ? nullptr : kStdDcSymbols, n[2] ? nullptr : rec.data()),
                nmxStatusNullPtrErr);
      for (uint8_t b : rec) ASSERT_EQ(b, 0x5A);
    }
    EXPECT_EQ(init(kStdDcCounts, kStdDcSymbols, rec.data() + 1), nmxStatusOk);
  }
}

TEST(HuffmanRecords, StandardDcTable) {
  EncSpec enc(Dht{{0, 1, 5, 1, 1, 1, 1, 1, 1}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}});
  ASSERT_EQ(enc.status, nmxStatusOk);
  const auto* e = reinterpret_cast<const huff::EncodeSpec*>(enc.get());
  const uint32_t want[12] = {2u << 16 | 0x0,   3u << 16 | 0x2,   3u << 16 | 0x3,   3u << 16 | 0x4,
                             3u << 16 | 0x5,   3u << 16 | 0x6,   4u << 16 | 0xE,   5u << 16 | 0x1E,
                             6u << 16 | 0x3E,  7u << 16 | 0x7E,  8u << 16 | 0xFE,  9u << 16 | 0x1FE};
  for (int s = 0; s < 256; ++s) EXPECT_EQ(e->entry[s], s < 12 ? want[s] : 0u) << "symbol " << s;

  DecSpec dec(Dht{{0, 1, 5, 1, 1, 1, 1, 1, 1}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}});
  ASSERT_EQ(dec.status, nmxStatusOk);
  const auto* d = reinterpret_cast<const huff::DecodeSpec*>(dec.get());
  const struct {
    int L, first, last, index;
  } rows[] = {{2, 0, 0, 0},      {3, 2, 6, 1},       {4, 14, 14, 6},     {5, 30, 30, 7},
              {6, 62, 62, 8},    {7, 126, 126, 9},   {8, 254, 254, 10},  {9, 510, 510, 11}};
  for (const auto& r : rows) {
    EXPECT_EQ(d->firstCode[r.L], r.first) << "length " << r.L;
    EXPECT_EQ(d->lastCode[r.L], r.last) << "length " << r.L;
    EXPECT_EQ(d->firstIndex[r.L], r.index) << "length " << r.L;
  }
  for (int L : {1, 10, 11, 12, 13, 14, 15, 16, 17}) EXPECT_EQ(d->lastCode[L], 0xFFFF) << "length " << L;
  for (int i = 0; i < 12; ++i) EXPECT_EQ(d->symbolsByCode[i], i);
  // Look-up: 00xxxxxx -> category 0 in 2 bits; 010xxxxx -> 1 in 3 bits; 11111110 -> 10 in 8 bits;
  // 11111111 begins the 9-bit code: no entry.
  const auto entry = [](uint32_t e) { return std::pair{huff::lookup_length(e), huff::lookup_symbol(e)}; };
  for (int i = 0; i < 64; ++i) EXPECT_EQ(entry(d->lookup[i]), std::pair(2, 0));
  for (int i = 64; i < 96; ++i) EXPECT_EQ(entry(d->lookup[i]), std::pair(3, 1));
  EXPECT_EQ(entry(d->lookup[0xFE]), std::pair(8, 10));
  EXPECT_EQ(d->lookup[0xFF], 0u);
  // Code and value bits in one: 2 + 0, 3 + 1, 8 + 10.
  EXPECT_EQ(d->lookup[0] & 31, 2u);
  EXPECT_EQ(d->lookup[64] & 31, 4u);
  EXPECT_EQ(d->lookup[0xFE] & 31, 18u);
}

TEST(HuffmanRecords, BuildRules) {
  struct Case {
    const char* name;
    Dht dht;
    nmxStatus enc, dec;
  };
  std::vector<Case> cases;
  cases.push_back({"no codes", Dht{}, nmxStatusOk, nmxStatusOk});
  {
    Dht d;  // 256 codes of 9 bits: fits
    d.counts[8] = 255;
    d.counts[9] = 1;
    for (int i = 0; i < 256; ++i) d.symbols.push_back(static_cast<uint8_t>(i));
    cases.push_back({"256 codes that fit", d, nmxStatusOk, nmxStatusOk});
    d.counts[10] = 1;
    d.symbols.push_back(7);
    cases.push_back({"257 codes", d, nmxStatusHuffTableErr, nmxStatusHuffTableErr});
  }
  {
    Dht d;  // one code of 7 bits, then 8-bit codes up to the all-ones one
    d.counts[6] = 1;
    d.counts[7] = 254;
    for (int i = 0; i < 255; ++i) d.symbols.push_back(static_cast<uint8_t>(i));
    cases.push_back({"codes up to all ones in 8 bits", d, nmxStatusHuffTableErr, nmxStatusOk});
  }
  cases.push_back({"two 1-bit codes", Dht{{2}, {5, 6}}, nmxStatusHuffTableErr, nmxStatusOk});
  cases.push_back({"short codes overflow", Dht{{2, 1}, {5, 6, 7}}, nmxStatusHuffTableErr, nmxStatusHuffTableErr});
  {
    Dht d;  // overflow only among codes longer than 8 bits: the decoder does not look
    d.counts[1] = 3;
    d.counts[8] = 129;
    for (int i = 0; i < 132; ++i) d.symbols.push_back(static_cast<uint8_t>(i));
    cases.push_back({"long codes overflow", d, nmxStatusHuffTableErr, nmxStatusOk});
  }
  for (Case& c : cases) {
    EncSpec e(c.dht);
    DecSpec d(c.dht);
    EXPECT_EQ(e.status, c.enc) << c.name;
    EXPECT_EQ(d.status, c.dec) << c.name;
  }
  // No codes: an empty encoder table and a decoder table with no code lengths.
  EncSpec e(Dht{});
  DecSpec d(Dht{});
  for (uint32_t v : reinterpret_cast<const huff::EncodeSpec*>(e.get())->entry) ASSERT_EQ(v, 0u);
  for (int L = 1; L <= 17; ++L) EXPECT_EQ(reinterpret_cast<const huff::DecodeSpec*>(d.get())->lastCode[L], 0xFFFF);
}

TEST(HuffmanRecords, RepeatedSymbolTakesTheLaterCode) {
  EncSpec e(Dht{{0, 3}, {4, 9, 4}});  // codes 00, 01, 10
  ASSERT_EQ(e.status, nmxStatusOk);
  const auto* t = reinterpret_cast<const huff::EncodeSpec*>(e.get());
  EXPECT_EQ(t->entry[4], 2u << 16 | 2);
  EXPECT_EQ(t->entry[9], 2u << 16 | 1);
}

TEST(HuffmanRecords, AllocAndFree) {
  const int32_t live = nmxGetLiveBlocks();
  NmxEncodeHuffmanSpec* es = nullptr;
  NmxDecodeHuffmanSpec* ds = nullptr;
  NmxEncodeHuffmanState* est = nullptr;
  NmxDecodeHuffmanState* dst = nullptr;
  EXPECT_EQ(nmxiEncodeHuffmanSpecInitAlloc_JPEG_8u(kStdDcCounts, kStdDcSymbols, &es), nmxStatusOk);
  EXPECT_EQ(nmxiDecodeHuffmanSpecInitAlloc_JPEG_8u(kStdDcCounts, kStdDcSymbols, &ds), nmxStatusOk);
  EXPECT_EQ(nmxiEncodeHuffmanStateInitAlloc_JPEG_8u(&est), nmxStatusOk);
  EXPECT_EQ(nmxiDecodeHuffmanStateInitAlloc_JPEG_8u(&dst), nmxStatusOk);
  ASSERT_TRUE(es && ds && est && dst);
  EXPECT_EQ(nmxGetLiveBlocks(), live + 4);
  EXPECT_EQ(reinterpret_cast<const huff::EncodeSpec*>(es)->entry[11], 9u << 16 | 0x1FE);
  EXPECT_EQ(reinterpret_cast<const huff::DecodeSpec*>(ds)->lastCode[3], 6);
  const auto* e = reinterpret_cast<const uint8_t*>(est);
  for (int i = 0; i < 1044; ++i) ASSERT_EQ(e[i], 0) << "encoder state byte " << i;
  const auto* d = reinterpret_cast<const uint8_t*>(dst);
  for (int i = 0; i < 20; ++i) ASSERT_EQ(d[i], 0) << "decoder state byte " << i;
  EXPECT_EQ(nmxiEncodeHuffmanSpecFree_JPEG_8u(es), nmxStatusOk);
  EXPECT_EQ(nmxiDecodeHuffmanSpecFree_JPEG_8u(ds), nmxStatusOk);
  EXPECT_EQ(nmxiEncodeHuffmanStateFree_JPEG_8u(est), nmxStatusOk);
  EXPECT_EQ(nmxiDecodeHuffmanStateFree_JPEG_8u(dst), nmxStatusOk);
  EXPECT_EQ(nmxGetLiveBlocks(), live);

  EXPECT_EQ(nmxiEncodeHuffmanSpecFree_JPEG_8u(nullptr), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiDecodeHuffmanSpecFree_JPEG_8u(nullptr), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiEncodeHuffmanStateFree_JPEG_8u(nullptr), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiDecodeHuffmanStateFree_JPEG_8u(nullptr), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiEncodeHuffmanStateInit_JPEG_8u(nullptr), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiDecodeHuffmanStateInit_JPEG_8u(nullptr), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiEncodeHuffmanStateInitAlloc_JPEG_8u(nullptr), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiDecodeHuffmanStateInitAlloc_JPEG_8u(nullptr), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiEncodeHuffmanSpecInitAlloc_JPEG_8u(nullptr, kStdDcSymbols, &es), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiEncodeHuffmanSpecInitAlloc_JPEG_8u(kStdDcCounts, nullptr, &es), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiEncodeHuffmanSpecInitAlloc_JPEG_8u(kStdDcCounts, kStdDcSymbols, nullptr), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiDecodeHuffmanSpecInitAlloc_JPEG_8u(nullptr, kStdDcSymbols, &ds), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiDecodeHuffmanSpecInitAlloc_JPEG_8u(kStdDcCounts, nullptr, &ds), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxiDecodeHuffmanSpecInitAlloc_JPEG_8u(kStdDcCounts, kStdDcSymbols, nullptr), nmxStatusNullPtrErr);
  EXPECT_EQ(nmxGetLiveBlocks(), live);
}

TEST(HuffmanRecords, AllocationFailureHandsOutNothing) {
  const int32_t live = nmxGetLiveBlocks();
  void* const canary = reinterpret_cast<void*>(0x1234);
  auto es = static_cast<NmxEncodeHuffmanSpec*>(canary);
  auto ds = static_cast<NmxDecodeHuffmanSpec*>(canary);
  auto est = static_cast<NmxEncodeHuffmanState*>(canary);
  auto dst = static_cast<NmxDecodeHuffmanState*>(canary);
  const std::function<nmxStatus()> calls[] = {
      [&] { return nmxiEncodeHuffmanSpecInitAlloc_JPEG_8u(kStdDcCounts, kStdDcSymbols, &es); },
      [&] { return nmxiDecodeHuffmanSpecInitAlloc_JPEG_8u(kStdDcCounts, kStdDcSymbols, &ds); },
      [&] { return nmxiEncodeHuffmanStateInitAlloc_JPEG_8u(&est); },
      [&] { return nmxiDecodeHuffmanStateInitAlloc_JPEG_8u(&dst); }};
  for (const auto& call : calls) {
    nmxSetMallocFailAt(1);
    EXPECT_EQ(call(), nmxStatusNullPtrErr);
    nmxSetMallocFailAt(0);
  }
  EXPECT_EQ(es, canary);
  EXPECT_EQ(ds, canary);
  EXPECT_EQ(est, canary);
  EXPECT_EQ(dst, canary);
  EXPECT_EQ(nmxGetLiveBlocks(), live);
}

TEST(HuffmanRecords, FailedBuildIsStillHandedOut) {
  const uint8_t counts[16] = {2, 1};
  const uint8_t symbols[3] = {1, 2, 3};
  const int32_t live = nmxGetLiveBlocks();
  NmxEncodeHuffmanSpec* es = nullptr;
  NmxDecodeHuffmanSpec* ds = nullptr;
  EXPECT_EQ(nmxiEncodeHuffmanSpecInitAlloc_JPEG_8u(counts, symbols, &es), nmxStatusHuffTableErr);
  EXPECT_EQ(nmxiDecodeHuffmanSpecInitAlloc_JPEG_8u(counts, symbols, &ds), nmxStatusHuffTableErr);
  ASSERT_NE(es, nullptr);
  ASSERT_NE(ds, nullptr);
  EXPECT_EQ(nmxGetLiveBlocks(), live + 2);
  nmxiEncodeHuffmanSpecFree_JPEG_8u(es);
  nmxiDecodeHuffmanSpecFree_JPEG_8u(ds);
  EXPECT_EQ(nmxGetLiveBlocks(), live);
}

TEST(HuffmanRecords, InitResetsEveryField) {
  std::vector<uint8_t> e(1048 + 1, 0xC3), d(24 + 1, 0xC3);
  ASSERT_EQ(nmxiEncodeHuffmanStateInit_JPEG_8u(reinterpret_cast<NmxEncodeHuffmanState*>(e.data() + 1)), nmxStatusOk);
  ASSERT_EQ(nmxiDecodeHuffmanStateInit_JPEG_8u(reinterpret_cast<NmxDecodeHuffmanState*>(d.data() + 1)), nmxStatusOk);
  EXPECT_EQ(e[0], 0xC3);
  EXPECT_EQ(d[0], 0xC3);
  for (int i = 1; i <= 1044; ++i) ASSERT_EQ(e[i], 0) << "encoder state byte " << i - 1;
  for (int i = 1; i <= 20; ++i) ASSERT_EQ(d[i], 0) << "decoder state byte " << i - 1;
}

// Random valid tables: every symbol encodes to a code of its listed length,
// the codes are prefix-free and increasing in list order (canonical), and
// the decoder's look-up agrees for every code of up to 8 bits.
TEST(HuffmanRecords, RandomTablesAreCanonical) {
  Rng rng(3);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> syms = round % 2 ? all_ac_symbols() : dc_symbols(11 + round % 6);
    const Dht dht = random_dht(syms, rng, 1 + round % 4);
    EncSpec e(dht);
    DecSpec d(dht);
    ASSERT_EQ(e.status, nmxStatusOk);
    ASSERT_EQ(d.status, nmxStatusOk);
    const auto* et = reinterpret_cast<const huff::EncodeSpec*>(e.get());
    const auto* dt = reinterpret_cast<const huff::DecodeSpec*>(d.get());
    size_t p = 0;
    uint64_t prev_left = 0;  // previous code left-aligned in 16 bits
    for (int L = 1; L <= 16; ++L)
      for (int i = 0; i < dht.counts[L - 1]; ++i, ++p) {
        const uint32_t entry = et->entry[dht.symbols[p]];
        ASSERT_EQ(static_cast<int>(entry >> 16), L);
        const uint32_t code = entry & 0xFFFF;
        ASSERT_LT(code, 1u << L);
        ASSERT_NE(code, (1u << L) - 1) << "all-ones code";
        const uint64_t left = uint64_t{code} << (16 - L);
        if (p > 0) ASSERT_GT(left, prev_left) << "not increasing at entry " << p;
        prev_left = left + (uint64_t{1} << (16 - L)) - 1;  // a prefix covers this whole range
        if (L <= 8)
          for (uint32_t j = 0; j < (1u << (8 - L)); ++j)
            ASSERT_EQ(dt->lookup[(code << (8 - L)) + j],
                      uint32_t(L) << 16 | uint32_t(dht.symbols[p]) << 8 | uint32_t(L + (dht.symbols[p] & 15)) |
                          uint32_t(63 - (dht.symbols[p] & 15)) << 24);
      }
  }
}

}  // namespace
}  // namespace nmx::test

// Huffman table and state records through the exports: sizes, argument
// checks, allocation (failure included), the -64 rules and canonical codes.
#include <functional>

#include "jpeg/huffman/huff_test_util.h"
#include "jpeg/huffman/huffman_records.h"
#include "nmxcore.h"

namespace nmx::test {
namespace {

// The usual luminance DC table.
const Dht kStdDc{{0, 1, 5, 1, 1, 1, 1, 1, 1}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}};
const uint8_t* const kC = kStdDc.counts;
const uint8_t* const kS = kStdDc.symbols.data();

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
      EXPECT_EQ(init(n[0] ? nullptr : kC, n[1] ? nullptr : kS, n[2] ? nullptr : rec.data()), nmxStatusNullPtrErr);
      for (uint8_t b : rec) ASSERT_EQ(b, 0x5A);
    }
    EXPECT_EQ(init(kC, kS, rec.data() + 1), nmxStatusOk);
  }
}

TEST(HuffmanRecords, BuildRules) {
  struct Case {
    const char* name;
    Dht dht;
    nmxStatus enc, dec;
  };
  auto many = [](std::initializer_list<std::pair<int, int>> len_count) {
    Dht d;
    for (auto [len, n] : len_count) {
      d.counts[len - 1] = static_cast<uint8_t>(n);
      for (int i = 0; i < n; ++i) d.symbols.push_back(static_cast<uint8_t>(d.symbols.size()));
    }
    return d;
  };
  const Case cases[] = {
      {"no codes", Dht{}, nmxStatusOk, nmxStatusOk},
      {"256 codes that fit", many({{9, 255}, {10, 1}}), nmxStatusOk, nmxStatusOk},
      {"257 codes", many({{9, 255}, {10, 1}, {11, 1}}), nmxStatusHuffTableErr, nmxStatusHuffTableErr},
      {"codes up to all ones in 8 bits", many({{7, 1}, {8, 254}}), nmxStatusHuffTableErr, nmxStatusOk},
      {"two 1-bit codes", Dht{{2}, {5, 6}}, nmxStatusHuffTableErr, nmxStatusOk},
      {"short codes overflow", Dht{{2, 1}, {5, 6, 7}}, nmxStatusHuffTableErr, nmxStatusHuffTableErr},
      // Overflow only among codes longer than 8 bits: the decoder does not look.
      {"long codes overflow", many({{2, 3}, {9, 129}}), nmxStatusHuffTableErr, nmxStatusOk},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncSpec(c.dht).status, c.enc) << c.name;
    EXPECT_EQ(DecSpec(c.dht).status, c.dec) << c.name;
  }
  EncSpec none(Dht{});
  for (uint32_t v : reinterpret_cast<const huff::EncodeSpec*>(none.get())->entry) ASSERT_EQ(v, 0u);
  // The standard table's codes; a symbol listed twice takes the later code.
  EncSpec std_dc(kStdDc), twice(Dht{{0, 3}, {4, 9, 4}});
  const uint32_t want[12] = {2u << 16 | 0x0,  3u << 16 | 0x2,  3u << 16 | 0x3,  3u << 16 | 0x4,
                             3u << 16 | 0x5,  3u << 16 | 0x6,  4u << 16 | 0xE,  5u << 16 | 0x1E,
                             6u << 16 | 0x3E, 7u << 16 | 0x7E, 8u << 16 | 0xFE, 9u << 16 | 0x1FE};
  const auto* e = reinterpret_cast<const huff::EncodeSpec*>(std_dc.get());
  for (int s = 0; s < 256; ++s) EXPECT_EQ(e->entry[s], s < 12 ? want[s] : 0u) << "symbol " << s;
  const auto* t = reinterpret_cast<const huff::EncodeSpec*>(twice.get());
  EXPECT_EQ(t->entry[4], 2u << 16 | 2);
  EXPECT_EQ(t->entry[9], 2u << 16 | 1);
}

// InitAlloc hands out built or reset records (a failed build too), Free
// releases them; null pointers and allocation failures give -8 and hand out
// nothing.
TEST(HuffmanRecords, AllocAndFree) {
  const int32_t live = nmxGetLiveBlocks();
  NmxEncodeHuffmanSpec* es = nullptr;
  NmxDecodeHuffmanSpec* ds = nullptr;
  NmxEncodeHuffmanState* est = nullptr;
  NmxDecodeHuffmanState* dst = nullptr;
  EXPECT_EQ(nmxiEncodeHuffmanSpecInitAlloc_JPEG_8u(kC, kS, &es), nmxStatusOk);
  EXPECT_EQ(nmxiDecodeHuffmanSpecInitAlloc_JPEG_8u(kC, kS, &ds), nmxStatusOk);
  EXPECT_EQ(nmxiEncodeHuffmanStateInitAlloc_JPEG_8u(&est), nmxStatusOk);
  EXPECT_EQ(nmxiDecodeHuffmanStateInitAlloc_JPEG_8u(&dst), nmxStatusOk);
  ASSERT_TRUE(es && ds && est && dst);
  EXPECT_EQ(nmxGetLiveBlocks(), live + 4);
  EXPECT_EQ(reinterpret_cast<const huff::EncodeSpec*>(es)->entry[11], 9u << 16 | 0x1FE);
  for (int i = 0; i < 1044; ++i) ASSERT_EQ(reinterpret_cast<const uint8_t*>(est)[i], 0) << "encoder state byte " << i;
  for (int i = 0; i < 20; ++i) ASSERT_EQ(reinterpret_cast<const uint8_t*>(dst)[i], 0) << "decoder state byte " << i;
  EXPECT_EQ(nmxiEncodeHuffmanSpecFree_JPEG_8u(es), nmxStatusOk);
  EXPECT_EQ(nmxiDecodeHuffmanSpecFree_JPEG_8u(ds), nmxStatusOk);
  EXPECT_EQ(nmxiEncodeHuffmanStateFree_JPEG_8u(est), nmxStatusOk);
  EXPECT_EQ(nmxiDecodeHuffmanStateFree_JPEG_8u(dst), nmxStatusOk);
  EXPECT_EQ(nmxGetLiveBlocks(), live);

  const uint8_t bad[16] = {2, 1}, syms[3] = {1, 2, 3};
  es = nullptr, ds = nullptr;
  EXPECT_EQ(nmxiEncodeHuffmanSpecInitAlloc_JPEG_8u(bad, syms, &es), nmxStatusHuffTableErr);
  EXPECT_EQ(nmxiDecodeHuffmanSpecInitAlloc_JPEG_8u(bad, syms, &ds), nmxStatusHuffTableErr);
  ASSERT_TRUE(es && ds) << "a failed build is handed out too";
  EXPECT_EQ(nmxGetLiveBlocks(), live + 2);
  nmxiEncodeHuffmanSpecFree_JPEG_8u(es);
  nmxiDecodeHuffmanSpecFree_JPEG_8u(ds);

  void* const canary = reinterpret_cast<void*>(0x1234);
  es = static_cast<NmxEncodeHuffmanSpec*>(canary);
  ds = static_cast<NmxDecodeHuffmanSpec*>(canary);
  est = static_cast<NmxEncodeHuffmanState*>(canary);
  dst = static_cast<NmxDecodeHuffmanState*>(canary);
  const std::function<nmxStatus()> allocs[] = {
      [&] { return nmxiEncodeHuffmanSpecInitAlloc_JPEG_8u(kC, kS, &es); },
      [&] { return nmxiDecodeHuffmanSpecInitAlloc_JPEG_8u(kC, kS, &ds); },
      [&] { return nmxiEncodeHuffmanStateInitAlloc_JPEG_8u(&est); },
      [&] { return nmxiDecodeHuffmanStateInitAlloc_JPEG_8u(&dst); }};
  for (const auto& call : allocs) {
    nmxSetMallocFailAt(1);
    EXPECT_EQ(call(), nmxStatusNullPtrErr);
    nmxSetMallocFailAt(0);
  }
  EXPECT_TRUE(es == canary && ds == canary && est == canary && dst == canary);
  const nmxStatus nulls[] = {nmxiEncodeHuffmanSpecFree_JPEG_8u(nullptr),
                             nmxiDecodeHuffmanSpecFree_JPEG_8u(nullptr),
                             nmxiEncodeHuffmanStateFree_JPEG_8u(nullptr),
                             nmxiDecodeHuffmanStateFree_JPEG_8u(nullptr),
                             nmxiEncodeHuffmanStateInit_JPEG_8u(nullptr),
                             nmxiDecodeHuffmanStateInit_JPEG_8u(nullptr),
                             nmxiEncodeHuffmanStateInitAlloc_JPEG_8u(nullptr),
                             nmxiDecodeHuffmanStateInitAlloc_JPEG_8u(nullptr),
                             nmxiEncodeHuffmanSpecInitAlloc_JPEG_8u(nullptr, kS, &es),
                             nmxiEncodeHuffmanSpecInitAlloc_JPEG_8u(kC, nullptr, &es),
                             nmxiEncodeHuffmanSpecInitAlloc_JPEG_8u(kC, kS, nullptr),
                             nmxiDecodeHuffmanSpecInitAlloc_JPEG_8u(nullptr, kS, &ds),
                             nmxiDecodeHuffmanSpecInitAlloc_JPEG_8u(kC, nullptr, &ds),
                             nmxiDecodeHuffmanSpecInitAlloc_JPEG_8u(kC, kS, nullptr)};
  for (size_t i = 0; i < std::size(nulls); ++i) EXPECT_EQ(nulls[i], nmxStatusNullPtrErr) << "call " << i;
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

}  // namespace
}  // namespace nmx::test

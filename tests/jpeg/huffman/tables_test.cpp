// Huffman table and state records through the exports: sizes, null pointers,
// allocation (failure included), resets, the -64 rules and canonical codes.
#include <algorithm>

#include "jpeg/huffman/huff_test_util.h"
#include "jpeg/huffman/huffman_records.h"
#include "nmxcore.h"

namespace nmx::test {
namespace {

// The usual luminance DC table.
const Dht kStdDc{{0, 1, 5, 1, 1, 1, 1, 1, 1}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}};
const uint8_t* const kC = kStdDc.counts;
const uint8_t* const kS = kStdDc.symbols.data();

bool zeroed(const void* p, int n) {
  const auto* b = static_cast<const uint8_t*>(p);
  return std::all_of(b, b + n, [](uint8_t v) { return v == 0; });
}

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
  EXPECT_TRUE(zeroed(none.get(), 1024));
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

// Every null pointer gives -8, writes nothing and allocates nothing.
TEST(HuffmanRecords, NullPointers) {
  const int32_t live = nmxGetLiveBlocks();
  std::vector<uint8_t> rec(1700, 0x5A);
  auto* es = reinterpret_cast<NmxEncodeHuffmanSpec*>(rec.data() + 1);
  auto* ds = reinterpret_cast<NmxDecodeHuffmanSpec*>(rec.data() + 1);
  NmxEncodeHuffmanSpec* pes = es;
  NmxDecodeHuffmanSpec* pds = ds;
  const nmxStatus calls[] = {
      nmxiEncodeHuffmanSpecInit_JPEG_8u(nullptr, kS, es),      nmxiEncodeHuffmanSpecInit_JPEG_8u(kC, nullptr, es),
      nmxiEncodeHuffmanSpecInit_JPEG_8u(kC, kS, nullptr),      nmxiDecodeHuffmanSpecInit_JPEG_8u(nullptr, kS, ds),
      nmxiDecodeHuffmanSpecInit_JPEG_8u(kC, nullptr, ds),      nmxiDecodeHuffmanSpecInit_JPEG_8u(kC, kS, nullptr),
      nmxiEncodeHuffmanSpecInitAlloc_JPEG_8u(nullptr, kS, &pes),
      nmxiEncodeHuffmanSpecInitAlloc_JPEG_8u(kC, nullptr, &pes),
      nmxiEncodeHuffmanSpecInitAlloc_JPEG_8u(kC, kS, nullptr),
      nmxiDecodeHuffmanSpecInitAlloc_JPEG_8u(nullptr, kS, &pds),
      nmxiDecodeHuffmanSpecInitAlloc_JPEG_8u(kC, nullptr, &pds),
      nmxiDecodeHuffmanSpecInitAlloc_JPEG_8u(kC, kS, nullptr),
      nmxiEncodeHuffmanSpecFree_JPEG_8u(nullptr),               nmxiDecodeHuffmanSpecFree_JPEG_8u(nullptr),
      nmxiEncodeHuffmanStateFree_JPEG_8u(nullptr),              nmxiDecodeHuffmanStateFree_JPEG_8u(nullptr),
      nmxiEncodeHuffmanStateInit_JPEG_8u(nullptr),              nmxiDecodeHuffmanStateInit_JPEG_8u(nullptr),
      nmxiEncodeHuffmanStateInitAlloc_JPEG_8u(nullptr),         nmxiDecodeHuffmanStateInitAlloc_JPEG_8u(nullptr)};
  for (size_t i = 0; i < std::size(calls); ++i) EXPECT_EQ(calls[i], nmxStatusNullPtrErr) << "call " << i;
  EXPECT_TRUE(std::all_of(rec.begin(), rec.end(), [](uint8_t v) { return v == 0x5A; }));
  EXPECT_TRUE(pes == es && pds == ds);
  EXPECT_EQ(nmxGetLiveBlocks(), live);
}

// InitAlloc hands out records built as Init builds them or reset (a failed
// build too), Init resets a state wherever it lies, Free releases; a failed
// allocation gives -8 and hands out nothing.
TEST(HuffmanRecords, AllocInitAndFree) {
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
  EXPECT_TRUE(same(EncSpec(kStdDc).bytes(), reinterpret_cast<const uint8_t*>(es), 1024));
  EXPECT_TRUE(same(DecSpec(kStdDc).bytes(), reinterpret_cast<const uint8_t*>(ds), 1644));
  EXPECT_TRUE(zeroed(est, 1044));
  EXPECT_TRUE(zeroed(dst, 20));
  std::vector<uint8_t> e(1048 + 1, 0xC3), d(24 + 1, 0xC3);
  ASSERT_EQ(nmxiEncodeHuffmanStateInit_JPEG_8u(reinterpret_cast<NmxEncodeHuffmanState*>(e.data() + 1)), nmxStatusOk);
  ASSERT_EQ(nmxiDecodeHuffmanStateInit_JPEG_8u(reinterpret_cast<NmxDecodeHuffmanState*>(d.data() + 1)), nmxStatusOk);
  EXPECT_TRUE(e[0] == 0xC3 && d[0] == 0xC3);
  EXPECT_TRUE(zeroed(e.data() + 1, 1044));
  EXPECT_TRUE(zeroed(d.data() + 1, 20));
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
  es = static_cast<NmxEncodeHuffmanSpec*>(canary), ds = static_cast<NmxDecodeHuffmanSpec*>(canary);
  est = static_cast<NmxEncodeHuffmanState*>(canary), dst = static_cast<NmxDecodeHuffmanState*>(canary);
  for (int i = 0; i < 4; ++i) {
    nmxSetMallocFailAt(1);
    EXPECT_EQ(i == 0   ? nmxiEncodeHuffmanSpecInitAlloc_JPEG_8u(kC, kS, &es)
              : i == 1 ? nmxiDecodeHuffmanSpecInitAlloc_JPEG_8u(kC, kS, &ds)
              : i == 2 ? nmxiEncodeHuffmanStateInitAlloc_JPEG_8u(&est)
                       : nmxiDecodeHuffmanStateInitAlloc_JPEG_8u(&dst),
              nmxStatusNullPtrErr);
    nmxSetMallocFailAt(0);
  }
  EXPECT_TRUE(es == canary && ds == canary && est == canary && dst == canary);
  EXPECT_EQ(nmxGetLiveBlocks(), live);
}

}  // namespace
}  // namespace nmx::test

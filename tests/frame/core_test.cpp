// The core-services stand-in and the internal memory routines over it.
#include <cstdint>
#include <cstring>

#include "frame/check.h"
#include "frame/memory.h"
#include "nmxcore.h"
#include "support/harness.h"

namespace {

TEST(Core, MallocIsAlignedAndCounted) {
  const int32_t live = nmxGetLiveBlocks();
  for (int32_t n : {1, 3, 64, 65, 1000, 1 << 20}) {
    void* p = nmxMalloc(n);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 64, 0u) << n;
    std::memset(p, 1, static_cast<size_t>(n));
    EXPECT_EQ(nmxGetLiveBlocks(), live + 1);
    nmxFree(p);
  }
  EXPECT_EQ(nmxMalloc(0), nullptr);
  EXPECT_EQ(nmxMalloc(-5), nullptr);
  EXPECT_EQ(nmxGetLiveBlocks(), live);
}

TEST(Core, MallocFailsOnTheNthCall) {
  for (int32_t n : {1, 2, 4}) {
    nmxSetMallocFailAt(n);
    for (int32_t call = 1; call <= 5; ++call) {
      void* p = nmxMalloc(16);
      EXPECT_EQ(p == nullptr, call == n) << "fail at " << n << ", call " << call;
      nmxFree(p);
    }
  }
  nmxSetMallocFailAt(3);
  nmxSetMallocFailAt(0);  // switched off again
  void* p = nmxMalloc(8);
  EXPECT_NE(p, nullptr);
  nmxFree(p);
}

TEST(Core, ThreadCountAndFeatures) {
  const int32_t dflt = ownGetNumThreads();
  EXPECT_GE(dflt, 1);
  nmxSetNumThreads(3);
  EXPECT_EQ(ownGetNumThreads(), 3);
  nmxSetNumThreads(0);
  EXPECT_EQ(ownGetNumThreads(), dflt);
  int32_t cache = 0;
  EXPECT_EQ(nmxGetMaxCacheSizeB(nullptr), -8);
  if (nmxGetMaxCacheSizeB(&cache) == 0) EXPECT_GT(cache, 0);
  EXPECT_EQ(ownGetFeature(128), __builtin_cpu_supports("avx2") ? 1 : 0);
  EXPECT_EQ(ownGetFeature(1), 0);
}

TEST(Memory, RoutinesCheckAndWork) {
  // A size below 1 never reaches nmxMalloc: the armed hook stays for the next real call.
  nmxSetMallocFailAt(1);
  EXPECT_EQ(nmx::mem_alloc(0), nullptr);
  EXPECT_EQ(nmx::mem_alloc(16), nullptr);
  void* p = nmx::mem_alloc(16);
  ASSERT_NE(p, nullptr);
  nmx::mem_free(p);

  uint8_t a[8] = {1, 2, 3, 4, 5, 6, 7, 8}, b[8] = {};
  EXPECT_EQ(nmx::mem_copy(nullptr, b, 8), nmxStatusNullPtrErr);
  EXPECT_EQ(nmx::mem_copy(a, nullptr, 0), nmxStatusNullPtrErr);
  EXPECT_EQ(nmx::mem_copy(a, b, 0), nmxStatusSizeErr);
  EXPECT_EQ(nmx::mem_copy(a, b, 5), nmxStatusOk);
  EXPECT_EQ(std::memcmp(a, b, 5), 0);
  EXPECT_EQ(b[5], 0);
  EXPECT_EQ(nmx::mem_clear(nullptr, 0), nmxStatusNullPtrErr);
  EXPECT_EQ(nmx::mem_clear(a, -1), nmxStatusSizeErr);
  EXPECT_EQ(nmx::mem_clear(a, 3), nmxStatusOk);
  EXPECT_EQ(a[2], 0);
  EXPECT_EQ(a[3], 4);
}

TEST(ArgCheck, FirstFailureWins) {
  int x = 0;
  const int* planes[3] = {&x, nullptr, &x};
  const int32_t steps[3] = {4, 0, 4};
  const struct {
    const char* what;
    nmxStatus got, want;
  } cases[] = {
      {"all good", nmx::ArgCheck().ptr(&x).step(1).size({1, 1}).status(), nmxStatusOk},
      {"null then step", nmx::ArgCheck().ptr(nullptr).step(0).status(), nmxStatusNullPtrErr},
      {"step then null", nmx::ArgCheck().step(0).ptr(nullptr).status(), nmxStatusStepErr},
      {"plane array null", nmx::ArgCheck().planes<const int*>(nullptr, 3).status(), nmxStatusNullPtrErr},
      {"second plane null", nmx::ArgCheck().planes(planes, 3).status(), nmxStatusNullPtrErr},
      {"only first plane checked", nmx::ArgCheck().planes(planes, 1).status(), nmxStatusOk},
      {"plane steps", nmx::ArgCheck().steps(steps, 3).status(), nmxStatusStepErr},
      {"size below minimum", nmx::ArgCheck().size({1, 5}, 2).status(), nmxStatusSizeErr},
      {"size at minimum", nmx::ArgCheck().size({2, 2}, 2, 2).status(), nmxStatusOk},
      {"negative height", nmx::ArgCheck().size({3, -1}).status(), nmxStatusSizeErr},
      {"length", nmx::ArgCheck().length(0).status(), nmxStatusSizeErr},
      {"value after size", nmx::ArgCheck().size({0, 1}).fail_if(true, nmxStatusBadArgErr).status(), nmxStatusSizeErr},
      {"value", nmx::ArgCheck().size({1, 1}).fail_if(true, nmxStatusBadArgErr).status(), nmxStatusBadArgErr},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

}  // namespace

// The core-services stand-in. Its state (thread count, allocation hook, live
// block count) is process-wide and held in atomics.
#include "nmxcore.h"

#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

namespace {

constexpr int32_t kAlignment = 64;
constexpr int32_t kFeatureAvx2 = 128;

int32_t cpus_available() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) {
    const int n = CPU_COUNT(&set);
    if (n > 0) return n;
  }
  const long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<int32_t>(n) : 1;
}

const int32_t default_threads = cpus_available();
std::atomic<int32_t> thread_override{0};
std::atomic<int32_t> fail_countdown{0};
std::atomic<int32_t> live_blocks{0};

}  // namespace

extern "C" {

void* nmxMalloc(int32_t size) {
  if (size < 1) return nullptr;
  // Count down the test hook; the call that brings it from 1 to 0 fails.
  int32_t n = fail_countdown.load();
  while (n > 0 && !fail_countdown.compare_exchange_weak(n, n - 1)) {
  }
  if (n == 1) return nullptr;
  const size_t rounded = (static_cast<size_t>(size) + kAlignment - 1) / kAlignment * kAlignment;
  void* p = std::aligned_alloc(kAlignment, rounded);
  if (p) live_blocks.fetch_add(1);
  return p;
}

void nmxFree(void* ptr) {
  if (!ptr) return;
  live_blocks.fetch_sub(1);
  std::free(ptr);
}

int32_t nmxGetMaxCacheSizeB(int32_t* pSize) {
  if (!pSize) return -8;
  long best = 0;
  for (int name : {_SC_LEVEL1_DCACHE_SIZE, _SC_LEVEL2_CACHE_SIZE, _SC_LEVEL3_CACHE_SIZE, _SC_LEVEL4_CACHE_SIZE}) {
    const long v = sysconf(name);
    if (v > best) best = v;
  }
  if (best <= 0) return 1;
  *pSize = best > INT32_MAX ? INT32_MAX : static_cast<int32_t>(best);
  return 0;
}

int32_t ownGetFeature(int32_t feature) {
  if (feature == kFeatureAvx2) {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? 1 : 0;
  }
  return 0;
}

int32_t ownGetNumThreads(void) {
  const int32_t n = thread_override.load(std::memory_order_relaxed);
  return n > 0 ? n : default_threads;
}

void nmxSetNumThreads(int32_t n) { thread_override.store(n > 0 ? n : 0); }

void nmxSetMallocFailAt(int32_t n) { fail_countdown.store(n > 0 ? n : 0); }

int32_t nmxGetLiveBlocks(void) { return live_blocks.load(); }

}  // extern "C"

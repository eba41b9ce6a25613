#include "support/parallel_regions.h"

#include <dlfcn.h>

#include <atomic>

namespace {
std::atomic<long> g_regions{0};
}  // namespace

// GCC's code for `#pragma omp parallel` (and `parallel for` with a static
// schedule) enters the runtime here. The test binary's definition counts the
// call and hands it on to the runtime's own, next in the lookup order.
extern "C" void GOMP_parallel(void (*fn)(void*), void* data, unsigned threads, unsigned flags) {
  using Parallel = void (*)(void (*)(void*), void*, unsigned, unsigned);
  static const Parallel next = reinterpret_cast<Parallel>(dlsym(RTLD_NEXT, "GOMP_parallel"));
  g_regions.fetch_add(1);
  next(fn, data, threads, flags);
}

long nmx::test::parallel_regions() {
  static const bool counted = [] {
    const long before = g_regions.load();
#pragma omp parallel num_threads(1)
    g_regions.fetch_add(0);
    return g_regions.load() != before;
  }();
  return counted ? g_regions.load() : -1;
}

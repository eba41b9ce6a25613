// The parallel row loop: every row once, contiguous blocks in thread order
// above 8192 pixels, the calling thread at or below it and when nested.
#include <omp.h>

#include <vector>

#include "frame/rows.h"
#include "support/harness.h"

namespace {

// Runs the loop and records which thread ran each row and in which order.
struct Trace {
  std::vector<int> thread, calls;
};

Trace trace(NmxSize roi) {
  Trace t;
  t.thread.assign(roi.height, -1);
  t.calls.assign(roi.height, 0);
  nmx::row_loop(roi, [&](int32_t r) {
    t.thread[r] = omp_get_thread_num() + 100 * omp_get_level();
    ++t.calls[r];
  });
  return t;
}

TEST(RowLoop, SerialUpToThreshold) {
  nmxSetNumThreads(2);
  for (NmxSize roi : {NmxSize{8192, 1}, NmxSize{64, 128}, NmxSize{1, 8192}, NmxSize{3, 5}}) {
    const Trace t = trace(roi);
    for (int r = 0; r < roi.height; ++r) {
      EXPECT_EQ(t.calls[r], 1);
      EXPECT_EQ(t.thread[r], 0) << "row " << r << " of " << roi.width << "x" << roi.height;
    }
  }
  nmxSetNumThreads(0);
}

TEST(RowLoop, StaticContiguousBlocksAbove) {
  for (int threads : {2, 3}) {
    nmxSetNumThreads(threads);
    for (NmxSize roi : {NmxSize{8193, 1}, NmxSize{100, 83}, NmxSize{4097, 2}, NmxSize{1, 9000}}) {
      const Trace t = trace(roi);
      // Thread numbers never decrease along the rows, blocks differ by at most one row.
      std::vector<int> count(threads, 0);
      for (int r = 0; r < roi.height; ++r) {
        ASSERT_EQ(t.calls[r], 1);
        ASSERT_GE(t.thread[r], 0);
        ASSERT_LT(t.thread[r], 100 + threads);
        if (r) EXPECT_GE(t.thread[r], t.thread[r - 1]);
        ++count[t.thread[r] % 100];
      }
      if (roi.height >= threads) {
        const auto [lo, hi] = std::minmax_element(count.begin(), count.end());
        EXPECT_LE(*hi - *lo, 1) << threads << " threads, height " << roi.height;
      }
    }
  }
  nmxSetNumThreads(0);
}

TEST(RowLoop, NestedCallRunsInCallingThread) {
  nmxSetNumThreads(2);
  std::vector<int> seen(2, -1);
#pragma omp parallel num_threads(2)
  {
    const Trace t = trace({200, 200});
    int distinct = 0;
    for (int r = 0; r < 200; ++r) distinct |= 1 << (t.thread[r] % 100);
    seen[omp_get_thread_num()] = distinct;
  }
  nmxSetNumThreads(0);
  // Inside an active region the loop opens no team of its own: every row runs
  // on the calling thread of the outer team.
  for (int i = 0; i < 2; ++i) EXPECT_EQ(seen[i], 1 << i);
}

}  // namespace

// The parallel row loop of the whole-image entry points.
//
// Regions of at most 8192 pixels (32-bit width x height) run in the calling
// thread. Larger ones open an OpenMP region of ownGetNumThreads() threads with
// static scheduling: rows cut into contiguous blocks of nearly equal size, one
// per thread in thread order, each block in increasing row order. Where no new
// active region may be opened (a nested call), the same loop runs serially.
// Each row is written by one thread and reads nothing another row writes, so
// every path gives the same bytes.
#pragma once

#include <omp.h>

#include <cstdint>
#include <type_traits>

#include "nmxcore.h"
#include "nmxj.h"

namespace nmx {

constexpr int32_t kSerialPixels = 8192;

inline bool runs_serially(NmxSize roi, int32_t threads) {
  const int32_t pixels =
      static_cast<int32_t>(static_cast<uint32_t>(roi.width) * static_cast<uint32_t>(roi.height));
  return pixels <= kSerialPixels || threads <= 1 || omp_get_active_level() >= omp_get_max_active_levels();
}

// Calls row(r) for r = 0 .. roi.height-1.
template <class RowFn>
void row_loop(NmxSize roi, RowFn&& row) {
  const int32_t threads = ownGetNumThreads();
  const int32_t height = roi.height;
  if (runs_serially(roi, threads)) {
    for (int32_t r = 0; r < height; ++r) row(r);
    return;
  }
#pragma omp parallel for schedule(static) num_threads(threads)
  for (int32_t r = 0; r < height; ++r) row(r);
}

// Address of row r of a plane.
template <class T>
inline T* row_at(T* base, int32_t step, int32_t r) {
  using Byte = std::conditional_t<std::is_const_v<T>, const uint8_t, uint8_t>;
  return reinterpret_cast<T*>(reinterpret_cast<Byte*>(base) + static_cast<intptr_t>(r) * step);
}

}  // namespace nmx

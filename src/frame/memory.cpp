#include "frame/memory.h"

#include <cstring>

#include "nmxcore.h"

namespace nmx {

void* mem_alloc(int32_t n) { return n < 1 ? nullptr : nmxMalloc(n); }

void mem_free(void* p) { nmxFree(p); }

nmxStatus mem_clear(void* p, int32_t n) {
  if (!p) return nmxStatusNullPtrErr;
  if (n < 1) return nmxStatusSizeErr;
  std::memset(p, 0, static_cast<size_t>(n));
  return nmxStatusOk;
}

nmxStatus mem_copy(const void* src, void* dst, int32_t n) {
  if (!src || !dst) return nmxStatusNullPtrErr;
  if (n < 1) return nmxStatusSizeErr;
  std::memcpy(dst, src, static_cast<size_t>(n));
  return nmxStatusOk;
}

}  // namespace nmx

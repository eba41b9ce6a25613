// Internal memory routines over the core services. Shared by every family
// that allocates (InitAlloc/Free) or clears and copies working buffers.
#pragma once

#include <cstdint>

#include "nmxj.h"

namespace nmx {

// A block of n bytes from nmxMalloc (64-byte aligned); null when n < 1
// (without calling nmxMalloc) or when none is available.
void* mem_alloc(int32_t n);
// Releases a block from mem_alloc.
void mem_free(void* p);
// Sets n bytes to 0: -8 for a null pointer, -6 for n < 1.
nmxStatus mem_clear(void* p, int32_t n);
// Copies n bytes: -8 for a null source or destination, -6 for n < 1.
nmxStatus mem_copy(const void* src, void* dst, int32_t n);

}  // namespace nmx

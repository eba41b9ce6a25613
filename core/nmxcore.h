/* nmxcore: the small core-services library that nmxj runs beside.
 *
 * nmxj imports five calls from it: aligned allocation and release, the size of
 * the largest processor cache, a processor feature query and the number of
 * threads that parallel loops use. The remaining calls are controls for
 * applications and tests: they change what the five calls answer.
 *
 * Feature numbers understood by ownGetFeature:
 *   128 (0x80)  the processor and operating system support AVX2 (256-bit
 *               integer vectors with their OS-saved register state). nmxj only
 *               uses this to pick the name of its version record.
 * Any other number reports 0.
 *
 * Thread count: by default the number of CPUs this process may run on (its
 * affinity mask), read once when the library loads. nmxSetNumThreads changes it.
 */
#ifndef NMXCORE_H
#define NMXCORE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define NMXCORE_API __attribute__((visibility("default")))
#else
#define NMXCORE_API
#endif

/* A fresh block of `size` bytes aligned to 64 bytes; null when size < 1 or
 * when no memory is available (or the test hook below says so). */
NMXCORE_API void* nmxMalloc(int32_t size);
/* Releases a block from nmxMalloc; null is ignored. */
NMXCORE_API void nmxFree(void* ptr);
/* Writes the size in bytes of the largest processor cache; returns 0 on
 * success, -8 when pSize is null, 1 when the size cannot be found. */
NMXCORE_API int32_t nmxGetMaxCacheSizeB(int32_t* pSize);
/* Non-zero when `feature` is present; see the table above. */
NMXCORE_API int32_t ownGetFeature(int32_t feature);
/* Threads that parallel loops are to use, at least 1. */
NMXCORE_API int32_t ownGetNumThreads(void);

/* Controls. */
/* Sets the thread count; n < 1 restores the default. */
NMXCORE_API void nmxSetNumThreads(int32_t n);
/* Test hook: the n-th nmxMalloc call from now (1 = the next one) returns
 * null; n < 1 switches the hook off. Calls counted are those with size >= 1. */
NMXCORE_API void nmxSetMallocFailAt(int32_t n);
/* Number of blocks handed out by nmxMalloc and not yet released. */
NMXCORE_API int32_t nmxGetLiveBlocks(void);

#ifdef __cplusplus
}
#endif

#endif

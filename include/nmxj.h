/* nmxj: image-codec primitives with a flat C interface.
 *
 * Every function works on caller-owned memory, checks its arguments in a fixed
 * order (pointers, then row steps, then sizes, then values particular to the
 * operation, unless its description says otherwise) and returns an nmxStatus:
 * 0 on success, negative on error (nothing written when an argument check
 * fails), positive for a warning (the work was done).
 *
 * Images are passed as a pointer to the top-left element and a row step in
 * bytes; sizes as NmxSize {width, height} in elements and rows. No function
 * requires aligned memory. 8x8 blocks are 64 coefficients in row-major order.
 *
 * This header compiles as C99 and as C++.
 */
#ifndef NMXJ_H
#define NMXJ_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define NMXJ_API __attribute__((visibility("default")))
#else
#define NMXJ_API
#endif

/* ---- Status ------------------------------------------------------------ */

typedef int32_t nmxStatus;

enum {
  nmxStatusOk = 0,
  nmxStatusBadRunErr = -2,          /* a decoded run passes the end of the 8x8 block */
  nmxStatusBadArgErr = -5,          /* an argument value is out of its range */
  nmxStatusSizeErr = -6,            /* a size, width, height or length is too small */
  nmxStatusOutOfRangeErr = -7,      /* a selector, count or coded value out of range */
  nmxStatusNullPtrErr = -8,         /* a required pointer is null */
  nmxStatusMemAllocErr = -9,        /* memory allocation failed; nothing was created */
  nmxStatusStepErr = -14,           /* a row step is less than 1 */
  nmxStatusContextMatchErr = -17,   /* the state record is not of the expected kind */
  nmxStatusBufferEndErr = -62,      /* the end of the byte buffer was reached */
  nmxStatusBadCodeErr = -63,        /* entropy-coded data or a value the code cannot represent */
  nmxStatusHuffTableErr = -64,      /* a Huffman table is invalid or lacks a needed code */
  nmxStatusCorruptSegmentErr = -112,/* a coded segment is corrupt or badly terminated */
  nmxStatusIndexRangeErr = -113,    /* an index is outside the range the state holds */
  nmxStatusOutOfBufferErr = -124,   /* destination too small, or source ends inside a run */
  nmxStatusNotAttachedErr = -180,   /* no code-block is attached to the decoder state */
  nmxStatusBadModeErr = -9999,      /* a mode number outside the supported modes */
  nmxStatusDivByZero = 6,           /* warning: a quantizer of 0 was met (entry 65535) */
  nmxStatusOddSize = 35             /* warning: odd size with 2x chroma sub-sampling */
};

/* ---- Shared types ------------------------------------------------------ */

typedef struct NmxSize {
  int32_t width;
  int32_t height;
} NmxSize;

typedef struct NmxRect {
  int32_t x;
  int32_t y;
  int32_t width;
  int32_t height;
} NmxRect;

typedef struct NmxVersionInfo {
  int32_t major;
  int32_t minor;
  int32_t build;
  int32_t buildCode;
  char targetCode[4];
  const char* name;
  const char* versionText;
  const char* buildDate;
} NmxVersionInfo;

/* Opaque records held by the caller. */
typedef struct NmxEncodeHuffmanSpec NmxEncodeHuffmanSpec;
typedef struct NmxDecodeHuffmanSpec NmxDecodeHuffmanSpec;
typedef struct NmxEncodeHuffmanState NmxEncodeHuffmanState;
typedef struct NmxDecodeHuffmanState NmxDecodeHuffmanState;
typedef struct NmxEncodeCBState NmxEncodeCBState;         /* JPEG 2000 code-block encoder */
typedef struct NmxDecodeCBState NmxDecodeCBState;         /* JPEG 2000 code-block decoder */
typedef struct NmxDecodeCBProgrState NmxDecodeCBProgrState; /* pass-by-pass decoder */
typedef struct NmxVLCState NmxVLCState;                   /* JPEG XR adaptive VLC */

/* ---- Version ----------------------------------------------------------- */

/* A constant record; the same pointer on every call of one process. */
NMXJ_API const NmxVersionInfo* nmxjGetLibVersion(void);

/* ---- Level shift and quantization -------------------------------------- */

/* dst = src - 128, region by region. */
NMXJ_API nmxStatus nmxiSub128_JPEG_8u16s_C1R(const uint8_t* pSrc, int32_t srcStep, int16_t* pDst,
                                             int32_t dstStep, NmxSize roiSize);
/* dst = src + 128 saturated to 0..255. */
NMXJ_API nmxStatus nmxiAdd128_JPEG_16s8u_C1R(const int16_t* pSrc, int32_t srcStep, uint8_t* pDst,
                                             int32_t dstStep, NmxSize roiSize);
/* Scales a zig-zag 8-bit quantization table by a quality factor (>= 1), in place. */
NMXJ_API nmxStatus nmxiQuantFwdRawTableInit_JPEG_8u(uint8_t* pQuantRawTable, int32_t qualityFactor);
/* Builds the 64 natural-order 1.15 reciprocals from a zig-zag table; 6 when a quantizer is 0. */
NMXJ_API nmxStatus nmxiQuantFwdTableInit_JPEG_8u16u(const uint8_t* pQuantRawTable, uint16_t* pQuantFwdTable);
/* Builds the 64 natural-order quantizers from a zig-zag table. */
NMXJ_API nmxStatus nmxiQuantInvTableInit_JPEG_8u16u(const uint8_t* pQuantRawTable, uint16_t* pQuantInvTable);
/* Quantizes an 8x8 block in place by a forward table. */
NMXJ_API nmxStatus nmxiQuantFwd8x8_JPEG_16s_C1I(int16_t* pSrcDst, const uint16_t* pQuantFwdTable);
/* Dequantizes an 8x8 block in place (16-bit wrap-around). */
NMXJ_API nmxStatus nmxiQuantInv8x8_JPEG_16s_C1I(int16_t* pSrcDst, const uint16_t* pQuantInvTable);

/* ---- Forward DCT with quantization ------------------------------------- */

/* ---- Inverse DCT with dequantization ----------------------------------- */

/* ---- Huffman tables and coder states ----------------------------------- */

/* ---- Baseline block coding --------------------------------------------- */

/* ---- Plane colour conversion ------------------------------------------- */

/* ---- Plane sampling ---------------------------------------------------- */

#ifdef __cplusplus
}
#endif

#endif /* NMXJ_H */

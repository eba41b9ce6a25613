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

/* 8x8 forward DCT (16-bit fixed point) then quantization by a forward table
 * (64 natural-order 1.15 reciprocals); the block is taken as it is. */
NMXJ_API nmxStatus nmxiDCTQuantFwd8x8_JPEG_16s_C1(const int16_t* pSrc, int16_t* pDst, const uint16_t* pQuantFwdTable);
/* The same, in place. */
NMXJ_API nmxStatus nmxiDCTQuantFwd8x8_JPEG_16s_C1I(int16_t* pSrcDst, const uint16_t* pQuantFwdTable);
/* Reads an 8x8 area of 8-bit samples (any step >= 1), subtracts 128, transforms and quantizes. */
NMXJ_API nmxStatus nmxiDCTQuantFwd8x8LS_JPEG_8u16s_C1R(const uint8_t* pSrc, int32_t srcStep, int16_t* pDst,
                                                       const uint16_t* pQuantFwdTable);
/* 12-bit samples (in 16-bit words) less 2048, single-precision DCT, each
 * coefficient times its factor, rounded to nearest even and saturated. */
NMXJ_API nmxStatus nmxiDCTQuantFwd8x8LS_JPEG_16u16s_C1R(const uint16_t* pSrc, int32_t srcStep, int16_t* pDst,
                                                        const float* pQuantFwdTable);

/* ---- Inverse DCT with dequantization ----------------------------------- */

/* Dequantization (16-bit wrap-around) by a table of 64 natural-order quantizers,
 * then the 8x8 inverse DCT (16-bit fixed point) into a block of samples. */
NMXJ_API nmxStatus nmxiDCTQuantInv8x8_JPEG_16s_C1(const int16_t* pSrc, int16_t* pDst, const uint16_t* pQuantInvTable);
/* The same, in place. */
NMXJ_API nmxStatus nmxiDCTQuantInv8x8_JPEG_16s_C1I(int16_t* pSrcDst, const uint16_t* pQuantInvTable);
/* Dequantization, inverse DCT, +128 and clamping to 0..255 into an 8x8 pixel area (any step >= 1). */
NMXJ_API nmxStatus nmxiDCTQuantInv8x8LS_JPEG_16s8u_C1R(const int16_t* pSrc, uint8_t* pDst, int32_t dstStep,
                                                       const uint16_t* pQuantInvTable);
/* DC only: every pixel is (DC x quantizer) / 8 (rounded down) + 128, clamped. */
NMXJ_API nmxStatus nmxiDCTQuantInv8x8LS_1x1_JPEG_16s8u_C1R(const int16_t* pSrc, uint8_t* pDst, int32_t dstStep,
                                                           const uint16_t* pQuantInvTable);
/* As the full form for a block whose only non-zero coefficients are the top-left 2x2. */
NMXJ_API nmxStatus nmxiDCTQuantInv8x8LS_2x2_JPEG_16s8u_C1R(const int16_t* pSrc, uint8_t* pDst, int32_t dstStep,
                                                           const uint16_t* pQuantInvTable);
/* As the full form for a block whose only non-zero coefficients are the top-left 4x4. */
NMXJ_API nmxStatus nmxiDCTQuantInv8x8LS_4x4_JPEG_16s8u_C1R(const int16_t* pSrc, uint8_t* pDst, int32_t dstStep,
                                                           const uint16_t* pQuantInvTable);
/* A 4x4 thumbnail of the block: each pixel the mean of a 2x2 square of the full result. */
NMXJ_API nmxStatus nmxiDCTQuantInv8x8To4x4LS_JPEG_16s8u_C1R(const int16_t* pSrc, uint8_t* pDst, int32_t dstStep,
                                                            const uint16_t* pQuantInvTable);
/* A 2x2 thumbnail of the block: each pixel the mean of a 4x4 quadrant of the full result. */
NMXJ_API nmxStatus nmxiDCTQuantInv8x8To2x2LS_JPEG_16s8u_C1R(const int16_t* pSrc, uint8_t* pDst, int32_t dstStep,
                                                            const uint16_t* pQuantInvTable);
/* 12-bit decoding: coefficient times factor, single-precision inverse DCT,
 * +2048 truncated and clamped to 0..4095, into an 8x8 area of 16-bit samples. */
NMXJ_API nmxStatus nmxiDCTQuantInv8x8LS_JPEG_16s16u_C1R(const int16_t* pSrc, uint16_t* pDst, int32_t dstStep,
                                                        const float* pQuantInvTable);

/* ---- Huffman tables and coder states ----------------------------------- */

/* Records built from the two lists of a JPEG DHT segment: pCounts, 16 code
 * counts for lengths 1..16; pSymbols, the symbols in code order (at most 256).
 * Record sizes: encoder table 1024, decoder table 1644, encoder state 1048,
 * decoder state 24 bytes; any alignment. A build fails with
 * nmxStatusHuffTableErr (-64) for more than 256 codes, for encoder codes that
 * overflow their length (or a code of all one bits), or for decoder codes of
 * up to 8 bits that overflow. InitAlloc hands the record out also on -64 (the
 * caller frees it); an allocation failure is reported as -8. */
NMXJ_API nmxStatus nmxiEncodeHuffmanSpecGetBufSize_JPEG_8u(int32_t* pSize);
NMXJ_API nmxStatus nmxiEncodeHuffmanSpecInit_JPEG_8u(const uint8_t* pCounts, const uint8_t* pSymbols,
                                                     NmxEncodeHuffmanSpec* pSpec);
NMXJ_API nmxStatus nmxiEncodeHuffmanSpecInitAlloc_JPEG_8u(const uint8_t* pCounts, const uint8_t* pSymbols,
                                                          NmxEncodeHuffmanSpec** ppSpec);
NMXJ_API nmxStatus nmxiEncodeHuffmanSpecFree_JPEG_8u(NmxEncodeHuffmanSpec* pSpec);
NMXJ_API nmxStatus nmxiDecodeHuffmanSpecGetBufSize_JPEG_8u(int32_t* pSize);
NMXJ_API nmxStatus nmxiDecodeHuffmanSpecInit_JPEG_8u(const uint8_t* pCounts, const uint8_t* pSymbols,
                                                     NmxDecodeHuffmanSpec* pSpec);
NMXJ_API nmxStatus nmxiDecodeHuffmanSpecInitAlloc_JPEG_8u(const uint8_t* pCounts, const uint8_t* pSymbols,
                                                          NmxDecodeHuffmanSpec** ppSpec);
NMXJ_API nmxStatus nmxiDecodeHuffmanSpecFree_JPEG_8u(NmxDecodeHuffmanSpec* pSpec);
/* States: Init resets (no pending bits, no end-of-band run, no correction bits). */
NMXJ_API nmxStatus nmxiEncodeHuffmanStateGetBufSize_JPEG_8u(int32_t* pSize);
NMXJ_API nmxStatus nmxiEncodeHuffmanStateInit_JPEG_8u(NmxEncodeHuffmanState* pState);
NMXJ_API nmxStatus nmxiEncodeHuffmanStateInitAlloc_JPEG_8u(NmxEncodeHuffmanState** ppState);
NMXJ_API nmxStatus nmxiEncodeHuffmanStateFree_JPEG_8u(NmxEncodeHuffmanState* pState);
NMXJ_API nmxStatus nmxiDecodeHuffmanStateGetBufSize_JPEG_8u(int32_t* pSize);
NMXJ_API nmxStatus nmxiDecodeHuffmanStateInit_JPEG_8u(NmxDecodeHuffmanState* pState);
NMXJ_API nmxStatus nmxiDecodeHuffmanStateInitAlloc_JPEG_8u(NmxDecodeHuffmanState** ppState);
NMXJ_API nmxStatus nmxiDecodeHuffmanStateFree_JPEG_8u(NmxDecodeHuffmanState* pState);


/* ---- Baseline block coding --------------------------------------------- */

/* Sequential JPEG entropy-coded data: 8x8 blocks (natural order in memory,
 * zig-zag order in the stream) with DC prediction through *pLastDC, and single
 * DC-style values. Bits are written MSB first, 0xFF is followed by a stuffed
 * 0x00. Encoders: flush != 0 pads the partial byte with 1 bits, writes it and
 * resets the state (the block arguments are then not looked at); -62 when the
 * buffer is full, -64 for a symbol without a code. Decoders stop reading at a
 * marker (0xFF followed by 1..0xFE), store its second byte in *pMarker and read
 * nothing more while *pMarker is non-zero; the caller resets *pMarker and the
 * state after handling it. -62 when the input ends, -63 for a bad code or bits
 * needed past a marker, -2 for a run past the end of the block. */
NMXJ_API nmxStatus nmxiEncodeHuffman8x8_JPEG_16s1u_C1(const int16_t* pSrc, uint8_t* pDst, int32_t dstLen,
                                                      int32_t* pDstPos, int16_t* pLastDC,
                                                      const NmxEncodeHuffmanSpec* pDcSpec,
                                                      const NmxEncodeHuffmanSpec* pAcSpec,
                                                      NmxEncodeHuffmanState* pState, int32_t flush);
NMXJ_API nmxStatus nmxiEncodeHuffmanOne_JPEG_16s1u_C1(const int16_t* pSrc, uint8_t* pDst, int32_t dstLen,
                                                      int32_t* pDstPos, const NmxEncodeHuffmanSpec* pSpec,
                                                      NmxEncodeHuffmanState* pState, int32_t flush);
NMXJ_API nmxStatus nmxiDecodeHuffman8x8_JPEG_1u16s_C1(const uint8_t* pSrc, int32_t srcLen, int32_t* pSrcPos,
                                                      int16_t* pDst, int16_t* pLastDC, int32_t* pMarker,
                                                      const NmxDecodeHuffmanSpec* pDcSpec,
                                                      const NmxDecodeHuffmanSpec* pAcSpec,
                                                      NmxDecodeHuffmanState* pState);
NMXJ_API nmxStatus nmxiDecodeHuffmanOne_JPEG_1u16s_C1(const uint8_t* pSrc, int32_t srcLen, int32_t* pSrcPos,
                                                      int16_t* pDst, int32_t* pMarker,
                                                      const NmxDecodeHuffmanSpec* pSpec,
                                                      NmxDecodeHuffmanState* pState);
/* Direct coders: no state and no length; the caller keeps the bit position
 * (stuffed bytes included) and, for decoding, the read-ahead bits. The encoder
 * takes the bits of the unfinished byte from pDst and writes that byte with
 * its unused low bits 0; the caller pads the last byte with 1 bits. */
NMXJ_API nmxStatus nmxiEncodeHuffman8x8_Direct_JPEG_16s1u_C1(const int16_t* pSrc, uint8_t* pDst,
                                                             int32_t* pDstBitPos, int16_t* pLastDC,
                                                             const NmxEncodeHuffmanSpec* pDcSpec,
                                                             const NmxEncodeHuffmanSpec* pAcSpec);
NMXJ_API nmxStatus nmxiDecodeHuffman8x8_Direct_JPEG_1u16s_C1(const uint8_t* pSrc, int32_t* pSrcBitPos,
                                                             int16_t* pDst, int16_t* pLastDC, int32_t* pMarker,
                                                             uint32_t* pBitBuf, int32_t* pBitCount,
                                                             const NmxDecodeHuffmanSpec* pDcSpec,
                                                             const NmxDecodeHuffmanSpec* pAcSpec);


/* ---- Plane colour conversion ------------------------------------------- */

/* Planar arguments are arrays of plane pointers: Y, Cb, Cr (K); R, G, B; or
 * C, M, Y, K. Chroma of the 422 forms has width / 2 samples per row; the 411
 * forms also halve the height. An odd width (or, for 411, height) converts the
 * even part and returns nmxStatusOddSize; the last column (row) is not written.
 * The 422 and 411 forms and the full-resolution C4 forms check no row step. */
/* Interleaved RGB / BGR (C3) or RGBx / BGRx (C4, fourth byte ignored) to Y, Cb, Cr planes. */
NMXJ_API nmxStatus nmxiRGBToYCbCr_JPEG_8u_C3P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                                int32_t dstStep, NmxSize roiSize);
NMXJ_API nmxStatus nmxiBGRToYCbCr_JPEG_8u_C3P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                                int32_t dstStep, NmxSize roiSize);
NMXJ_API nmxStatus nmxiRGBToYCbCr_JPEG_8u_C4P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                                int32_t dstStep, NmxSize roiSize);
NMXJ_API nmxStatus nmxiBGRToYCbCr_JPEG_8u_C4P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                                int32_t dstStep, NmxSize roiSize);
/* R, G, B planes to Y, Cb, Cr planes. */
NMXJ_API nmxStatus nmxiRGBToYCbCr_JPEG_8u_P3R(const uint8_t* const pSrc[3], int32_t srcStep, uint8_t* const pDst[3],
                                              int32_t dstStep, NmxSize roiSize);
/* Chroma halved horizontally (422) or in both directions (411); one step per destination plane. */
NMXJ_API nmxStatus nmxiRGBToYCbCr422_JPEG_8u_C3P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                                   const int32_t dstStep[3], NmxSize roiSize);
NMXJ_API nmxStatus nmxiBGRToYCbCr422_JPEG_8u_C3P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                                   const int32_t dstStep[3], NmxSize roiSize);
NMXJ_API nmxStatus nmxiRGBToYCbCr422_JPEG_8u_C4P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                                   const int32_t dstStep[3], NmxSize roiSize);
NMXJ_API nmxStatus nmxiBGRToYCbCr422_JPEG_8u_C4P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                                   const int32_t dstStep[3], NmxSize roiSize);
NMXJ_API nmxStatus nmxiRGBToYCbCr411_JPEG_8u_C3P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                                   const int32_t dstStep[3], NmxSize roiSize);
NMXJ_API nmxStatus nmxiBGRToYCbCr411_JPEG_8u_C3P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                                   const int32_t dstStep[3], NmxSize roiSize);
NMXJ_API nmxStatus nmxiRGBToYCbCr411_JPEG_8u_C4P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                                   const int32_t dstStep[3], NmxSize roiSize);
NMXJ_API nmxStatus nmxiBGRToYCbCr411_JPEG_8u_C4P3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                                   const int32_t dstStep[3], NmxSize roiSize);
/* 16-bit packed 5-5-5 / 5-6-5 pixels to Y, Cb, Cr planes. */
NMXJ_API nmxStatus nmxiRGB555ToYCbCr_JPEG_16u8u_C3P3R(const uint16_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                                      int32_t dstStep, NmxSize roiSize);
NMXJ_API nmxStatus nmxiRGB565ToYCbCr_JPEG_16u8u_C3P3R(const uint16_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                                      int32_t dstStep, NmxSize roiSize);
NMXJ_API nmxStatus nmxiBGR555ToYCbCr_JPEG_16u8u_C3P3R(const uint16_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                                      int32_t dstStep, NmxSize roiSize);
NMXJ_API nmxStatus nmxiBGR565ToYCbCr_JPEG_16u8u_C3P3R(const uint16_t* pSrc, int32_t srcStep, uint8_t* const pDst[3],
                                                      int32_t dstStep, NmxSize roiSize);
/* Luminance only. */
NMXJ_API nmxStatus nmxiRGBToY_JPEG_8u_C3C1R(const uint8_t* pSrc, int32_t srcStep, uint8_t* pDst, int32_t dstStep,
                                            NmxSize roiSize);
NMXJ_API nmxStatus nmxiBGRToY_JPEG_8u_C3C1R(const uint8_t* pSrc, int32_t srcStep, uint8_t* pDst, int32_t dstStep,
                                            NmxSize roiSize);
NMXJ_API nmxStatus nmxiRGBToY_JPEG_8u_P3C1R(const uint8_t* const pSrc[3], int32_t srcStep, uint8_t* pDst,
                                            int32_t dstStep, NmxSize roiSize);
/* CMYK (interleaved or planes) to Y, Cb, Cr, K planes; K is copied. */
NMXJ_API nmxStatus nmxiCMYKToYCCK_JPEG_8u_C4P4R(const uint8_t* pSrc, int32_t srcStep, uint8_t* const pDst[4],
                                                int32_t dstStep, NmxSize roiSize);
NMXJ_API nmxStatus nmxiCMYKToYCCK_JPEG_8u_P4R(const uint8_t* const pSrc[4], int32_t srcStep, uint8_t* const pDst[4],
                                              int32_t dstStep, NmxSize roiSize);
/* Y, Cb, Cr, K planes to CMYK (interleaved or planes); K is copied. */
NMXJ_API nmxStatus nmxiYCCKToCMYK_JPEG_8u_P4C4R(const uint8_t* const pSrc[4], int32_t srcStep, uint8_t* pDst,
                                                int32_t dstStep, NmxSize roiSize);
NMXJ_API nmxStatus nmxiYCCKToCMYK_JPEG_8u_P4R(const uint8_t* const pSrc[4], int32_t srcStep, uint8_t* const pDst[4],
                                              int32_t dstStep, NmxSize roiSize);
/* Y, Cb, Cr planes to interleaved RGB / BGR; the C4 forms set every fourth byte to aval. */
NMXJ_API nmxStatus nmxiYCbCrToRGB_JPEG_8u_P3C3R(const uint8_t* const pSrc[3], int32_t srcStep, uint8_t* pDst,
                                                int32_t dstStep, NmxSize roiSize);
NMXJ_API nmxStatus nmxiYCbCrToBGR_JPEG_8u_P3C3R(const uint8_t* const pSrc[3], int32_t srcStep, uint8_t* pDst,
                                                int32_t dstStep, NmxSize roiSize);
NMXJ_API nmxStatus nmxiYCbCrToRGB_JPEG_8u_P3C4R(const uint8_t* const pSrc[3], int32_t srcStep, uint8_t* pDst,
                                                int32_t dstStep, NmxSize roiSize, uint8_t aval);
NMXJ_API nmxStatus nmxiYCbCrToBGR_JPEG_8u_P3C4R(const uint8_t* const pSrc[3], int32_t srcStep, uint8_t* pDst,
                                                int32_t dstStep, NmxSize roiSize, uint8_t aval);
/* Y, Cb, Cr planes to R, G, B planes. */
NMXJ_API nmxStatus nmxiYCbCrToRGB_JPEG_8u_P3R(const uint8_t* const pSrc[3], int32_t srcStep, uint8_t* const pDst[3],
                                              int32_t dstStep, NmxSize roiSize);
/* Y, Cb, Cr planes to 16-bit packed 5-5-5 / 5-6-5 pixels. */
NMXJ_API nmxStatus nmxiYCbCrToRGB555_JPEG_8u16u_P3C3R(const uint8_t* const pSrc[3], int32_t srcStep, uint16_t* pDst,
                                                      int32_t dstStep, NmxSize roiSize);
NMXJ_API nmxStatus nmxiYCbCrToRGB565_JPEG_8u16u_P3C3R(const uint8_t* const pSrc[3], int32_t srcStep, uint16_t* pDst,
                                                      int32_t dstStep, NmxSize roiSize);
NMXJ_API nmxStatus nmxiYCbCrToBGR555_JPEG_8u16u_P3C3R(const uint8_t* const pSrc[3], int32_t srcStep, uint16_t* pDst,
                                                      int32_t dstStep, NmxSize roiSize);
NMXJ_API nmxStatus nmxiYCbCrToBGR565_JPEG_8u16u_P3C3R(const uint8_t* const pSrc[3], int32_t srcStep, uint16_t* pDst,
                                                      int32_t dstStep, NmxSize roiSize);
/* Sub-sampled Y, Cb, Cr planes (one step per source plane) to interleaved pixels. */
NMXJ_API nmxStatus nmxiYCbCr422ToRGB_JPEG_8u_P3C3R(const uint8_t* const pSrc[3], const int32_t srcStep[3],
                                                   uint8_t* pDst, int32_t dstStep, NmxSize roiSize);
NMXJ_API nmxStatus nmxiYCbCr422ToBGR_JPEG_8u_P3C3R(const uint8_t* const pSrc[3], const int32_t srcStep[3],
                                                   uint8_t* pDst, int32_t dstStep, NmxSize roiSize);
NMXJ_API nmxStatus nmxiYCbCr422ToRGB_JPEG_8u_P3C4R(const uint8_t* const pSrc[3], const int32_t srcStep[3],
                                                   uint8_t* pDst, int32_t dstStep, NmxSize roiSize, uint8_t aval);
NMXJ_API nmxStatus nmxiYCbCr422ToBGR_JPEG_8u_P3C4R(const uint8_t* const pSrc[3], const int32_t srcStep[3],
                                                   uint8_t* pDst, int32_t dstStep, NmxSize roiSize, uint8_t aval);
NMXJ_API nmxStatus nmxiYCbCr411ToRGB_JPEG_8u_P3C3R(const uint8_t* const pSrc[3], const int32_t srcStep[3],
                                                   uint8_t* pDst, int32_t dstStep, NmxSize roiSize);
NMXJ_API nmxStatus nmxiYCbCr411ToBGR_JPEG_8u_P3C3R(const uint8_t* const pSrc[3], const int32_t srcStep[3],
                                                   uint8_t* pDst, int32_t dstStep, NmxSize roiSize);
NMXJ_API nmxStatus nmxiYCbCr411ToRGB_JPEG_8u_P3C4R(const uint8_t* const pSrc[3], const int32_t srcStep[3],
                                                   uint8_t* pDst, int32_t dstStep, NmxSize roiSize, uint8_t aval);
NMXJ_API nmxStatus nmxiYCbCr411ToBGR_JPEG_8u_P3C4R(const uint8_t* const pSrc[3], const int32_t srcStep[3],
                                                   uint8_t* pDst, int32_t dstStep, NmxSize roiSize, uint8_t aval);
/* Interleaved Y0 Cb Y1 Cr pairs to RGB; a row holds (width + 1) / 2 whole pairs (an odd
 * last pixel takes Y0, Cb and Cr of its pair). */
NMXJ_API nmxStatus nmxiYCbCr422ToRGB_JPEG_8u_C2C3R(const uint8_t* pSrc, int32_t srcStep, uint8_t* pDst,
                                                   int32_t dstStep, NmxSize roiSize);

/* ---- Plane sampling ---------------------------------------------------- */

/* Whole-plane filters: the destination size drives the work. The down-samplers
 * read 2 x width source columns (and 2 x height rows for H2V2); the
 * up-samplers also read one sample of context on every side of the source
 * region (the column left and right of it, the row above and below). */
/* d[k] = (s[2k] + s[2k+1] + 1) >> 1. */
NMXJ_API nmxStatus nmxiSampleDownH2V1_JPEG_8u_C1R(const uint8_t* pSrc, int32_t srcStep, NmxSize srcRoiSize,
                                                  uint8_t* pDst, int32_t dstStep, NmxSize dstRoiSize);
/* d[k] = (sum of the 2x2 source block + 3) >> 2. */
NMXJ_API nmxStatus nmxiSampleDownH2V2_JPEG_8u_C1R(const uint8_t* pSrc, int32_t srcStep, NmxSize srcRoiSize,
                                                  uint8_t* pDst, int32_t dstStep, NmxSize dstRoiSize);
/* Triangle filter across the row. */
NMXJ_API nmxStatus nmxiSampleUpH2V1_JPEG_8u_C1R(const uint8_t* pSrc, int32_t srcStep, NmxSize srcRoiSize,
                                                uint8_t* pDst, int32_t dstStep, NmxSize dstRoiSize);
/* Triangle filter across the row and between rows. */
NMXJ_API nmxStatus nmxiSampleUpH2V2_JPEG_8u_C1R(const uint8_t* pSrc, int32_t srcStep, NmxSize srcRoiSize,
                                                uint8_t* pDst, int32_t dstStep, NmxSize dstRoiSize);
/* Row forms: srcWidth source samples; down-samplers write srcWidth / 2 samples
 * with a bias that alternates along the row, up-samplers write 2 x srcWidth
 * samples and handle the row ends themselves. */
NMXJ_API nmxStatus nmxiSampleDownRowH2V1_Box_JPEG_8u_C1(const uint8_t* pSrc, int32_t srcWidth, uint8_t* pDst);
NMXJ_API nmxStatus nmxiSampleDownRowH2V2_Box_JPEG_8u_C1(const uint8_t* pSrc1, const uint8_t* pSrc2, int32_t srcWidth,
                                                        uint8_t* pDst);
NMXJ_API nmxStatus nmxiSampleUpRowH2V1_Triangle_JPEG_8u_C1(const uint8_t* pSrc, int32_t srcWidth, uint8_t* pDst);
/* pSrc1 is the source row the output row lies in, pSrc2 the row above it (for
 * the upper output row of a pair) or below it (for the lower one). */
NMXJ_API nmxStatus nmxiSampleUpRowH2V2_Triangle_JPEG_8u_C1(const uint8_t* pSrc1, const uint8_t* pSrc2,
                                                           int32_t srcWidth, uint8_t* pDst);

#ifdef __cplusplus
}
#endif

#endif /* NMXJ_H */

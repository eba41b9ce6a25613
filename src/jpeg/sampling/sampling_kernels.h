// Sampling row kernels: down-sampling by two (horizontal, or horizontal and
// vertical) with a per-output bias, and triangle up-sampling by two.
//
// Down-sampling writes n outputs from 2n source samples of each row; the bias
// added before the shift is `biasEven` for even output indices and `biasOdd`
// for odd ones, counted from the start of the row (the plane forms pass the
// same bias twice, the box row forms an alternating one). Biases are those of
// the entry points: 0 or 1 for H2V1, 1 to 3 for H2V2 (so no sum passes 255
// after the shift). `ahead` is the distance in bytes from the source rows to
// those of the next call in a plane: the vector kernels prefetch them while
// they work (0: no prefetch). It never changes a result.
//
// Up-sampling comes in two shapes that share the pair formulas:
//  - plane rows: `width` outputs; pair i (outputs 2i, 2i+1) reads s[i-1],
//    s[i], s[i+1], so the row reads one sample of context on each side; an odd
//    width writes only the even member of the last pair;
//  - triangle rows: 2 x `width` outputs from `width` samples, where the
//    missing neighbours at the row ends are the end samples themselves; a row
//    of one sample gives two outputs and reads nothing else.
// H2V2 kernels work on the column sums c[i] = 3 x nearer[i] + farther[i].
#pragma once

#include <cstdint>

#include "frame/target.h"

namespace nmx::sampling {

using DownH2V1 = void (*)(const uint8_t* src, uint8_t* dst, int32_t n, int32_t biasEven, int32_t biasOdd,
                          intptr_t ahead);
using DownH2V2 = void (*)(const uint8_t* src1, const uint8_t* src2, uint8_t* dst, int32_t n, int32_t biasEven,
                          int32_t biasOdd, intptr_t ahead);
using UpH2V1 = void (*)(const uint8_t* src, uint8_t* dst, int32_t width);
using UpH2V2 = void (*)(const uint8_t* nearer, const uint8_t* farther, uint8_t* dst, int32_t width);

struct Kernels {
  DownH2V1 down_h2v1;
  DownH2V2 down_h2v2;
  UpH2V1 up_h2v1;       // plane row, reads context
  UpH2V2 up_h2v2;       // plane row, reads context
  UpH2V1 up_row_h2v1;   // triangle row with its own ends
  UpH2V2 up_row_h2v2;   // triangle row with its own ends
};

#define NMX_SAMPLING_DECLARE(sfx)                                                                          \
  void down_h2v1_##sfx(const uint8_t* src, uint8_t* dst, int32_t n, int32_t biasEven, int32_t biasOdd,     \
                       intptr_t ahead);                                                                    \
  void down_h2v2_##sfx(const uint8_t* src1, const uint8_t* src2, uint8_t* dst, int32_t n, int32_t biasEven, \
                       int32_t biasOdd, intptr_t ahead);                                                   \
  void up_h2v1_##sfx(const uint8_t* src, uint8_t* dst, int32_t width);                                     \
  void up_h2v2_##sfx(const uint8_t* nearer, const uint8_t* farther, uint8_t* dst, int32_t width);          \
  void up_row_h2v1_##sfx(const uint8_t* src, uint8_t* dst, int32_t width);                                 \
  void up_row_h2v2_##sfx(const uint8_t* nearer, const uint8_t* farther, uint8_t* dst, int32_t width);
NMX_SAMPLING_DECLARE(ref)
NMX_SAMPLING_DECLARE(sse41)
NMX_SAMPLING_DECLARE(avx2)
#undef NMX_SAMPLING_DECLARE

// The kernels of target t (references where t has none of its own).
Kernels kernels_for(Target t);

}  // namespace nmx::sampling

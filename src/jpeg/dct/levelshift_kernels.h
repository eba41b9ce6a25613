// Level-shift row kernels: encoder side (8u - 128 -> 16s) and decoder side
// (16s + 128 saturated -> 8u).
#pragma once

#include <cstdint>

#include "frame/target.h"

namespace nmx::levelshift {

using Sub128Row = void (*)(const uint8_t* src, int16_t* dst, int32_t width);
using Add128Row = void (*)(const int16_t* src, uint8_t* dst, int32_t width);

struct Kernels {
  Sub128Row sub128;
  Add128Row add128;
};

void sub128_ref(const uint8_t* src, int16_t* dst, int32_t width);
void add128_ref(const int16_t* src, uint8_t* dst, int32_t width);
void sub128_sse41(const uint8_t* src, int16_t* dst, int32_t width);
void add128_sse41(const int16_t* src, uint8_t* dst, int32_t width);
void sub128_avx2(const uint8_t* src, int16_t* dst, int32_t width);
void add128_avx2(const int16_t* src, uint8_t* dst, int32_t width);

// The kernels of target t (references where t has none of its own).
Kernels kernels_for(Target t);

}  // namespace nmx::levelshift

// Shared by the down- and up-sampling entry points: the kernel table chosen
// at load time and the argument checks of the whole-plane forms.
#pragma once

#include "jpeg/sampling/sampling_kernels.h"
#include "nmxj.h"

namespace nmx::sampling {

extern const Kernels active;

// Source pointer, step and size; destination pointer, step, width, height.
nmxStatus check_plane(const uint8_t* src, int32_t srcStep, NmxSize srcSize, const uint8_t* dst, int32_t dstStep,
                      NmxSize dstSize);

}  // namespace nmx::sampling

// Instruction-set targets and the load-time choice among them.
//
// Each kernel family keeps a table of kernel pointers and a function
// `kernels_for(Target)` that fills it: portable references first, then every
// vector kernel of each target up to the one asked for. The entry points use
// the table built once, when the library loads, for best_target(); tests ask
// for the table of every target the machine has and compare it with Ref.
#pragma once

#include <span>

namespace nmx {

enum class Target : int { Ref = 0, SSE41 = 1, AVX2 = 2, AVX512 = 3 };

// Name for messages ("ref", "sse4.1", "avx2", "avx512").
const char* target_name(Target t);

// The widest target this build has and the processor runs.
Target best_target();

// Ref and every vector target up to best_target(), in increasing order.
std::span<const Target> available_targets();

// True when `t` is at least as wide as `level` and this build has SIMD kernels.
constexpr bool reaches(Target t, Target level) { return static_cast<int>(t) >= static_cast<int>(level); }

}  // namespace nmx

#include "frame/target.h"

#include <array>

namespace nmx {
namespace {

Target detect() {
#if NMXJ_SIMD
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
      __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq"))
    return Target::AVX512;
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2")) return Target::AVX2;
  return Target::SSE41;
#else
  return Target::Ref;
#endif
}

constexpr std::array<Target, 4> kAll = {Target::Ref, Target::SSE41, Target::AVX2, Target::AVX512};

}  // namespace

const char* target_name(Target t) {
  switch (t) {
    case Target::Ref: return "ref";
    case Target::SSE41: return "sse4.1";
    case Target::AVX2: return "avx2";
    case Target::AVX512: return "avx512";
  }
  return "?";
}

Target best_target() {
  static const Target best = detect();
  return best;
}

std::span<const Target> available_targets() {
  return std::span<const Target>(kAll.data(), static_cast<size_t>(best_target()) + 1);
}

}  // namespace nmx

// Helpers for kernel checks and entry-point tests: seeded random fills with
// extreme values, buffers with guard bytes at chosen misalignments, and a
// comparison that names the first differing element.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "frame/target.h"

namespace nmx::test {

using Rng = std::mt19937_64;

// Targets other than the reference that this machine runs.
inline std::vector<Target> vector_targets() {
  std::vector<Target> out;
  for (Target t : available_targets())
    if (t != Target::Ref) out.push_back(t);
  return out;
}

enum class Fill { Uniform, Extremes };

// Uniform values of T, or a mix biased towards the type's extremes and 0/±1.
template <class T>
void fill(T* p, size_t n, Rng& rng, Fill mode = Fill::Uniform) {
  using L = std::numeric_limits<T>;
  std::uniform_int_distribution<int64_t> any(L::min(), L::max());
  std::uniform_int_distribution<int> pick(0, 5);
  for (size_t i = 0; i < n; ++i) {
    int64_t v = any(rng);
    if (mode == Fill::Extremes) {
      switch (pick(rng)) {
        case 0: v = L::min(); break;
        case 1: v = L::max(); break;
        case 2: v = 0; break;
        case 3: v = L::is_signed ? -1 : 1; break;
        case 4: v = L::max() - (v & 3); break;
        default: break;
      }
    }
    p[i] = static_cast<T>(v);
  }
}

// A buffer of n elements of T that starts `offset` bytes past a 64-byte
// boundary, with guard bytes on both sides.
template <class T>
class Guarded {
 public:
  static constexpr size_t kGuard = 64;
  static constexpr uint8_t kCanary = 0xA5;

  Guarded(size_t n, size_t offset = 0) : n_(n), offset_(offset), raw_(kGuard * 2 + offset + n * sizeof(T) + 64) {
    std::memset(raw_.data(), kCanary, raw_.size());
  }
  T* data() { return reinterpret_cast<T*>(base() + kGuard + offset_); }
  const T* data() const { return reinterpret_cast<const T*>(base() + kGuard + offset_); }
  size_t size() const { return n_; }
  T& operator[](size_t i) { return data()[i]; }
  // True when no byte outside [data, data + n) has changed.
  bool guards_intact() const {
    const uint8_t* b = base();
    const uint8_t* lo = b + kGuard + offset_;
    const uint8_t* hi = lo + n_ * sizeof(T);
    for (const uint8_t* q = reinterpret_cast<const uint8_t*>(raw_.data()); q < lo; ++q)
      if (*q != kCanary) return false;
    for (const uint8_t* q = hi; q < reinterpret_cast<const uint8_t*>(raw_.data()) + raw_.size(); ++q)
      if (*q != kCanary) return false;
    return true;
  }

 private:
  uint8_t* base() {
    const uintptr_t a = reinterpret_cast<uintptr_t>(raw_.data());
    return raw_.data() + ((64 - a % 64) % 64);
  }
  const uint8_t* base() const { return const_cast<Guarded*>(this)->base(); }

  size_t n_, offset_;
  std::vector<uint8_t> raw_;
};

// Compares n elements; on a difference reports the first index, both values
// and up to 8 neighbours, formatted as a row of width `row` when given.
template <class T>
::testing::AssertionResult same(const T* want, const T* got, size_t n, size_t row = 0) {
  for (size_t i = 0; i < n; ++i) {
    if (std::memcmp(&want[i], &got[i], sizeof(T)) != 0) {
      std::ostringstream os;
      os << "first difference at element " << i;
      if (row) os << " (row " << i / row << ", column " << i % row << ")";
      os << ": want " << +want[i] << ", got " << +got[i] << "\n  want:";
      const size_t from = i >= 4 ? i - 4 : 0;
      for (size_t k = from; k < n && k < from + 9; ++k) os << ' ' << +want[k];
      os << "\n  got: ";
      for (size_t k = from; k < n && k < from + 9; ++k) os << ' ' << +got[k];
      return ::testing::AssertionFailure() << os.str();
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace nmx::test

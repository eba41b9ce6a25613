// Scalar pieces shared by the vector kernels: the pair formulas of triangle
// up-sampling, and the two row shapes (plane rows with context, triangle rows
// with their own ends) built around a target's loop over interior pairs.
#pragma once

#include <cstdint>

namespace nmx::sampling {

// Triangle filter, one row: output 2i leans on s[i-1], output 2i+1 on s[i+1].
inline uint8_t tri_even(int32_t cur, int32_t prev) { return static_cast<uint8_t>((3 * cur + prev + 1) >> 2); }
inline uint8_t tri_odd(int32_t cur, int32_t next) { return static_cast<uint8_t>((3 * cur + next + 2) >> 2); }

// Triangle filter, two rows: on column sums c = 3 x nearer + farther (0..1020).
inline int32_t col_sum(const uint8_t* nearer, const uint8_t* farther, int32_t i) {
  return 3 * nearer[i] + farther[i];
}
inline uint8_t tri2_even(int32_t c, int32_t prev) { return static_cast<uint8_t>((3 * c + prev + 8) >> 4); }
inline uint8_t tri2_odd(int32_t c, int32_t next) { return static_cast<uint8_t>((3 * c + next + 7) >> 4); }

// Pairs i0 .. i1-1 of one row, scalar; reads s[i0-1] .. s[i1].
inline void h2v1_pairs_scalar(const uint8_t* s, uint8_t* d, int32_t i0, int32_t i1) {
  for (int32_t i = i0; i < i1; ++i) {
    d[2 * i] = tri_even(s[i], s[i - 1]);
    d[2 * i + 1] = tri_odd(s[i], s[i + 1]);
  }
}
inline void h2v2_pairs_scalar(const uint8_t* n, const uint8_t* f, uint8_t* d, int32_t i0, int32_t i1) {
  for (int32_t i = i0; i < i1; ++i) {
    const int32_t c = col_sum(n, f, i);
    d[2 * i] = tri2_even(c, col_sum(n, f, i - 1));
    d[2 * i + 1] = tri2_odd(c, col_sum(n, f, i + 1));
  }
}

// A target's loop over pairs 0 .. pairs-1 (reading s[-1] .. s[pairs]).
using H2V1Pairs = void (*)(const uint8_t* s, uint8_t* d, int32_t pairs);
using H2V2Pairs = void (*)(const uint8_t* n, const uint8_t* f, uint8_t* d, int32_t pairs);

// Plane row of `width` outputs; an odd width ends with the even member of the
// last pair, which needs no right neighbour.
template <H2V1Pairs kPairs>
inline void h2v1_plane_row(const uint8_t* s, uint8_t* d, int32_t width) {
  const int32_t pairs = width / 2;
  kPairs(s, d, pairs);
  if (width & 1) d[width - 1] = tri_even(s[pairs], s[pairs - 1]);
}
template <H2V2Pairs kPairs>
inline void h2v2_plane_row(const uint8_t* n, const uint8_t* f, uint8_t* d, int32_t width) {
  const int32_t pairs = width / 2;
  kPairs(n, f, d, pairs);
  if (width & 1) d[width - 1] = tri2_even(col_sum(n, f, pairs), col_sum(n, f, pairs - 1));
}

// Triangle row of 2 x w outputs: the end samples stand in for their missing
// neighbours, which gives d[0] = s[0] and d[2w-1] = s[w-1] in one row and the
// (4c + 8) >> 4, (4c + 7) >> 4 ends in two.
template <H2V1Pairs kPairs>
inline void h2v1_triangle_row(const uint8_t* s, uint8_t* d, int32_t w) {
  const int32_t last = w - 1;
  d[0] = tri_even(s[0], s[0]);
  d[1] = tri_odd(s[0], s[w > 1 ? 1 : 0]);
  if (w > 2) kPairs(s + 1, d + 2, w - 2);
  if (w > 1) {
    d[2 * last] = tri_even(s[last], s[last - 1]);
    d[2 * last + 1] = tri_odd(s[last], s[last]);
  }
}
template <H2V2Pairs kPairs>
inline void h2v2_triangle_row(const uint8_t* n, const uint8_t* f, uint8_t* d, int32_t w) {
  const int32_t last = w - 1;
  const int32_t c0 = col_sum(n, f, 0);
  d[0] = tri2_even(c0, c0);
  d[1] = tri2_odd(c0, w > 1 ? col_sum(n, f, 1) : c0);
  if (w > 2) kPairs(n + 1, f + 1, d + 2, w - 2);
  if (w > 1) {
    const int32_t cl = col_sum(n, f, last);
    d[2 * last] = tri2_even(cl, col_sum(n, f, last - 1));
    d[2 * last + 1] = tri2_odd(cl, cl);
  }
}

}  // namespace nmx::sampling

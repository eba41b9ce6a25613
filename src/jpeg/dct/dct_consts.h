// Constants of the 16-bit fixed-point 8x8 transforms, shared by every target.
#pragma once

#include <cstdint>

namespace nmx::dct {

// mulhi factors of the column passes (a x k / 65536).
inline constexpr int16_t kT1 = 13036;   // tan(pi/16)
inline constexpr int16_t kT2 = 27146;   // tan(2 pi/16)
inline constexpr int16_t kT3 = -21746;  // tan(3 pi/16) - 1
inline constexpr int16_t kC4 = 23170;   // cos(4 pi/16)
inline constexpr int16_t kM = -19195;   // cos(4 pi/16) - 1 in the inverse column pass

// Row constant sets (K, O1, O3, O5, O7, E2, E6): the row scaling of the
// column pass folded into the 8-point row transform, one set per pair of
// rows with the same scale (0/4, 1/7, 2/6, 3/5).
struct RowSet {
  int32_t k, o1, o3, o5, o7, e2, e6;
};
inline constexpr RowSet kRowSets[4] = {
    {16384, 22725, 19266, 12873, 4520, 21407, 8867},
    {22725, 31521, 26722, 17855, 6270, 29692, 12299},
    {21407, 29692, 25172, 16819, 5906, 27969, 11585},
    {19266, 26722, 22654, 15137, 5315, 25172, 10426},
};
inline constexpr int kSetOfRow[8] = {0, 1, 2, 3, 0, 3, 2, 1};

// Forward row pass rounding: (Z + 2^19) >> 20.
inline constexpr int32_t kFwdRound = 524288;
inline constexpr int kFwdShift = 20;

// Inverse row pass: rounding term per row, shift 11; column pass shift 6.
inline constexpr int32_t kInvRound[8] = {65536, 2901, 2260, 1704, 1024, 455, 512, 373};
inline constexpr int kInvRowShift = 11;
inline constexpr int kInvColShift = 6;

// Ranges of the column-pass terms, for any 16-bit inputs. Saturating 16-bit
// adds issue at half the rate of plain ones, so the vector kernels do the
// sums that can never leave 16 bits as plain adds: the same result, and in
// any order. x + mulhi(x, T3) and x + mulhi(x, M) grow with x (both factors
// are above -65536), so the extremes of x give their ranges.
constexpr int32_t mulhi_of(int32_t a, int32_t k) { return (a * k) >> 16; }
constexpr bool fits16(int32_t v) { return v >= -32768 && v <= 32767; }
inline constexpr int32_t kQMax = -(-32768 + mulhi_of(-32768, kT3));  // |x + mulhi(x, T3)| <= kQMax
inline constexpr int32_t kUMax = -mulhi_of(-32768, kT1);              // |mulhi(x, T1)| <= kUMax
static_assert(32767 + mulhi_of(32767, kT3) <= kQMax && mulhi_of(32767, kT1) <= kUMax);
// Q = r5 - (r3 + mulhi(r3, T3)) with r5 = 0, and U + Q, U - Q with r7 = 0
// (U = mulhi(r1, T1)): exact in 16 bits.
static_assert(fits16(-kQMax) && fits16(kUMax + kQMax) && fits16(-(kUMax + kQMax)));
// k1 = s1 + mulhi(s1, M) and k2 = mulhi(s2, M) + s2: exact for any s1, s2.
static_assert(fits16(-32768 + mulhi_of(-32768, kM)) && fits16(32767 + mulhi_of(32767, kM)));

// 4x4 thumbnail row pass: per row, K and the factors of x1, x2, x3, x5, x6, x7
// (A for the outer outputs 0 and 3, B for the inner outputs 1 and 2; x2 and x6
// use A only); rounding per row (row 4 is not used).
struct To4x4Set {
  int32_t k, a1, b1, a2, a3, b3, a5, b5, a6, a7, b7;
};
inline constexpr To4x4Set kTo4x4Sets[4] = {
    {16384, 20995, 8697, 15137, 7373, 17799, 4926, 11893, 6270, 4176, 1730},
    {22725, 29121, 12063, 20995, 10226, 24688, 6833, 16496, 8697, 5793, 2399},
    {21407, 27432, 11363, 19777, 9633, 23256, 6436, 15539, 8192, 5457, 2260},
    {19266, 24688, 10226, 17799, 8669, 20929, 5793, 13985, 7373, 4911, 2034},
};
inline constexpr int32_t kTo4x4Round[8] = {66560, 5802, 4520, 3408, 0, 910, 1024, 746};
inline constexpr int kToShift = 12;

// 2x2 thumbnail row pass: K and the factors of x1, x3, x5, x7 for rows
// 0, 1/7, 3/5 (indexed by row; rows 2, 4, 6 are not used).
struct To2x2Set {
  int32_t k, a, b, c, d;
};
inline constexpr To2x2Set kTo2x2Sets[8] = {
    {16384, 14846, -5213, 3483, -2953}, {22725, 20592, -7231, 4832, -4096}, {0, 0, 0, 0, 0},
    {19266, 17457, -6130, 4096, -3472}, {0, 0, 0, 0, 0},                    {19266, 17457, -6130, 4096, -3472},
    {0, 0, 0, 0, 0},                    {22725, 20592, -7231, 4832, -4096},
};
inline constexpr int32_t kTo2x2Round[8] = {67072, 5802, 0, 3408, 0, 910, 0, 746};

// Cosine basis of the single-precision transforms: kBasis.m[u][x] =
// C(u)/2 cos((2x+1) u pi/16), C(0) = 1/sqrt(2), C(u) = 1 otherwise; the 2-D
// transform is one product with it per dimension.
constexpr double cos_sixteenth(int n) {  // cos(n pi/16) for any n >= 0
  constexpr double c[9] = {1.0,
                           0.98078528040323044913,
                           0.92387953251128675613,
                           0.83146961230254523708,
                           0.70710678118654752440,
                           0.55557023301960222474,
                           0.38268343236508977173,
                           0.19509032201612826785,
                           0.0};
  n %= 32;
  if (n > 16) n = 32 - n;
  return n > 8 ? -c[16 - n] : c[n];
}
struct Basis {
  float m[8][8];
  constexpr Basis() : m{} {
    for (int u = 0; u < 8; ++u)
      for (int x = 0; x < 8; ++x)
        m[u][x] = static_cast<float>((u ? 0.5 : 0.5 * 0.70710678118654752440) * cos_sixteenth((2 * x + 1) * u));
  }
};
inline constexpr Basis kBasis;

}  // namespace nmx::dct

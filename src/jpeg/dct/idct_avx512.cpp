// AVX-512 shortcut inverses of the 2x2 and 4x4 corners. A 512-bit register
// holds four rows of eight 16-bit values, one row per 128-bit lane:
//
//   row pass  4x4: rows 0..3 side by side, one per lane, each with its own
//             constant set, then each row spread over the four lanes by one
//             word permutation (which also puts its columns back in order);
//             2x2: row 0, then row 1, repeated in every lane;
//   columns   the column pass outputs 0..7 are E +s R (rows 0..3) and E -s R
//             (rows 7..4) with E = [e0 | e1 | e2 | e3] and
//             R = [V+P | k1 | k2 | U+Q] lane by lane: with every input row
//             in every lane, E and R are each built once over the four lanes,
//             the differences between lanes carried by write masks;
//   pixels    one pack gives rows i and 7-i in lane i.
//
// The arithmetic is the full transform's with the terms of the zero rows and
// columns left out (each left-out term is an exact 0 of a saturating add or a
// mulhi of 0), so the results are those of the references bit for bit.
//
// These kernels are short and their calls overlap, so the length of the
// dependency chain counts as much as the number of instructions: merge
// masking (one instruction on the chain) is preferred to blends, the row
// results reach every lane by one permutation each, and the 4x4 corner is
// read by four plain 8-byte loads (a masked load costs more here).

// GCC 12 warns about the placeholder ("undefined") vectors of its own
// AVX-512 intrinsics once they are inlined; the warning is spurious.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "jpeg/dct/dct_consts.h"
#include "jpeg/dct/dct_kernels.h"
#include "jpeg/dct/dct_vec.h"

namespace nmx::dct {
namespace {

NMX_DCT_INLINE __m512i load512(const void* p) { return _mm512_load_si512(p); }

// Lane masks of 16-bit operations: bits 8i..8i+7 select lane i.
constexpr __mmask32 kLane1 = 0x0000FF00, kLane2 = 0x00FF0000, kLane3 = 0xFF000000;
constexpr __mmask32 kLanes12 = kLane1 | kLane2, kLanes23 = kLane2 | kLane3;

struct alignas(64) Consts512 {
  // 4x4 row pass, lane i = row i: (x0,x2) and (x1,x3) factors, rounding.
  int16_t c02[32], c13[32];
  int32_t rnd4[16];
  // 2x2 row pass of row h in every lane: (x0,x1) factors of y0..y3 and
  // y4..y7, rounding.
  int16_t c01_lo[2][32], c01_hi[2][32];
  int32_t rnd2[2][16];
  // Word permutations spreading row i of the 4x4 row pass (lane i, columns
  // 0 1 2 3 7 6 5 4) over every lane with its columns in order.
  int16_t spread[4][32];
  // Column pass factors, and e0..e3 - r0 of the 2x2 corner (row 2 is all ones).
  int16_t t1[32], t2[32], t3[32], m[32], e_2x2[32];
  // Byte shuffles: (x0,x2) and (x1,x3) pairs over each lane; the +128 flip
  // after a signed pack.
  int8_t pick02[64], pick13[64], flip[64];
  // The lane masks, indexed by LaneMask.
  uint32_t lane_masks[5];
};
enum LaneMask { kMaskLane1, kMaskLane2, kMaskLane3, kMaskLanes12, kMaskLanes23 };

constexpr Consts512 consts512() {
  Consts512 c{};
  for (int lane = 0; lane < 4; ++lane) {
    const int set = kSetOfRow[lane];
    // (x0,x2): a0..a3 = K x0 +- E2/E6 x2; (x1,x3): b0..b3.
    const RowSet& r = kRowSets[set];
    const int16_t k = static_cast<int16_t>(r.k), e2 = static_cast<int16_t>(r.e2), e6 = static_cast<int16_t>(r.e6);
    const int16_t even[8] = {k, e2, k, e6, k, static_cast<int16_t>(-e6), k, static_cast<int16_t>(-e2)};
    for (int j = 0; j < 8; ++j) {
      c.c02[8 * lane + j] = even[j];
      c.c13[8 * lane + j] = kInvRowVecs[set].x13[j];
    }
    for (int j = 0; j < 4; ++j) c.rnd4[4 * lane + j] = kInvRound[lane];
    // 2x2: y_k = K x0 + O_k x1 (k < 4), y_(7-k) = K x0 - O_k x1.
    for (int h = 0; h < 2; ++h) {
      const RowSet& s = kRowSets[kSetOfRow[h]];
      const int32_t odd[4] = {s.o1, s.o3, s.o5, s.o7};
      for (int j = 0; j < 4; ++j) {
        c.c01_lo[h][8 * lane + 2 * j] = c.c01_hi[h][8 * lane + 2 * j] = static_cast<int16_t>(s.k);
        c.c01_lo[h][8 * lane + 2 * j + 1] = static_cast<int16_t>(odd[j]);
        c.c01_hi[h][8 * lane + 2 * j + 1] = static_cast<int16_t>(-odd[3 - j]);
        c.rnd2[h][4 * lane + j] = kInvRound[h];
      }
    }
    constexpr int kColumnAt[8] = {0, 1, 2, 3, 7, 6, 5, 4};  // word of column j in a row-pass lane
    for (int j = 0; j < 32; ++j) c.spread[lane][j] = static_cast<int16_t>(8 * lane + kColumnAt[j % 8]);
    for (int j = 0; j < 16; ++j) {
      c.pick02[16 * lane + j] = static_cast<int8_t>((j & 2) ? 4 + (j & 1) : (j & 1));
      c.pick13[16 * lane + j] = static_cast<int8_t>(c.pick02[16 * lane + j] + 2);
      c.flip[16 * lane + j] = -128;
    }
    for (int j = 0; j < 8; ++j) c.e_2x2[8 * lane + j] = static_cast<int16_t>(lane == 0 ? 1 : (lane == 3 ? -1 : 0));
  }
  c.lane_masks[kMaskLane1] = kLane1;
  c.lane_masks[kMaskLane2] = kLane2;
  c.lane_masks[kMaskLane3] = kLane3;
  c.lane_masks[kMaskLanes12] = kLanes12;
  c.lane_masks[kMaskLanes23] = kLanes23;
  for (int i = 0; i < 32; ++i) {
    c.t1[i] = kT1;
    c.t2[i] = kT2;
    c.t3[i] = kT3;
    c.m[i] = kM;
  }
  return c;
}
constexpr Consts512 kConsts512 = consts512();

// A lane mask read from memory: one load, where an immediate takes a move
// and a transfer to the mask register.
NMX_DCT_INLINE __mmask32 lane_mask(const Consts512& k, LaneMask m) { return _cvtu32_mask32(k.lane_masks[m]); }

// Row 2 of a 2x2 corner block gives ones (its rounding term alone), which
// the 2x2 column pass takes as G = 1, H = 0.
static_assert(kInvRound[2] >> kInvRowShift == 1 && kInvRound[3] >> kInvRowShift == 0 &&
              kInvRound[4] >> kInvRowShift == 0 && kInvRound[5] >> kInvRowShift == 0 &&
              kInvRound[6] >> kInvRowShift == 0 && kInvRound[7] >> kInvRowShift == 0);
static_assert((int32_t{1} * kT2) >> 16 == 0);

// Outputs [0|1|2|3] and [7|6|5|4] (unshifted) as pixels: lane i of the pack
// holds rows i and 7 - i. Rows are written 0..7 in order.
NMX_DCT_INLINE void store_rows(__m512i top, __m512i bot, uint8_t* dst, int32_t step, const Consts512& kC) {
  __m512i px = _mm512_packs_epi16(_mm512_srai_epi16(top, kInvColShift), _mm512_srai_epi16(bot, kInvColShift));
  px = _mm512_xor_si512(px, load512(kC.flip));
  const __m128i l0 = _mm512_castsi512_si128(px), l1 = _mm512_extracti32x4_epi32(px, 1);
  const __m128i l2 = _mm512_extracti32x4_epi32(px, 2), l3 = _mm512_extracti32x4_epi32(px, 3);
  const intptr_t s = step;
  const auto lo = [](uint8_t* d, __m128i v) { _mm_storel_epi64(reinterpret_cast<__m128i*>(d), v); };
  const auto hi = [](uint8_t* d, __m128i v) { _mm_storeh_pd(reinterpret_cast<double*>(d), _mm_castsi128_pd(v)); };
  uint8_t* const d4 = dst + 4 * s;
  lo(dst, l0);
  lo(dst + s, l1);
  lo(dst + 2 * s, l2);
  lo(dst + 3 * s, l3);
  hi(d4, l3);
  hi(d4 + s, l2);
  hi(d4 + 2 * s, l1);
  hi(d4 + 3 * s, l0);
}

}  // namespace

nmxStatus inv_ls_4x4_avx512(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  const Consts512& kC = in_memory(kConsts512);
  // Row pass: x0..x3 of row i in lane i (8-byte loads read no other
  // coefficient; the quantizers of rows 0..3 are loaded whole, the
  // shuffles below leave the unused ones out).
  const auto corner_row = [src](int i) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + 8 * i)); };
  const __m256i x01 = _mm256_inserti128_si256(_mm256_castsi128_si256(corner_row(0)), corner_row(1), 1);
  const __m256i x23 = _mm256_inserti128_si256(_mm256_castsi128_si256(corner_row(2)), corner_row(3), 1);
  const __m512i x =
      _mm512_mullo_epi16(_mm512_inserti64x4(_mm512_castsi256_si512(x01), x23, 1), _mm512_loadu_si512(inv));
  const __m512i a = _mm512_add_epi32(_mm512_madd_epi16(_mm512_shuffle_epi8(x, load512(kC.pick02)), load512(kC.c02)),
                                     load512(kC.rnd4));
  const __m512i b = _mm512_madd_epi16(_mm512_shuffle_epi8(x, load512(kC.pick13)), load512(kC.c13));
  const __m512i y = _mm512_packs_epi32(_mm512_srai_epi32(_mm512_add_epi32(a, b), kInvRowShift),
                                       _mm512_srai_epi32(_mm512_sub_epi32(a, b), kInvRowShift));
  // Column pass with rows 4..7 zero: P = r3, Q = 0 -s (mulhi(r3, T3) +s r3),
  // U = mulhi(r1, T1), V = r1, G = r2, H = mulhi(r2, T2), r0 +- r4 = r0.
  // Every row in every lane, columns in order; lane i then builds e_i and
  // its R term.
  const auto spread = [&kC, y](int i) { return _mm512_permutexvar_epi16(load512(kC.spread[i]), y); };
  const __m512i r0 = spread(0), r1 = spread(1), r2 = spread(2), r3 = spread(3);
  const __mmask32 lane2 = lane_mask(kC, kMaskLane2), lane3 = lane_mask(kC, kMaskLane3);
  const __mmask32 lanes12 = lane_mask(kC, kMaskLanes12), lanes23 = lane_mask(kC, kMaskLanes23);
  const __m512i ghhg = _mm512_mask_mulhi_epi16(r2, lanes12, r2, load512(kC.t2));  // G | H | H | G
  const __m512i e = _mm512_mask_subs_epi16(_mm512_adds_epi16(r0, ghhg), lanes23, r0, ghhg);
  // -Q = r3 + mulhi(r3, T3), U - Q and U + Q never leave 16 bits
  // (dct_consts.h), so plain adds give them exactly; so does
  // k = s + mulhi(s, M). U + Q is made in lane 3 of V + P's register.
  const __m512i u = _mm512_mulhi_epi16(r1, load512(kC.t1)), m3 = _mm512_mulhi_epi16(r3, load512(kC.t3));
  const __m512i nq = _mm512_add_epi16(r3, m3);
  const __m512i umq = _mm512_add_epi16(u, nq);
  const __m512i vmp = _mm512_subs_epi16(r1, r3);
  const __m512i s12 = _mm512_mask_subs_epi16(_mm512_adds_epi16(vmp, umq), lane2, vmp, umq);  // . | s1 | s2 | .
  const __m512i sum = _mm512_mask_sub_epi16(_mm512_adds_epi16(r1, r3), lane3, u, nq);        // V+P | . | . | U+Q
  const __m512i r = _mm512_mask_add_epi16(sum, lanes12, s12, _mm512_mulhi_epi16(s12, load512(kC.m)));
  store_rows(_mm512_adds_epi16(e, r), _mm512_subs_epi16(e, r), dst, step, kC);
  return nmxStatusOk;
}

nmxStatus inv_ls_2x2_avx512(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  const Consts512& kC = in_memory(kConsts512);
  // Row pass: the (x0, x1) pair of row h broadcast over the register gives
  // that row's y0..y7 in every lane, as the column pass wants it.
  const auto pair = [](const void* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return _mm512_set1_epi32(v);
  };
  const auto row = [&kC](__m512i x, int h) {
    const __m512i lo = _mm512_add_epi32(_mm512_madd_epi16(x, load512(kC.c01_lo[h])), load512(kC.rnd2[h]));
    const __m512i hi = _mm512_add_epi32(_mm512_madd_epi16(x, load512(kC.c01_hi[h])), load512(kC.rnd2[h]));
    return _mm512_packs_epi32(_mm512_srai_epi32(lo, kInvRowShift), _mm512_srai_epi32(hi, kInvRowShift));
  };
  const __m512i r0 = row(_mm512_mullo_epi16(pair(src), pair(inv)), 0);
  const __m512i r1 = row(_mm512_mullo_epi16(pair(src + 8), pair(inv + 8)), 1);
  // Column pass with row 2 all ones and rows 3..7 zero: P = Q = 0,
  // U = mulhi(r1, T1), V = r1, G = 1, H = 0; e0..e3 = r0 + 1, r0, r0, r0 - 1.
  const __m512i e = _mm512_adds_epi16(r0, load512(kC.e_2x2));
  const __m512i u = _mm512_mulhi_epi16(r1, load512(kC.t1));
  const __mmask32 lane2 = lane_mask(kC, kMaskLane2), lane3 = lane_mask(kC, kMaskLane3);
  const __m512i s12 = _mm512_mask_subs_epi16(_mm512_adds_epi16(r1, u), lane2, r1, u);  // . | s1 | s2 | .
  const __m512i vu = _mm512_mask_mov_epi16(r1, lane3, u);                              // V | . | . | U
  const __m512i r = _mm512_mask_add_epi16(vu, lane_mask(kC, kMaskLanes12), s12, _mm512_mulhi_epi16(s12, load512(kC.m)));
  store_rows(_mm512_adds_epi16(e, r), _mm512_subs_epi16(e, r), dst, step, kC);
  return nmxStatusOk;
}

}  // namespace nmx::dct

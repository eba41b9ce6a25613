// AVX-512 forward and inverse 8x8 transforms. A 512-bit register holds four
// rows of the block, one row per 128-bit lane, so the whole block is two
// registers:
//
//   inverse  row pass on rows [0|1|2|3] and [4|7|6|5] (lane i uses constant
//            set i in both); column pass pairing lane i of the two: the
//            first stage gives [r0+r4 | V | G | P] and [r0-r4 | U | H | Q],
//            sums and differences with their lanes swapped pairwise and
//            lane shuffles build E = [e0|e3|e1|e2] and R = [V+P|U+Q|k1|k2],
//            and E +s R, E -s R are output rows [0|3|1|2] and [7|4|6|5].
//   forward  the column pass on eight 128-bit rows (its lanes differ too
//            much for 512-bit registers to pay: the lane moves cost more
//            than the instructions they save), then rows [0|1|2|3] and
//            [4|5|6|7] joined for the row pass and quantization, which are
//            lane by lane (lane i of each with its row's constant set).
//
// Between the passes the columns of every row are in the order
// 0 1 2 3 7 6 5 4, the order the row passes want (the inverse row pass
// produces them so and the pixel store puts them back; the forward reverses
// the upper halves before its row pass). Every operation is the reference's:
// the saturating adds and subtracts stay saturating except where a sum
// provably stays in 16 bits (dct_consts.h), and the lane moves only move
// whole rows.

// GCC 12 warns about the placeholder ("undefined") vectors of its own
// AVX-512 intrinsics once they are inlined; the warning is spurious.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <immintrin.h>

#include <cstdint>

#include "jpeg/dct/dct_consts.h"
#include "jpeg/dct/dct_kernels.h"
#include "jpeg/dct/dct_vec.h"

namespace nmx::dct {
namespace {

// Lane masks of 16-bit operations: bits 8i..8i+7 select lane i.
constexpr __mmask32 kLane3 = 0xFF000000, kLanes03 = 0xFF0000FF, kLanes23 = 0xFFFF0000;

struct alignas(64) Consts {
  // Inverse row pass, lane i = constant set i; rounding of rows 0..3 and of
  // rows 4, 7, 6, 5; the (x0,x4) (x2,x6) (x1,x3) (x5,x7) byte order.
  int16_t inv_x04[32], inv_x26[32], inv_x13[32], inv_x57[32];
  int32_t inv_rnd_top[16], inv_rnd_bot[16];
  int8_t inv_order[64];
  // Inverse column pass: mulhi factors [0 | T1 | T2 | T3] and M; column
  // order fix and +128 flip of the pixels.
  int16_t inv_tv[32], m[32];
  int8_t fix[64], flip[64];
  // Forward row pass, lane i: the constant set of row i (first register)
  // and of row 4 + i (second).
  int16_t lo_p[2][32], lo_q[2][32], hi_p[2][32], hi_q[2][32];
  // Quantization: low 15 bits, the low half of a product that must round
  // down to even, one.
  int16_t low15[32], half[32], one[32];
};

constexpr Consts make_consts() {
  Consts c{};
  constexpr int16_t kInvTv[4] = {0, kT1, kT2, kT3};
  constexpr int8_t kOrder[16] = {0, 1, 8, 9, 4, 5, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15};
  constexpr int8_t kFix[16] = {0, 1, 2, 3, 7, 6, 5, 4, 8, 9, 10, 11, 15, 14, 13, 12};
  for (int lane = 0; lane < 4; ++lane) {
    const InvRowVecs& iv = kInvRowVecs[lane];
    for (int j = 0; j < 8; ++j) {
      const int w = 8 * lane + j;
      c.inv_x04[w] = iv.x04[j];
      c.inv_x26[w] = iv.x26[j];
      c.inv_x13[w] = iv.x13[j];
      c.inv_x57[w] = iv.x57[j];
      c.inv_tv[w] = kInvTv[lane];
      c.m[w] = kM;
      for (int h = 0; h < 2; ++h) {
        const FwdRowVecs& fv = kFwdRowVecs[4 * h + lane];
        c.lo_p[h][w] = fv.lo_p[j];
        c.lo_q[h][w] = fv.lo_q[j];
        c.hi_p[h][w] = fv.hi_p[j];
        c.hi_q[h][w] = fv.hi_q[j];
      }
      c.low15[w] = 0x7FFF;
      c.half[w] = 0x4000;
      c.one[w] = 1;
    }
    for (int j = 0; j < 4; ++j) {
      c.inv_rnd_top[4 * lane + j] = kInvRound[lane];
      c.inv_rnd_bot[4 * lane + j] = kInvRound[lane == 0 ? 4 : 8 - lane];
    }
    for (int j = 0; j < 16; ++j) {
      c.inv_order[16 * lane + j] = kOrder[j];
      c.fix[16 * lane + j] = kFix[j];
      c.flip[16 * lane + j] = -128;
    }
  }
  return c;
}
constexpr Consts kConsts = make_consts();

NMX_DCT_INLINE __m512i ld(const void* p) { return _mm512_load_si512(p); }
NMX_DCT_INLINE __m512i ldu(const void* p) { return _mm512_loadu_si512(p); }

// ---- Inverse ----------------------------------------------------------------

// Row pass of four dequantized rows, lane i with constant set i.
NMX_DCT_INLINE __m512i inv_rows4(__m512i x, const int32_t* rnd, const Consts& k) {
  const __m512i p = _mm512_shuffle_epi8(x, ld(k.inv_order));
  const __m512i a =
      _mm512_add_epi32(_mm512_add_epi32(_mm512_madd_epi16(_mm512_shuffle_epi32(p, _MM_PERM_AAAA), ld(k.inv_x04)),
                                        _mm512_madd_epi16(_mm512_shuffle_epi32(p, _MM_PERM_BBBB), ld(k.inv_x26))),
                       ld(rnd));
  const __m512i b = _mm512_add_epi32(_mm512_madd_epi16(_mm512_shuffle_epi32(p, _MM_PERM_CCCC), ld(k.inv_x13)),
                                     _mm512_madd_epi16(_mm512_shuffle_epi32(p, _MM_PERM_DDDD), ld(k.inv_x57)));
  return _mm512_packs_epi32(_mm512_srai_epi32(_mm512_add_epi32(a, b), kInvRowShift),
                            _mm512_srai_epi32(_mm512_sub_epi32(a, b), kInvRowShift));
}

// Dequantization, row pass and column pass: output rows [0|3|1|2] in `top`
// and [7|4|6|5] in `bot`, unshifted, columns in the order 0 1 2 3 7 6 5 4.
NMX_DCT_INLINE void inv_block4(const int16_t* src, const uint16_t* inv, const Consts& k, __m512i& top,
                               __m512i& bot) {
  const __m512i q0 = _mm512_mullo_epi16(ldu(src), ldu(inv));
  __m512i q1 = _mm512_mullo_epi16(ldu(src + 32), ldu(inv + 32));
  q1 = _mm512_shuffle_i64x2(q1, q1, 0x6C);  // rows 4 7 6 5
  const __m512i a = inv_rows4(q0, k.inv_rnd_top, k);  // r0 | r1 | r2 | r3
  const __m512i b = inv_rows4(q1, k.inv_rnd_bot, k);  // r4 | r7 | r6 | r5
  // First stage, lane by lane with mulhi factors [0 | T1 | T2 | T3]:
  //   r0 +s r4, r0 -s r4;  V = mulhi(r7,T1) +s r1, U = mulhi(r1,T1) -s r7;
  //   G = mulhi(r6,T2) +s r2, H = mulhi(r2,T2) -s r6;
  //   P = (mulhi(r5,T3) + r5) +s r3, Q = r5 -s (mulhi(r3,T3) + r3)
  // (x + mulhi(x, T3) never leaves 16 bits; lane 0 adds x to mulhi(x, 0) = 0).
  const __m512i tv = ld(k.inv_tv);
  const __m512i ma = _mm512_mulhi_epi16(a, tv), mb = _mm512_mulhi_epi16(b, tv);
  const __m512i fa = _mm512_mask_add_epi16(ma, kLanes03, ma, a);
  const __m512i fb = _mm512_mask_add_epi16(mb, kLanes03, mb, b);
  const __m512i x2 = _mm512_adds_epi16(fb, a);                                           // r0+r4 | V | G | P
  const __m512i x1 = _mm512_mask_subs_epi16(_mm512_subs_epi16(fa, b), kLane3, b, fa);  // r0-r4 | U | H | Q
  // Second stage on each register and its lanes swapped pairwise (lane i
  // with lane i ^ 2): sums in lanes 0 and 1, differences in lanes 2 and 3.
  const __m512i x2s = _mm512_shuffle_i64x2(x2, x2, 0x4E), x1s = _mm512_shuffle_i64x2(x1, x1, 0x4E);
  const __m512i ev = _mm512_mask_subs_epi16(_mm512_adds_epi16(x2, x2s), kLanes23, x2s, x2);  // e0 | V+P | e3 | V-P
  const __m512i od = _mm512_mask_subs_epi16(_mm512_adds_epi16(x1, x1s), kLanes23, x1s, x1);  // e1 | U+Q | e2 | U-Q
  // E = [e0 | e3 | e1 | e2] and R = [V+P | U+Q | k1 | k2] with
  // s1, s2 = (V-P) +- (U-Q) and k = s + mulhi(s, M) (exact in 16 bits); the
  // zeroed lanes let one add carry V+P and U+Q through.
  const __m512i e = _mm512_shuffle_i64x2(ev, od, 0x88);
  const __m512i vm = _mm512_maskz_shuffle_i64x2(0xF3, ev, ev, 0xF5);  // V+P | 0 | V-P | V-P
  const __m512i um = _mm512_maskz_shuffle_i64x2(0xFC, od, od, 0xF5);  // 0 | U+Q | U-Q | U-Q
  const __m512i s = _mm512_mask_subs_epi16(_mm512_adds_epi16(vm, um), kLane3, vm, um);  // V+P | U+Q | s1 | s2
  const __m512i r = _mm512_mask_add_epi16(s, kLanes23, s, _mm512_mulhi_epi16(s, ld(k.m)));
  top = _mm512_adds_epi16(e, r);
  bot = _mm512_subs_epi16(e, r);
}

}  // namespace

void inv_avx512(const int16_t* src, int16_t* dst, const uint16_t* inv) {
  const Consts& k = in_memory(kConsts);
  __m512i top, bot;
  inv_block4(src, inv, k, top, bot);
  top = _mm512_shufflehi_epi16(_mm512_srai_epi16(top, kInvColShift), 0x1B);
  bot = _mm512_shufflehi_epi16(_mm512_srai_epi16(bot, kInvColShift), 0x1B);
  _mm512_storeu_si512(dst, _mm512_shuffle_i64x2(top, top, 0x78));       // rows 0 1 2 3
  _mm512_storeu_si512(dst + 32, _mm512_shuffle_i64x2(bot, bot, 0x2D));  // rows 4 5 6 7
}

nmxStatus inv_ls_avx512(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  const Consts& k = in_memory(kConsts);
  __m512i top, bot;
  inv_block4(src, inv, k, top, bot);
  // Lanes 0..3 of the pack hold rows (0,7), (3,4), (1,6), (2,5): >> 6,
  // + 128 clamped to a byte (signed pack, then the top bit flipped), columns
  // back in order. Rows are written 0..7 in order.
  __m512i px = _mm512_packs_epi16(_mm512_srai_epi16(top, kInvColShift), _mm512_srai_epi16(bot, kInvColShift));
  px = _mm512_shuffle_epi8(_mm512_xor_si512(px, ld(k.flip)), ld(k.fix));
  const __m128i l0 = _mm512_castsi512_si128(px), l1 = _mm512_extracti32x4_epi32(px, 1);
  const __m128i l2 = _mm512_extracti32x4_epi32(px, 2), l3 = _mm512_extracti32x4_epi32(px, 3);
  const intptr_t s = step;
  const auto lo = [](uint8_t* d, __m128i v) { _mm_storel_epi64(reinterpret_cast<__m128i*>(d), v); };
  const auto hi = [](uint8_t* d, __m128i v) { _mm_storeh_pd(reinterpret_cast<double*>(d), _mm_castsi128_pd(v)); };
  uint8_t* const d4 = dst + 4 * s;
  lo(dst, l0);
  lo(dst + s, l2);
  lo(dst + 2 * s, l3);
  lo(dst + 3 * s, l1);
  hi(d4, l1);
  hi(d4 + s, l3);
  hi(d4 + 2 * s, l2);
  hi(d4 + 3 * s, l0);
  return nmxStatusOk;
}

// ---- Forward ----------------------------------------------------------------

namespace {

// Row pass of four rows given as interleaved sums and differences (as
// fwd_row), lane i with the constant set of row 4h + i.
NMX_DCT_INLINE __m512i fwd_rows4(__m512i sd, const Consts& k, int h) {
  const __m512i rnd = _mm512_set1_epi32(kFwdRound);
  const __m512i p = _mm512_shuffle_epi32(sd, _MM_PERM_BABA), q = _mm512_shuffle_epi32(sd, _MM_PERM_DCDC);
  const __m512i lo = _mm512_add_epi32(_mm512_madd_epi16(p, ld(k.lo_p[h])), _mm512_madd_epi16(q, ld(k.lo_q[h])));
  const __m512i hi = _mm512_add_epi32(_mm512_madd_epi16(p, ld(k.hi_p[h])), _mm512_madd_epi16(q, ld(k.hi_q[h])));
  return _mm512_packs_epi32(_mm512_srai_epi32(_mm512_add_epi32(lo, rnd), kFwdShift),
                            _mm512_srai_epi32(_mm512_add_epi32(hi, rnd), kFwdShift));
}

// c x t / 32768 rounded to nearest, ties to even, for row-pass outputs c in
// -2048..2047 (the 32-bit sums shifted by 20): mulhrs rounds halves up for
// the low 15 bits of t, bit 15 of t adds c itself; a half whose floor is
// even shows as the product's low 16 bits being exactly 0x4000 (low 15 bits
// one half, bit 15 the floor's lowest bit), and there the result drops by 1.
NMX_DCT_INLINE __m512i quantize4(__m512i c, __m512i t, const Consts& k) {
  __m512i up = _mm512_mulhrs_epi16(c, _mm512_and_si512(t, ld(k.low15)));
  up = _mm512_mask_add_epi16(up, _mm512_movepi16_mask(t), up, c);
  const __mmask32 even = _mm512_cmpeq_epi16_mask(_mm512_mullo_epi16(c, t), ld(k.half));
  return _mm512_mask_sub_epi16(up, even, up, ld(k.one));
}

// Four 128-bit rows in one register, a in lane 0.
NMX_DCT_INLINE __m512i join4(__m128i a, __m128i b, __m128i c, __m128i d) {
  const __m256i lo = _mm256_inserti128_si256(_mm256_castsi128_si256(a), b, 1);
  const __m256i hi = _mm256_inserti128_si256(_mm256_castsi128_si256(c), d, 1);
  return _mm512_inserti64x4(_mm512_castsi256_si512(lo), hi, 1);
}

// Column pass from the row sums and differences (see fwd_columns_from),
// then row pass and quantization on rows [0|1|2|3] and [4|5|6|7].
NMX_DCT_INLINE void fwd_block4(const __m128i sum[4], const __m128i dif[4], int16_t* dst, const uint16_t* fwd,
                               const Consts& k) {
  __m128i y[8];
  fwd_columns_from(sum, dif, y);
  // Upper halves reversed: one saturating add and one subtract then give the
  // row pass's S and D for both registers.
  const __m512i a = _mm512_shufflehi_epi16(join4(y[0], y[1], y[2], y[3]), 0x1B);
  const __m512i b = _mm512_shufflehi_epi16(join4(y[4], y[5], y[6], y[7]), 0x1B);
  const __m512i lo = _mm512_unpacklo_epi64(a, b), hi = _mm512_unpackhi_epi64(a, b);
  const __m512i ss = _mm512_adds_epi16(lo, hi), dd = _mm512_subs_epi16(lo, hi);
  const __m512i r0 = fwd_rows4(_mm512_unpacklo_epi32(ss, dd), k, 0);
  const __m512i r1 = fwd_rows4(_mm512_unpackhi_epi32(ss, dd), k, 1);
  const __m512i z0 = quantize4(r0, ldu(fwd), k), z1 = quantize4(r1, ldu(fwd + 32), k);
  _mm512_storeu_si512(dst, z0);
  _mm512_storeu_si512(dst + 32, z1);
}

}  // namespace

void fwd_avx512(const int16_t* src, int16_t* dst, const uint16_t* fwd) {
  const Consts& k = in_memory(kConsts);
  __m128i sum[4], dif[4];
  #pragma GCC unroll 4
  for (int j = 0; j < 4; ++j) {
    const __m128i x = load(src + 8 * j), z = load(src + 8 * (7 - j));
    sum[j] = _mm_adds_epi16(x, z);
    dif[j] = _mm_subs_epi16(x, z);
  }
  fwd_block4(sum, dif, dst, fwd, k);
}

void fwd_ls_avx512(const uint8_t* src, int32_t step, int16_t* dst, const uint16_t* fwd) {
  const Consts& k = in_memory(kConsts);
  // Level-shifted bytes never saturate: (x - 128) + (z - 128) = x + z - 256
  // and (x - 128) - (z - 128) = x - z.
  const auto row = [src, step](int r) {
    return _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + static_cast<intptr_t>(r) * step)));
  };
  const __m128i w256 = set16(256);
  __m128i sum[4], dif[4];
  #pragma GCC unroll 4
  for (int j = 0; j < 4; ++j) {
    const __m128i x = row(j), z = row(7 - j);
    sum[j] = _mm_sub_epi16(_mm_add_epi16(x, z), w256);
    dif[j] = _mm_sub_epi16(x, z);
  }
  fwd_block4(sum, dif, dst, fwd, k);
}

}  // namespace nmx::dct

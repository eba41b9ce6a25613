// SSE4.1 encoder-side kernels. Each computes the vector part of a row exactly
// as the reference does (15-bit groups with 32-bit products; the 16-bit
// unsigned runs with high-half products of a byte moved to the top of its
// lane, which equal (k x) >> 8 and the like exactly) and hands the rest of the
// row to the same per-pixel formulas as the reference.
#include <cstring>

#include "jpeg/color/color_kernels.h"
#include "jpeg/color/enccc_rows.h"
#include "jpeg/color/color_sse41.h"

namespace nmx::color {

using namespace sse41;

namespace {

// ---- 15-bit full-resolution groups -------------------------------------------

// Y, Cb, Cr of 16 pixels of 3 bytes. Pairs (R, G) and (B, 1) of each group of
// 4 pixels meet the coefficient pairs in one multiply-add each; the offsets
// 4194304 (128 << 15) of Cb and Cr become +128 after the shift.
template <bool BGR>
struct Fwd15 {
  static constexpr int R = BGR ? 2 : 0, B = BGR ? 0 : 2;
  __m128i mRG, mB, one, kYrg, kYb, kCbrg, kCbb, kCrrg, kCrb;
  Fwd15()
      : mRG(_mm_setr_epi8(R, -1, 1, -1, 3 + R, -1, 4, -1, 6 + R, -1, 7, -1, 9 + R, -1, 10, -1)),
        mB(_mm_setr_epi8(B, -1, -1, -1, 3 + B, -1, -1, -1, 6 + B, -1, -1, -1, 9 + B, -1, -1, -1)),
        one(_mm_set1_epi32(1 << 16)),
        kYrg(_mm_set1_epi32((19235 << 16) | 9798)),
        kYb(_mm_set1_epi32((16266 << 16) | 3736)),
        kCbrg(_mm_set1_epi32((-10855 * 65536) | (-5529 & 0xFFFF))),
        kCbb(_mm_set1_epi32((16384 << 16) | 16384)),
        kCrrg(_mm_set1_epi32((-13720 * 65536) | 16384)),
        kCrb(_mm_set1_epi32((16400 << 16) | (-2664 & 0xFFFF))) {}

  // One group of 4 pixels (bytes 0..11 of w) -> 4 x 32-bit Y, Cb - 128, Cr - 128.
  void four(__m128i w, __m128i& y, __m128i& cb, __m128i& cr) const {
    const __m128i rg = _mm_shuffle_epi8(w, mRG);
    const __m128i b1 = _mm_or_si128(_mm_shuffle_epi8(w, mB), one);
    y = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(rg, kYrg), _mm_madd_epi16(b1, kYb)), 15);
    cb = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(rg, kCbrg), _mm_madd_epi16(b1, kCbb)), 15);
    cr = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(rg, kCrrg), _mm_madd_epi16(b1, kCrb)), 15);
  }

  // 16 pixels at src -> 16 bytes each of Y, Cb, Cr (luma only when cb is null).
  void sixteen(const uint8_t* src, uint8_t* yo, uint8_t* cbo, uint8_t* cro) const {
    const __m128i a = load(src), b = load(src + 16), c = load(src + 32);
    const __m128i w[4] = {a, _mm_alignr_epi8(b, a, 12), _mm_alignr_epi8(c, b, 8), _mm_srli_si128(c, 4)};
    __m128i y[4], cb[4], cr[4];
    for (int i = 0; i < 4; ++i) four(w[i], y[i], cb[i], cr[i]);
    store(yo, _mm_packus_epi16(_mm_packs_epi32(y[0], y[1]), _mm_packs_epi32(y[2], y[3])));
    if (!cbo) return;
    // Chroma - 128 lies in -127..128: signed packing saturates 128 to 127, and
    // flipping the top bit adds 128 (so 128 becomes the clamped 255).
    const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
    store(cbo, _mm_xor_si128(_mm_packs_epi16(_mm_packs_epi32(cb[0], cb[1]), _mm_packs_epi32(cb[2], cb[3])), flip));
    store(cro, _mm_xor_si128(_mm_packs_epi16(_mm_packs_epi32(cr[0], cr[1]), _mm_packs_epi32(cr[2], cr[3])), flip));
  }
};

template <bool BGR>
void fwd_c3_impl(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width) {
  const Fwd15<BGR> k;
  const auto step = [&](const uint8_t* s, uint8_t* yo, uint8_t* cbo, uint8_t* cro) { k.sixteen(s, yo, cbo, cro); };
  fwd_c3_rows<16, BGR>(step, src, y, cb, cr, width);
}

template <bool BGR>
void luma_c3_impl(const uint8_t* src, uint8_t* y, int32_t width) {
  const Fwd15<BGR> k;
  const auto step = [&](const uint8_t* s, uint8_t* yo, uint8_t* cbo, uint8_t* cro) { k.sixteen(s, yo, cbo, cro); };
  luma_c3_rows<16>(step, src, y, width);
}

// ---- 16-bit unsigned runs ----------------------------------------------------

// Channel vectors of 16 pixels in RGB order from 3- or 4-byte pixels.
template <int CH, bool BGR>
inline void split(const uint8_t* src, __m128i& r, __m128i& g, __m128i& b) {
  if constexpr (CH == 3)
    split3(src, BGR ? b : r, g, BGR ? r : b);
  else
    split4(src, BGR ? b : r, g, BGR ? r : b);
}

// Y of 16 pixels: (((4899 R) >> 8) +us ((9617 G) >> 8) +us ((1868 B) >> 8) +us 32) >> 6.
inline __m128i luma_run(__m128i r, __m128i g, __m128i b) {
  const __m128i z = _mm_setzero_si128(), c32 = _mm_set1_epi16(32);
  const __m128i kr = _mm_set1_epi16(4899), kg = _mm_set1_epi16(9617), kb = _mm_set1_epi16(1868);
  auto half = [&](__m128i r8, __m128i g8, __m128i b8) {  // inputs: bytes moved to the top of 16-bit lanes
    __m128i s = _mm_adds_epu16(_mm_mulhi_epu16(r8, kr), _mm_mulhi_epu16(g8, kg));
    s = _mm_adds_epu16(_mm_adds_epu16(s, _mm_mulhi_epu16(b8, kb)), c32);
    return _mm_srli_epi16(s, 6);
  };
  const __m128i lo = half(_mm_unpacklo_epi8(z, r), _mm_unpacklo_epi8(z, g), _mm_unpacklo_epi8(z, b));
  const __m128i hi = half(_mm_unpackhi_epi8(z, r), _mm_unpackhi_epi8(z, g), _mm_unpackhi_epi8(z, b));
  return _mm_packus_epi16(lo, hi);
}

// Chroma of 8 samples from 16-bit channel sums over n pixels, pre-shifted
// left by (16 - e) so that the high half of the product is (k s) >> e:
// Cb = ((16 / n) SB - ((2765 SR) >> e) - ((5427 SG) >> e) + 4112) >> 5, Cr alike.
// Returns Cb in the low 8 bytes and Cr in the high 8 bytes.
template <int N>
inline __m128i chroma_run(__m128i sr, __m128i sg, __m128i sb) {
  constexpr int up = N == 1 ? 7 : (N == 2 ? 6 : 5);  // 16 - e
  constexpr int mul = N == 1 ? 4 : (N == 2 ? 3 : 2); // log2(16 / n)
  const __m128i c4112 = _mm_set1_epi16(4112);
  const __m128i r = _mm_slli_epi16(sr, up), g = _mm_slli_epi16(sg, up), b = _mm_slli_epi16(sb, up);
  __m128i cb = _mm_add_epi16(_mm_slli_epi16(sb, mul), c4112);
  cb = _mm_sub_epi16(cb, _mm_mulhi_epu16(r, _mm_set1_epi16(2765)));
  cb = _mm_srli_epi16(_mm_sub_epi16(cb, _mm_mulhi_epu16(g, _mm_set1_epi16(5427))), 5);
  __m128i cr = _mm_add_epi16(_mm_slli_epi16(sr, mul), c4112);
  cr = _mm_sub_epi16(cr, _mm_mulhi_epu16(g, _mm_set1_epi16(6860)));
  cr = _mm_srli_epi16(_mm_sub_epi16(cr, _mm_mulhi_epu16(b, _mm_set1_epi16(1332))), 5);
  return _mm_packus_epi16(cb, cr);
}

// 16 pixels, full-resolution chroma.
template <int CH, bool BGR>
void run_c4(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr) {
  __m128i r, g, b;
  split<CH, BGR>(src, r, g, b);
  store(y, luma_run(r, g, b));
  const __m128i z = _mm_setzero_si128();
  const __m128i lo = chroma_run<1>(_mm_unpacklo_epi8(r, z), _mm_unpacklo_epi8(g, z), _mm_unpacklo_epi8(b, z));
  const __m128i hi = chroma_run<1>(_mm_unpackhi_epi8(r, z), _mm_unpackhi_epi8(g, z), _mm_unpackhi_epi8(b, z));
  store(cb, _mm_unpacklo_epi64(lo, hi));
  store(cr, _mm_unpackhi_epi64(lo, hi));
}

// 16 pixels, chroma over pairs: 8 samples.
template <int CH, bool BGR>
void run_422(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr) {
  __m128i r, g, b;
  split<CH, BGR>(src, r, g, b);
  store(y, luma_run(r, g, b));
  const __m128i ones = _mm_set1_epi8(1);
  const __m128i c = chroma_run<2>(_mm_maddubs_epi16(r, ones), _mm_maddubs_epi16(g, ones), _mm_maddubs_epi16(b, ones));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(cb), c);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(cr), _mm_unpackhi_epi64(c, c));
}

// 16 pixels of two rows, chroma over 2x2 blocks: 8 samples.
template <int CH, bool BGR>
void run_411(const uint8_t* s0, const uint8_t* s1, uint8_t* y0, uint8_t* y1, uint8_t* cb, uint8_t* cr) {
  __m128i r0, g0, b0, r1, g1, b1;
  split<CH, BGR>(s0, r0, g0, b0);
  split<CH, BGR>(s1, r1, g1, b1);
  store(y0, luma_run(r0, g0, b0));
  store(y1, luma_run(r1, g1, b1));
  const __m128i ones = _mm_set1_epi8(1);
  auto sum = [&](__m128i a, __m128i b) { return _mm_add_epi16(_mm_maddubs_epi16(a, ones), _mm_maddubs_epi16(b, ones)); };
  const __m128i c = chroma_run<4>(sum(r0, r1), sum(g0, g1), sum(b0, b1));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(cb), c);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(cr), _mm_unpackhi_epi64(c, c));
}

template <int CH, bool BGR>
void fwd_c4_impl(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width) {
  const int32_t runs = width & ~7;
  int32_t x = 0;
  for (; x + 16 <= runs; x += 16) run_c4<CH, BGR>(src + CH * x, y + x, cb + x, cr + x);
  if (x < runs) {  // one run of 8 through a 16-pixel scratch row
    alignas(16) uint8_t in[16 * CH] = {}, out[48];
    std::memcpy(in, src + CH * x, 8 * CH);
    run_c4<CH, BGR>(in, out, out + 16, out + 32);
    std::memcpy(y + x, out, 8);
    std::memcpy(cb + x, out + 16, 8);
    std::memcpy(cr + x, out + 32, 8);
    x += 8;
  }
  constexpr Order o = order_of(BGR);
  for (; x < width; ++x) {
    const uint8_t* p = src + CH * x;
    y[x] = luma14(p[o.r], p[1], p[o.b]);
    chroma_sum<1>(p[o.r], p[1], p[o.b], cb[x], cr[x]);
  }
}

template <int CH, bool BGR>
void fwd_422_impl(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width) {
  const int32_t runs = width & ~7;
  int32_t x = 0;
  for (; x + 16 <= runs; x += 16) run_422<CH, BGR>(src + CH * x, y + x, cb + x / 2, cr + x / 2);
  if (x < runs) {
    alignas(16) uint8_t in[16 * CH] = {}, out[32];
    std::memcpy(in, src + CH * x, 8 * CH);
    run_422<CH, BGR>(in, out, out + 16, out + 24);
    std::memcpy(y + x, out, 8);
    std::memcpy(cb + x / 2, out + 16, 4);
    std::memcpy(cr + x / 2, out + 24, 4);
    x += 8;
  }
  fwd_422_pairs(src, CH, order_of(BGR), y, cb, cr, x, width);
}

template <int CH, bool BGR>
void fwd_411_impl(const uint8_t* s0, const uint8_t* s1, uint8_t* y0, uint8_t* y1, uint8_t* cb, uint8_t* cr,
                  int32_t width) {
  const int32_t runs = width & ~7;
  int32_t x = 0;
  for (; x + 16 <= runs; x += 16) run_411<CH, BGR>(s0 + CH * x, s1 + CH * x, y0 + x, y1 + x, cb + x / 2, cr + x / 2);
  if (x < runs) {
    alignas(16) uint8_t in0[16 * CH] = {}, in1[16 * CH] = {}, out[48];
    std::memcpy(in0, s0 + CH * x, 8 * CH);
    std::memcpy(in1, s1 + CH * x, 8 * CH);
    run_411<CH, BGR>(in0, in1, out, out + 16, out + 32, out + 40);
    std::memcpy(y0 + x, out, 8);
    std::memcpy(y1 + x, out + 16, 8);
    std::memcpy(cb + x / 2, out + 32, 4);
    std::memcpy(cr + x / 2, out + 40, 4);
    x += 8;
  }
  fwd_411_pairs(s0, s1, CH, order_of(BGR), y0, y1, cb, cr, x, width);
}

}  // namespace

void fwd_c3_sse41(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width, bool bgr) {
  bgr ? fwd_c3_impl<true>(src, y, cb, cr, width) : fwd_c3_impl<false>(src, y, cb, cr, width);
}

void luma_c3_sse41(const uint8_t* src, uint8_t* y, int32_t width, bool bgr) {
  bgr ? luma_c3_impl<true>(src, y, width) : luma_c3_impl<false>(src, y, width);
}

void fwd_c4_sse41(const uint8_t* src, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width, bool bgr) {
  bgr ? fwd_c4_impl<4, true>(src, y, cb, cr, width) : fwd_c4_impl<4, false>(src, y, cb, cr, width);
}

void fwd_422_sse41(const uint8_t* src, int channels, bool bgr, uint8_t* y, uint8_t* cb, uint8_t* cr, int32_t width) {
  if (channels == 3)
    bgr ? fwd_422_impl<3, true>(src, y, cb, cr, width) : fwd_422_impl<3, false>(src, y, cb, cr, width);
  else
    bgr ? fwd_422_impl<4, true>(src, y, cb, cr, width) : fwd_422_impl<4, false>(src, y, cb, cr, width);
}

void fwd_411_sse41(const uint8_t* s0, const uint8_t* s1, int channels, bool bgr, uint8_t* y0, uint8_t* y1, uint8_t* cb,
                   uint8_t* cr, int32_t width) {
  if (channels == 3)
    bgr ? fwd_411_impl<3, true>(s0, s1, y0, y1, cb, cr, width) : fwd_411_impl<3, false>(s0, s1, y0, y1, cb, cr, width);
  else
    bgr ? fwd_411_impl<4, true>(s0, s1, y0, y1, cb, cr, width) : fwd_411_impl<4, false>(s0, s1, y0, y1, cb, cr, width);
}

}  // namespace nmx::color

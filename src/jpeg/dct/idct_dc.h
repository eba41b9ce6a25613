// The DC-only inverse (every pixel (DC x q) >> 3, + 128 kept to 16 bits,
// clamped): a multiply, a shift, a pack and eight 8-byte stores. Its entry
// point runs this body itself, since a call through the kernel table would
// cost about as much as the work; the kernel table points at the same body.
#pragma once

#include <cstdint>
#include <cstring>

#include "nmxj.h"

#if NMXJ_SIMD
#include <immintrin.h>
#endif

namespace nmx::dct {

inline nmxStatus dc_only_pixels(const int16_t* src, uint8_t* dst, int32_t step, const uint16_t* inv) {
  const int32_t p = int32_t{src[0]} * inv[0];
  const intptr_t s = step;
#if NMXJ_SIMD
  // packus clamps the low 16 bits of (p >> 3) + 128, read as signed, to a
  // byte; pshufb copies it to the row.
  const __m128i v = _mm_cvtsi32_si128((p >> 3) + 128);
  const __m128i row = _mm_shuffle_epi8(_mm_packus_epi16(v, v), _mm_setzero_si128());
  const auto put = [&row](uint8_t* d) { _mm_storel_epi64(reinterpret_cast<__m128i*>(d), row); };
#else
  const int32_t v = static_cast<int16_t>(static_cast<uint16_t>((p >> 3) + 128));
  const uint64_t row = 0x0101010101010101ull * static_cast<uint64_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
  const auto put = [&row](uint8_t* d) { std::memcpy(d, &row, 8); };
#endif
  // Rows 0..7 in order; rows 5..7 from row 3, so every address is one add.
  uint8_t* const third = dst + 3 * s;
  put(dst);
  put(dst + s);
  put(dst + 2 * s);
  put(third);
  put(dst + 4 * s);
  put(third + 2 * s);
  put(third + 3 * s);
  put(third + 4 * s);
  return nmxStatusOk;
}

}  // namespace nmx::dct

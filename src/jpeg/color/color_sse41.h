// SSE4.1 helpers shared by the colour kernels: splitting 16 interleaved 3- or
// 4-byte pixels into channel vectors and joining channel vectors back into
// interleaved pixels. Included only by *_sse41.cpp files.
#pragma once

#include <smmintrin.h>

#include <cstdint>

namespace nmx::color::sse41 {

inline __m128i load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// 16 pixels of 3 bytes (48 bytes) -> channel vectors c0, c1, c2 (bytes 0, 1, 2 of each pixel).
inline void split3(const uint8_t* src, __m128i& c0, __m128i& c1, __m128i& c2) {
  const __m128i a = load(src), b = load(src + 16), c = load(src + 32);
  // Each mask gathers one channel's bytes of one source register into their final lanes.
  const __m128i a0 = _mm_setr_epi8(0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i b0 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14, -1, -1, -1, -1, -1);
  const __m128i x0 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1, 4, 7, 10, 13);
  const __m128i a1 = _mm_setr_epi8(1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i b1 = _mm_setr_epi8(-1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1);
  const __m128i x1 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14);
  const __m128i a2 = _mm_setr_epi8(2, 5, 8, 11, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i b2 = _mm_setr_epi8(-1, -1, -1, -1, -1, 1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1);
  const __m128i x2 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15);
  c0 = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, a0), _mm_shuffle_epi8(b, b0)), _mm_shuffle_epi8(c, x0));
  c1 = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, a1), _mm_shuffle_epi8(b, b1)), _mm_shuffle_epi8(c, x1));
  c2 = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, a2), _mm_shuffle_epi8(b, b2)), _mm_shuffle_epi8(c, x2));
}

// 16 pixels of 4 bytes (64 bytes) -> channel vectors of bytes 0, 1, 2 and 3.
inline void split4(const uint8_t* src, __m128i& c0, __m128i& c1, __m128i& c2, __m128i& c3) {
  const __m128i m = _mm_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
  const __m128i s0 = _mm_shuffle_epi8(load(src), m), s1 = _mm_shuffle_epi8(load(src + 16), m);
  const __m128i s2 = _mm_shuffle_epi8(load(src + 32), m), s3 = _mm_shuffle_epi8(load(src + 48), m);
  const __m128i lo01 = _mm_unpacklo_epi32(s0, s1), lo23 = _mm_unpacklo_epi32(s2, s3);
  const __m128i hi01 = _mm_unpackhi_epi32(s0, s1), hi23 = _mm_unpackhi_epi32(s2, s3);
  c0 = _mm_unpacklo_epi64(lo01, lo23);
  c1 = _mm_unpackhi_epi64(lo01, lo23);
  c2 = _mm_unpacklo_epi64(hi01, hi23);
  c3 = _mm_unpackhi_epi64(hi01, hi23);
}

// The same with byte 3 dropped.
inline void split4(const uint8_t* src, __m128i& c0, __m128i& c1, __m128i& c2) {
  __m128i unused;
  split4(src, c0, c1, c2, unused);
}

// Channel vectors (16 pixels each) -> 48 bytes of 3-byte pixels c0 c1 c2.
inline void join3(uint8_t* dst, __m128i c0, __m128i c1, __m128i c2) {
  const __m128i p0 = _mm_setr_epi8(0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5);
  const __m128i p1 = _mm_setr_epi8(-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1);
  const __m128i p2 = _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);
  const __m128i q0 = _mm_setr_epi8(-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1);
  const __m128i q1 = _mm_setr_epi8(5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10);
  const __m128i q2 = _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1);
  const __m128i r0 = _mm_setr_epi8(-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1);
  const __m128i r1 = _mm_setr_epi8(-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1);
  const __m128i r2 = _mm_setr_epi8(10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15);
  store(dst, _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(c0, p0), _mm_shuffle_epi8(c1, p1)), _mm_shuffle_epi8(c2, p2)));
  store(dst + 16,
        _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(c0, q0), _mm_shuffle_epi8(c1, q1)), _mm_shuffle_epi8(c2, q2)));
  store(dst + 32,
        _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(c0, r0), _mm_shuffle_epi8(c1, r1)), _mm_shuffle_epi8(c2, r2)));
}

// Channel vectors -> 64 bytes of 4-byte pixels c0 c1 c2 c3.
inline void join4(uint8_t* dst, __m128i c0, __m128i c1, __m128i c2, __m128i c3) {
  const __m128i lo01 = _mm_unpacklo_epi8(c0, c1), hi01 = _mm_unpackhi_epi8(c0, c1);
  const __m128i lo23 = _mm_unpacklo_epi8(c2, c3), hi23 = _mm_unpackhi_epi8(c2, c3);
  store(dst, _mm_unpacklo_epi16(lo01, lo23));
  store(dst + 16, _mm_unpackhi_epi16(lo01, lo23));
  store(dst + 32, _mm_unpacklo_epi16(hi01, hi23));
  store(dst + 48, _mm_unpackhi_epi16(hi01, hi23));
}

}  // namespace nmx::color::sse41

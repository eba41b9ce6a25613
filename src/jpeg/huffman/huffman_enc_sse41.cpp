// Block encoder fast path, SSE4.1 front end: the zig-zag reorder by byte
// shuffles of the eight rows, and the nonzero mask by word compares.
#include <smmintrin.h>

#include <utility>

#include "jpeg/huffman/huffman_fast.h"
#include "jpeg/huffman/huffman_kernels.h"

namespace nmx::huff {
namespace {

// Shuffle masks: out[j] (zig-zag positions 8j..8j+7) takes from row i the
// lanes whose natural index lies in row i; 0x80 clears the other lanes.
struct ZigzagMasks {
  alignas(16) uint8_t m[8][8][16];
  bool used[8][8];
  constexpr ZigzagMasks() : m(), used() {
    for (int j = 0; j < 8; ++j)
      for (int i = 0; i < 8; ++i) {
        for (int l = 0; l < 8; ++l) {
          const int nat = kZigzag[8 * j + l];
          const bool here = nat / 8 == i;
          m[j][i][2 * l] = here ? static_cast<uint8_t>(2 * (nat % 8)) : 0x80;
          m[j][i][2 * l + 1] = here ? static_cast<uint8_t>(2 * (nat % 8) + 1) : 0x80;
          used[j][i] = used[j][i] || here;
        }
      }
  }
};
constexpr ZigzagMasks kMasks{};

template <int J, int I>
inline __m128i part(const __m128i* rows) {
  if constexpr (kMasks.used[J][I])
    return _mm_shuffle_epi8(rows[I], _mm_load_si128(reinterpret_cast<const __m128i*>(kMasks.m[J][I])));
  else
    return _mm_setzero_si128();
}

template <int J, int... I>
inline __m128i gather(const __m128i* rows, std::integer_sequence<int, I...>) {
  return (part<J, I>(rows) | ...);
}

template <int... J>
inline uint64_t reorder(const int16_t* src, int16_t* zz, std::integer_sequence<int, J...>) {
  __m128i rows[8];
  for (int i = 0; i < 8; ++i) rows[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 8 * i));
  __m128i out[8] = {gather<J>(rows, std::make_integer_sequence<int, 8>{})...};
  uint64_t zero_mask = 0;
  const __m128i z = _mm_setzero_si128();
  for (int j = 0; j < 8; j += 2) {
    _mm_store_si128(reinterpret_cast<__m128i*>(zz + 8 * j), out[j]);
    _mm_store_si128(reinterpret_cast<__m128i*>(zz + 8 * j + 8), out[j + 1]);
    const __m128i eq = _mm_packs_epi16(_mm_cmpeq_epi16(out[j], z), _mm_cmpeq_epi16(out[j + 1], z));
    zero_mask |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(eq))) << (8 * j);
  }
  return ~zero_mask;
}

}  // namespace

bool encode_block_fast_sse41(const int16_t* src, uint8_t* dst, int32_t dstLen, int32_t* dstPos, int16_t* lastDC,
                             const EncodeSpec* dc, const EncodeSpec* ac, EncodeState* state) {
  alignas(16) int16_t zz[64];
  const uint64_t nonzero = reorder(src, zz, std::make_integer_sequence<int, 8>{});
  return fast::encode_block_core<false>(zz, src[0], nullptr, nullptr, nonzero, dst, dstLen, dstPos, lastDC, dc, ac,
                                        state);
}

nmxStatus encode_block_sse41(const int16_t* src, uint8_t* dst, int32_t dstLen, int32_t* dstPos, int16_t* lastDC,
                             const EncodeSpec* dc, const EncodeSpec* ac, EncodeState* state) {
  if (encode_block_fast_sse41(src, dst, dstLen, dstPos, lastDC, dc, ac, state)) return nmxStatusOk;
  return encode_block_ref(src, dst, dstLen, dstPos, lastDC, dc, ac, state);
}

}  // namespace nmx::huff

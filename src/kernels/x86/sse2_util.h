// The SSE2 vocabulary shared by the row kernels: 16-byte loads and stores of
// any sample type, and the 8 x 8 transpose of 16-bit lanes.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#define QUORLIN_FORCE_INLINE inline __attribute__((always_inline))

namespace quorlin {

template <typename T>
QUORLIN_FORCE_INLINE __m128i Load(const T* aligned) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(aligned));
}
template <typename T>
QUORLIN_FORCE_INLINE __m128i LoadUnaligned(const T* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
template <typename T>
QUORLIN_FORCE_INLINE void Store(T* aligned, __m128i v) {
  _mm_store_si128(reinterpret_cast<__m128i*>(aligned), v);
}
template <typename T>
QUORLIN_FORCE_INLINE void StoreUnaligned(T* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// floor(x / e) for four x below 2^30, given e's MagicDivisor as vectors:
// the 64-bit products x * magic of the even and the odd lanes, shifted down.
QUORLIN_FORCE_INLINE __m128i DivideByMagic(__m128i x, __m128i magic, __m128i shift) {
  const __m128i even = _mm_srl_epi64(_mm_mul_epu32(x, magic), shift);
  const __m128i odd = _mm_srl_epi64(_mm_mul_epu32(_mm_srli_epi64(x, 32), magic), shift);
  return _mm_or_si128(even, _mm_slli_epi64(odd, 32));
}

// Lane j of v[i] goes to lane i of v[j].
QUORLIN_FORCE_INLINE void Transpose8x8(__m128i v[8]) {
  const __m128i a0 = _mm_unpacklo_epi16(v[0], v[1]), a1 = _mm_unpackhi_epi16(v[0], v[1]);
  const __m128i a2 = _mm_unpacklo_epi16(v[2], v[3]), a3 = _mm_unpackhi_epi16(v[2], v[3]);
  const __m128i a4 = _mm_unpacklo_epi16(v[4], v[5]), a5 = _mm_unpackhi_epi16(v[4], v[5]);
  const __m128i a6 = _mm_unpacklo_epi16(v[6], v[7]), a7 = _mm_unpackhi_epi16(v[6], v[7]);
  const __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
  const __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
  const __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
  const __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
  v[0] = _mm_unpacklo_epi64(b0, b4), v[1] = _mm_unpackhi_epi64(b0, b4);
  v[2] = _mm_unpacklo_epi64(b1, b5), v[3] = _mm_unpackhi_epi64(b1, b5);
  v[4] = _mm_unpacklo_epi64(b2, b6), v[5] = _mm_unpackhi_epi64(b2, b6);
  v[6] = _mm_unpacklo_epi64(b3, b7), v[7] = _mm_unpackhi_epi64(b3, b7);
}

}  // namespace quorlin

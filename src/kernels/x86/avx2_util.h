// The AVX2 vocabulary shared by the row kernels: 32-byte loads and stores of
// any sample type, and the 8 x 8 transposes of 16-bit lanes in both 128-bit
// halves at once. Included only by files compiled for AVX2.
#pragma once

#include <immintrin.h>

#include <cstdint>

#define QUORLIN_FORCE_INLINE inline __attribute__((always_inline))

namespace quorlin::avx2 {

template <typename T>
QUORLIN_FORCE_INLINE __m256i Load(const T* aligned) {
  return _mm256_load_si256(reinterpret_cast<const __m256i*>(aligned));
}
template <typename T>
QUORLIN_FORCE_INLINE __m256i LoadUnaligned(const T* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
template <typename T>
QUORLIN_FORCE_INLINE void Store(T* aligned, __m256i v) {
  _mm256_store_si256(reinterpret_cast<__m256i*>(aligned), v);
}
template <typename T>
QUORLIN_FORCE_INLINE void StoreUnaligned(T* p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}
// 16 bytes from each of two places, `low` into the low half.
template <typename T>
QUORLIN_FORCE_INLINE __m256i LoadHalves(const T* low, const T* high) {
  return _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(high), reinterpret_cast<const __m128i*>(low));
}
template <typename T>
QUORLIN_FORCE_INLINE void StoreHalves(T* low, T* high, __m256i v) {
  _mm256_storeu2_m128i(reinterpret_cast<__m128i*>(high), reinterpret_cast<__m128i*>(low), v);
}

// v, hidden from the compiler's knowledge of constants: kernels with more
// constants than registers then reload them from the stack, one fused load
// each, rather than build them again from immediates at every use.
template <typename Vector>
QUORLIN_FORCE_INLINE Vector Opaque(Vector v) {
  __asm__("" : "+x"(v));
  return v;
}

// floor(x / e) for eight x below 2^30, given e's MagicDivisor as vectors:
// the 64-bit products x * magic of the even and the odd lanes shifted down,
// the odd lanes' by 32 less, which leaves their quotients in the high halves.
QUORLIN_FORCE_INLINE __m256i DivideByMagic(__m256i x, __m256i magic, __m128i shift) {
  const __m128i odd_shift = _mm_sub_epi64(shift, _mm_cvtsi32_si128(32));
  const __m256i even = _mm256_srl_epi64(_mm256_mul_epu32(x, magic), shift);
  const __m256i odd = _mm256_srl_epi64(_mm256_mul_epu32(_mm256_srli_epi64(x, 32), magic), odd_shift);
  return _mm256_blend_epi32(even, odd, 0xaa);
}

// In each 128-bit half: lane j of v[i] goes to lane i of v[j].
QUORLIN_FORCE_INLINE void Transpose8x8(__m256i v[8]) {
  const __m256i a0 = _mm256_unpacklo_epi16(v[0], v[1]), a1 = _mm256_unpackhi_epi16(v[0], v[1]);
  const __m256i a2 = _mm256_unpacklo_epi16(v[2], v[3]), a3 = _mm256_unpackhi_epi16(v[2], v[3]);
  const __m256i a4 = _mm256_unpacklo_epi16(v[4], v[5]), a5 = _mm256_unpackhi_epi16(v[4], v[5]);
  const __m256i a6 = _mm256_unpacklo_epi16(v[6], v[7]), a7 = _mm256_unpackhi_epi16(v[6], v[7]);
  const __m256i b0 = _mm256_unpacklo_epi32(a0, a2), b1 = _mm256_unpackhi_epi32(a0, a2);
  const __m256i b2 = _mm256_unpacklo_epi32(a1, a3), b3 = _mm256_unpackhi_epi32(a1, a3);
  const __m256i b4 = _mm256_unpacklo_epi32(a4, a6), b5 = _mm256_unpackhi_epi32(a4, a6);
  const __m256i b6 = _mm256_unpacklo_epi32(a5, a7), b7 = _mm256_unpackhi_epi32(a5, a7);
  v[0] = _mm256_unpacklo_epi64(b0, b4), v[1] = _mm256_unpackhi_epi64(b0, b4);
  v[2] = _mm256_unpacklo_epi64(b1, b5), v[3] = _mm256_unpackhi_epi64(b1, b5);
  v[4] = _mm256_unpacklo_epi64(b2, b6), v[5] = _mm256_unpackhi_epi64(b2, b6);
  v[6] = _mm256_unpacklo_epi64(b3, b7), v[7] = _mm256_unpackhi_epi64(b3, b7);
}

}  // namespace quorlin::avx2

// Tiny SSE2 helpers shared by the row kernels.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#define QUORLIN_FORCE_INLINE inline __attribute__((always_inline))

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

// The SSE2 vocabulary shared by the row kernels: aligned 16-byte loads and
// stores of any sample type.
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
QUORLIN_FORCE_INLINE void Store(T* aligned, __m128i v) {
  _mm_store_si128(reinterpret_cast<__m128i*>(aligned), v);
}

}  // namespace quorlin

// The window sum along a row is a difference of two prefix sums over the row
// padded with replicated edges, so its cost does not depend on the radius.
// Prefix sums may wrap in 32 bits; their differences are still exact.
#include "blur/box_blur.h"

#include <emmintrin.h>

#include "planes/vectors.h"

namespace {

// Sign-extends eight 16-bit samples into two vectors of four 32-bit lanes.
QUORLIN_FORCE_INLINE void Widen(__m128i v, __m128i& lo, __m128i& hi) {
  lo = _mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16);
  hi = _mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16);
}

// (sum * F) >> 16 in 16 bits: with sum = hi * 65536 + lo (lo unsigned),
// that is hi * F + ((lo * F) >> 16), and only its low 16 bits are kept.
QUORLIN_FORCE_INLINE __m128i Scale(__m128i sums_lo, __m128i sums_hi, __m128i factor) {
  const __m128i high = _mm_packs_epi32(_mm_srai_epi32(sums_lo, 16), _mm_srai_epi32(sums_hi, 16));
  const __m128i low = _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(sums_lo, 16), 16),
                                      _mm_srai_epi32(_mm_slli_epi32(sums_hi, 16), 16));
  return _mm_add_epi16(_mm_mullo_epi16(high, factor), _mm_mulhi_epu16(low, factor));
}

// Inclusive prefix sums of four values, continuing from `carry` (the sum so
// far in every lane); returns the new carry.
QUORLIN_FORCE_INLINE __m128i PrefixSum4(__m128i& v, __m128i carry) {
  v = _mm_add_epi32(v, _mm_slli_si128(v, 4));
  v = _mm_add_epi32(v, _mm_slli_si128(v, 8));
  v = _mm_add_epi32(v, carry);
  return _mm_shuffle_epi32(v, _MM_SHUFFLE(3, 3, 3, 3));
}

}  // namespace

void AddRowToSums(int32_t* sums, const int16_t* row, int width) {
  for (int x = 0; x < width; x += 8) {
    __m128i lo, hi;
    Widen(Load(row + x), lo, hi);
    Store(sums + x, _mm_add_epi32(Load(sums + x), lo));
    Store(sums + x + 4, _mm_add_epi32(Load(sums + x + 4), hi));
  }
}

void SlideSums(int32_t* sums, const int16_t* entering, const int16_t* leaving, int width) {
  for (int x = 0; x < width; x += 8) {
    __m128i in_lo, in_hi, out_lo, out_hi;
    Widen(Load(entering + x), in_lo, in_hi);
    Widen(Load(leaving + x), out_lo, out_hi);
    Store(sums + x, _mm_add_epi32(Load(sums + x), _mm_sub_epi32(in_lo, out_lo)));
    Store(sums + x + 4, _mm_add_epi32(Load(sums + x + 4), _mm_sub_epi32(in_hi, out_hi)));
  }
}

void BoxBlurRow(const int32_t* column_sums, int width, int radius, int32_t* prefix, int16_t* out) {
  // prefix[i] sums the row padded with r copies of each edge value, up to
  // padded index i - 1: the window of x is prefix[x + 2r + 1] - prefix[x].
  const int32_t first = column_sums[0];
  const int32_t last = column_sums[width - 1];
  for (int i = 0; i <= radius; ++i) prefix[i] = i * first;
  int32_t* body = prefix + radius + 1;  // body[x] = prefix[r] + sums 0..x
  __m128i carry = _mm_set1_epi32(radius * first);
  int x = 0;
  for (; x + 4 <= width; x += 4) {
    __m128i v = Load(column_sums + x);
    carry = PrefixSum4(v, carry);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(body + x), v);
  }
  // Unsigned, so that the scalar tail wraps as the vector lanes do.
  uint32_t sum = static_cast<uint32_t>(_mm_cvtsi128_si32(carry));
  for (; x < width; ++x) body[x] = static_cast<int32_t>(sum += static_cast<uint32_t>(column_sums[x]));
  // The right edge replicated, and then on to whole groups of eight windows,
  // whose extra results are never stored to the frame.
  const int end = ((width + 7) & ~7) + radius;
  for (; x < end; ++x) body[x] = static_cast<int32_t>(sum += static_cast<uint32_t>(last));

  const __m128i factor = _mm_set1_epi16(static_cast<int16_t>(BoxFactor(radius)));
  const int window = 2 * radius + 1;
  for (x = 0; x < width; x += 8) {
    const __m128i lo = _mm_sub_epi32(LoadUnaligned(prefix + x + window), LoadUnaligned(prefix + x));
    const __m128i hi = _mm_sub_epi32(LoadUnaligned(prefix + x + 4 + window), LoadUnaligned(prefix + x + 4));
    Store(out + x, Scale(lo, hi, factor));
  }
}

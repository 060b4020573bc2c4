// Vector forms of the unsharp-mask rule shared by the four combines: eight
// signed 16-bit lanes at a time, either eight luma samples or two pixels as
// (Y, Cr, Cb, 0, Y, Cr, Cb, 0).
#pragma once

#include <emmintrin.h>

#include "host/filter_table.h"

#define QUORLIN_FORCE_INLINE inline __attribute__((always_inline))

QUORLIN_FORCE_INLINE __m128i LoadAligned(const int16_t* p) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(p));
}

QUORLIN_FORCE_INLINE __m128i GatherLuma8(const PIXEL_YC* p) {
  return _mm_set_epi16(p[7].y, p[6].y, p[5].y, p[4].y, p[3].y, p[2].y, p[1].y, p[0].y);
}

QUORLIN_FORCE_INLINE __m128i GatherPair(const PIXEL_YC* p) {
  return _mm_set_epi16(0, p[1].cb, p[1].cr, p[1].y, 0, p[0].cb, p[0].cr, p[0].y);
}

// in - blur where |in - blur| > threshold, else 0; all in 16 bits, so a
// difference of -32768 counts as not above any threshold.
QUORLIN_FORCE_INLINE __m128i MaskedDifference(__m128i in, __m128i blur, __m128i threshold) {
  const __m128i diff = _mm_sub_epi16(in, blur);
  const __m128i magnitude = _mm_max_epi16(diff, _mm_sub_epi16(_mm_setzero_si128(), diff));
  return _mm_and_si128(diff, _mm_cmpgt_epi16(magnitude, threshold));
}

// The sharpened samples as 32-bit lanes: (in << 8) + diff * strength, shifted
// back by 8 (rounding toward minus infinity). `widened_lo`/`widened_hi` are in
// widened to 32 bits (zero- or sign-extended: the low 16 bits of the result
// are the same either way).
struct Sharpened32 {
  __m128i lo, hi;  // lanes 0..3 and 4..7
};
QUORLIN_FORCE_INLINE Sharpened32 SharpenLanes(__m128i widened_lo, __m128i widened_hi, __m128i masked_diff,
                                              __m128i strength) {
  const __m128i product_lo = _mm_mullo_epi16(masked_diff, strength);
  const __m128i product_hi = _mm_mulhi_epi16(masked_diff, strength);
  const __m128i sum_lo = _mm_add_epi32(_mm_slli_epi32(widened_lo, 8), _mm_unpacklo_epi16(product_lo, product_hi));
  const __m128i sum_hi = _mm_add_epi32(_mm_slli_epi32(widened_hi, 8), _mm_unpackhi_epi16(product_lo, product_hi));
  return {_mm_srai_epi32(sum_lo, 8), _mm_srai_epi32(sum_hi, 8)};
}

QUORLIN_FORCE_INLINE Sharpened32 SharpenZeroExtended(__m128i in, __m128i masked_diff, __m128i strength) {
  const __m128i zero = _mm_setzero_si128();
  return SharpenLanes(_mm_unpacklo_epi16(in, zero), _mm_unpackhi_epi16(in, zero), masked_diff, strength);
}

// The low 16 bits of each 32-bit lane, back in eight 16-bit lanes (wrapping).
QUORLIN_FORCE_INLINE __m128i Wrap16(Sharpened32 s) {
  return _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(s.lo, 16), 16), _mm_srai_epi32(_mm_slli_epi32(s.hi, 16), 16));
}

QUORLIN_FORCE_INLINE void ScatterLuma8(PIXEL_YC* p, __m128i values) {
  p[0].y = static_cast<int16_t>(_mm_extract_epi16(values, 0));
  p[1].y = static_cast<int16_t>(_mm_extract_epi16(values, 1));
  p[2].y = static_cast<int16_t>(_mm_extract_epi16(values, 2));
  p[3].y = static_cast<int16_t>(_mm_extract_epi16(values, 3));
  p[4].y = static_cast<int16_t>(_mm_extract_epi16(values, 4));
  p[5].y = static_cast<int16_t>(_mm_extract_epi16(values, 5));
  p[6].y = static_cast<int16_t>(_mm_extract_epi16(values, 6));
  p[7].y = static_cast<int16_t>(_mm_extract_epi16(values, 7));
}

QUORLIN_FORCE_INLINE void ScatterPair(PIXEL_YC* p, __m128i values) {
  p[0].y = static_cast<int16_t>(_mm_extract_epi16(values, 0));
  p[0].cr = static_cast<int16_t>(_mm_extract_epi16(values, 1));
  p[0].cb = static_cast<int16_t>(_mm_extract_epi16(values, 2));
  p[1].y = static_cast<int16_t>(_mm_extract_epi16(values, 4));
  p[1].cr = static_cast<int16_t>(_mm_extract_epi16(values, 5));
  p[1].cb = static_cast<int16_t>(_mm_extract_epi16(values, 6));
}

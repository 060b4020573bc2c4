// Moves eight whole pixels between a frame row and the three channel rows
// of the segment layout (kernels/segments.h) in one step: pixel s of the
// eight is column s * L + i, and vector i of each channel row gets (or
// gives) its sample in lane s. Each pixel goes as one 8-byte access, so
// eight reads or writes replace twenty-four and a transpose sorts the
// samples. The 8 bytes reach two bytes into the next pixel's luma: both
// need that pixel to be in the row, and a write leaves a stale value there
// that the next pixel's own write replaces.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernels/x86/sse2_util.h"

namespace quorlin {

// One pixel's (y, cb, cr) and the next pixel's y, in the low half.
QUORLIN_FORCE_INLINE __m128i LoadPixel(const int16_t* pixel) {
  return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixel));
}
// The low or the high half of v to a pixel and the next pixel's y.
QUORLIN_FORCE_INLINE void StorePixel(int16_t* pixel, __m128i v) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(pixel), v);
}
QUORLIN_FORCE_INLINE void StorePixelHigh(int16_t* pixel, __m128i v) {
  _mm_storeh_pd(reinterpret_cast<double*>(pixel), _mm_castsi128_pd(v));
}

// `column` is pixel s = 0; `step` samples lie between pixels s and s + 1.
// y, cb and cr receive vector i of their rows (16-byte aligned).
QUORLIN_FORCE_INLINE void GatherPixels(const int16_t* column, ptrdiff_t step, int16_t* y, int16_t* cb,
                                       int16_t* cr) {
  // Interleaving pixel pairs, then pairs of pairs, leaves y and cb of four
  // pixels in one vector and cr in the next.
  const __m128i pixels01 = _mm_unpacklo_epi16(LoadPixel(column), LoadPixel(column + step));
  const __m128i pixels23 = _mm_unpacklo_epi16(LoadPixel(column + 2 * step), LoadPixel(column + 3 * step));
  const __m128i pixels45 = _mm_unpacklo_epi16(LoadPixel(column + 4 * step), LoadPixel(column + 5 * step));
  const __m128i pixels67 = _mm_unpacklo_epi16(LoadPixel(column + 6 * step), LoadPixel(column + 7 * step));
  const __m128i y_cb0123 = _mm_unpacklo_epi32(pixels01, pixels23);
  const __m128i cr0123 = _mm_unpackhi_epi32(pixels01, pixels23);
  const __m128i y_cb4567 = _mm_unpacklo_epi32(pixels45, pixels67);
  const __m128i cr4567 = _mm_unpackhi_epi32(pixels45, pixels67);
  Store(y, _mm_unpacklo_epi64(y_cb0123, y_cb4567));
  Store(cb, _mm_unpackhi_epi64(y_cb0123, y_cb4567));
  Store(cr, _mm_unpacklo_epi64(cr0123, cr4567));
}

// The inverse of GatherPixels: writes vector i of the channel rows to the
// eight pixels, each with a stale luma on the pixel after it.
QUORLIN_FORCE_INLINE void ScatterPixels(const int16_t* y, const int16_t* cb, const int16_t* cr, int16_t* column,
                                        ptrdiff_t step) {
  const __m128i luma = Load(y);
  const __m128i blue_difference = Load(cb);
  const __m128i red_difference = Load(cr);
  const __m128i y_cb0123 = _mm_unpacklo_epi16(luma, blue_difference);
  const __m128i y_cb4567 = _mm_unpackhi_epi16(luma, blue_difference);
  const __m128i cr_cr0123 = _mm_unpacklo_epi16(red_difference, red_difference);
  const __m128i cr_cr4567 = _mm_unpackhi_epi16(red_difference, red_difference);
  // (y, cb, cr, cr) of one pixel in each half.
  const __m128i pixels01 = _mm_unpacklo_epi32(y_cb0123, cr_cr0123);
  const __m128i pixels23 = _mm_unpackhi_epi32(y_cb0123, cr_cr0123);
  const __m128i pixels45 = _mm_unpacklo_epi32(y_cb4567, cr_cr4567);
  const __m128i pixels67 = _mm_unpackhi_epi32(y_cb4567, cr_cr4567);
  StorePixel(column, pixels01);
  StorePixelHigh(column + step, pixels01);
  StorePixel(column + 2 * step, pixels23);
  StorePixelHigh(column + 3 * step, pixels23);
  StorePixel(column + 4 * step, pixels45);
  StorePixelHigh(column + 5 * step, pixels45);
  StorePixel(column + 6 * step, pixels67);
  StorePixelHigh(column + 7 * step, pixels67);
}

}  // namespace quorlin

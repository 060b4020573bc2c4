// Luma and chroma unsharp mask: the luma rule on all three channels, two
// pixels per vector as (Y, Cr, Cb, 0, Y, Cr, Cb, 0), so that luma and chroma
// parameters sit side by side in one pair of constant vectors.
#include <emmintrin.h>

#include "blur/box_blur.h"
#include "combine/sharpen.h"
#include "combine/sharpen_sample.h"

namespace {

inline __m128i GatherPair(const PIXEL_YC* p) {
  return _mm_set_epi16(0, p[1].cb, p[1].cr, p[1].y, 0, p[0].cb, p[0].cr, p[0].y);
}

// The low 16 bits of 32-bit lane k hold the result of 16-bit lane k.
inline void ScatterPixel(PIXEL_YC* p, __m128i values32) {
  p->y = static_cast<int16_t>(_mm_extract_epi16(values32, 0));
  p->cr = static_cast<int16_t>(_mm_extract_epi16(values32, 2));
  p->cb = static_cast<int16_t>(_mm_extract_epi16(values32, 4));
}

void CombineYCRow(PIXEL_YC* row, const PIXEL_YC* blur, int W, const int16_t* threshold_vector,
                  const int16_t* strength_vector) {
  const __m128i threshold = _mm_load_si128(reinterpret_cast<const __m128i*>(threshold_vector));
  const __m128i strength = _mm_load_si128(reinterpret_cast<const __m128i*>(strength_vector));
  const __m128i zero = _mm_setzero_si128();
  int x = 0;
  for (; x + 2 <= W; x += 2) {
    const __m128i in = GatherPair(row + x);
    const __m128i diff = _mm_sub_epi16(in, GatherPair(blur + x));
    const __m128i magnitude = _mm_max_epi16(diff, _mm_sub_epi16(zero, diff));
    const __m128i sharpened = _mm_and_si128(diff, _mm_cmpgt_epi16(magnitude, threshold));
    const __m128i product_lo = _mm_mullo_epi16(sharpened, strength);
    const __m128i product_hi = _mm_mulhi_epi16(sharpened, strength);
    const __m128i in_lo = _mm_slli_epi32(_mm_unpacklo_epi16(in, zero), 8);
    const __m128i in_hi = _mm_slli_epi32(_mm_unpackhi_epi16(in, zero), 8);
    ScatterPixel(row + x, _mm_srai_epi32(_mm_add_epi32(in_lo, _mm_unpacklo_epi16(product_lo, product_hi)), 8));
    ScatterPixel(row + x + 1, _mm_srai_epi32(_mm_add_epi32(in_hi, _mm_unpackhi_epi16(product_lo, product_hi)), 8));
  }
  if (x < W) {
    // Odd width: the last pixel on its own, lanes 0..2 of the vectors.
    PIXEL_YC& p = row[x];
    p.y = SharpenSample(p.y, blur[x].y, strength_vector[0], threshold_vector[0]);
    p.cr = SharpenSample(p.cr, blur[x].cr, strength_vector[1], threshold_vector[1]);
    p.cb = SharpenSample(p.cb, blur[x].cb, strength_vector[2], threshold_vector[2]);
  }
}

}  // namespace

void CombineYC(const int16_t* threshold_vector, const int16_t* strength_vector, const CPixels& blur, int H, int W,
               CPixels& frame) {
#pragma omp parallel for schedule(static)
  for (int y = 0; y < H; ++y) CombineYCRow(frame.Row(y), blur.Row(y), W, threshold_vector, strength_vector);
}

bool SharpenYC(CPixels& frame, int radius, int luma_strength, int chroma_strength, int luma_threshold,
               int chroma_threshold, bool interlace) {
  const int W = frame.width;
  const int H = frame.height;
  CPixels blur(W, H, RoundUp(W, 8));
  if (!blur.data || !BoxBlurYC(frame, blur, radius, interlace)) return false;
  const auto ls = static_cast<int16_t>(luma_strength), cs = static_cast<int16_t>(chroma_strength);
  const auto lt = static_cast<int16_t>(luma_threshold), ct = static_cast<int16_t>(chroma_threshold);
  alignas(16) const int16_t strength_vector[8] = {ls, cs, cs, 0, ls, cs, cs, 0};
  alignas(16) const int16_t threshold_vector[8] = {lt, ct, ct, 0, lt, ct, ct, 0};
  CombineYC(threshold_vector, strength_vector, blur, H, W, frame);
  return true;
}

// Luma unsharp mask: Y + floor((Y - B) * S / 256) wherever |Y - B| > T.
#include <emmintrin.h>

#include "blur/box_blur.h"
#include "combine/sharpen.h"
#include "combine/sharpen_sample.h"

namespace {

inline __m128i GatherLuma8(const PIXEL_YC* p) {
  return _mm_set_epi16(p[7].y, p[6].y, p[5].y, p[4].y, p[3].y, p[2].y, p[1].y, p[0].y);
}

inline void ScatterLuma4(PIXEL_YC* p, __m128i values32) {
  p[0].y = static_cast<int16_t>(_mm_extract_epi16(values32, 0));
  p[1].y = static_cast<int16_t>(_mm_extract_epi16(values32, 2));
  p[2].y = static_cast<int16_t>(_mm_extract_epi16(values32, 4));
  p[3].y = static_cast<int16_t>(_mm_extract_epi16(values32, 6));
}

// (in << 8) + product, shifted back down: the low 16 bits of each 32-bit lane
// are in + floor(product / 256) whichever way in was widened.
inline __m128i AddCorrection(__m128i in16_half, __m128i product32) {
  const __m128i in32 = _mm_slli_epi32(in16_half, 8);
  return _mm_srai_epi32(_mm_add_epi32(in32, product32), 8);
}

void CombineYRow(PIXEL_YC* row, const int16_t* blur, int w, int strength, int threshold) {
  const __m128i strength_x8 = _mm_set1_epi16(static_cast<int16_t>(strength));
  const __m128i threshold_x8 = _mm_set1_epi16(static_cast<int16_t>(threshold));
  const __m128i zero = _mm_setzero_si128();
  int x = 0;
  for (; x + 8 <= w; x += 8) {
    const __m128i in = GatherLuma8(row + x);
    const __m128i diff = _mm_sub_epi16(in, _mm_load_si128(reinterpret_cast<const __m128i*>(blur + x)));
    const __m128i magnitude = _mm_max_epi16(diff, _mm_sub_epi16(zero, diff));
    const __m128i sharpened = _mm_and_si128(diff, _mm_cmpgt_epi16(magnitude, threshold_x8));
    const __m128i product_lo = _mm_mullo_epi16(sharpened, strength_x8);
    const __m128i product_hi = _mm_mulhi_epi16(sharpened, strength_x8);
    ScatterLuma4(row + x, AddCorrection(_mm_unpacklo_epi16(in, zero), _mm_unpacklo_epi16(product_lo, product_hi)));
    ScatterLuma4(row + x + 4,
                 AddCorrection(_mm_unpackhi_epi16(in, zero), _mm_unpackhi_epi16(product_lo, product_hi)));
  }
  for (; x < w; ++x) row[x].y = SharpenSample(row[x].y, blur[x], strength, threshold);
}

}  // namespace

void CombineY(CPixels& frame, const CSPixel_s16& blur, int w, int h, int strength, int threshold) {
#pragma omp parallel for schedule(static, 1)
  for (int y = 0; y < h; ++y) CombineYRow(frame.Row(y), blur.Row(y), w, strength, threshold);
}

bool SharpenY(CPixels& frame, int radius, int luma_strength, int luma_threshold, bool interlace) {
  const int w = frame.width;
  const int h = frame.height;
  CSPixel_s16 blur(w, h, RoundUp(w, 8));
  if (!blur.data || !BoxBlurY(frame, blur, radius, interlace)) return false;
  CombineY(frame, blur, w, h, luma_strength, luma_threshold);
  return true;
}

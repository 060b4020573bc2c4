// Luma unsharp mask: Y + floor((Y - B) * S / 256) wherever |Y - B| > T.
#include "blur/box_blur.h"
#include "combine/sharpen.h"
#include "combine/sharpen_sample.h"
#include "combine/sharpen_vectors.h"

namespace {

void CombineYRow(PIXEL_YC* row, const int16_t* blur, int w, int strength, int threshold) {
  const __m128i strength_x8 = _mm_set1_epi16(static_cast<int16_t>(strength));
  const __m128i threshold_x8 = _mm_set1_epi16(static_cast<int16_t>(threshold));
  int x = 0;
  for (; x + 8 <= w; x += 8) {
    const __m128i in = GatherLuma8(row + x);
    const __m128i diff = MaskedDifference(in, LoadAligned(blur + x), threshold_x8);
    ScatterLuma8(row + x, Wrap16(SharpenZeroExtended(in, diff, strength_x8)));
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

// Luma unsharp mask held inside each sample's widened 3x3 range, so that
// edges steepen without overshoot.
#include "blur/box_blur.h"
#include "combine/sharpen.h"
#include "combine/sharpen_sample.h"
#include "combine/sharpen_vectors.h"
#include "envelope/envelope.h"

void CombineYLimited(int y, CPixels& frame, const CSPixel_s16& blur, const CSPixel_s16& minPlane,
                     const CSPixel_s16& maxPlane, const int16_t* limit_vector, int32_t strength, int32_t threshold,
                     int W) {
  PIXEL_YC* row = frame.Row(y);
  const int16_t* b = blur.Row(y);
  const int16_t* lo_e = minPlane.Row(y);
  const int16_t* hi_e = maxPlane.Row(y);
  const __m128i limit = LoadAligned(limit_vector);
  const __m128i strength_x8 = _mm_set1_epi16(static_cast<int16_t>(strength));
  const __m128i threshold_x8 = _mm_set1_epi16(static_cast<int16_t>(threshold));
  int x = 0;
  for (; x + 8 <= W; x += 8) {
    const __m128i in = GatherLuma8(row + x);
    const __m128i diff = MaskedDifference(in, LoadAligned(b + x), threshold_x8);
    // Sign-extended, so that the saturating pack sees the true value.
    const Sharpened32 sharpened = SharpenLanes(_mm_srai_epi32(_mm_unpacklo_epi16(in, in), 16),
                                               _mm_srai_epi32(_mm_unpackhi_epi16(in, in), 16), diff, strength_x8);
    const __m128i s = _mm_packs_epi32(sharpened.lo, sharpened.hi);
    const __m128i lo = _mm_sub_epi16(LoadAligned(lo_e + x), limit);
    const __m128i hi = _mm_add_epi16(LoadAligned(hi_e + x), limit);
    ScatterLuma8(row + x, _mm_min_epi16(hi, _mm_max_epi16(s, lo)));
  }
  for (; x < W; ++x) {
    row[x].y = LimitSample(SharpenSampleSaturated(row[x].y, b[x], strength, threshold), lo_e[x], hi_e[x],
                           limit_vector[0]);
  }
}

bool SharpenYLimited(CPixels& frame, int radius, int luma_strength, int luma_threshold, int luma_limit,
                     bool interlace) {
  const int W = frame.width;
  const int H = frame.height;
  const int64_t pitch = RoundUp(W, 8);
  CSPixel_s16 blur(W, H, pitch);
  if (!blur.data || !BoxBlurY(frame, blur, radius, interlace)) return false;
  CSPixel_s16 minPlane(W, H, pitch);
  CSPixel_s16 maxPlane(W, H, pitch);
  if (!minPlane.data || !maxPlane.data) return false;
  EnvelopeY(frame, minPlane, maxPlane, interlace);
  alignas(16) int16_t limit_vector[8];
  std::fill(limit_vector, limit_vector + 8, static_cast<int16_t>(luma_limit));
#pragma omp parallel for schedule(static, 1)
  for (int y = 0; y < H; ++y) {
    CombineYLimited(y, frame, blur, minPlane, maxPlane, limit_vector, luma_strength, luma_threshold, W);
  }
  return true;
}

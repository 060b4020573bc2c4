// Luma unsharp mask held inside each sample's widened 3x3 range, so that
// edges steepen without overshoot.
#include <emmintrin.h>

#include "blur/box_blur.h"
#include "combine/sharpen.h"
#include "combine/sharpen_sample.h"
#include "envelope/envelope.h"

namespace {

inline __m128i LoadAligned(const int16_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }

inline __m128i GatherLuma8(const PIXEL_YC* p) {
  return _mm_set_epi16(p[7].y, p[6].y, p[5].y, p[4].y, p[3].y, p[2].y, p[1].y, p[0].y);
}

inline void ScatterLuma8(PIXEL_YC* p, __m128i values) {
  p[0].y = static_cast<int16_t>(_mm_extract_epi16(values, 0));
  p[1].y = static_cast<int16_t>(_mm_extract_epi16(values, 1));
  p[2].y = static_cast<int16_t>(_mm_extract_epi16(values, 2));
  p[3].y = static_cast<int16_t>(_mm_extract_epi16(values, 3));
  p[4].y = static_cast<int16_t>(_mm_extract_epi16(values, 4));
  p[5].y = static_cast<int16_t>(_mm_extract_epi16(values, 5));
  p[6].y = static_cast<int16_t>(_mm_extract_epi16(values, 6));
  p[7].y = static_cast<int16_t>(_mm_extract_epi16(values, 7));
}

// (in << 8) + product, shifted back down, in 32-bit lanes with in
// sign-extended, so that the saturating pack sees the true value.
inline __m128i Sharpened32(__m128i in16_doubled, __m128i product32) {
  const __m128i in32 = _mm_srai_epi32(in16_doubled, 16);
  return _mm_srai_epi32(_mm_add_epi32(_mm_slli_epi32(in32, 8), product32), 8);
}

}  // namespace

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
  const __m128i zero = _mm_setzero_si128();
  int x = 0;
  for (; x + 8 <= W; x += 8) {
    const __m128i in = GatherLuma8(row + x);
    const __m128i diff = _mm_sub_epi16(in, LoadAligned(b + x));
    const __m128i magnitude = _mm_max_epi16(diff, _mm_sub_epi16(zero, diff));
    const __m128i sharpened = _mm_and_si128(diff, _mm_cmpgt_epi16(magnitude, threshold_x8));
    const __m128i product_lo = _mm_mullo_epi16(sharpened, strength_x8);
    const __m128i product_hi = _mm_mulhi_epi16(sharpened, strength_x8);
    const __m128i s = _mm_packs_epi32(Sharpened32(_mm_unpacklo_epi16(in, in), _mm_unpacklo_epi16(product_lo, product_hi)),
                                      Sharpened32(_mm_unpackhi_epi16(in, in), _mm_unpackhi_epi16(product_lo, product_hi)));
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

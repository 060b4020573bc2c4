// Luma and chroma unsharp mask, each sample held inside its widened 3x3
// range; two pixels per vector as (Y, Cr, Cb, 0, Y, Cr, Cb, 0).
#include "blur/box_blur.h"
#include "combine/sharpen.h"
#include "combine/sharpen_sample.h"
#include "combine/sharpen_vectors.h"
#include "envelope/envelope.h"

namespace {

void CombineYCLimitedRow(PIXEL_YC* row, const PIXEL_YC* blur, const PIXEL_YC* lo_e, const PIXEL_YC* hi_e, int W,
                         const int16_t* threshold_vector, const int16_t* strength_vector,
                         const int16_t* limit_vector) {
  const __m128i threshold = LoadAligned(threshold_vector);
  const __m128i strength = LoadAligned(strength_vector);
  const __m128i limit = LoadAligned(limit_vector);
  int x = 0;
  for (; x + 2 <= W; x += 2) {
    const __m128i in = GatherPair(row + x);
    const __m128i diff = MaskedDifference(in, GatherPair(blur + x), threshold);
    const __m128i r = Wrap16(SharpenZeroExtended(in, diff, strength));
    const __m128i lo = _mm_sub_epi16(GatherPair(lo_e + x), limit);
    const __m128i hi = _mm_add_epi16(GatherPair(hi_e + x), limit);
    ScatterPair(row + x, _mm_min_epi16(_mm_max_epi16(r, lo), hi));
  }
  if (x < W) {
    // Odd width: the last pixel on its own; lanes 0, 1, 2 are Y, Cr, Cb.
    PIXEL_YC& p = row[x];
    p.y = LimitSample(SharpenSample(p.y, blur[x].y, strength_vector[0], threshold_vector[0]), lo_e[x].y, hi_e[x].y,
                      limit_vector[0]);
    p.cr = LimitSample(SharpenSample(p.cr, blur[x].cr, strength_vector[1], threshold_vector[1]), lo_e[x].cr,
                       hi_e[x].cr, limit_vector[1]);
    p.cb = LimitSample(SharpenSample(p.cb, blur[x].cb, strength_vector[2], threshold_vector[2]), lo_e[x].cb,
                       hi_e[x].cb, limit_vector[2]);
  }
}

}  // namespace

void CombineYCLimited(const int16_t* threshold_vector, const int16_t* strength_vector, const int16_t* limit_vector,
                      const CPixels& maxPlane, const CPixels& minPlane, const CPixels& blur, int H, int W,
                      CPixels& frame) {
#pragma omp parallel for schedule(static)
  for (int y = 0; y < H; ++y) {
    CombineYCLimitedRow(frame.Row(y), blur.Row(y), minPlane.Row(y), maxPlane.Row(y), W, threshold_vector,
                        strength_vector, limit_vector);
  }
}

bool SharpenYCLimited(CPixels& frame, int radius, int luma_strength, int chroma_strength, int luma_limit,
                      int chroma_limit, int luma_threshold, int chroma_threshold, bool interlaced) {
  const int W = frame.width;
  const int H = frame.height;
  const int64_t pitch = RoundUp(W, 8);
  CPixels blur(W, H, pitch);
  if (!blur.data || !BoxBlurYC(frame, blur, radius, interlaced)) return false;
  CPixels minPlane(W, H, pitch);
  CPixels maxPlane(W, H, pitch);
  if (!minPlane.data || !maxPlane.data) return false;
  EnvelopeYC(frame, minPlane, maxPlane, interlaced);
  const auto ls = static_cast<int16_t>(luma_strength), cs = static_cast<int16_t>(chroma_strength);
  const auto lt = static_cast<int16_t>(luma_threshold), ct = static_cast<int16_t>(chroma_threshold);
  const auto ll = static_cast<int16_t>(luma_limit), cl = static_cast<int16_t>(chroma_limit);
  alignas(16) const int16_t limit_vector[8] = {ll, cl, cl, 0, ll, cl, cl, 0};
  alignas(16) const int16_t strength_vector[8] = {ls, cs, cs, 0, ls, cs, cs, 0};
  alignas(16) const int16_t threshold_vector[8] = {lt, ct, ct, 0, lt, ct, ct, 0};
  CombineYCLimited(threshold_vector, strength_vector, limit_vector, maxPlane, minPlane, blur, H, W, frame);
  return true;
}

// Luma and chroma unsharp mask: the luma rule on all three channels, two
// pixels per vector as (Y, Cr, Cb, 0, Y, Cr, Cb, 0), so that luma and chroma
// parameters sit side by side in one pair of constant vectors.
#include "blur/box_blur.h"
#include "combine/sharpen.h"
#include "combine/sharpen_sample.h"
#include "combine/sharpen_vectors.h"

namespace {

void CombineYCRow(PIXEL_YC* row, const PIXEL_YC* blur, int W, const int16_t* threshold_vector,
                  const int16_t* strength_vector) {
  const __m128i threshold = LoadAligned(threshold_vector);
  const __m128i strength = LoadAligned(strength_vector);
  int x = 0;
  for (; x + 2 <= W; x += 2) {
    const __m128i in = GatherPair(row + x);
    const __m128i diff = MaskedDifference(in, GatherPair(blur + x), threshold);
    ScatterPair(row + x, Wrap16(SharpenZeroExtended(in, diff, strength)));
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

// The pipelines: each blurs (and bounds) the frame's own samples, then
// rewrites the frame in place. Each returns false, with the frame untouched,
// when its working planes cannot be allocated.
#pragma once

#include "planes/planes.h"

bool SharpenY(CPixels& frame, int radius, int luma_strength, int luma_threshold, bool interlace);

// Rewrites the luma of every row from the frame and its blur.
void CombineY(CPixels& frame, const CSPixel_s16& blur, int w, int h, int strength, int threshold);

bool SharpenYC(CPixels& frame, int radius, int luma_strength, int chroma_strength, int luma_threshold,
               int chroma_threshold, bool interlace);

// Rewrites Y, Cb and Cr of every row from the frame and its blur. The
// parameter vectors hold (luma, chroma, chroma, 0) twice, in the lane order
// (Y, Cr, Cb, 0) of two pixels.
void CombineYC(const int16_t* threshold_vector, const int16_t* strength_vector, const CPixels& blur, int H, int W,
               CPixels& frame);

bool SharpenYLimited(CPixels& frame, int radius, int luma_strength, int luma_threshold, int luma_limit,
                     bool interlace);
// Rewrites the luma of row y, clamped into [min - limit, max + limit].
void CombineYLimited(int y, CPixels& frame, const CSPixel_s16& blur, const CSPixel_s16& minPlane,
                     const CSPixel_s16& maxPlane, const int16_t* limit_vector, int32_t strength, int32_t threshold,
                     int W);

bool SharpenYCLimited(CPixels& frame, int radius, int luma_strength, int chroma_strength, int luma_limit,
                      int chroma_limit, int luma_threshold, int chroma_threshold, bool interlaced);
// Rewrites every row, each sample clamped into its widened envelope. The
// parameter vectors hold (luma, chroma, chroma, 0) twice.
void CombineYCLimited(const int16_t* threshold_vector, const int16_t* strength_vector, const int16_t* limit_vector,
                      const CPixels& maxPlane, const CPixels& minPlane, const CPixels& blur, int H, int W,
                      CPixels& frame);

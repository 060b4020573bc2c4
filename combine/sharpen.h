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

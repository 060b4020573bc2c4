// The pipelines: each blurs (and bounds) the frame's own samples, then
// rewrites the frame in place. Each returns false, with the frame untouched,
// when its working planes cannot be allocated.
#pragma once

#include "planes/planes.h"

bool SharpenY(CPixels& frame, int radius, int luma_strength, int luma_threshold, bool interlace);

// Rewrites the luma of every row from the frame and its blur.
void CombineY(CPixels& frame, const CSPixel_s16& blur, int w, int h, int strength, int threshold);

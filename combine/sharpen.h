// The four pipelines. Each blurs the frame (and, in limit mode, takes the
// 3x3 envelope of it) and combines the result into the frame in place, in
// bands of rows, one band per thread. Each returns false, with the frame
// untouched, when its scratch cannot be allocated.
#pragma once

#include "planes/planes.h"

bool SharpenY(CPixels& frame, int radius, int luma_strength, int luma_threshold, bool interlace);
bool SharpenYC(CPixels& frame, int radius, int luma_strength, int chroma_strength, int luma_threshold,
               int chroma_threshold, bool interlace);
bool SharpenYLimited(CPixels& frame, int radius, int luma_strength, int luma_threshold, int luma_limit,
                     bool interlace);
bool SharpenYCLimited(CPixels& frame, int radius, int luma_strength, int chroma_strength, int luma_limit,
                      int chroma_limit, int luma_threshold, int chroma_threshold, bool interlaced);

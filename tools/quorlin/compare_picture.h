// The picture that shows the filter's effect: a label above each half, the
// original on the left, the sharpened picture on the right, and beneath each
// an enlarged crop of the same small area, the one the filter changed most.
#pragma once

#include <string>

#include "tools/quorlin/png_io.h"

// Both pictures have the same size. The labels read "original" and
// "sharpened", followed by `settings` when it is not empty. The result is RGB.
Picture ComparePicture(const Picture& original, const Picture& sharpened, const std::string& settings);

// The height of the band of labels above pictures of that width: the font
// grows with the picture, so that the labels stay readable.
int32_t LabelHeight(int32_t width);

// The picture that shows the filter's effect: the original on the left, the
// sharpened picture on the right, and beneath each an enlarged crop of the
// same small area, the one the filter changed most.
#pragma once

#include "tools/quorlin/png_io.h"

// Both pictures have the same size. The result is RGB.
Picture ComparePicture(const Picture& original, const Picture& sharpened);

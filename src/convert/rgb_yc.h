// Conversion between 8-bit RGB and the editor's YC samples with the BT.601
// coefficients: Y runs 0..4096 from black to white, Cb and Cr -2048..2048.
// The arithmetic is exact and rounds to nearest, so every 8-bit colour comes
// back unchanged from a round trip.
#pragma once

#include <cstdint>

#include "quorlin/quorlin.h"

namespace quorlin {

struct Rgb8 {
  uint8_t r, g, b;
};

// The rules, a pixel at a time; the row kernels (kernels/rgb_rows.h) are held
// to them.
QuorlinPixel RgbToYc(Rgb8 c);
// Samples outside the nominal range (the filter may overshoot) clamp to 0..255.
Rgb8 YcToRgb(QuorlinPixel p);

}  // namespace quorlin

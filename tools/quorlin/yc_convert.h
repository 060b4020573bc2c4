// Conversion between 8-bit RGB and the host's YC samples with the BT.601
// coefficients: Y runs 0..4096 from black to white, Cb and Cr -2048..2048.
// The arithmetic is exact and rounds to nearest, so every 8-bit colour comes
// back unchanged from a round trip.
#pragma once

#include <cstdint>

#include "host/filter_table.h"

struct Rgb8 {
  uint8_t r, g, b;
};

PIXEL_YC RgbToYc(Rgb8 c);
// Samples outside the nominal range (the filter may overshoot) clamp to 0..255.
Rgb8 YcToRgb(PIXEL_YC p);

// Conversion between 8-bit RGB and the editor's YC samples with the BT.601
// coefficients: Y runs 0..4096 from black to white, Cb and Cr -2048..2048.
// The arithmetic is exact and rounds to nearest, so every 8-bit colour comes
// back unchanged from a round trip.
#pragma once

#include <cstddef>
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

struct Kernels;

// Whole pictures: rows of `channels` (3 or 4) bytes a pixel, `stride` bytes
// apart; a fourth byte is left alone.
void RgbToFrame(const uint8_t* rgb, ptrdiff_t stride, int channels, const QuorlinFrame& frame, const Kernels& k);
void FrameToRgb(const QuorlinFrame& frame, uint8_t* rgb, ptrdiff_t stride, int channels, const Kernels& k);

}  // namespace quorlin

// Rows of 8-bit RGB pixels and plain rows of Y, Cb and Cr, exact to the rules of convert/rgb_yc.h. Every quotient there is
// a sample rounded to nearest of a product over a constant; the vector
// kernels form the products by multiply-adds of 16-bit pairs and divide them
// by 64-bit multiply-highs, but for green on the way back, whose products
// exceed 32 bits and are taken in double precision. Where Cb and Cr are
// those of 8-bit colours, the way back needs neither: each channel is then
// Y scaled plus a term of Cb and Cr alone, split so as to stay in 16 bits.
#pragma once

#include <cstdint>

#include "quorlin/quorlin.h"

namespace quorlin {

// n pixels of `channels` (3 or 4) bytes, R, G, B first (a fourth byte is
// neither read nor written), and their samples in one plain row per channel
// (n samples each). With cb and cr null, only Y is written.
using RgbToPlanesRowFn = void(const uint8_t* rgb, int channels, int n, int16_t* y, int16_t* cb, int16_t* cr);
// With cb and cr null, each pixel keeps its own Cb and Cr: those its RGB
// bytes convert to before they are written over (luma alone).
using PlanesToRgbRowFn = void(const int16_t* y, const int16_t* cb, const int16_t* cr, int n, int channels,
                              uint8_t* rgb);

namespace c {
RgbToPlanesRowFn RgbToPlanesRow;
PlanesToRgbRowFn PlanesToRgbRow;
}  // namespace c
namespace sse2 {
RgbToPlanesRowFn RgbToPlanesRow;
PlanesToRgbRowFn PlanesToRgbRow;
}  // namespace sse2
namespace avx2 {
RgbToPlanesRowFn RgbToPlanesRow;
PlanesToRgbRowFn PlanesToRgbRow;
}  // namespace avx2

}  // namespace quorlin

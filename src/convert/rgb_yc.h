// Conversion between 8-bit RGB and the editor's YC samples with the BT.601
// coefficients: Y runs 0..4096 from black to white, Cb and Cr -2048..2048.
// The arithmetic is exact and rounds to nearest, so every 8-bit colour comes
// back unchanged from a round trip.
#pragma once

#include <cstdint>

#include "quorlin/quorlin.h"

namespace quorlin {

// The rules' terms: Kr, Kg and Kb in thousandths, so that Y = (Kr R + Kg G
// + Kb B) / 1000, Cb = (B - Y) / (2 (1 - Kb)) and Cr = (R - Y) / (2 (1 -
// Kr)), and back R = Y + 2 (1 - Kr) Cr, B = Y + 2 (1 - Kb) Cb and G = Y - (Kr
// 2 (1 - Kr) Cr + Kb 2 (1 - Kb) Cb) / Kg; Y spans 0..4096 from black to
// white, Cb and Cr 2048 from 0 to either end. The row kernels' constants
// (kernels/rgb_constants.h) derive from these.
struct RgbRules {
  static constexpr int64_t kUnit = 1000;
  static constexpr int64_t kKr = 299, kKg = 587, kKb = 114;
  static constexpr int64_t kLumaSpan = 4096, kChromaSpan = 2048;
  static constexpr int64_t kCbScale = kUnit - kKb, kCrScale = kUnit - kKr;  // 886, 701
  static constexpr int64_t kCbToB = 2 * kCbScale, kCrToR = 2 * kCrScale;    // 1772, 1402
  static constexpr int64_t kCbToG = kKb * kCbToB, kCrToG = kKr * kCrToR;    // 202008, 419198
  static constexpr int64_t kYToG = kKg * kUnit;                             // 587000
};

struct Rgb8 {
  uint8_t r, g, b;
};

// The rules, a pixel at a time; the row kernels (kernels/rgb_rows.h) are held
// to them.
QuorlinPixel RgbToYc(Rgb8 c);
// Samples outside the nominal range (the filter may overshoot) clamp to 0..255.
Rgb8 YcToRgb(QuorlinPixel p);

// 16-bit RGB (0..65535, in the machine's byte order) by the same rules, in
// rows of `channels` (3 or 4) samples a pixel (the fourth neither read nor
// written) and one plain row per channel. A round trip cannot give every
// 16-bit colour back, so the way back keeps a pixel's colour wherever its
// samples are still those its RGB converts to.
QuorlinPixel Rgb16ToYc(const uint16_t* rgb);
// With cb and cr null, only Y is written.
void Rgb16ToPlanesRow(const uint16_t* rgb, int channels, int n, int16_t* y, int16_t* cb, int16_t* cr);
// With cb and cr null, each pixel keeps its own Cb and Cr, those its RGB
// converts to (luma alone).
void PlanesToRgb16Row(const int16_t* y, const int16_t* cb, const int16_t* cr, int n, int channels, uint16_t* rgb);

}  // namespace quorlin

#include "convert/rgb_yc.h"

#include <algorithm>

#include "convert/div_round.h"

namespace quorlin {

namespace {

uint8_t Clamp8(int64_t v) { return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255)); }

}  // namespace

// Kr = 0.299 and Kb = 0.114 as integers over 1000, so that Y = (299 R + 587 G
// + 114 B) / 1000, Cb = (B - Y) / 1.772 and Cr = (R - Y) / 1.402, scaled from
// 0..255 to the editor's units.
QuorlinPixel RgbToYc(Rgb8 c) {
  const int64_t r = c.r, g = c.g, b = c.b;
  return QuorlinPixel{
      static_cast<int16_t>(DivRound(4096 * (299 * r + 587 * g + 114 * b), 255 * 1000)),
      static_cast<int16_t>(DivRound(2048 * (886 * b - 299 * r - 587 * g), 255 * 886)),
      static_cast<int16_t>(DivRound(2048 * (701 * r - 587 * g - 114 * b), 255 * 701)),
  };
}

// R = Y + 1.402 Cr, B = Y + 1.772 Cb and G = (Y - 0.299 R - 0.114 B) / 0.587,
// that is Y - (0.299 * 1.402 Cr + 0.114 * 1.772 Cb) / 0.587.
Rgb8 YcToRgb(QuorlinPixel p) {
  const int64_t y = p.y, cb = p.cb, cr = p.cr;
  return Rgb8{
      Clamp8(DivRound(255 * (1000 * y + 1402 * cr), 4096 * 1000)),
      Clamp8(DivRound(255 * (587000 * y - 419198 * cr - 202008 * cb), 4096 * 587000LL)),
      Clamp8(DivRound(255 * (1000 * y + 1772 * cb), 4096 * 1000)),
  };
}

}  // namespace quorlin

#include "convert/rgb_yc.h"

#include <algorithm>

#include "convert/div_round.h"

namespace quorlin {

namespace {

uint8_t Clamp8(int64_t v) { return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255)); }
uint16_t Clamp16(int64_t v) { return static_cast<uint16_t>(std::clamp<int64_t>(v, 0, 65535)); }

// Y, Cb and Cr of R, G and B scaled from 0..top (255 or 65535) to the
// editor's units.
QuorlinPixel ToYc(int64_t r, int64_t g, int64_t b, int64_t top) {
  using R = RgbRules;
  return QuorlinPixel{
      static_cast<int16_t>(DivRound(R::kLumaSpan * (R::kKr * r + R::kKg * g + R::kKb * b), top * R::kUnit)),
      static_cast<int16_t>(DivRound(R::kChromaSpan * (R::kCbScale * b - R::kKr * r - R::kKg * g), top * R::kCbScale)),
      static_cast<int16_t>(DivRound(R::kChromaSpan * (R::kCrScale * r - R::kKg * g - R::kKb * b), top * R::kCrScale)),
  };
}

struct Channels {
  int64_t r, g, b;
};

// R, G and B scaled to 0..top; not yet clamped.
Channels ToRgb(QuorlinPixel p, int64_t top) {
  using R = RgbRules;
  const int64_t y = p.y, cb = p.cb, cr = p.cr;
  return Channels{
      DivRound(top * (R::kUnit * y + R::kCrToR * cr), R::kLumaSpan * R::kUnit),
      DivRound(top * (R::kYToG * y - R::kCrToG * cr - R::kCbToG * cb), R::kLumaSpan * R::kYToG),
      DivRound(top * (R::kUnit * y + R::kCbToB * cb), R::kLumaSpan * R::kUnit),
  };
}

bool operator==(QuorlinPixel a, QuorlinPixel b) { return a.y == b.y && a.cb == b.cb && a.cr == b.cr; }

}  // namespace

QuorlinPixel RgbToYc(Rgb8 c) { return ToYc(c.r, c.g, c.b, 255); }

QuorlinPixel Rgb16ToYc(const uint16_t* rgb) { return ToYc(rgb[0], rgb[1], rgb[2], 65535); }

void Rgb16ToPlanesRow(const uint16_t* rgb, int channels, int n, int16_t* y, int16_t* cb, int16_t* cr) {
  for (int x = 0; x < n; ++x, rgb += channels) {
    const QuorlinPixel p = Rgb16ToYc(rgb);
    y[x] = p.y;
    if (cb) cb[x] = p.cb, cr[x] = p.cr;
  }
}

void PlanesToRgb16Row(const int16_t* y, const int16_t* cb, const int16_t* cr, int n, int channels, uint16_t* rgb) {
  for (int x = 0; x < n; ++x, rgb += channels) {
    const QuorlinPixel own = Rgb16ToYc(rgb);
    const QuorlinPixel p = cb ? QuorlinPixel{y[x], cb[x], cr[x]} : QuorlinPixel{y[x], own.cb, own.cr};
    if (p == own) continue;
    const Channels c = ToRgb(p, 65535);
    rgb[0] = Clamp16(c.r);
    rgb[1] = Clamp16(c.g);
    rgb[2] = Clamp16(c.b);
  }
}

Rgb8 YcToRgb(QuorlinPixel p) {
  const Channels c = ToRgb(p, 255);
  return Rgb8{Clamp8(c.r), Clamp8(c.g), Clamp8(c.b)};
}

}  // namespace quorlin

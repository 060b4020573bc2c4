// RGB rows a pixel at a time: the rules of convert/rgb_yc.h with their
// fractions reduced and their signs taken apart, so that every quotient is
// an unsigned division by a constant, which compilers make a multiply-high.
#include "kernels/rgb_rows.h"

#include <algorithm>
#include <cstdlib>

namespace quorlin::c {

namespace {

// DivRound(2^kShift * s / 2, kD / 2) = sign(s) * floor((2^kShift |s| + kD / 2) / kD),
// 2^kShift |s| + kD / 2 below 2^32 for the weighted sums of 8-bit samples.
template <int kShift, uint32_t kD>
int16_t Rounded(int s) {
  const auto q = int(((uint32_t(std::abs(s)) << kShift) + kD / 2) / kD);
  return int16_t(s < 0 ? -q : q);
}

// clamp(DivRound(num, kDen), 0, 255) for an even kDen: whatever is not
// above 0 rounds to at most 0.
template <int64_t kDen>
uint8_t Clamped(int64_t num) {
  return num <= 0 ? 0 : uint8_t(std::min<uint64_t>(255, (uint64_t(num) + kDen / 2) / kDen));
}

// Y = DivRound(4096 S, 255000), Cb = DivRound(2048 S, 225930) and Cr =
// DivRound(2048 S, 178755), S the weighted sums.
QuorlinPixel ToYc(const uint8_t* rgb) {
  const int r = rgb[0], g = rgb[1], b = rgb[2];
  return QuorlinPixel{Rounded<10, 63750>(299 * r + 587 * g + 114 * b), Rounded<11, 225930>(886 * b - 299 * r - 587 * g),
                      Rounded<12, 357510>(701 * r - 587 * g - 114 * b)};
}

void ToRgb(int64_t y, int64_t cb, int64_t cr, uint8_t* rgb) {
  rgb[0] = Clamped<4096 * 1000>(255 * (1000 * y + 1402 * cr));
  rgb[1] = Clamped<int64_t{4096} * 587000>(255 * (587000 * y - 419198 * cr - 202008 * cb));
  rgb[2] = Clamped<4096 * 1000>(255 * (1000 * y + 1772 * cb));
}

}  // namespace

void RgbToPlanesRow(const uint8_t* rgb, int channels, int n, int16_t* y, int16_t* cb, int16_t* cr) {
  for (int x = 0; x < n; ++x, rgb += channels) {
    const QuorlinPixel p = ToYc(rgb);
    y[x] = p.y;
    if (cb) cb[x] = p.cb, cr[x] = p.cr;
  }
}

void PlanesToRgbRow(const int16_t* y, const int16_t* cb, const int16_t* cr, int n, int channels, uint8_t* rgb) {
  for (int x = 0; x < n; ++x, rgb += channels) {
    const QuorlinPixel own = cb ? QuorlinPixel{y[x], cb[x], cr[x]} : ToYc(rgb);
    ToRgb(y[x], own.cb, own.cr, rgb);
  }
}

}  // namespace quorlin::c

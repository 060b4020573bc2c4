// RGB rows a pixel at a time: the rules of convert/rgb_yc.h with their
// fractions reduced (kernels/rgb_constants.h) and their signs taken apart,
// so that every quotient is an unsigned division by a constant, which
// compilers make a multiply-high.
#include "kernels/rgb_constants.h"
#include "kernels/rgb_rows.h"

#include <algorithm>
#include <cstdlib>

namespace quorlin::c {

namespace {

// sign(s) * floor((2^shift |s| + divisor / 2) / divisor), the numerator
// below 2^32 for the weighted sums of 8-bit samples.
template <const rgb::Quotient& kQ>
int16_t Rounded(int s) {
  const auto q = int(((uint32_t(std::abs(s)) << kQ.shift) + uint32_t(kQ.Half())) / uint32_t(kQ.divisor));
  return int16_t(s < 0 ? -q : q);
}

template <const int16_t (&kWeights)[3]>
int Weighted(const uint8_t* rgb) {
  return kWeights[0] * rgb[0] + kWeights[1] * rgb[1] + kWeights[2] * rgb[2];
}

// clamp(DivRound(num, kDen), 0, 255) for an even kDen: whatever is not
// above 0 rounds to at most 0.
template <int64_t kDen>
uint8_t Clamped(int64_t num) {
  return num <= 0 ? 0 : uint8_t(std::min<uint64_t>(255, (uint64_t(num) + kDen / 2) / kDen));
}

QuorlinPixel ToYc(const uint8_t* rgb) {
  return QuorlinPixel{Rounded<rgb::kY>(Weighted<rgb::kYWeights>(rgb)), Rounded<rgb::kCb>(Weighted<rgb::kCbWeights>(rgb)),
                      Rounded<rgb::kCr>(Weighted<rgb::kCrWeights>(rgb))};
}

void ToRgb(int64_t y, int64_t cb, int64_t cr, uint8_t* rgb) {
  using R = rgb::Rules;
  rgb[0] = Clamped<R::kLumaSpan * R::kUnit>(rgb::kTop * (R::kUnit * y + R::kCrToR * cr));
  rgb[1] = Clamped<R::kLumaSpan * R::kYToG>(rgb::kTop * (R::kYToG * y - R::kCrToG * cr - R::kCbToG * cb));
  rgb[2] = Clamped<R::kLumaSpan * R::kUnit>(rgb::kTop * (R::kUnit * y + R::kCbToB * cb));
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

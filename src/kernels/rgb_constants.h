// The RGB row kernels' constants, every level's, derived from the rules'
// terms (convert/rgb_yc.h) for 8-bit samples; the checks below hold each
// shortcut the kernels take to the range they take it over.
#pragma once

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "convert/rgb_yc.h"

namespace quorlin::rgb {

using Rules = RgbRules;
inline constexpr int64_t kTop = 255;  // white

// The way in: a channel is DivRound(span S, 255 scale), S the weighted sum
// of the samples. In lowest terms that is 2^shift S / divisor with an odd
// divisor, so no quotient is a whole number and a half, and rounding to
// nearest is floor((2^shift |S| + divisor / 2) / divisor), signed.
struct Quotient {
  int shift;
  int64_t divisor;
  constexpr int64_t Half() const { return divisor / 2; }
};

constexpr Quotient InLowestTerms(int64_t numerator, int64_t denominator) {
  const int64_t g = std::gcd(numerator, denominator);
  int shift = 0;
  while ((int64_t{1} << shift) < numerator / g) ++shift;
  return {shift, denominator / g};
}

inline constexpr Quotient kY = InLowestTerms(Rules::kLumaSpan, kTop * Rules::kUnit);       // 512 / 31875
inline constexpr Quotient kCb = InLowestTerms(Rules::kChromaSpan, kTop * Rules::kCbScale);  // 1024 / 112965
inline constexpr Quotient kCr = InLowestTerms(Rules::kChromaSpan, kTop * Rules::kCrScale);  // 2048 / 178755

// The weights of R, G and B in each channel's sum.
inline constexpr int16_t kYWeights[3] = {Rules::kKr, Rules::kKg, Rules::kKb};
inline constexpr int16_t kCbWeights[3] = {-Rules::kKr, -Rules::kKg, Rules::kCbScale};
inline constexpr int16_t kCrWeights[3] = {Rules::kCrScale, -Rules::kKg, -Rules::kKb};

// Cb and Cr of 8-bit colours are within +-2048: the vector kernels add that
// many divisors to the numerator, which keeps it positive (and below 2^30),
// and take them off the quotient.
inline constexpr int64_t kChromaBias = Rules::kChromaSpan;

static_assert(kY.divisor % 2 == 1 && kCb.divisor % 2 == 1 && kCr.divisor % 2 == 1);
static_assert((kTop * Rules::kUnit << kY.shift) + kY.Half() < (int64_t{1} << 30));
static_assert((2 * kChromaBias * kCb.divisor) + kCb.Half() < (int64_t{1} << 30) &&
              (2 * kChromaBias * kCr.divisor) + kCr.Half() < (int64_t{1} << 30));

// The way back, R (B alike with Cb): clamp(DivRound(255 t, 4096 * 1000)),
// t = 1000 Y + 1402 Cr, is floor((51 t + 409600) / 819200) in lowest terms
// for every t whose channel is above 0 (those below clamp to 0 whichever
// way they round).
inline constexpr int64_t kRbGcd = std::gcd(kTop, Rules::kLumaSpan * Rules::kUnit);
inline constexpr int64_t kRbTimes = kTop / kRbGcd;                              // 51
inline constexpr int64_t kRbDivisor = Rules::kLumaSpan * Rules::kUnit / kRbGcd;  // 819200
inline constexpr int64_t kRbHalf = kRbDivisor / 2;
// The divisor is 2^15 times an odd number below 2^16, which divides by a
// 16-bit reciprocal multiply.
inline constexpr int kRbShift = 15;
inline constexpr int64_t kRbOdd = kRbDivisor >> kRbShift;  // 25
static_assert(kRbOdd << kRbShift == kRbDivisor && kRbOdd % 2 == 1);
// t is held within [kRbLow, kRbHigh], past which the channel clamps to 0
// or 255 whatever t is, so that 51 t stays in 32 bits.
inline constexpr int64_t kRbLow = -(kRbHalf / kRbTimes) - 1;
inline constexpr int64_t kRbHigh = (kTop * kRbDivisor - kRbHalf + kRbTimes - 1) / kRbTimes;
static_assert(kRbTimes * kRbLow + kRbHalf <= 0 && (kRbTimes * kRbHigh + kRbHalf) / kRbDivisor == kTop);
static_assert(kRbTimes * kRbHigh + kRbHalf < (int64_t{1} << 31));
// floor(u / 25) = (u * kRbReciprocal) >> 17 for every u = floor((51 t +
// 409600) / 2^15) of a held t.
inline constexpr int kRbReciprocalShift = 17;
inline constexpr int64_t kRbReciprocal = ((int64_t{1} << kRbReciprocalShift) + kRbOdd - 1) / kRbOdd;  // 5243
inline constexpr int64_t kRbMostU = (kRbTimes * kRbHigh + kRbHalf) >> kRbShift;
constexpr bool ReciprocalHolds() {
  for (int64_t u = 0; u <= kRbMostU; ++u) {
    if ((u * kRbReciprocal) >> kRbReciprocalShift != u / kRbOdd) return false;
  }
  return true;
}
static_assert(kRbReciprocal < (1 << 16) && kRbMostU < (1 << 13) && ReciprocalHolds());

// G: clamp(DivRound(255 t, 4096 * 587000)), t = 587000 Y - 419198 Cr -
// 202008 Cb, in doubles, which hold 255 t exactly: floor((255 t + D/2 +
// 1/2) / D), where the half keeps the quotient 1 / 2D, far beyond the
// product's rounding, from a whole number; truncation differs from floor
// only below 0, which clamps anyway.
inline constexpr double kGY = double(kTop * Rules::kYToG), kGCr = double(kTop * Rules::kCrToG);
inline constexpr double kGCb = double(kTop * Rules::kCbToG);
inline constexpr int64_t kGDivisor = Rules::kLumaSpan * Rules::kYToG;  // 2404352000
inline constexpr double kGHalf = double(kGDivisor / 2) + 0.5;
inline constexpr double kGReciprocal = 1.0 / double(kGDivisor);

// The way back with Cb and Cr as 8-bit colours convert to (within +-2048):
// each channel is floor((255 Y + E) / 4096), clamped to 0..255, where E
// depends on Cb and Cr alone: R = floor((51000 Y + 71502 Cr + 409600) /
// 819200), and 200 divides 51000 and 819200, so E = floor((71502 Cr +
// 409600) / 200); B likewise with 90372 Cb; for G, 117400 divides both 255
// * 587000 / 51 and the divisor, so E = floor((240435200 - 51 (419198 Cr +
// 202008 Cb)) / 117400). (Below 0 the rules round halves the other way, but
// clamp to 0 anyway.) E splits into 4096 a + w with w small, and Y, held
// within bounds past which every channel clamps, into 255 Y = 4096 q + r,
// 0 <= r < 4096: then the channel is q + a + floor((w + r) / 4096), all in
// 16-bit lanes.
inline constexpr int64_t kEUnit = kRbDivisor / Rules::kLumaSpan;  // 200
static_assert(kRbTimes * Rules::kUnit == kTop * kEUnit);
inline constexpr int64_t kEConstant = kRbHalf / kEUnit;  // 2048
static_assert(kRbHalf % kEUnit == 0);
// A multiply-high by 16 x is a product by x over 4096.
inline constexpr int kOver4096 = (1 << 16) / Rules::kLumaSpan;

// floor(x / d) = (x * reciprocal) >> shift for every x in 0..most.
constexpr bool DividesBy(int64_t d, int64_t reciprocal, int shift, int64_t most) {
  for (int64_t x = 0; x <= most; ++x) {
    if ((x * reciprocal) >> shift != x / d) return false;
  }
  return true;
}

// R: E = 2048 + 357 Cr + floor(51 Cr / 100), the last Cr >> 1 + floor((Cr +
// 50 (Cr & 1)) / 100), taken as floor((v + 2100) / 100) - 21 for v + 2100
// in 52..4198, where (x * 41944) >> 22 is floor(x / 100).
inline constexpr int64_t kRCr = kRbTimes * Rules::kCrToR;  // 71502
inline constexpr int kRWhole = int(kRCr / kEUnit);         // 357
static_assert((kRCr % kEUnit) * 100 == 51 * kEUnit);
inline constexpr int kRBias = (Rules::kChromaSpan / 100 + 1) * 100;  // 2100
inline constexpr int kRHundredth = ((1 << 22) + 99) / 100;           // 41944
inline constexpr int kRConstant = int(kEConstant) - kRBias / 100;
static_assert(DividesBy(100, kRHundredth, 22, kRBias + Rules::kChromaSpan + 50));

// B: E = 2048 + 451 Cb + floor(43 Cb / 50), the last Cb - floor((7 Cb + 49)
// / 50), taken as floor((7 Cb + 14399) / 50) - 287 for 7 Cb + 14399 in
// 63..28735, where (x * 20972) >> 20 is floor(x / 50).
inline constexpr int64_t kBCb = kRbTimes * Rules::kCbToB;  // 90372
inline constexpr int kBWhole = int(kBCb / kEUnit);         // 451
static_assert((kBCb % kEUnit) * 50 == 43 * kEUnit);
inline constexpr int kBSevenths = 50 - 43;                                              // 7
inline constexpr int kBBiasFifties = (kBSevenths * Rules::kChromaSpan + 49) / 50;         // 287
inline constexpr int kBBias = kBBiasFifties * 50 + 49;                                  // 14399
inline constexpr int kBFiftieth = ((1 << 20) + 49) / 50;                                 // 20972
inline constexpr int kBConstant = int(kEConstant) + kBBiasFifties;
static_assert(DividesBy(50, kBFiftieth, 20, kBBias + kBSevenths * Rules::kChromaSpan));

// G: E = 2048 - 182 Cr - 88 Cb + floor((28792 Cb - 12298 Cr) / 117400):
// each product split into a multiple of the unit and a rest within 16 bits,
// the quotient taken with 717 divisors added (the numerator is within
// +-84152320, the 717 divisors more) in 32-bit lanes.
inline constexpr int64_t kGEUnit = kGDivisor / Rules::kLumaSpan / kRbGcd;  // 117400
static_assert(kGDivisor / 2 / kRbGcd == kEConstant * kGEUnit);
struct Split {
  int whole, rest;  // product = whole * unit + rest, |rest| within 16 bits
};
constexpr Split SplitBy(int64_t product, int64_t unit) {
  const int64_t whole = product / unit + (product % unit > 32767);
  return {int(whole), int(product - whole * unit)};
}
inline constexpr Split kNaturalGCr = SplitBy(kRbTimes * Rules::kCrToG, kGEUnit);  // 182, 12298
inline constexpr Split kNaturalGCb = SplitBy(kRbTimes * Rules::kCbToG, kGEUnit);  // 88, -28792
inline constexpr int64_t kGMostRest = (int64_t{kNaturalGCr.rest} - kNaturalGCb.rest) * Rules::kChromaSpan;
inline constexpr int kGBiasDivisors = int((kGMostRest + kGEUnit - 1) / kGEUnit);  // 717
inline constexpr int kGConstant = int(kEConstant) - kGBiasDivisors;
static_assert(kNaturalGCr.rest > 0 && kNaturalGCb.rest < 0 && 2 * kGMostRest < (int64_t{1} << 30));

// Y is held within bounds past which every channel of natural chroma clamps:
// E is within kEMost of 0 for every channel.
inline constexpr int kNaturalYLow = -4200, kNaturalYHigh = 8400;
inline constexpr int64_t kEMost =
    kEConstant + std::max({kRCr / kEUnit, kBCb / kEUnit, kRbTimes * (Rules::kCrToG + Rules::kCbToG) / kGEUnit}) *
                     Rules::kChromaSpan +
    Rules::kChromaSpan;
static_assert(kTop * kNaturalYLow + kEMost < 0 && kTop * kNaturalYHigh - kEMost >= 256 * Rules::kLumaSpan);

}  // namespace quorlin::rgb

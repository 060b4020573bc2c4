// The unsharp-mask rule for one sample, shared by the scalar tails of the
// vector combines: in + floor((in - blur) * strength / 256), wrapped to 16
// bits, wherever |in - blur| > threshold (in 16-bit arithmetic).
#pragma once

#include <cstdint>

inline int16_t SharpenSample(int16_t in, int16_t blur, int strength, int threshold) {
  const int16_t d = static_cast<int16_t>(in - blur);
  // |d| in 16 bits: -32768 stays negative and so never exceeds a threshold.
  const int16_t a = static_cast<int16_t>(d < 0 ? -d : d);
  const int32_t e = a > threshold ? d : 0;
  return static_cast<int16_t>((int32_t{in} * 256 + e * strength) >> 8);
}

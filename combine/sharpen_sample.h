// The unsharp-mask rule for one sample, shared by the scalar tails of the
// vector combines: in + floor((in - blur) * strength / 256), wrapped to 16
// bits, wherever |in - blur| > threshold (in 16-bit arithmetic).
#pragma once

#include <algorithm>
#include <cstdint>

inline int16_t SharpenSample(int16_t in, int16_t blur, int strength, int threshold) {
  const int16_t d = static_cast<int16_t>(in - blur);
  // |d| in 16 bits: -32768 stays negative and so never exceeds a threshold.
  const int16_t a = static_cast<int16_t>(d < 0 ? -d : d);
  const int32_t e = a > threshold ? d : 0;
  return static_cast<int16_t>((int32_t{in} * 256 + e * strength) >> 8);
}

// Holds a sharpened sample inside [lo_e - limit, hi_e + limit] (bounds wrap
// at 16 bits); the upper bound is applied last, so it wins when they cross.
inline int16_t LimitSample(int16_t sharpened, int16_t lo_e, int16_t hi_e, int limit) {
  const int16_t lo = static_cast<int16_t>(lo_e - limit);
  const int16_t hi = static_cast<int16_t>(hi_e + limit);
  return std::min(hi, std::max(sharpened, lo));
}

// The luma limited sharpen saturates its sharpened value to 16 bits before
// the clamp (the luma and chroma rule wraps instead).
inline int16_t SharpenSampleSaturated(int16_t in, int16_t blur, int strength, int threshold) {
  const int16_t d = static_cast<int16_t>(in - blur);
  const int16_t a = static_cast<int16_t>(d < 0 ? -d : d);
  const int32_t e = a > threshold ? d : 0;
  return static_cast<int16_t>(std::clamp((int32_t{in} * 256 + e * strength) >> 8, -32768, 32767));
}

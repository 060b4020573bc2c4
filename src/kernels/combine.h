// The per-sample unsharp-mask rule, a row of one channel at a time:
//   d = in - blur (16 bits), sharpened where |d| > threshold (16 bits, so
//   d = -32768 never is): in + floor(d * strength / 256);
// unbounded the result wraps to 16 bits; limit mode clamps it into
// [lo - limit, hi + limit] (bounds wrapped, the upper one applied last),
// after wrapping (luma and chroma) or saturating it (luma only).
#pragma once

#include <cstdint>
#include <type_traits>

namespace quorlin {

struct ChannelParams {
  int16_t strength;   // 0..256, in 1/256 of the difference
  int16_t threshold;  // 0..1024
  int16_t limit;      // -512..512
};

enum class Bound { None, Wrapped, Saturated };

// out[x] for x below width rounded up to 16; lo and hi are read only when
// bounded. blur, lo, hi and out are 32-byte aligned, in 16-byte aligned (a
// sample row past its margin).
using CombineRowFn = void(const int16_t* in, const int16_t* blur, const int16_t* lo, const int16_t* hi, int width,
                          ChannelParams params, Bound bound, int16_t* out);

// Calls row(std::integral_constant<Bound, bound>()): every level's row of
// the rule is specialised for each bound.
template <typename Row>
inline void WithBound(Bound bound, Row row) {
  switch (bound) {
    case Bound::None: return row(std::integral_constant<Bound, Bound::None>());
    case Bound::Wrapped: return row(std::integral_constant<Bound, Bound::Wrapped>());
    case Bound::Saturated: return row(std::integral_constant<Bound, Bound::Saturated>());
  }
}

namespace c {
CombineRowFn CombineRow;
}  // namespace c
namespace sse2 {
CombineRowFn CombineRow;
}  // namespace sse2
namespace avx2 {
CombineRowFn CombineRow;
}  // namespace avx2

}  // namespace quorlin

#include "kernels/combine.h"

#include <algorithm>

namespace quorlin::c {

namespace {

// The rule for one sample. The magnitude is taken in 16 bits, where d =
// -32768 stays negative and so is never sharpened; d * strength has at most
// 24 bits, and its arithmetic shift is the floor of its quotient by 256.
template <Bound kBound>
int16_t Combined(int16_t in, int16_t blur, int16_t lo, int16_t hi, ChannelParams p) {
  const auto diff = int16_t(in - blur);
  const auto magnitude = std::max(diff, int16_t(-diff));
  const int correction = magnitude > p.threshold ? (diff * p.strength) >> 8 : 0;
  int result = in + correction;
  result = kBound == Bound::Saturated ? std::clamp(result, int{INT16_MIN}, int{INT16_MAX}) : int16_t(result);
  if constexpr (kBound != Bound::None) {
    result = std::max(result, int{int16_t(lo - p.limit)});
    result = std::min(result, int{int16_t(hi + p.limit)});
  }
  return int16_t(result);
}

// Whole groups of eight, as the vector kernels write them.
template <Bound kBound>
void CombineRowAs(const int16_t* in, const int16_t* blur, const int16_t* lo, const int16_t* hi, int width,
                  ChannelParams params, int16_t* out) {
  const int end = (width + 7) / 8 * 8;
  for (int x = 0; x < end; ++x) {
    out[x] = Combined<kBound>(in[x], blur[x], kBound == Bound::None ? 0 : lo[x], kBound == Bound::None ? 0 : hi[x],
                              params);
  }
}

}  // namespace

void CombineRow(const int16_t* in, const int16_t* blur, const int16_t* lo, const int16_t* hi, int width,
                ChannelParams params, Bound bound, int16_t* out) {
  WithBound(bound, [&](auto kBound) { CombineRowAs<kBound>(in, blur, lo, hi, width, params, out); });
}

}  // namespace quorlin::c

// The box blur's column sums and row windows, a lane of the segment layout
// at a time; 32-bit sums wrap as unsigned, as the vector lanes do.
#include "kernels/box_blur.h"

namespace quorlin::c {

void AddRowToSums(int32_t* sums, const int16_t* row, const Segments& seg) {
  const int n = seg.Extended() * Segments::kLanes;
  for (int k = 0; k < n; ++k) sums[k] = int32_t(uint32_t(sums[k]) + uint32_t(row[k]));
}

void SlideSums(int32_t* sums, const int16_t* entering, const int16_t* leaving, const Segments& seg) {
  const int n = seg.Extended() * Segments::kLanes;
  for (int k = 0; k < n; ++k) sums[k] = int32_t(uint32_t(sums[k]) + uint32_t(entering[k] - leaving[k]));
}

void BoxBlurRow(const int32_t* column_sums, const Segments& seg, int16_t* out) {
  constexpr int kLanes = Segments::kLanes;
  const int r = seg.reach;
  // Vector i of the row (without margins) starts at column_sums + (i + r) * 8.
  const int32_t* sums = column_sums + r * kLanes;
  uint32_t window[kLanes] = {};
  for (int k = -r; k <= r; ++k) {
    for (int s = 0; s < kLanes; ++s) window[s] += uint32_t(sums[k * kLanes + s]);
  }
  const auto factor = uint32_t(BoxFactor(r));
  const int length = seg.length;
  for (int i = 0;; ++i) {
    // Bits 16..31 of the wrapped product are the low 16 bits of (S * F) >> 16.
    for (int s = 0; s < kLanes; ++s) out[i * kLanes + s] = int16_t((window[s] * factor) >> 16);
    if (i + 1 == length) break;
    const int32_t* entering = sums + (i + r + 1) * kLanes;
    const int32_t* leaving = sums + (i - r) * kLanes;
    for (int s = 0; s < kLanes; ++s) window[s] += uint32_t(entering[s]) - uint32_t(leaving[s]);
  }
}

}  // namespace quorlin::c

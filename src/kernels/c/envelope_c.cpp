#include "kernels/envelope.h"

#include <algorithm>
#include <cstddef>

namespace quorlin::c {

void EnvelopeRow(const int16_t* above, const int16_t* centre, const int16_t* below, const Segments& seg,
                 bool complete, int16_t* lo, int16_t* hi) {
  constexpr int kLanes = Segments::kLanes;
  const ptrdiff_t start = ptrdiff_t(seg.reach) * kLanes;
  above += start;
  centre += start;
  below += start;
  const ptrdiff_t samples = ptrdiff_t{seg.length} * kLanes;
  // Extremes of a column of the three rows; horizontal neighbours are a
  // vector (kLanes samples) apart, and the margins hold those of the row's
  // first and last vectors.
  auto column_lo = [&](ptrdiff_t at) { return std::min(std::min(above[at], centre[at]), below[at]); };
  auto column_hi = [&](ptrdiff_t at) { return std::max(std::max(above[at], centre[at]), below[at]); };
  for (ptrdiff_t k = 0; k < samples; ++k) {
    lo[k] = std::min(std::min(column_lo(k - kLanes), column_lo(k)), column_lo(k + kLanes));
    hi[k] = std::max(std::max(column_hi(k - kLanes), column_hi(k)), column_hi(k + kLanes));
  }
  if (complete) CopyBorderColumns(seg, lo, hi);
}

}  // namespace quorlin::c

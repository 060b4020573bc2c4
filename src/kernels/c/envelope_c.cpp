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
  // Horizontal neighbours are a vector (kLanes samples) apart; the margins
  // hold those of the row's first and last vectors.
  for (ptrdiff_t k = 0; k < samples; ++k) {
    int16_t low = above[k - kLanes], high = low;
    for (const int16_t* row : {above, centre, below}) {
      for (ptrdiff_t at = k - kLanes; at <= k + kLanes; at += kLanes) {
        low = std::min(low, row[at]);
        high = std::max(high, row[at]);
      }
    }
    lo[k] = low;
    hi[k] = high;
  }
  if (complete) {
    // Indices without margins: shift the segment index back by the reach.
    auto at = [&](int x) { return seg.Index(x) - start; };
    const int w = seg.width;
    lo[at(0)] = lo[at(1)];
    hi[at(0)] = hi[at(1)];
    lo[at(w - 1)] = lo[at(w - 2)];
    hi[at(w - 1)] = hi[at(w - 2)];
  }
}

}  // namespace quorlin::c

#include "kernels/plain_rows.h"

#include <cstddef>

namespace quorlin::c {

// Every padded vector, as the transposes of the vector levels fill them.
void PlainToSegments(const int16_t* plain, const Segments& seg, int16_t* out) {
  constexpr int kLanes = Segments::kLanes;
  const ptrdiff_t length = seg.length;
  const int end = PaddedVectors(seg) - seg.reach;
  for (int i = -seg.reach; i < end; ++i, out += kLanes) {
    for (int s = 0; s < kLanes; ++s) out[s] = plain[s * length + i];
  }
}

void SegmentsToPlain(const int16_t* in, const Segments& seg, int16_t* plain) {
  constexpr int kLanes = Segments::kLanes;
  const ptrdiff_t length = seg.length;
  for (ptrdiff_t i = 0; i < length; ++i, in += kLanes) {
    for (int s = 0; s < kLanes; ++s) plain[s * length + i] = in[s];
  }
}

}  // namespace quorlin::c

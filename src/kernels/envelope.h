// The 3x3 neighbourhood minimum and maximum of every sample (rows taken from
// the pixel's own field under interlace), which limit mode clamps to.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernels/segments.h"

namespace quorlin {

// Frames of at least 3 columns and 3 rows in each field have a window inside
// the frame for every pixel not on a border; border pixels copy their nearest
// such pixel. In smaller frames every pixel takes its own window, clipped.
constexpr bool EnvelopeIsComplete(int width, int field_rows) { return width >= 3 && field_rows >= 3; }

// The rows of the window of field row j: the row above, j itself or its
// nearest row with a complete window, and the row below.
struct EnvelopeRows {
  int above, centre, below;
};
constexpr EnvelopeRows EnvelopeRowsOf(int j, int field_rows, bool complete) {
  if (complete) {
    const int c = j < 1 ? 1 : (j > field_rows - 2 ? field_rows - 2 : j);
    return {c - 1, c, c + 1};
  }
  return {j > 0 ? j - 1 : 0, j, j < field_rows - 1 ? j + 1 : field_rows - 1};
}

// lo and hi (L vectors, no margins): minimum and maximum of above, centre
// and below over the columns x - 1 .. x + 1. The rows are in the segment
// layout with a reach of at least 1, whose margins clip the window at the
// row's edges; with `complete`, columns 0 and width - 1 then copy columns 1
// and width - 2.
using EnvelopeRowFn = void(const int16_t* above, const int16_t* centre, const int16_t* below, const Segments& seg,
                           bool complete, int16_t* lo, int16_t* hi);

// The ends of a complete window's row: in lo and hi (L vectors, no
// margins), columns 0 and width - 1 copy columns 1 and width - 2.
inline void CopyBorderColumns(const Segments& seg, int16_t* lo, int16_t* hi) {
  // Indices without margins: the segment index shifted back by the reach.
  auto at = [&](int x) { return seg.Index(x) - ptrdiff_t{seg.reach} * Segments::kLanes; };
  const int w = seg.width;
  lo[at(0)] = lo[at(1)];
  hi[at(0)] = hi[at(1)];
  lo[at(w - 1)] = lo[at(w - 2)];
  hi[at(w - 1)] = hi[at(w - 2)];
}

namespace c {
EnvelopeRowFn EnvelopeRow;
}  // namespace c
namespace sse2 {
EnvelopeRowFn EnvelopeRow;
}  // namespace sse2
namespace avx2 {
EnvelopeRowFn EnvelopeRow;
}  // namespace avx2

}  // namespace quorlin

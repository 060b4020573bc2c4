// Rows of samples as eight segments side by side: lane s of vector i holds
// column s * L + i, L = ceil(width / 8). Every horizontal neighbour of a
// sample is then in the same lane of the neighbouring vector, so the row
// kernels run lane-parallel with aligned loads and no shuffles. Each row
// keeps `reach` vectors of margin on both sides, filled with the columns
// around the segment (clamped into the row: edge replication).
#pragma once

#include <algorithm>
#include <cstddef>

namespace quorlin {

struct Segments {
  static constexpr int kLanes = 8;
  int width;   // columns of the row
  int length;  // L: vectors that hold the row
  int reach;   // margin vectors on each side

  static Segments For(int width, int reach) { return {width, (width - 1) / kLanes + 1, reach}; }
  // Vectors in a row with its margins.
  int Extended() const { return length + 2 * reach; }
  // Index, within a row's storage (margins included), of column x.
  ptrdiff_t Index(int x) const { return ptrdiff_t(x % length + reach) * kLanes + x / length; }
  // The column held at lane s of vector i (i may be in the margins).
  int Column(int i, int s) const { return std::clamp(s * length + i, 0, width - 1); }
};

}  // namespace quorlin

// Box blur of one channel, a row at a time: the (2r+1) x (2r+1) window sum
// with edge replication, kept as a running sum down the rows and finished
// along the row, then scaled by a fixed-point reciprocal of the window area.
// Rows are in the segment layout (kernels/segments.h) with reach r: sample
// rows of 16-bit values and column-sum rows of 32-bit values.
#pragma once

#include <cstdint>

#include "kernels/segments.h"

namespace quorlin {

// Fixed-point reciprocal of the window area: sum * F >> 16 is the mean,
// slightly low because F is rounded down.
constexpr int32_t BoxFactor(int radius) { return 65536 / ((2 * radius + 1) * (2 * radius + 1)); }

// Column sums of rows, margins included: sums += row.
using AddRowToSumsFn = void(int32_t* sums, const int16_t* row, const Segments& seg);
// Moves the vertical window down one row: sums += entering - leaving.
using SlideSumsFn = void(int32_t* sums, const int16_t* entering, const int16_t* leaving, const Segments& seg);
// out (L vectors, no margins) = the low 16 bits of (S * F) >> 16, S being
// the sum of the column sums x - r .. x + r, with reach r.
using BoxBlurRowFn = void(const int32_t* column_sums, const Segments& seg, int16_t* out);

namespace c {
AddRowToSumsFn AddRowToSums;
SlideSumsFn SlideSums;
BoxBlurRowFn BoxBlurRow;
}  // namespace c
namespace sse2 {
AddRowToSumsFn AddRowToSums;
SlideSumsFn SlideSums;
BoxBlurRowFn BoxBlurRow;
}  // namespace sse2
namespace avx2 {
AddRowToSumsFn AddRowToSums;
SlideSumsFn SlideSums;
BoxBlurRowFn BoxBlurRow;
}  // namespace avx2

}  // namespace quorlin

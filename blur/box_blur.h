// Box blur of one channel, a row at a time: the (2r+1) x (2r+1) window sum
// with edge replication, kept as a running sum down the rows and finished
// along the row, then scaled by a fixed-point reciprocal of the window area.
// Rows are planar 16-bit samples; every row kernel works on whole groups of
// eight, so rows are read and written up to their width rounded up to 8.
#pragma once

#include <cstdint>

// Fixed-point reciprocal of the window area: sum * F >> 16 is the mean,
// slightly low because F is rounded down.
constexpr int32_t BoxFactor(int radius) { return 65536 / ((2 * radius + 1) * (2 * radius + 1)); }

// Column sums of rows: sums[x] += row[x].
void AddRowToSums(int32_t* sums, const int16_t* row, int width);
// Moves the vertical window down one row: sums[x] += entering[x] - leaving[x].
void SlideSums(int32_t* sums, const int16_t* entering, const int16_t* leaving, int width);

// Entries of the scratch that BoxBlurRow needs for a row of `width` sums.
constexpr int BoxPrefixLength(int width, int radius) { return ((width + 7) & ~7) + 2 * radius + 12; }

// out[x] = the low 16 bits of (S[x] * F) >> 16, S[x] being the sum of
// column sums x - r .. x + r with the edge columns replicated. prefix is
// scratch of BoxPrefixLength entries, 16-byte aligned.
void BoxBlurRow(const int32_t* column_sums, int width, int radius, int32_t* prefix, int16_t* out);

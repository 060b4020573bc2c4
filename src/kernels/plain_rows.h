// One channel's row in plain column order and in the segment layout
// (kernels/segments.h), moved by 8 x 8 transposes: the eight segments are
// eight runs of the plain row, and a vector of the layout takes one sample
// of each.
#pragma once

#include <algorithm>
#include <cstdint>

#include "kernels/segments.h"

namespace quorlin {

// Vectors of a segment row the kernels may read or write: the row with its
// margins and two more, rounded up to whole groups of sixteen.
inline int PaddedVectors(const Segments& seg) { return (seg.Extended() + 17) / 16 * 16; }

// Samples of a plain row as PlainToSegments reads it: the margins on both
// sides and room for the transposes' whole groups of eight.
inline int64_t PlainSamples(const Segments& seg) { return 8 * int64_t{seg.length} + 2 * seg.reach + 32; }

// Fills a plain row's margins (index -reach on) with its edge columns.
inline void PadPlainRow(const Segments& seg, int16_t* plain) {
  std::fill(plain - seg.reach, plain, plain[0]);
  std::fill(plain + seg.width, plain + 8 * ptrdiff_t{seg.length} + seg.reach + 32, plain[seg.width - 1]);
}

// out (PaddedVectors(seg) vectors, 32-byte aligned), margins included:
// lane s of vector i is plain[s * L + i], for i from -reach. plain must hold
// samples from index -reach up to 8L + reach + 32, those outside the row's
// columns being the edge columns repeated.
using PlainToSegmentsFn = void(const int16_t* plain, const Segments& seg, int16_t* out);
// plain[s * L + i] = lane s of vector i of `in` (L vectors without margins,
// readable up to whole groups of eight), for every column of the row;
// plain must have room for 8L + 16 samples, of which those at or beyond the
// row's width are left undefined.
using SegmentsToPlainFn = void(const int16_t* in, const Segments& seg, int16_t* plain);

namespace c {
PlainToSegmentsFn PlainToSegments;
SegmentsToPlainFn SegmentsToPlain;
}  // namespace c
namespace sse2 {
PlainToSegmentsFn PlainToSegments;
SegmentsToPlainFn SegmentsToPlain;
}  // namespace sse2
namespace avx2 {
PlainToSegmentsFn PlainToSegments;
SegmentsToPlainFn SegmentsToPlain;
}  // namespace avx2

}  // namespace quorlin

// Rows of the editor's interleaved pixels and the planar channel rows of the
// segment layout (kernels/segments.h).
#pragma once

#include <algorithm>
#include <cstdint>

#include "kernels/segments.h"
#include "quorlin/quorlin.h"

namespace quorlin {

// Splits a frame row into channel rows (Y, then Cb and Cr when `channels` is
// 3), with their margins of seg.reach vectors filled by edge replication.
using LoadRowFn = void(const QuorlinPixel* src, const Segments& seg, int channels, int16_t* const* rows);
// Writes channel rows without margins back into a frame row; nothing beyond
// the row's width is touched.
using StoreRowFn = void(const int16_t* const* rows, const Segments& seg, int channels, QuorlinPixel* dst);

// Vectors i in [0, FullVectors) hold a column of the row in every lane.
inline int FullVectors(const Segments& seg) {
  return std::clamp(seg.width - (Segments::kLanes - 1) * seg.length, 0, seg.length);
}

namespace c {
LoadRowFn LoadRow;
StoreRowFn StoreRow;
}  // namespace c
namespace sse2 {
LoadRowFn LoadRow;
StoreRowFn StoreRow;
// The same for vectors `first` and on only (the margins included), for the
// wider kernels' ends of rows.
void LoadRowFrom(const QuorlinPixel* src, const Segments& seg, int channels, int16_t* const* rows, int first);
void StoreRowFrom(const int16_t* const* rows, const Segments& seg, int channels, QuorlinPixel* dst, int first);
}  // namespace sse2
namespace avx2 {
LoadRowFn LoadRow;
StoreRowFn StoreRow;
}  // namespace avx2

}  // namespace quorlin

// Rows of the editor's interleaved pixels and the planar channel rows of the
// segment layout (kernels/segments.h).
#pragma once

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

namespace sse2 {
LoadRowFn LoadRow;
StoreRowFn StoreRow;
}  // namespace sse2

}  // namespace quorlin

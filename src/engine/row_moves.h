// Moves rows of pixels between the frame and the planar channel rows of the
// segment layout (kernels/segments.h) that the row kernels work on.
#pragma once

#include <cstdint>

#include "kernels/segments.h"
#include "quorlin/quorlin.h"

namespace quorlin {

// Splits a frame row into channel rows (Y, then Cb and Cr when `channels` is
// 3), with their margins of seg.reach vectors filled by edge replication.
void LoadRow(const QuorlinPixel* src, const Segments& seg, int channels, int16_t* const* rows);
// Writes channel rows without margins back into a frame row.
void StoreRow(const int16_t* const* rows, const Segments& seg, int channels, QuorlinPixel* dst);

}  // namespace quorlin

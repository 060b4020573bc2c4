// Whole pictures and editor frames, converted row by row through the row
// movers the band engine sharpens with: one loads a row into the segment
// layout, the other stores it, with nothing in between. 4:2:0 chroma is
// spread and averaged in the YUV planes' mover alone, and RGB pictures take
// the same row kernels as the RGB sharpen.
#pragma once

#include <cstddef>
#include <cstdint>

#include "quorlin/quorlin.h"

namespace quorlin {

struct Kernels;
class Workspace;

// The frame has the planes' size. Without chroma, the frame's Cb and Cr are
// 0 and the chroma planes are not read. QUORLIN_OUT_OF_MEMORY, with nothing
// written, when the rows cannot be had from `workspace`.
QuorlinStatus YuvToFrame(const QuorlinPlanes& planes, bool chroma, const QuorlinFrame& frame, const Kernels& k,
                         Workspace& workspace);
// Writes the frame into the planes, which hold it as it was read; without
// chroma, the chroma planes are left alone.
QuorlinStatus FrameToYuv(const QuorlinFrame& frame, bool chroma, const QuorlinPlanes& planes, const Kernels& k,
                         Workspace& workspace);

// Rows of `channels` (3 or 4) bytes a pixel, `stride` bytes apart; a fourth
// byte is left alone.
QuorlinStatus RgbToFrame(const uint8_t* rgb, ptrdiff_t stride, int channels, const QuorlinFrame& frame,
                         const Kernels& k, Workspace& workspace);
QuorlinStatus FrameToRgb(const QuorlinFrame& frame, uint8_t* rgb, ptrdiff_t stride, int channels, const Kernels& k,
                         Workspace& workspace);

}  // namespace quorlin

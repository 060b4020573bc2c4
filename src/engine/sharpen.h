// The band engine, the one way into the filter's work: every frame, whatever
// its controls, is blurred, bounded (limit mode) and combined row by row in
// bands, one band per thread.
#pragma once

#include "kernels/kernels.h"
#include "quorlin/quorlin.h"

namespace quorlin {

// The controls clamped and scaled into the units the kernels work in, built
// once when the settings are given.
struct SharpenParams {
  int radius;     // 1..10
  bool interlace;
  int channels;   // 1: Y alone (luma only); 3: Y, Cb and Cr
  Bound bound;    // limit mode: Saturated for Y alone, Wrapped for all three
  ChannelParams luma, chroma;
  const Kernels* kernels;  // of the instruction set level chosen
};

// Rows of a field a window reaches beyond its own row, the blur's and the
// envelope's (whose border rows look two rows in): the rows a band keeps
// from each neighbour, and how far past the row it stores a band has read.
inline int HaloRows(int radius) { return radius > 2 ? radius : 2; }

class Workspace;

// Sharpens a frame in place with `threads` (at least 1) workers, in working
// memory from `workspace`; the frame's sizes are the caller's to check.
// Returns QUORLIN_OUT_OF_MEMORY, with the frame untouched, when the working
// memory cannot be had.
QuorlinStatus Sharpen(const QuorlinFrame& frame, const SharpenParams& params, int threads, Workspace& workspace);
// The same on YUV planes, converted on the way in and out of each row.
QuorlinStatus SharpenPlanes(const QuorlinPlanes& planes, const SharpenParams& params, int threads,
                            Workspace& workspace);
struct RgbPicture;
// The same on an RGB picture of 8 or 16 bits a sample.
QuorlinStatus SharpenRgb(const RgbPicture& picture, const SharpenParams& params, int threads, Workspace& workspace);

}  // namespace quorlin

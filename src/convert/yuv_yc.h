// Limited-range YUV planes to the editor's YC pixels and back. Y 16..235
// becomes 0..4096 and Cb, Cr 16..240 become -2048..2048 at 8 bits, the same
// nominal range scaled by 2^(depth-8) at higher depths, rounded to nearest.
// Going back, a sample whose editor value the filter left unchanged gets its
// original code again, so an untouched frame comes back bit for bit even
// where the editor's precision is coarser than the planes' (16 bits).
#pragma once

#include <cstdint>
#include <vector>

#include "quorlin/quorlin.h"

namespace quorlin {

// The editor's value of every code of one bit depth.
struct YcScale {
  int depth = 8;
  std::vector<int16_t> luma, chroma;
};

YcScale MakeYcScale(int depth);

// The code for editor value v of a sample whose code was `original`.
uint16_t LumaCode(const YcScale& scale, int v, uint16_t original);
uint16_t ChromaCode(const YcScale& scale, int v, uint16_t original);

// Fills the frame from the planes (see quorlin_yuv_to_yc); without chroma,
// Cb and Cr are 0.
void YuvToFrame(const QuorlinPlanes& planes, bool chroma, const QuorlinFrame& frame);
// Writes the frame back into the planes, which hold it as it was read.
void FrameToYuv(const QuorlinFrame& frame, bool chroma, const QuorlinPlanes& planes);

}  // namespace quorlin

// Limited-range YUV samples of a Y4M frame to the host's YC pixels and back.
// Y 16..235 becomes 0..4096 and Cb, Cr 16..240 become -2048..2048 at 8 bits,
// the same nominal range scaled by 2^(depth-8) at higher depths, rounded to
// nearest. Going back, a sample whose host value the filter left unchanged
// gets its original code again, so an untouched frame comes back bit for bit
// even where the host's precision is coarser than the stream's (16 bits).
#pragma once

#include <cstdint>
#include <vector>

#include "host/filter_table.h"
#include "tools/quorlin/y4m.h"

// The host value of every code of one bit depth.
struct YcScale {
  int depth = 8;
  std::vector<int16_t> luma, chroma;
};

YcScale MakeYcScale(int depth);

// The code for host value v of a sample whose code was original.
uint16_t LumaCode(const YcScale& scale, int v, uint16_t original);
uint16_t ChromaCode(const YcScale& scale, int v, uint16_t original);

// Fills the frame's width x height pixels from its planes. Without chroma, Cb
// and Cr are left zero (filters that touch luma alone never read them). 4:2:0
// chroma covers each 2x2 block of pixels with its sample.
void FrameToYc(const Y4mFormat& format, const YcScale& scale, const uint8_t* planes, bool chroma,
               PIXEL_YC* pixels);
// Writes the pixels back into the planes, which hold the frame as it was read.
// Without chroma the chroma planes stay as they are. 4:2:0 chroma becomes the
// mean of each 2x2 block, rounded to nearest.
void YcToFrame(const Y4mFormat& format, const YcScale& scale, const PIXEL_YC* pixels, bool chroma,
               uint8_t* planes);

// The raw video formats the element takes, and a mapped frame of one of them
// as the library's planes: the formats whose samples the planes path reads
// as they lie (planar YUV and grey, 8 to 16 bits a sample in the machine's
// byte order), so that a frame needs no copy and gives the samples `quorlin`
// gives for the same stream.
#pragma once

#include <gst/video/video.h>

#include "quorlin/quorlin.h"

namespace quorlin::gst {

// The caps of both pads: the formats above, progressive or with both fields
// in every frame.
GstCaps* AcceptedCaps();

// Grey formats have luma alone.
bool IsGrey(const GstVideoInfo& info);

// Full range when the caps' colorimetry says 0..255 (scaled to the depth);
// anything else is read as limited range.
bool IsFullRange(const GstVideoInfo& info);

// The frame's planes, where they lie in its mapped memory.
QuorlinPlanes PlanesOf(const GstVideoFrame& frame, bool full_range);

}  // namespace quorlin::gst

// A scalar model of the filter, written from the per-sample definitions with
// no running sums, no vectors and no threads. The tests hold the real filter
// to it bit for bit.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "quorlin/quorlin.h"

namespace model {

// A frame buffer: max_w x max_h pixels, of which w x h are the picture.
struct Frame {
  int w = 0, h = 0, max_w = 0, max_h = 0;
  std::vector<QuorlinPixel> px;

  Frame() = default;
  Frame(int width, int height, int pitch, int rows)
      : w(width), h(height), max_w(pitch), max_h(rows), px(size_t(pitch) * rows) {}
  QuorlinPixel& at(int x, int y) { return px[size_t(y) * max_w + x]; }
  const QuorlinPixel& at(int x, int y) const { return px[size_t(y) * max_w + x]; }
};

// The ten controls by the library's ids (QUORLIN_RADIUS ...), any int as a
// host may hand it over; they start at the control table's defaults.
struct Controls {
  int value[QUORLIN_CONTROL_COUNT];

  Controls() {
    for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) value[id] = quorlin_control(id)->default_value;
  }
  int& operator[](int id) { return value[id]; }
  int operator[](int id) const { return value[id]; }
};

// Box-blurred luma of the picture, w x h row-major: each sample is the mean of
// the (2r+1)^2 window, coordinates clamped into the row and into the column
// (or into the pixel's own field when interlaced), scaled by F >> 16.
std::vector<int16_t> BlurY(const Frame& f, int radius, bool interlace);
// The same for all three channels, each on its own.
std::vector<QuorlinPixel> BlurYC(const Frame& f, int radius, bool interlace);

// Per-channel 3x3 minimum and maximum (rows two apart under interlace),
// w x h row-major. Border pixels take the nearest pixel whose window lies in
// the frame; frames too small to have one take their own clipped windows.
struct Envelope {
  std::vector<QuorlinPixel> lo, hi;
};
Envelope EnvelopeOf(const Frame& f, bool interlace);

// One sample through the unsharp mask, wrapped to 16 bits.
int16_t SharpenSample(int16_t in, int16_t blur, int strength, int threshold);
// The same, saturated to 16 bits instead (luma limited sharpen).
int16_t SharpenSampleSaturated(int16_t in, int16_t blur, int strength, int threshold);
// A sharpened sample held within [lo - limit, hi + limit], bounds wrapped to
// 16 bits, the upper bound winning when they cross.
int16_t Limit(int16_t sharpened, int16_t lo, int16_t hi, int limit);

// What the editor's frame procedure does to the frame; returns its result.
int Filter(Frame& f, const Controls& c);

// Random pictures: samples in the natural YC range (Y 0..4096, chroma
// -2048..2048) or anywhere in 16 bits. Pixels outside w x h get their own
// pattern so that any write there shows.
enum class Range { Natural, Full };
Frame RandomFrame(std::mt19937& rng, int w, int h, int max_w, int max_h, Range range);

}  // namespace model

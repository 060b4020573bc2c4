// A scalar model of the filter, written from the per-sample definitions with
// no running sums, no vectors and no threads. The tests hold the real filter
// to it bit for bit.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "hosts/aviutl/filter_table.h"

namespace model {

// A host frame buffer: max_w x max_h pixels, of which w x h are the picture.
struct Frame {
  int w = 0, h = 0, max_w = 0, max_h = 0;
  std::vector<PIXEL_YC> px;

  Frame() = default;
  Frame(int width, int height, int pitch, int rows)
      : w(width), h(height), max_w(pitch), max_h(rows), px(size_t(pitch) * rows) {}
  PIXEL_YC& at(int x, int y) { return px[size_t(y) * max_w + x]; }
  const PIXEL_YC& at(int x, int y) const { return px[size_t(y) * max_w + x]; }
};

// All 7 track values and 3 check values as the host holds them.
struct Controls {
  int track[kTrackCount] = {2, 64, 0, 0, 32, 0, 0};
  int check[kCheckCount] = {0, 1, 0};
};

// Box-blurred luma of the picture, w x h row-major: each sample is the mean of
// the (2r+1)^2 window, coordinates clamped into the row and into the column
// (or into the pixel's own field when interlaced), scaled by F >> 16.
std::vector<int16_t> BlurY(const Frame& f, int radius, bool interlace);
// The same for all three channels, each on its own.
std::vector<PIXEL_YC> BlurYC(const Frame& f, int radius, bool interlace);

// Per-channel 3x3 minimum and maximum (rows two apart under interlace),
// w x h row-major. Border pixels take the nearest pixel whose window lies in
// the frame; frames too small to have one take their own clipped windows.
struct Envelope {
  std::vector<PIXEL_YC> lo, hi;
};
Envelope EnvelopeOf(const Frame& f, bool interlace);

// One sample through the unsharp mask, wrapped to 16 bits.
int16_t SharpenSample(int16_t in, int16_t blur, int strength, int threshold);
// The same, saturated to 16 bits instead (luma limited sharpen).
int16_t SharpenSampleSaturated(int16_t in, int16_t blur, int strength, int threshold);
// A sharpened sample held within [lo - limit, hi + limit], bounds wrapped to
// 16 bits, the upper bound winning when they cross.
int16_t Limit(int16_t sharpened, int16_t lo, int16_t hi, int limit);

// What the frame procedure does to the frame; returns its result.
int Filter(Frame& f, const Controls& c);

// Random pictures: samples in the natural YC range (Y 0..4096, chroma
// -2048..2048) or anywhere in 16 bits. Pixels outside w x h get their own
// pattern so that any write there shows.
enum class Range { Natural, Full };
Frame RandomFrame(std::mt19937& rng, int w, int h, int max_w, int max_h, Range range);

}  // namespace model

// The 3x3 neighbourhood minimum and maximum of every sample, within the
// pixel's own field under interlace, which the limited combines clamp to.
// Pixels on the border rows and columns copy the nearest computed pixel.
#pragma once

#include <algorithm>

#include "planes/planes.h"

void EnvelopeY(const CPixels& frame, CSPixel_s16& minPlane, CSPixel_s16& maxPlane, bool interlace);
void EnvelopeYInterlaced(const CPixels& frame, CSPixel_s16& minPlane, CSPixel_s16& maxPlane);
// Row y of both planes from the rows d above and below (which must exist).
void EnvelopeYRow(const CPixels& frame, CSPixel_s16& minPlane, CSPixel_s16& maxPlane, int y, int d);

void EnvelopeYC(const CPixels& frame, CPixels& minPlane, CPixels& maxPlane, bool interlaced);
void EnvelopeYCInterlaced(const CPixels& frame, CPixels& minPlane, CPixels& maxPlane);
// Row y of both planes from the rows v above and below (which must exist).
// minPad and maxPad are the neutral lanes of the vector minimum and maximum.
void EnvelopeYCRow(const CPixels& frame, CPixels& minPlane, CPixels& maxPlane, int y, int v, const int16_t* minPad,
                   const int16_t* maxPad);

// Frames too small for the copied borders (fewer than 3 columns, or 3 rows,
// or 6 rows under interlace) have pixels with no computed neighbour to copy.
constexpr bool EnvelopeFitsFrame(int w, int h, bool interlace) { return w >= 3 && h >= (interlace ? 6 : 3); }

// For such frames every pixel takes its own window, clipped to the frame
// (rows d apart stay within the pixel's field). put(x, y, lo, hi) stores it.
template <typename Put>
void ClippedEnvelope(const CPixels& frame, int d, Put put) {
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      PIXEL_YC lo = frame.Row(y)[x], hi = lo;
      for (int row = y - d; row <= y + d; row += d) {
        if (row < 0 || row >= frame.height) continue;
        for (int col = x - 1; col <= x + 1; ++col) {
          if (col < 0 || col >= frame.width) continue;
          const PIXEL_YC& p = frame.Row(row)[col];
          lo = {std::min(lo.y, p.y), std::min(lo.cb, p.cb), std::min(lo.cr, p.cr)};
          hi = {std::max(hi.y, p.y), std::max(hi.cb, p.cb), std::max(hi.cr, p.cr)};
        }
      }
      put(x, y, lo, hi);
    }
  }
}

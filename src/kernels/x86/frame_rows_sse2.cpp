#include "kernels/frame_rows.h"

#include <algorithm>
#include <cstddef>

#include "kernels/x86/pixel_columns.h"

namespace quorlin::sse2 {

namespace {

// The samples of channel c (0: y, 1: cb, 2: cr) of a row of pixels, three
// 16-bit values apart.
const int16_t* Samples(const QuorlinPixel* row, int c) { return reinterpret_cast<const int16_t*>(row) + c; }
int16_t* Samples(QuorlinPixel* row, int c) { return reinterpret_cast<int16_t*>(row) + c; }
static_assert(sizeof(QuorlinPixel) == 3 * sizeof(int16_t), "pixels are three packed samples");

// Vectors i in [0, WholePixelVectors) may move whole pixels: in every lane
// the pixel after column s * L + i is in the row and in the same segment.
// Only all three channels move so; for luma alone the transpose costs more
// than the single samples it replaces.
int WholePixelVectors(const Segments& seg, int channels) {
  return channels == 3 ? std::max(FullVectors(seg) - 1, 0) : 0;
}

}  // namespace

void LoadRow(const QuorlinPixel* src, const Segments& seg, int channels, int16_t* const* rows) {
  LoadRowFrom(src, seg, channels, rows, 0);
}

void StoreRow(const int16_t* const* rows, const Segments& seg, int channels, QuorlinPixel* dst) {
  StoreRowFrom(rows, seg, channels, dst, 0);
}

void LoadRowFrom(const QuorlinPixel* src, const Segments& seg, int channels, int16_t* const* rows, int first) {
  const int full = FullVectors(seg);
  const int whole = WholePixelVectors(seg, channels);
  const ptrdiff_t step = 3 * ptrdiff_t{seg.length};  // samples between lanes
  const ptrdiff_t margin = ptrdiff_t{seg.reach} * Segments::kLanes;
  if (whole > first) {
    int16_t* const y = rows[0] + margin;
    int16_t* const cb = rows[1] + margin;
    int16_t* const cr = rows[2] + margin;
    const int16_t* column = Samples(src, 0) + 3 * ptrdiff_t{first};
    for (ptrdiff_t at = ptrdiff_t{first} * Segments::kLanes; at < ptrdiff_t{whole} * Segments::kLanes;
         at += Segments::kLanes, column += 3) {
      GatherPixels(column, step, y + at, cb + at, cr + at);
    }
  }
  for (int c = 0; c < channels; ++c) {
    const int16_t* in = Samples(src, c);
    int16_t* out = rows[c] + margin;
    for (int i = std::max(first, whole); i < full; ++i) {
      for (int lane = 0; lane < Segments::kLanes; ++lane) out[i * Segments::kLanes + lane] = in[3 * i + lane * step];
    }
    // The margins and the row's end: columns clamped into the row.
    auto clamped = [&](int i) {
      for (int lane = 0; lane < Segments::kLanes; ++lane) out[i * Segments::kLanes + lane] = in[3 * seg.Column(i, lane)];
    };
    for (int i = -seg.reach; i < 0; ++i) clamped(i);
    for (int i = full; i < seg.length + seg.reach; ++i) clamped(i);
  }
}

void StoreRowFrom(const int16_t* const* rows, const Segments& seg, int channels, QuorlinPixel* dst, int first) {
  const int full = FullVectors(seg);
  const int whole = WholePixelVectors(seg, channels);
  const ptrdiff_t step = 3 * ptrdiff_t{seg.length};
  // In order of i, so that each pixel's write replaces the stale luma the
  // previous one left on it.
  if (whole > first) {
    const int16_t* const y = rows[0];
    const int16_t* const cb = rows[1];
    const int16_t* const cr = rows[2];
    int16_t* column = Samples(dst, 0) + 3 * ptrdiff_t{first};
    for (ptrdiff_t at = ptrdiff_t{first} * Segments::kLanes; at < ptrdiff_t{whole} * Segments::kLanes;
         at += Segments::kLanes, column += 3) {
      ScatterPixels(y + at, cb + at, cr + at, column, step);
    }
  }
  for (int c = 0; c < channels; ++c) {
    int16_t* out = Samples(dst, c);
    const int16_t* in = rows[c];
    // Four lanes at a time: eight places to write at once would not stay in
    // registers in the 32-bit plug-in.
    for (int lanes = 0; lanes < Segments::kLanes; lanes += 4) {
      for (int i = std::max(first, whole); i < full; ++i) {
        for (int lane = lanes; lane < lanes + 4; ++lane) out[3 * i + lane * step] = in[i * Segments::kLanes + lane];
      }
    }
    for (int i = full; i < seg.length; ++i) {
      for (int lane = 0; lane * seg.length + i < seg.width; ++lane) {
        out[3 * (lane * seg.length + i)] = in[i * Segments::kLanes + lane];
      }
    }
  }
}

}  // namespace quorlin::sse2

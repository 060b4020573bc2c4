#include "kernels/frame_rows.h"

#include <cstddef>

namespace quorlin::c {

namespace {

// Sample c (0: y, 1: cb, 2: cr) of pixel x.
int16_t SampleOf(const QuorlinPixel& p, int c) { return c == 0 ? p.y : c == 1 ? p.cb : p.cr; }
int16_t& SampleOf(QuorlinPixel& p, int c) { return c == 0 ? p.y : c == 1 ? p.cb : p.cr; }

}  // namespace

void LoadRow(const QuorlinPixel* src, const Segments& seg, int channels, int16_t* const* rows) {
  constexpr int kLanes = Segments::kLanes;
  const int full = FullVectors(seg);
  const ptrdiff_t margin = ptrdiff_t{seg.reach} * kLanes;
  for (int c = 0; c < channels; ++c) {
    int16_t* out = rows[c] + margin;
    for (int i = 0; i < full; ++i) {
      for (int lane = 0; lane < kLanes; ++lane) out[i * kLanes + lane] = SampleOf(src[lane * seg.length + i], c);
    }
    // The margins and the row's end: columns clamped into the row.
    auto clamped = [&](int i) {
      for (int lane = 0; lane < kLanes; ++lane) out[i * kLanes + lane] = SampleOf(src[seg.Column(i, lane)], c);
    };
    for (int i = -seg.reach; i < 0; ++i) clamped(i);
    for (int i = full; i < seg.length + seg.reach; ++i) clamped(i);
  }
}

void StoreRow(const int16_t* const* rows, const Segments& seg, int channels, QuorlinPixel* dst) {
  constexpr int kLanes = Segments::kLanes;
  const int full = FullVectors(seg);
  for (int c = 0; c < channels; ++c) {
    const int16_t* in = rows[c];
    for (int lane = 0; lane < kLanes; ++lane) {
      QuorlinPixel* segment = dst + lane * seg.length;
      for (int i = 0; i < full; ++i) SampleOf(segment[i], c) = in[i * kLanes + lane];
    }
    for (int i = full; i < seg.length; ++i) {
      for (int lane = 0; lane * seg.length + i < seg.width; ++lane) {
        SampleOf(dst[lane * seg.length + i], c) = in[i * kLanes + lane];
      }
    }
  }
}

}  // namespace quorlin::c

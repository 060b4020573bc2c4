#include "kernels/frame_rows.h"

#include <cstddef>

namespace quorlin::c {

namespace {

constexpr int kLanes = Segments::kLanes;

// Each pixel is read (or written) once, all its channels together.
template <int kChannels>
void LoadColumns(const QuorlinPixel* src, const Segments& seg, int16_t* const* rows) {
  const ptrdiff_t margin = ptrdiff_t{seg.reach} * kLanes;
  int16_t* const y = rows[0] + margin;
  int16_t* const cb = kChannels == 3 ? rows[1] + margin : nullptr;
  int16_t* const cr = kChannels == 3 ? rows[2] + margin : nullptr;
  auto put = [&](int i, int lane, const QuorlinPixel& p) {
    const ptrdiff_t at = ptrdiff_t{i} * kLanes + lane;
    y[at] = p.y;
    if constexpr (kChannels == 3) cb[at] = p.cb, cr[at] = p.cr;
  };
  const int full = FullVectors(seg);
  for (int i = 0; i < full; ++i) {
    for (int lane = 0; lane < kLanes; ++lane) put(i, lane, src[lane * seg.length + i]);
  }
  // The margins and the row's end: columns clamped into the row.
  auto clamped = [&](int i) {
    for (int lane = 0; lane < kLanes; ++lane) put(i, lane, src[seg.Column(i, lane)]);
  };
  for (int i = -seg.reach; i < 0; ++i) clamped(i);
  for (int i = full; i < seg.length + seg.reach; ++i) clamped(i);
}

template <int kChannels>
void StoreColumns(const int16_t* const* rows, const Segments& seg, QuorlinPixel* dst) {
  const int16_t* const y = rows[0];
  const int16_t* const cb = kChannels == 3 ? rows[1] : nullptr;
  const int16_t* const cr = kChannels == 3 ? rows[2] : nullptr;
  auto take = [&](int i, int lane, QuorlinPixel& p) {
    const ptrdiff_t at = ptrdiff_t{i} * kLanes + lane;
    p.y = y[at];
    if constexpr (kChannels == 3) p.cb = cb[at], p.cr = cr[at];
  };
  const int full = FullVectors(seg);
  for (int i = 0; i < full; ++i) {
    for (int lane = 0; lane < kLanes; ++lane) take(i, lane, dst[lane * seg.length + i]);
  }
  for (int i = full; i < seg.length; ++i) {
    for (int lane = 0; lane * seg.length + i < seg.width; ++lane) take(i, lane, dst[lane * seg.length + i]);
  }
}

}  // namespace

void LoadRow(const QuorlinPixel* src, const Segments& seg, int channels, int16_t* const* rows) {
  channels == 3 ? LoadColumns<3>(src, seg, rows) : LoadColumns<1>(src, seg, rows);
}

void StoreRow(const int16_t* const* rows, const Segments& seg, int channels, QuorlinPixel* dst) {
  channels == 3 ? StoreColumns<3>(rows, seg, dst) : StoreColumns<1>(rows, seg, dst);
}

}  // namespace quorlin::c

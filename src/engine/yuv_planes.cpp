#include "engine/yuv_planes.h"

#include <algorithm>
#include <cstddef>

#include "engine/scratch.h"

namespace quorlin {

PlaneRows::PlaneRows(const QuorlinPlanes& planes)
    : planes_(planes),
      luma_(MakeCodeRowParams(LumaScale(planes.depth, planes.full_range))),
      chroma_(MakeCodeRowParams(ChromaScale(planes.depth, planes.full_range))) {}

int64_t PlaneRows::ThreadBytes(const Segments& seg, const SharpenParams& p) const {
  const int64_t stash = Pairs(p) && !p.interlace ? 2 * int64_t{Width()} : 0;
  return AlignUp(PlainSamples(seg) * 2) + AlignUp(int64_t{Width()} * 2) + AlignUp(stash * 2);
}

int64_t PlaneRows::SharedBytes(const SharpenParams& p) const {
  return Pairs(p) && p.interlace ? AlignUp(int64_t{(Height() + 1) / 2} * 2 * Width() * 2) : 0;
}

PlaneRows::Mover::Mover(const PlaneRows& rows, char* thread, char* shared, const Segments& seg,
                        const SharpenParams& p, const Kernels& k)
    : rows_(rows), k_(k), shared_stash_(p.interlace) {
  plain_ = reinterpret_cast<int16_t*>(thread) + seg.reach;
  char* after_plain = thread + AlignUp(PlainSamples(seg) * 2);
  aux_ = reinterpret_cast<int16_t*>(after_plain);
  stash_ = reinterpret_cast<int16_t*>(shared_stash_ ? shared : after_plain + AlignUp(int64_t{rows.Width()} * 2));
}

uint8_t* PlaneRows::Mover::PlaneRow(int c, int row) const {
  return static_cast<uint8_t*>(rows_.planes_.data[c]) + row * rows_.planes_.stride[c];
}

int16_t* PlaneRows::Mover::Stash(int chroma_row, int c) const {
  const int width = rows_.Width();
  return stash_ + (ptrdiff_t{shared_stash_ ? chroma_row : 0} * 2 + (c - 1)) * width;
}

void PlaneRows::Mover::Load(int row, const Segments& seg, int channels, int16_t* const* rows) {
  k_.codes_to_values(PlaneRow(0, row), seg.width, rows_.luma_, plain_);
  PadPlainRow(seg, plain_);
  k_.plain_to_segments(plain_, seg, rows[0]);
  if (channels == 1) return;
  const int shift_x = rows_.planes_.chroma_shift_x, shift_y = rows_.planes_.chroma_shift_y;
  const bool same_block = shift_y && row % 2 == 1 && last_row_ == row - 1;
  last_row_ = row;
  for (int c = 1; c <= 2; ++c) {
    if (same_block) {
      std::copy_n(last_chroma_[c - 1], ptrdiff_t{PaddedVectors(seg)} * Segments::kLanes, rows[c]);
      continue;
    }
    last_chroma_[c - 1] = rows[c];
    if (shift_x) {
      k_.codes_to_values(PlaneRow(c, row >> shift_y), rows_.ChromaWidth(), rows_.chroma_, aux_);
      k_.spread_pairs(aux_, seg.width, plain_);
    } else {
      k_.codes_to_values(PlaneRow(c, row), seg.width, rows_.chroma_, plain_);
    }
    PadPlainRow(seg, plain_);
    k_.plain_to_segments(plain_, seg, rows[c]);
  }
}

void PlaneRows::Mover::Store(int row, const Segments& seg, int channels, const int16_t* const* rows) const {
  k_.segments_to_plain(rows[0], seg, plain_);
  k_.values_to_codes(plain_, PlaneRow(0, row), seg.width, rows_.luma_, PlaneRow(0, row));
  if (channels == 1) return;
  const int shift_x = rows_.planes_.chroma_shift_x, shift_y = rows_.planes_.chroma_shift_y;
  for (int c = 1; c <= 2; ++c) {
    k_.segments_to_plain(rows[c], seg, plain_);
    if (!shift_x) {
      k_.values_to_codes(plain_, PlaneRow(c, row), seg.width, rows_.chroma_, PlaneRow(c, row));
      continue;
    }
    const int chroma_row = row >> shift_y;
    if (shift_y && row % 2 == 0 && row + 1 < rows_.Height()) {
      std::copy(plain_, plain_ + seg.width, Stash(chroma_row, c));
      continue;
    }
    const bool second = shift_y && row % 2 == 1;
    k_.block_means(second ? Stash(chroma_row, c) : plain_, second ? plain_ : nullptr, seg.width, aux_);
    k_.values_to_codes(aux_, PlaneRow(c, chroma_row), rows_.ChromaWidth(), rows_.chroma_, PlaneRow(c, chroma_row));
  }
}

void PlaneRows::Mover::Prefetch(int row) const {
  const int sample = rows_.planes_.depth > 8 ? 2 : 1;
  auto fetch = [](const uint8_t* bytes, ptrdiff_t size) {
    for (ptrdiff_t at = 0; at < size; at += 64) __builtin_prefetch(bytes + at, 0, 3);
  };
  fetch(PlaneRow(0, row), ptrdiff_t{rows_.Width()} * sample);
}

}  // namespace quorlin

// The engine walks each field of the frame in bands of rows, one band per
// thread, and per row of the band: blur (the running column sums, finished
// along the row), envelope (limit mode), then combine, while the rows are in
// cache.
//
// The frame is rewritten in place, so every sample is read before it is
// written: a band reads its own rows, one at a time, into a ring of the
// 2r + 2 rows its window spans before it writes them, and takes the rows its
// windows need from the neighbouring bands (up to r, and at least 2 for the
// envelope, on each side) before any band starts writing: all threads meet
// at a barrier in between.
#include "engine/sharpen.h"

#include <omp.h>

#include <algorithm>

#include "engine/editor_frames.h"
#include "engine/yuv_planes.h"
#include "engine/rgb_pictures.h"
#include "engine/scratch.h"

namespace quorlin {

namespace {

// One thread's rows, all in the segment layout: sample rows (one per
// channel, per slot) with margins for the blur's reach, for the ring of its
// own rows and the neighbours' rows above and below; work rows without
// margins (blur, the two envelopes, one output row per channel); and one row
// of column sums per channel. Then whatever the row source needs of its own.
struct Scratch {
  int channels, ring_slots, halo_slots;
  Segments seg;
  ptrdiff_t pitch;  // elements per row, 16- or 32-bit alike
  int16_t* rows16;
  int32_t* rows32;
  char* source;

  static int Rows16(int channels, int radius) {
    return channels * ((2 * radius + 2) + 2 * HaloRows(radius)) + 3 + channels;
  }
  static int Rows32(int channels) { return channels; }
  static int64_t Bytes16(int channels, int radius, int64_t pitch) { return AlignUp(Rows16(channels, radius) * pitch * 2); }
  static int64_t Bytes32(int channels, int64_t pitch) { return AlignUp(Rows32(channels) * pitch * 4); }
  // Bytes of one thread's part, whole cache lines.
  static int64_t Bytes(int channels, int radius, int64_t pitch, int64_t source_bytes) {
    return Bytes16(channels, radius, pitch) + Bytes32(channels, pitch) + AlignUp(source_bytes);
  }
  // Thread t's rows in a block of such parts.
  static Scratch Carve(char* block, int t, int channels, int radius, const Segments& seg, int64_t pitch,
                       int64_t source_bytes) {
    char* part = block + t * Bytes(channels, radius, pitch, source_bytes);
    char* part32 = part + Bytes16(channels, radius, pitch);
    return {channels, 2 * radius + 2, HaloRows(radius), seg, ptrdiff_t(pitch), reinterpret_cast<int16_t*>(part),
            reinterpret_cast<int32_t*>(part32), part32 + Bytes32(channels, pitch)};
  }

  int16_t* Row16(int index) const { return rows16 + index * pitch; }
  int16_t* Ring(int slot, int c) const { return Row16(slot * channels + c); }
  int16_t* Head(int slot, int c) const { return Row16((ring_slots + slot) * channels + c); }
  int16_t* Tail(int slot, int c) const { return Row16((ring_slots + halo_slots + slot) * channels + c); }
  int16_t* Work(int i) const { return Row16((ring_slots + 2 * halo_slots) * channels + i); }
  int32_t* Sums(int c) const { return rows32 + c * pitch; }
};

// One field: every row of the picture, or every other row from `first`.
struct Field {
  int first, step, rows;
  int PictureRow(int j) const { return first + j * step; }
};

// A band [begin, end) of one field's rows and the original samples of every
// row its windows reach.
template <typename Mover>
class Band {
 public:
  Band(const Field& field, int begin, int end, int radius, const Scratch& s, Mover& mover)
      : field_(field), begin_(begin), end_(end), halo_(HaloRows(radius)), s_(s), mover_(mover), next_own_(begin) {}

  // Rows of the neighbours, taken before anyone writes.
  void CaptureNeighbours() {
    for (int k = std::max(begin_ - halo_, 0); k < begin_; ++k) Load(k, [&](int c) { return s_.Head(k - (begin_ - halo_), c); });
    for (int k = end_; k < std::min(end_ + halo_, field_.rows); ++k) Load(k, [&](int c) { return s_.Tail(k - end_, c); });
  }

  // Channel c of field row k (clamped into the field), as it was.
  const int16_t* Original(int k, int c) {
    k = std::clamp(k, 0, field_.rows - 1);
    if (k < begin_) return s_.Head(k - (begin_ - halo_), c);
    if (k >= end_) return s_.Tail(k - end_, c);
    // Own rows enter the ring in order, each read once, before it is written.
    for (; next_own_ <= k; ++next_own_) {
      // Three rows ahead is several microseconds, well past memory latency.
      if (next_own_ + 3 < end_) mover_.Prefetch(field_.PictureRow(next_own_ + 3));
      const int slot = next_own_ % s_.ring_slots;
      Load(next_own_, [&](int ch) { return s_.Ring(slot, ch); });
    }
    return s_.Ring(k % s_.ring_slots, c);
  }

  void Store(int j, const int16_t* const* rows) { mover_.Store(field_.PictureRow(j), s_.seg, s_.channels, rows); }

 private:
  template <typename Rows>
  void Load(int k, Rows rows) {
    int16_t* channel_rows[3] = {};
    for (int c = 0; c < s_.channels; ++c) channel_rows[c] = rows(c);
    mover_.Load(field_.PictureRow(k), s_.seg, s_.channels, channel_rows);
  }

  Field field_;
  int begin_, end_, halo_;
  const Scratch& s_;
  Mover& mover_;  // may remember what it loaded last
  int next_own_;
};

template <typename Mover>
void SharpenBand(Band<Mover>& band, const Field& field, int begin, int end, bool complete, const SharpenParams& p,
                 const Scratch& s) {
  const int r = p.radius;
  const Segments& seg = s.seg;
  const int samples = seg.length * Segments::kLanes;
  const ptrdiff_t margin = ptrdiff_t(r) * Segments::kLanes;
  const Kernels& kernels = *p.kernels;
  for (int c = 0; c < p.channels; ++c) {
    std::fill(s.Sums(c), s.Sums(c) + s.pitch, 0);
    for (int k = begin - r; k <= begin + r; ++k) kernels.add_row_to_sums(s.Sums(c), band.Original(k, c), seg);
  }
  int16_t* blur = s.Work(0);
  int16_t* lo = s.Work(1);
  int16_t* hi = s.Work(2);
  const int16_t* const out[3] = {s.Work(3), s.Work(4), s.Work(5)};
  for (int j = begin; j < end; ++j) {
    const EnvelopeRows env = EnvelopeRowsOf(j, field.rows, complete);
    for (int c = 0; c < p.channels; ++c) {
      kernels.box_blur_row(s.Sums(c), seg, blur);
      if (p.bound != Bound::None) {
        kernels.envelope_row(band.Original(env.above, c), band.Original(env.centre, c), band.Original(env.below, c),
                             seg, complete, lo, hi);
      }
      kernels.combine_row(band.Original(j, c) + margin, blur, lo, hi, samples, c == 0 ? p.luma : p.chroma, p.bound,
                          s.Work(3 + c));
    }
    band.Store(j, out);
    if (j + 1 < end) {
      for (int c = 0; c < p.channels; ++c) {
        kernels.slide_sums(s.Sums(c), band.Original(j + r + 1, c), band.Original(j - r, c), seg);
      }
    }
  }
}

// Band t of `team` over `rows` rows, its ends on multiples of `align`.
std::pair<int, int> BandOf(int rows, int t, int team, int align) {
  const int64_t units = (rows + align - 1) / align;
  auto start = [&](int i) { return int(std::min<int64_t>(rows, align * (units * i / team))); };
  return {start(t), start(t + 1)};
}

template <typename Rows>
QuorlinStatus SharpenRows(const Rows& rows, const SharpenParams& p, int threads, Workspace& workspace) {
  const int W = rows.Width();
  const int H = rows.Height();
  const Segments seg = Segments::For(W, p.radius);
  const int64_t pitch = int64_t{PaddedVectors(seg)} * Segments::kLanes;
  const int64_t source = rows.ThreadBytes(seg, p);
  const int64_t part = Scratch::Bytes(p.channels, p.radius, pitch, source);
  const int64_t shared = rows.SharedBytes(p);
  // Sizes below 2^31 each, so that no sum or product here overflows 64 bits.
  const bool too_large = part > kMaxScratchBytes || shared > kMaxScratchBytes;
  char* const block = workspace.Reserve(too_large ? -1 : part * threads + shared);
  if (!block) return QUORLIN_OUT_OF_MEMORY;

  const int fields = p.interlace ? 2 : 1;
  const bool complete = EnvelopeIsComplete(W, H / fields);
  const int align = rows.RowAlignment(p);
  // Thread t of a team of `team` sharpens its band of each field; the
  // barrier lets every band capture its neighbours' rows before any is
  // rewritten.
  const auto work = [&](int t, int team) {
    const Scratch s = Scratch::Carve(block, t, p.channels, p.radius, seg, pitch, source);
    auto mover = rows.MakeMover(s.source, block + part * threads, seg, p, *p.kernels);
    for (int f = 0; f < fields; ++f) {
      const Field field{f, fields, (H - f + fields - 1) / fields};
      const auto [begin, end] = BandOf(field.rows, t, team, align);
      Band band(field, begin, end, p.radius, s, mover);
      if (begin < end) band.CaptureNeighbours();
#pragma omp barrier
      if (begin < end) SharpenBand(band, field, begin, end, complete, p, s);
    }
  };
  // One thread needs no team: the runtime would make and free one for every
  // frame, and under wine each of its semaphores is a round trip to the
  // server.
  if (threads == 1) {
    work(0, 1);
  } else {
#pragma omp parallel num_threads(threads)  // no thread without its scratch rows
    work(omp_get_thread_num(), omp_get_num_threads());
  }
  return QUORLIN_OK;
}

}  // namespace

QuorlinStatus Sharpen(const QuorlinFrame& frame, const SharpenParams& p, int threads, Workspace& workspace) {
  return SharpenRows(FrameRows(frame), p, threads, workspace);
}

QuorlinStatus SharpenPlanes(const QuorlinPlanes& planes, const SharpenParams& p, int threads, Workspace& workspace) {
  return SharpenRows(PlaneRows(planes), p, threads, workspace);
}

QuorlinStatus SharpenRgb(const RgbPicture& picture, const SharpenParams& p, int threads, Workspace& workspace) {
  if (picture.depth == 16) return SharpenRows(Rgb16Rows(picture), p, threads, workspace);
  return SharpenRows(RgbRows(picture), p, threads, workspace);
}

}  // namespace quorlin

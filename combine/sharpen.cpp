// The pipelines share one engine that walks each field of the frame in
// bands of rows, one band per thread, and per row of the band: blur (the
// running column sums, finished along the row), envelope (limit mode), then
// combine, while the rows are in cache.
//
// The frame is rewritten in place, so every sample is read before it is
// written: a band reads its own rows, one at a time, into a ring of the
// 2r + 2 rows its window spans before it writes them, and takes the rows its
// windows need from the neighbouring bands (up to r, and at least 2 for the
// envelope, on each side) before any band starts writing: all threads meet
// at a barrier in between.
#include "combine/sharpen.h"

#include <omp.h>
#include <xmmintrin.h>

#include <algorithm>

#include "blur/box_blur.h"
#include "combine/combine.h"
#include "envelope/envelope.h"
#include "planes/pixel_columns.h"

namespace {

struct Settings {
  int radius;
  bool interlace;
  int channels;  // 1: Y; 3: Y, Cb, Cr
  Bound bound;
  ChannelParams luma, chroma;
};

// Rows a band keeps from each neighbour: the blur window's reach and the
// envelope's (whose border rows look two rows in).
int HaloRows(int radius) { return std::max(radius, 2); }

// One thread's scratch rows, all in the segment layout: sample rows (C
// rows, one per channel, per slot) with margins for the blur's reach,
// column sums likewise, and work rows without margins (blur, the two
// envelopes, one output row per channel).
struct Scratch {
  int channels, ring_slots, halo_slots;
  Segments seg;
  ptrdiff_t pitch;  // elements per row, 16- or 32-bit alike
  int16_t* rows16;
  int32_t* rows32;

  static int Rows16(int channels, int radius) {
    return channels * ((2 * radius + 2) + 2 * HaloRows(radius)) + 3 + channels;
  }
  static int Rows32(int channels) { return channels; }

  int16_t* Row16(int index) const { return rows16 + index * pitch; }
  int16_t* Ring(int slot, int c) const { return Row16(slot * channels + c); }
  int16_t* Head(int slot, int c) const { return Row16((ring_slots + slot) * channels + c); }
  int16_t* Tail(int slot, int c) const { return Row16((ring_slots + halo_slots + slot) * channels + c); }
  int16_t* Work(int i) const { return Row16((ring_slots + 2 * halo_slots) * channels + i); }
  int32_t* Sums(int c) const { return rows32 + c * pitch; }
};

// The samples of channel c (0: y, 1: cb, 2: cr) of a row of pixels, three
// 16-bit values apart.
const int16_t* Samples(const PIXEL_YC* row, int c) { return reinterpret_cast<const int16_t*>(row) + c; }
int16_t* Samples(PIXEL_YC* row, int c) { return reinterpret_cast<int16_t*>(row) + c; }
static_assert(sizeof(PIXEL_YC) == 3 * sizeof(int16_t), "pixels are three packed samples");

// Vectors i in [0, FullVectors) hold a column of the row in every lane.
int FullVectors(const Segments& seg) {
  return std::clamp(seg.width - (Segments::kLanes - 1) * seg.length, 0, seg.length);
}

// Vectors i in [0, WholePixelVectors) may move whole pixels: in every lane
// the pixel after column s * L + i is in the row and in the same segment.
// Only all three channels move so; for luma alone the transpose costs more
// than the single samples it replaces.
int WholePixelVectors(const Segments& seg, int channels) {
  return channels == 3 ? std::max(FullVectors(seg) - 1, 0) : 0;
}

// Splits a frame row into planar channel rows in the segment layout;
// dst(c) is channel c's row.
template <typename Dst>
void LoadRow(const PIXEL_YC* src, const Scratch& s, Dst dst) {
  const Segments& seg = s.seg;
  const int full = FullVectors(seg);
  const int whole = WholePixelVectors(seg, s.channels);
  const ptrdiff_t step = 3 * ptrdiff_t{seg.length};  // samples between lanes
  auto row = [&](int c) { return dst(c) + seg.reach * Segments::kLanes; };
  if (whole > 0) {
    int16_t* const y = row(0);
    int16_t* const cb = row(1);
    int16_t* const cr = row(2);
    const int16_t* column = Samples(src, 0);
    for (ptrdiff_t at = 0; at < ptrdiff_t{whole} * Segments::kLanes; at += Segments::kLanes, column += 3) {
      GatherPixels(column, step, y + at, cb + at, cr + at);
    }
  }
  for (int c = 0; c < s.channels; ++c) {
    const int16_t* in = Samples(src, c);
    int16_t* out = row(c);
    for (int i = whole; i < full; ++i) {
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

// Writes a row back from the channel rows in the segment layout (no
// margins); values(c) is channel c's row.
template <typename Values>
void StoreRow(PIXEL_YC* dst, const Segments& seg, int channels, Values values) {
  const int full = FullVectors(seg);
  const int whole = WholePixelVectors(seg, channels);
  const ptrdiff_t step = 3 * ptrdiff_t{seg.length};
  // In order of i, so that each pixel's write replaces the stale luma the
  // previous one left on it.
  if (whole > 0) {
    const int16_t* const y = values(0);
    const int16_t* const cb = values(1);
    const int16_t* const cr = values(2);
    int16_t* column = Samples(dst, 0);
    for (ptrdiff_t at = 0; at < ptrdiff_t{whole} * Segments::kLanes; at += Segments::kLanes, column += 3) {
      ScatterPixels(y + at, cb + at, cr + at, column, step);
    }
  }
  for (int c = 0; c < channels; ++c) {
    int16_t* out = Samples(dst, c);
    const int16_t* in = values(c);
    // Four lanes at a time: eight places to write at once would not stay in
    // registers in the 32-bit plug-in.
    for (int first = 0; first < Segments::kLanes; first += 4) {
      for (int i = whole; i < full; ++i) {
        for (int lane = first; lane < first + 4; ++lane) out[3 * i + lane * step] = in[i * Segments::kLanes + lane];
      }
    }
    for (int i = full; i < seg.length; ++i) {
      for (int lane = 0; lane * seg.length + i < seg.width; ++lane) {
        out[3 * (lane * seg.length + i)] = in[i * Segments::kLanes + lane];
      }
    }
  }
}

// Asks for a row's cache lines ahead of its gather, which reads eight places
// of the row at once: on frames arriving from memory, the hardware
// prefetcher alone leaves the gather waiting.
void PrefetchRow(const PIXEL_YC* row, int width) {
  const char* bytes = reinterpret_cast<const char*>(row);
  const ptrdiff_t size = ptrdiff_t{width} * ptrdiff_t{sizeof(PIXEL_YC)};
  for (ptrdiff_t at = 0; at < size; at += 64) _mm_prefetch(bytes + at, _MM_HINT_T0);
}

// One field (every row, or every other row from `first`) of the frame.
struct Field {
  PIXEL_YC* first_row;
  ptrdiff_t pitch;  // pixels between field rows
  int rows;
  PIXEL_YC* Row(int j) const { return first_row + j * pitch; }
};

// A band [begin, end) of one field's rows and the original samples of every
// row its windows reach.
class Band {
 public:
  Band(const Field& field, int begin, int end, int radius, const Scratch& s)
      : field_(field), begin_(begin), end_(end), halo_(HaloRows(radius)), s_(s), next_own_(begin) {}

  // Rows of the neighbours, taken before anyone writes.
  void CaptureNeighbours() {
    for (int k = std::max(begin_ - halo_, 0); k < begin_; ++k) {
      LoadRow(field_.Row(k), s_, [&](int c) { return s_.Head(k - (begin_ - halo_), c); });
    }
    for (int k = end_; k < std::min(end_ + halo_, field_.rows); ++k) {
      LoadRow(field_.Row(k), s_, [&](int c) { return s_.Tail(k - end_, c); });
    }
  }

  // Channel c of field row k (clamped into the field), as it was.
  const int16_t* Original(int k, int c) {
    k = std::clamp(k, 0, field_.rows - 1);
    if (k < begin_) return s_.Head(k - (begin_ - halo_), c);
    if (k >= end_) return s_.Tail(k - end_, c);
    // Own rows enter the ring in order, each read once, before it is written.
    for (; next_own_ <= k; ++next_own_) {
      // Three rows ahead is several microseconds, well past memory latency.
      if (next_own_ + 3 < end_) PrefetchRow(field_.Row(next_own_ + 3), s_.seg.width);
      const int slot = next_own_ % s_.ring_slots;
      LoadRow(field_.Row(next_own_), s_, [&](int ch) { return s_.Ring(slot, ch); });
    }
    return s_.Ring(k % s_.ring_slots, c);
  }

 private:
  Field field_;
  int begin_, end_, halo_;
  const Scratch& s_;
  int next_own_;
};

void SharpenBand(Band& band, const Field& field, int begin, int end, bool complete, const Settings& st,
                 const Scratch& s) {
  const int r = st.radius;
  const Segments& seg = s.seg;
  const int samples = seg.length * Segments::kLanes;
  const ptrdiff_t margin = ptrdiff_t(r) * Segments::kLanes;
  for (int c = 0; c < st.channels; ++c) {
    std::fill(s.Sums(c), s.Sums(c) + s.pitch, 0);
    for (int k = begin - r; k <= begin + r; ++k) AddRowToSums(s.Sums(c), band.Original(k, c), seg);
  }
  int16_t* blur = s.Work(0);
  int16_t* lo = s.Work(1);
  int16_t* hi = s.Work(2);
  auto out = [&](int c) { return s.Work(3 + c); };
  for (int j = begin; j < end; ++j) {
    const EnvelopeRows env = EnvelopeRowsOf(j, field.rows, complete);
    for (int c = 0; c < st.channels; ++c) {
      BoxBlurRow(s.Sums(c), seg, blur);
      if (st.bound != Bound::None) {
        EnvelopeRow(band.Original(env.above, c), band.Original(env.centre, c), band.Original(env.below, c), seg,
                    complete, lo, hi);
      }
      CombineRow(band.Original(j, c) + margin, blur, lo, hi, samples, c == 0 ? st.luma : st.chroma, st.bound, out(c));
    }
    StoreRow(field.Row(j), seg, st.channels, out);
    if (j + 1 < end) {
      for (int c = 0; c < st.channels; ++c) {
        SlideSums(s.Sums(c), band.Original(j + r + 1, c), band.Original(j - r, c), seg);
      }
    }
  }
}

bool Sharpen(CPixels& frame, const Settings& st) {
  const int W = frame.width;
  const int H = frame.height;
  const int threads = omp_get_max_threads();
  const Segments seg = Segments::For(W, st.radius);
  const int64_t pitch = int64_t{seg.Extended()} * Segments::kLanes;
  const int rows16 = Scratch::Rows16(st.channels, st.radius);
  const int rows32 = Scratch::Rows32(st.channels);
  CSPixel_s16 scratch16(int32_t(pitch), threads * rows16, pitch);
  CSPixel_s32 scratch32(int32_t(pitch), threads * rows32, pitch);
  if (!scratch16.data || !scratch32.data) return false;

  const int fields = st.interlace ? 2 : 1;
  const bool complete = EnvelopeIsComplete(W, H / fields);
#pragma omp parallel num_threads(threads)  // no thread without its scratch rows
  {
    const int t = omp_get_thread_num();
    const int team = omp_get_num_threads();
    const Scratch s{st.channels, 2 * st.radius + 2, HaloRows(st.radius), seg, ptrdiff_t(pitch),
                    scratch16.Row(t * rows16), scratch32.Row(t * rows32)};
    for (int f = 0; f < fields; ++f) {
      const Field field{frame.Row(f), ptrdiff_t{frame.pitch} * fields, (H - f + fields - 1) / fields};
      const int begin = int(int64_t{field.rows} * t / team);
      const int end = int(int64_t{field.rows} * (t + 1) / team);
      Band band(field, begin, end, st.radius, s);
      if (begin < end) band.CaptureNeighbours();
#pragma omp barrier
      if (begin < end) SharpenBand(band, field, begin, end, complete, st, s);
    }
  }
  return true;
}

ChannelParams Params(int strength, int threshold, int limit) {
  return {static_cast<int16_t>(strength), static_cast<int16_t>(threshold), static_cast<int16_t>(limit)};
}

}  // namespace

bool SharpenY(CPixels& frame, int radius, int luma_strength, int luma_threshold, bool interlace) {
  const ChannelParams luma = Params(luma_strength, luma_threshold, 0);
  return Sharpen(frame, {radius, interlace, 1, Bound::None, luma, luma});
}

bool SharpenYC(CPixels& frame, int radius, int luma_strength, int chroma_strength, int luma_threshold,
               int chroma_threshold, bool interlace) {
  return Sharpen(frame, {radius, interlace, 3, Bound::None, Params(luma_strength, luma_threshold, 0),
                         Params(chroma_strength, chroma_threshold, 0)});
}

bool SharpenYLimited(CPixels& frame, int radius, int luma_strength, int luma_threshold, int luma_limit,
                     bool interlace) {
  const ChannelParams luma = Params(luma_strength, luma_threshold, luma_limit);
  return Sharpen(frame, {radius, interlace, 1, Bound::Saturated, luma, luma});
}

bool SharpenYCLimited(CPixels& frame, int radius, int luma_strength, int chroma_strength, int luma_limit,
                      int chroma_limit, int luma_threshold, int chroma_threshold, bool interlaced) {
  return Sharpen(frame, {radius, interlaced, 3, Bound::Wrapped, Params(luma_strength, luma_threshold, luma_limit),
                         Params(chroma_strength, chroma_threshold, chroma_limit)});
}

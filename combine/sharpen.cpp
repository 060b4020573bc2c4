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

#include <algorithm>

#include "blur/box_blur.h"
#include "envelope/envelope.h"

namespace {

struct Settings {
  int radius;
  bool interlace;
  int channels;  // 1: Y; 3: Y, Cb, Cr
  Bound bound;
  ChannelParams luma, chroma;
};

int16_t PIXEL_YC::* const kChannel[3] = {&PIXEL_YC::y, &PIXEL_YC::cb, &PIXEL_YC::cr};

// Rows a band keeps from each neighbour: the blur window's reach and the
// envelope's (whose border rows look two rows in).
int HaloRows(int radius) { return std::max(radius, 2); }

// One thread's scratch rows. 16-bit rows are planar samples, C rows (one per
// channel) per slot, with 8 samples of margin on each side so that the
// envelope can read one column past either edge.
struct Scratch {
  int channels, ring_slots, halo_slots;
  ptrdiff_t pitch16, pitch32;
  int16_t* rows16;
  int32_t* rows32;

  static constexpr int kMargin = 8;
  static int Rows16(int channels, int radius) {
    return channels * ((2 * radius + 2) + 2 * HaloRows(radius)) + 4;
  }
  static int Rows32(int channels) { return channels + 1; }

  int16_t* Row16(int index) const { return rows16 + index * pitch16 + kMargin; }
  int16_t* Ring(int slot, int c) const { return Row16(slot * channels + c); }
  int16_t* Head(int slot, int c) const { return Row16((ring_slots + slot) * channels + c); }
  int16_t* Tail(int slot, int c) const { return Row16((ring_slots + halo_slots + slot) * channels + c); }
  int16_t* Work(int i) const { return Row16((ring_slots + 2 * halo_slots) * channels + i); }
  int32_t* Sums(int c) const { return rows32 + c * pitch32; }
  int32_t* Prefix() const { return rows32 + channels * pitch32; }
};

// Splits a frame row into planar channel rows, each with its edge samples
// copied into the margins; dst(c) is channel c's row.
template <typename Dst>
void LoadRow(const PIXEL_YC* src, int width, const Scratch& s, Dst dst) {
  for (int c = 0; c < s.channels; ++c) {
    int16_t* row = dst(c);
    const int16_t PIXEL_YC::*member = kChannel[c];
    for (int x = 0; x < width; ++x) row[x] = src[x].*member;
    row[-1] = row[0];
    std::fill(row + width, row + s.pitch16 - Scratch::kMargin, row[width - 1]);
  }
}

void StoreChannel(PIXEL_YC* dst, int c, const int16_t* values, int width) {
  int16_t PIXEL_YC::*member = kChannel[c];
  for (int x = 0; x < width; ++x) dst[x].*member = values[x];
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
  Band(const Field& field, int begin, int end, int width, int radius, const Scratch& s)
      : field_(field), begin_(begin), end_(end), width_(width), halo_(HaloRows(radius)), s_(s),
        next_own_(begin) {}

  // Rows of the neighbours, taken before anyone writes.
  void CaptureNeighbours() {
    for (int k = std::max(begin_ - halo_, 0); k < begin_; ++k) {
      LoadRow(field_.Row(k), width_, s_, [&](int c) { return s_.Head(k - (begin_ - halo_), c); });
    }
    for (int k = end_; k < std::min(end_ + halo_, field_.rows); ++k) {
      LoadRow(field_.Row(k), width_, s_, [&](int c) { return s_.Tail(k - end_, c); });
    }
  }

  // Channel c of field row k (clamped into the field), as it was.
  const int16_t* Original(int k, int c) {
    k = std::clamp(k, 0, field_.rows - 1);
    if (k < begin_) return s_.Head(k - (begin_ - halo_), c);
    if (k >= end_) return s_.Tail(k - end_, c);
    // Own rows enter the ring in order, each read once, before it is written.
    for (; next_own_ <= k; ++next_own_) {
      const int slot = next_own_ % s_.ring_slots;
      LoadRow(field_.Row(next_own_), width_, s_, [&](int ch) { return s_.Ring(slot, ch); });
    }
    return s_.Ring(k % s_.ring_slots, c);
  }

 private:
  Field field_;
  int begin_, end_, width_, halo_;
  const Scratch& s_;
  int next_own_;
};

void SharpenBand(Band& band, const Field& field, int begin, int end, int width, bool complete,
                 const Settings& st, const Scratch& s) {
  const int r = st.radius;
  for (int c = 0; c < st.channels; ++c) {
    std::fill(s.Sums(c), s.Sums(c) + s.pitch32, 0);
    for (int k = begin - r; k <= begin + r; ++k) AddRowToSums(s.Sums(c), band.Original(k, c), width);
  }
  int16_t* blur = s.Work(0);
  int16_t* lo = s.Work(1);
  int16_t* hi = s.Work(2);
  int16_t* out = s.Work(3);
  for (int j = begin; j < end; ++j) {
    const EnvelopeRows env = EnvelopeRowsOf(j, field.rows, complete);
    for (int c = 0; c < st.channels; ++c) {
      BoxBlurRow(s.Sums(c), width, r, s.Prefix(), blur);
      if (st.bound != Bound::None) {
        EnvelopeRow(band.Original(env.above, c), band.Original(env.centre, c), band.Original(env.below, c), width,
                    complete, lo, hi);
      }
      CombineRow(band.Original(j, c), blur, lo, hi, width, c == 0 ? st.luma : st.chroma, st.bound, out);
      StoreChannel(field.Row(j), c, out, width);
    }
    if (j + 1 < end) {
      for (int c = 0; c < st.channels; ++c) {
        SlideSums(s.Sums(c), band.Original(j + r + 1, c), band.Original(j - r, c), width);
      }
    }
  }
}

bool Sharpen(CPixels& frame, const Settings& st) {
  const int W = frame.width;
  const int H = frame.height;
  const int threads = omp_get_max_threads();
  const int64_t pitch16 = RoundUp(W, 8) + 2 * Scratch::kMargin;
  const int64_t pitch32 = RoundUp(std::max<int64_t>(RoundUp(W, 8), BoxPrefixLength(W, st.radius)), 4);
  const int rows16 = Scratch::Rows16(st.channels, st.radius);
  const int rows32 = Scratch::Rows32(st.channels);
  CSPixel_s16 scratch16(int32_t(pitch16), threads * rows16, pitch16);
  CSPixel_s32 scratch32(int32_t(pitch32), threads * rows32, pitch32);
  if (!scratch16.data || !scratch32.data) return false;

  const int fields = st.interlace ? 2 : 1;
  const int shortest_field = H / fields;
  const bool complete = EnvelopeIsComplete(W, shortest_field);
#pragma omp parallel
  {
    const int t = omp_get_thread_num();
    const int team = omp_get_num_threads();
    const Scratch s{st.channels, 2 * st.radius + 2, HaloRows(st.radius), ptrdiff_t(pitch16), ptrdiff_t(pitch32),
                    scratch16.Row(t * rows16), scratch32.Row(t * rows32)};
    for (int f = 0; f < fields; ++f) {
      const Field field{frame.Row(f), ptrdiff_t{frame.pitch} * fields, (H - f + fields - 1) / fields};
      const int begin = int(int64_t{field.rows} * t / team);
      const int end = int(int64_t{field.rows} * (t + 1) / team);
      Band band(field, begin, end, W, st.radius, s);
      if (begin < end) band.CaptureNeighbours();
#pragma omp barrier
      if (begin < end) SharpenBand(band, field, begin, end, W, complete, st, s);
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

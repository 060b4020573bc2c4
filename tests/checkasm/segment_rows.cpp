// The kernels of the segment layout (kernels/segments.h): column sums, blur,
// envelope, combine, and the moves between it and frame rows or plain rows.
// Segment rows get what the engine gives them: 64-byte aligned storage of
// PaddedVectors(seg) vectors, the margins (if any) holding the clamped
// columns, the rest random; kernels may write all of it, nothing around it.
#include <algorithm>
#include <cstdlib>

#include "tests/checkasm/checkasm.h"

namespace quorlin::checkasm {
namespace {

constexpr int kLanes = Segments::kLanes;

ptrdiff_t RowSamples(const Segments& seg) { return ptrdiff_t{PaddedVectors(seg)} * kLanes; }

std::vector<int16_t> PlainRow(Run& run, int width, Range range) {
  std::vector<int16_t> row(static_cast<size_t>(width));
  for (int16_t& v : row) v = run.Sample(range);
  return row;
}

// Vectors -reach .. length + reach of a segment row (from its storage's
// start) as the layout holds the plain row.
void Lay(const std::vector<int16_t>& plain, const Segments& seg, int16_t* row) {
  for (int i = -seg.reach; i < seg.length + seg.reach; ++i) {
    for (int s = 0; s < kLanes; ++s) row[(i + seg.reach) * kLanes + s] = plain[size_t(seg.Column(i, s))];
  }
}

// A place of a segment row: its vector (counted from the first without
// margin), lane and column.
std::string Lane(const char* row, const Segments& seg, int i, int s) {
  return std::string(row) + " vector " + std::to_string(i) + " lane " + std::to_string(s) + " (column " +
         std::to_string(s * seg.length + i) + ")";
}

// Runs check(width, radius, range) for every width at every radius, with
// natural and full samples in turn; when timing, once at radius 2.
template <typename Case>
void ForWidthsAndRadii(Run& run, Case check) {
  if (run.timing) {
    check(kBenchWidth, 2, Range::kNatural);
    return;
  }
  int n = 0;
  for (int width : Widths()) {
    for (int radius = 1; radius <= 10; ++radius, ++n) {
      if (!check(width, radius, n % 2 ? Range::kFull : Range::kNatural)) return;
    }
  }
}

// sums += entering (- leaving), as 32-bit lanes that wrap.
bool SumsCase(Run& run, int width, int radius, Range range, bool slide) {
  const Segments seg = Segments::For(width, radius);
  const ptrdiff_t n = ptrdiff_t{seg.Extended()} * kLanes;
  Buffer<int32_t> sums(run.rng, RowSamples(seg));
  Buffer<int16_t> entering(run.rng, RowSamples(seg)), leaving(run.rng, RowSamples(seg));
  Lay(PlainRow(run, width, range), seg, entering.data());
  Lay(PlainRow(run, width, range), seg, leaving.data());
  const std::vector<int32_t> before(sums.data(), sums.data() + n);
  run.Args("width %d reach %d samples %s", width, radius, NameOf(range));
  sums.Seal(), entering.Seal(), leaving.Seal();
  const bool check = run.Make([&] {
    if (slide) {
      run.k.slide_sums(sums.data(), entering.data(), leaving.data(), seg);
    } else {
      run.k.add_row_to_sums(sums.data(), entering.data(), seg);
    }
  });
  if (!check) return true;
  if (!run.Kept(sums, "sums", 0, RowSamples(seg)) || !run.Kept(entering, "row", 0, 0) ||
      !run.Kept(leaving, "leaving", 0, 0)) {
    return false;
  }
  for (ptrdiff_t k = 0; k < n; ++k) {
    const uint32_t change = uint32_t(entering[k]) - (slide ? uint32_t(leaving[k]) : 0);
    const auto want = int32_t(uint32_t(before[size_t(k)]) + change);
    const int i = int(k / kLanes) - radius, s = int(k % kLanes);
    if (!run.Same(sums[k], want, [&] { return Lane("sums", seg, i, s); })) return false;
  }
  return true;
}

// Column sums of 2r + 1 rows (or anything, wrapping) to the scaled window.
bool BoxBlurCase(Run& run, int width, int radius, Range range) {
  const Segments seg = Segments::For(width, radius);
  Buffer<int32_t> sums(run.rng, RowSamples(seg));
  Buffer<int16_t> out(run.rng, RowSamples(seg));
  const int rows = 2 * radius + 1;
  for (ptrdiff_t k = 0; k < ptrdiff_t{seg.Extended()} * kLanes && range == Range::kNatural; ++k) {
    sums[k] = run.Uniform(-2048 * rows, 4096 * rows);
  }
  run.Args("width %d radius %d sums %s", width, radius, range == Range::kFull ? "any 32-bit" : "natural");
  sums.Seal(), out.Seal();
  if (!run.Make([&] { run.k.box_blur_row(sums.data(), seg, out.data()); })) return true;
  if (!run.Kept(out, "out", 0, RowSamples(seg)) || !run.Kept(sums, "sums", 0, 0)) return false;
  const uint32_t factor = uint32_t(BoxFactor(radius));
  for (int i = 0; i < seg.length; ++i) {
    for (int s = 0; s < kLanes; ++s) {
      uint32_t window = 0;
      for (int k = i; k <= i + 2 * radius; ++k) window += uint32_t(sums[k * kLanes + s]);
      const auto want = int16_t((window * factor) >> 16);
      if (!run.Same(out[i * kLanes + s], want, [&] { return Lane("out", seg, i, s); })) return false;
    }
  }
  return true;
}

bool EnvelopeCase(Run& run, int width, int radius, Range range, bool complete) {
  const Segments seg = Segments::For(width, radius);
  Buffer<int16_t> above(run.rng, RowSamples(seg)), centre(run.rng, RowSamples(seg)), below(run.rng, RowSamples(seg));
  Buffer<int16_t> lo(run.rng, RowSamples(seg)), hi(run.rng, RowSamples(seg));
  for (Buffer<int16_t>* row : {&above, &centre, &below}) Lay(PlainRow(run, width, range), seg, row->data());
  run.Args("width %d reach %d complete %d samples %s", width, radius, complete, NameOf(range));
  for (Buffer<int16_t>* row : {&above, &centre, &below, &lo, &hi}) row->Seal();
  const bool check = run.Make(
      [&] { run.k.envelope_row(above.data(), centre.data(), below.data(), seg, complete, lo.data(), hi.data()); });
  if (!check) return true;
  if (!run.Kept(lo, "lo", 0, RowSamples(seg)) || !run.Kept(hi, "hi", 0, RowSamples(seg)) ||
      !run.Kept(above, "above", 0, 0) || !run.Kept(centre, "centre", 0, 0) || !run.Kept(below, "below", 0, 0)) {
    return false;
  }
  // Extremes of the three rows over vectors i - 1 .. i + 1, lane by lane.
  const ptrdiff_t samples = ptrdiff_t{seg.length} * kLanes;
  std::vector<int16_t> want_lo(size_t(samples), INT16_MAX), want_hi(size_t(samples), INT16_MIN);
  for (ptrdiff_t k = 0; k < samples; ++k) {
    for (Buffer<int16_t>* row : {&above, &centre, &below}) {
      for (int d = -1; d <= 1; ++d) {
        const int16_t v = (*row)[k + (radius + d) * kLanes];
        want_lo[size_t(k)] = std::min(want_lo[size_t(k)], v);
        want_hi[size_t(k)] = std::max(want_hi[size_t(k)], v);
      }
    }
  }
  if (complete) {
    const auto at = [&](int x) { return size_t(seg.Index(x) - ptrdiff_t{radius} * kLanes); };
    want_lo[at(0)] = want_lo[at(1)], want_hi[at(0)] = want_hi[at(1)];
    want_lo[at(width - 1)] = want_lo[at(width - 2)], want_hi[at(width - 1)] = want_hi[at(width - 2)];
  }
  for (ptrdiff_t k = 0; k < samples; ++k) {
    const int i = int(k / kLanes), s = int(k % kLanes);
    if (!run.Same(lo[k], want_lo[size_t(k)], [&] { return Lane("lo", seg, i, s); }) ||
        !run.Same(hi[k], want_hi[size_t(k)], [&] { return Lane("hi", seg, i, s); })) {
      return false;
    }
  }
  return true;
}

const char* NameOf(Bound bound) {
  switch (bound) {
    case Bound::None: return "none";
    case Bound::Wrapped: return "wrapped";
    case Bound::Saturated: return "saturated";
  }
  return "?";
}

// The per-sample rule of kernels/combine.h.
int16_t Combined(int16_t in, int16_t blur, int16_t lo, int16_t hi, ChannelParams p, Bound bound) {
  const auto diff = int16_t(in - blur);
  int result = in;
  if (diff != INT16_MIN && std::abs(diff) > p.threshold) {
    const int product = diff * p.strength;
    result += product >= 0 ? product / 256 : -((-product + 255) / 256);
  }
  result = bound == Bound::Saturated ? std::clamp(result, INT16_MIN, INT16_MAX) : int16_t(result);
  if (bound == Bound::None) return int16_t(result);
  result = std::max(result, int(int16_t(lo - p.limit)));
  return int16_t(std::min(result, int(int16_t(hi + p.limit))));
}

// A parameter at either end of its range or anywhere in it.
int16_t Param(Run& run, int lo, int hi) {
  const int pick = run.Uniform(0, 3);
  return int16_t(pick == 0 ? lo : pick == 1 ? hi : run.Uniform(lo, hi));
}

// A blur for `in`: anywhere, or where |in - blur| is the threshold or next
// to it, or where in - blur wraps to -32768.
int16_t BlurFor(Run& run, int16_t in, int threshold, Range range) {
  switch (run.Uniform(0, 7)) {
    case 0: return int16_t(in + threshold);
    case 1: return int16_t(in - threshold - 1);
    case 2: return int16_t(in + 32768);
    default: return run.Sample(range);
  }
}

// in (a row of the layout after its margins, as the engine passes it, so 16
// bytes off a 32-byte boundary after an odd reach), blur, lo and hi readable
// and out writable up to width rounded up to 16.
bool CombineCase(Run& run, int width, Bound bound, ChannelParams p, int in_offset, Range range) {
  const ptrdiff_t padded = (width + 15) / 16 * 16;
  Buffer<int16_t> in(run.rng, 0, padded, in_offset), blur(run.rng, padded), lo(run.rng, padded), hi(run.rng, padded);
  Buffer<int16_t> out(run.rng, padded);
  for (ptrdiff_t x = 0; x < width; ++x) {
    in[x] = run.Sample(range);
    blur[x] = BlurFor(run, in[x], p.threshold, range);
    lo[x] = range == Range::kFull ? run.Sample(range) : int16_t(in[x] - run.Uniform(0, 300));
    hi[x] = range == Range::kFull ? run.Sample(range) : int16_t(in[x] + run.Uniform(0, 300));
  }
  run.Args("width %d bound %s strength %d threshold %d limit %d in +%d bytes samples %s", width, NameOf(bound),
           p.strength, p.threshold, p.limit, in_offset, NameOf(range));
  for (Buffer<int16_t>* row : {&in, &blur, &lo, &hi, &out}) row->Seal();
  const bool check =
      run.Make([&] { run.k.combine_row(in.data(), blur.data(), lo.data(), hi.data(), width, p, bound, out.data()); });
  if (!check) return true;
  if (!run.Kept(out, "out", 0, padded) || !run.Kept(in, "in", 0, 0) || !run.Kept(blur, "blur", 0, 0) ||
      !run.Kept(lo, "lo", 0, 0) || !run.Kept(hi, "hi", 0, 0)) {
    return false;
  }
  for (ptrdiff_t x = 0; x < width; ++x) {
    const int16_t want = Combined(in[x], blur[x], lo[x], hi[x], p, bound);
    if (!run.Same(out[x], want, [&] { return "out[" + std::to_string(x) + "]"; })) return false;
  }
  return true;
}

// Pixels of a frame row start anywhere a pixel may: any even byte offset.
int PixelOffset(Run& run) { return 2 * run.Uniform(0, 31); }

int16_t& SampleOf(QuorlinPixel& p, int c) { return c == 0 ? p.y : c == 1 ? p.cb : p.cr; }

bool LoadRowCase(Run& run, int width, int radius, Range range, int channels) {
  const Segments seg = Segments::For(width, radius);
  const int offset = PixelOffset(run);
  Buffer<QuorlinPixel> src(run.rng, 0, width, offset);
  Buffer<int16_t> y(run.rng, RowSamples(seg)), cb(run.rng, RowSamples(seg)), cr(run.rng, RowSamples(seg));
  for (int x = 0; x < width; ++x) src[x] = {run.Sample(range), run.Sample(range), run.Sample(range)};
  // The engine passes null for the channels it does not load.
  int16_t* const rows[3] = {y.data(), channels == 3 ? cb.data() : nullptr, channels == 3 ? cr.data() : nullptr};
  run.Args("width %d reach %d channels %d src +%d bytes samples %s", width, radius, channels, offset, NameOf(range));
  for (Buffer<int16_t>* row : {&y, &cb, &cr}) row->Seal();
  src.Seal();
  if (!run.Make([&] { run.k.load_row(src.data(), seg, channels, rows); })) return true;
  if (!run.Kept(src, "src", 0, 0) || !run.Kept(y, "y", 0, RowSamples(seg)) ||
      !run.Kept(cb, "cb", 0, channels == 3 ? RowSamples(seg) : 0) ||
      !run.Kept(cr, "cr", 0, channels == 3 ? RowSamples(seg) : 0)) {
    return false;
  }
  const char* names[3] = {"y", "cb", "cr"};
  for (int c = 0; c < channels; ++c) {
    for (int i = -radius; i < seg.length + radius; ++i) {
      for (int s = 0; s < kLanes; ++s) {
        const int16_t want = SampleOf(src[seg.Column(i, s)], c);
        const int16_t got = rows[c][(i + radius) * kLanes + s];
        if (!run.Same(got, want, [&] { return Lane(names[c], seg, i, s); })) return false;
      }
    }
  }
  return true;
}

// Rows without margins into a frame row: only the row's pixels, and of them
// only the channels stored, change.
bool StoreRowCase(Run& run, int width, int radius, Range range, int channels) {
  const Segments seg = Segments::For(width, radius);
  const int offset = PixelOffset(run);
  Buffer<QuorlinPixel> dst(run.rng, 0, width, offset);
  Buffer<int16_t> y(run.rng, RowSamples(seg)), cb(run.rng, RowSamples(seg)), cr(run.rng, RowSamples(seg));
  for (Buffer<int16_t>* row : {&y, &cb, &cr}) {
    for (ptrdiff_t k = 0; k < RowSamples(seg); ++k) (*row)[k] = run.Sample(range);
  }
  const std::vector<QuorlinPixel> before(dst.data(), dst.data() + width);
  const int16_t* const rows[3] = {y.data(), channels == 3 ? cb.data() : nullptr, channels == 3 ? cr.data() : nullptr};
  run.Args("width %d channels %d dst +%d bytes samples %s", width, channels, offset, NameOf(range));
  for (Buffer<int16_t>* row : {&y, &cb, &cr}) row->Seal();
  dst.Seal();
  if (!run.Make([&] { run.k.store_row(rows, seg, channels, dst.data()); })) return true;
  if (!run.Kept(dst, "dst", 0, width) || !run.Kept(y, "y", 0, 0) || !run.Kept(cb, "cb", 0, 0) ||
      !run.Kept(cr, "cr", 0, 0)) {
    return false;
  }
  const char* names[3] = {"y", "cb", "cr"};
  for (int x = 0; x < width; ++x) {
    for (int c = 0; c < 3; ++c) {
      QuorlinPixel was = before[size_t(x)];
      const int16_t want = c < channels ? rows[c][seg.Index(x) - ptrdiff_t{radius} * kLanes] : SampleOf(was, c);
      if (!run.Same(SampleOf(dst[x], c), want, [&] { return "dst[" + std::to_string(x) + "]." + names[c]; })) {
        return false;
      }
    }
  }
  return true;
}

// A plain row as the engine keeps it: samples -reach .. 8L + reach + 32, the
// first of them on a 64-byte boundary.
Buffer<int16_t> PlainBuffer(Run& run, const Segments& seg) {
  return Buffer<int16_t>(run.rng, -seg.reach, ptrdiff_t{seg.length} * kLanes + seg.reach + 32);
}

bool PlainToSegmentsCase(Run& run, int width, int radius, Range range) {
  const Segments seg = Segments::For(width, radius);
  Buffer<int16_t> plain = PlainBuffer(run, seg);
  Buffer<int16_t> out(run.rng, RowSamples(seg));
  const std::vector<int16_t> row = PlainRow(run, width, range);
  for (ptrdiff_t x = -radius; x < ptrdiff_t{seg.length} * kLanes + radius + 32; ++x) {
    plain[x] = row[size_t(std::clamp<ptrdiff_t>(x, 0, width - 1))];
  }
  run.Args("width %d reach %d samples %s", width, radius, NameOf(range));
  plain.Seal(), out.Seal();
  if (!run.Make([&] { run.k.plain_to_segments(plain.data(), seg, out.data()); })) return true;
  if (!run.Kept(out, "out", 0, RowSamples(seg)) || !run.Kept(plain, "plain", 0, 0)) return false;
  for (int i = -radius; i < seg.length + radius; ++i) {
    for (int s = 0; s < kLanes; ++s) {
      const int16_t want = row[size_t(seg.Column(i, s))];
      if (!run.Same(out[(i + radius) * kLanes + s], want, [&] { return Lane("out", seg, i, s); })) return false;
    }
  }
  return true;
}

bool SegmentsToPlainCase(Run& run, int width, int radius, Range range) {
  const Segments seg = Segments::For(width, radius);
  Buffer<int16_t> in(run.rng, RowSamples(seg));
  Buffer<int16_t> plain = PlainBuffer(run, seg);
  for (ptrdiff_t k = 0; k < RowSamples(seg); ++k) in[k] = run.Sample(range);
  run.Args("width %d samples %s", width, NameOf(range));
  in.Seal(), plain.Seal();
  if (!run.Make([&] { run.k.segments_to_plain(in.data(), seg, plain.data()); })) return true;
  if (!run.Kept(plain, "plain", 0, ptrdiff_t{seg.length} * kLanes + 16) || !run.Kept(in, "in", 0, 0)) return false;
  for (int x = 0; x < width; ++x) {
    const int16_t want = in[seg.Index(x) - ptrdiff_t{radius} * kLanes];
    if (!run.Same(plain[x], want, [&] { return "plain[" + std::to_string(x) + "]"; })) return false;
  }
  return true;
}

}  // namespace

void CheckAddRowToSums(Run& run) {
  ForWidthsAndRadii(run, [&](int w, int r, Range range) { return SumsCase(run, w, r, range, false); });
}

void CheckSlideSums(Run& run) {
  ForWidthsAndRadii(run, [&](int w, int r, Range range) { return SumsCase(run, w, r, range, true); });
}

void CheckBoxBlurRow(Run& run) {
  ForWidthsAndRadii(run, [&](int w, int r, Range range) { return BoxBlurCase(run, w, r, range); });
}

void CheckEnvelopeRow(Run& run) {
  ForWidthsAndRadii(run, [&](int w, int r, Range range) {
    return EnvelopeCase(run, w, r, range, w >= 3) && (run.timing || EnvelopeCase(run, w, r, range, false));
  });
}

void CheckCombineRow(Run& run) {
  if (run.timing) {
    CombineCase(run, kBenchWidth, Bound::None, {64, 0, 0}, 0, Range::kNatural);
    return;
  }
  int n = 0;
  for (int width : Widths()) {
    for (Bound bound : {Bound::None, Bound::Wrapped, Bound::Saturated}) {
      for (int repeat = 0; repeat < 4; ++repeat, ++n) {
        const ChannelParams p{Param(run, 0, 256), Param(run, 0, 1024), Param(run, -512, 512)};
        if (!CombineCase(run, width, bound, p, 16 * (n % 2), n % 4 < 2 ? Range::kNatural : Range::kFull)) return;
      }
    }
  }
}

void CheckLoadRow(Run& run) {
  ForWidthsAndRadii(run, [&](int w, int r, Range range) {
    return LoadRowCase(run, w, r, range, 3) && (run.timing || LoadRowCase(run, w, r, range, 1));
  });
}

void CheckStoreRow(Run& run) {
  ForWidthsAndRadii(run, [&](int w, int r, Range range) {
    return StoreRowCase(run, w, r, range, 3) && (run.timing || StoreRowCase(run, w, r, range, 1));
  });
}

void CheckPlainToSegments(Run& run) {
  ForWidthsAndRadii(run, [&](int w, int r, Range range) { return PlainToSegmentsCase(run, w, r, range); });
}

void CheckSegmentsToPlain(Run& run) {
  ForWidthsAndRadii(run, [&](int w, int r, Range range) { return SegmentsToPlainCase(run, w, r, range); });
}

}  // namespace quorlin::checkasm

// The kernels that convert plain rows: YUV codes and the editor's values,
// 4:2:0 chroma spread and averaged, 8-bit RGB pixels and plain rows of Y, Cb
// and Cr. Their models are
// the per-sample rules (convert/yuv_yc.h, convert/rgb_yc.h). The caller's
// rows (codes, pixels) start at any offset and are exactly as long as the
// call says, so that under AddressSanitizer a read past them fails.
#include <algorithm>

#include "convert/div_round.h"
#include "convert/rgb_yc.h"
#include "convert/yuv_yc.h"
#include "tests/checkasm/checkasm.h"

namespace quorlin::checkasm {
namespace {

// Rows of the caller's start anywhere; rows of 16-bit samples on any sample.
int ByteOffset(Run& run) { return run.Uniform(0, 63); }
int SampleOffset(Run& run) { return 2 * run.Uniform(0, 31); }

std::string At(const char* row, ptrdiff_t x) { return std::string(row) + "[" + std::to_string(x) + "]"; }

// One scale of the code rows: depth, range and channel.
struct Scale {
  int depth;
  bool full_range, chroma;
  CodeScale Rules() const { return chroma ? ChromaScale(depth, full_range) : LumaScale(depth, full_range); }
  int Bytes() const { return depth > 8 ? 2 : 1; }
};

// Runs check(n, scale, case number) for every width at every depth, range and
// channel; when timing, once on 8-bit limited-range luma.
template <typename Case>
void ForWidthsAndScales(Run& run, Case check) {
  if (run.timing) {
    check(kBenchWidth, Scale{8, false, false}, 0);
    return;
  }
  int n = 0;
  for (int width : Widths()) {
    for (int depth = 8; depth <= 16; ++depth) {
      for (bool full_range : {false, true}) {
        for (bool chroma : {false, true}) {
          if (!check(width, Scale{depth, full_range, chroma}, n++)) return;
        }
      }
    }
  }
}

// Runs check(scale) once for every depth, range and channel; not when timing.
template <typename Case>
void ForEveryScale(Run& run, Case check) {
  for (int depth = 8; depth <= 16 && !run.timing && !run.failed; ++depth) {
    for (bool full_range : {false, true}) {
      for (bool chroma : {false, true}) {
        if (!check(Scale{depth, full_range, chroma})) return;
      }
    }
  }
}

uint16_t CodeAt(Buffer<uint8_t>& codes, ptrdiff_t x, int bytes) {
  return bytes == 1 ? codes[x] : uint16_t(codes[2 * x] | codes[2 * x + 1] << 8);
}

void SetCode(Buffer<uint8_t>& codes, ptrdiff_t x, int bytes, uint16_t code) {
  if (bytes == 2) codes[2 * x + 1] = uint8_t(code >> 8);
  codes[bytes * x] = uint8_t(code);
}

// Codes of the depth, or any 16 bits (some above the depth's largest).
void RandomCodes(Run& run, Buffer<uint8_t>& codes, int n, const CodeScale& rules, Range range, int bytes) {
  for (ptrdiff_t x = 0; x < n; ++x) {
    SetCode(codes, x, bytes, uint16_t(range == Range::kFull ? run.Uniform(0, 65535) : run.Uniform(0, rules.max_code)));
  }
}

// Codes of the depth, or any 16 bits; or, in one row, every code the
// samples hold (every byte, or every 16-bit word with the spare bits).
bool CodesToValuesCase(Run& run, int n, Scale scale, int case_number, bool every = false) {
  const CodeScale rules = scale.Rules();
  const CodeRowParams p = MakeCodeRowParams(rules);
  const Range range = case_number % 2 ? Range::kFull : Range::kNatural;
  const int codes_offset = ByteOffset(run), values_offset = SampleOffset(run);
  Buffer<uint8_t> codes(run.rng, 0, ptrdiff_t{n} * scale.Bytes(), codes_offset);
  Buffer<int16_t> values(run.rng, 0, n, values_offset);
  RandomCodes(run, codes, n, rules, range, scale.Bytes());
  for (ptrdiff_t x = 0; every && x < n; ++x) SetCode(codes, x, scale.Bytes(), uint16_t(x));
  run.Args("n %d depth %d %s range %s codes %s codes +%d bytes values +%d bytes", n, scale.depth,
           scale.full_range ? "full" : "limited", scale.chroma ? "chroma" : "luma",
           every ? "every one" : range == Range::kFull ? "any 16-bit" : "in depth", codes_offset, values_offset);
  codes.Seal(), values.Seal();
  if (!run.Make([&] { run.k.codes_to_values(codes.data(), n, p, values.data()); })) return true;
  if (!run.Kept(values, "values", 0, n) || !run.Kept(codes, "codes", 0, 0)) return false;
  for (ptrdiff_t x = 0; x < n; ++x) {
    const uint16_t code = CodeAt(codes, x, scale.Bytes());
    const auto where = [&] { return At("values", x) + " (code " + std::to_string(code) + ")"; };
    if (!run.Same(values[x], ToEditor(rules, code), where)) return false;
  }
  return true;
}

// A value for a sample whose code was `original`: unchanged, next to it, or
// anywhere (natural or in 16 bits).
int16_t ValueFor(Run& run, const CodeScale& rules, uint16_t original, Range range) {
  const int16_t unchanged = ToEditor(rules, original);
  switch (run.Uniform(0, 3)) {
    case 0: return unchanged;
    case 1: return int16_t(unchanged + (run.Uniform(0, 1) ? 1 : -1));
    default: return run.Sample(range);
  }
}

// Codes written over the original ones (as the engine does) or beside them;
// or, in one row, every 16-bit value, each with an original code of the depth.
bool ValuesToCodesCase(Run& run, int n, Scale scale, int case_number, bool every = false) {
  const CodeScale rules = scale.Rules();
  const CodeRowParams p = MakeCodeRowParams(rules);
  const Range range = case_number % 4 < 2 ? Range::kNatural : Range::kFull;
  const bool in_place = case_number % 2 == 0;
  const int values_offset = SampleOffset(run), original_offset = ByteOffset(run), codes_offset = ByteOffset(run);
  const ptrdiff_t bytes = ptrdiff_t{n} * scale.Bytes();
  Buffer<int16_t> values(run.rng, 0, n, values_offset);
  Buffer<uint8_t> original(run.rng, 0, bytes, original_offset), separate(run.rng, 0, bytes, codes_offset);
  Buffer<uint8_t>& codes = in_place ? original : separate;
  RandomCodes(run, original, n, rules, range, scale.Bytes());
  std::vector<uint16_t> before(static_cast<size_t>(n));
  for (ptrdiff_t x = 0; x < n; ++x) {
    before[size_t(x)] = CodeAt(original, x, scale.Bytes());
    values[x] = every ? int16_t(INT16_MIN + x) : ValueFor(run, rules, before[size_t(x)], range);
  }
  run.Args("n %d depth %d %s range %s samples %s%s values +%d bytes original +%d bytes codes +%d bytes", n,
           scale.depth, scale.full_range ? "full" : "limited", scale.chroma ? "chroma" : "luma",
           every ? "every value" : NameOf(range),
           in_place ? " in place" : "", values_offset, original_offset, in_place ? original_offset : codes_offset);
  values.Seal(), original.Seal(), separate.Seal();
  const bool check = run.Make([&] { run.k.values_to_codes(values.data(), original.data(), n, p, codes.data()); });
  if (!check) return true;
  if (!run.Kept(codes, "codes", 0, bytes) || !run.Kept(values, "values", 0, 0) ||
      (!in_place && !run.Kept(original, "original", 0, 0))) {
    return false;
  }
  for (ptrdiff_t x = 0; x < n; ++x) {
    const uint16_t want = ToCode(rules, values[x], before[size_t(x)]);
    const auto where = [&] {
      return At("codes", x) + " (value " + std::to_string(values[x]) + ", original " +
             std::to_string(before[size_t(x)]) + ")";
    };
    if (!run.Same(CodeAt(codes, x, scale.Bytes()), want, where)) return false;
  }
  return true;
}

// Runs check(n, case number) for every width; when timing, once.
template <typename Case>
void ForWidths(Run& run, Case check) {
  if (run.timing) {
    check(kBenchWidth, 0);
    return;
  }
  int n = 0;
  for (int width : Widths()) {
    for (int repeat = 0; repeat < 4; ++repeat) {
      if (!check(width, n++)) return;
    }
  }
}

bool SpreadPairsCase(Run& run, int n, int case_number) {
  const Range range = case_number % 2 ? Range::kFull : Range::kNatural;
  const int in_offset = SampleOffset(run), out_offset = SampleOffset(run);
  Buffer<int16_t> in(run.rng, 0, (n + 1) / 2, in_offset), out(run.rng, 0, n, out_offset);
  for (ptrdiff_t c = 0; c < (n + 1) / 2; ++c) in[c] = run.Sample(range);
  run.Args("n %d in +%d bytes out +%d bytes", n, in_offset, out_offset);
  in.Seal(), out.Seal();
  if (!run.Make([&] { run.k.spread_pairs(in.data(), n, out.data()); })) return true;
  if (!run.Kept(out, "out", 0, n) || !run.Kept(in, "in", 0, 0)) return false;
  for (ptrdiff_t x = 0; x < n; ++x) {
    if (!run.Same(out[x], in[x / 2], [&] { return At("out", x); })) return false;
  }
  return true;
}


// Means of one row's pairs or of two rows' 2 x 2 blocks, written beside the
// rows or over the top one.
bool BlockMeansCase(Run& run, int n, int case_number) {
  const Range range = case_number % 2 ? Range::kFull : Range::kNatural;
  const bool pair = case_number % 4 < 2, in_place = case_number % 8 < 4;
  const int blocks = (n + 1) / 2;
  const int top_offset = SampleOffset(run), bottom_offset = SampleOffset(run), means_offset = SampleOffset(run);
  Buffer<int16_t> top(run.rng, 0, n, top_offset), bottom(run.rng, 0, n, bottom_offset);
  Buffer<int16_t> separate(run.rng, 0, blocks, means_offset);
  Buffer<int16_t>& means = in_place ? top : separate;
  for (ptrdiff_t x = 0; x < n; ++x) top[x] = run.Sample(range), bottom[x] = run.Sample(range);
  const std::vector<int16_t> top_before(top.data(), top.data() + n);
  run.Args("n %d rows %d%s samples %s top +%d bytes bottom +%d bytes means +%d bytes", n, pair ? 2 : 1,
           in_place ? " in place" : "", NameOf(range), top_offset, bottom_offset, in_place ? top_offset : means_offset);
  top.Seal(), bottom.Seal(), separate.Seal();
  const bool check =
      run.Make([&] { run.k.block_means(top.data(), pair ? bottom.data() : nullptr, n, means.data()); });
  if (!check) return true;
  if (!run.Kept(means, "means", 0, blocks) || !run.Kept(bottom, "bottom", 0, 0) ||
      (!in_place && !run.Kept(top, "top", 0, 0))) {
    return false;
  }
  for (ptrdiff_t c = 0; c < blocks; ++c) {
    int sum = 0, count = 0;
    for (ptrdiff_t x = 2 * c; x < std::min<ptrdiff_t>(2 * c + 2, n); ++x, count += pair ? 2 : 1) {
      sum += top_before[size_t(x)] + (pair ? bottom[x] : 0);
    }
    if (!run.Same(means[c], DivRound(sum, count), [&] { return At("means", c); })) return false;
  }
  return true;
}

// Runs check(n, channels, case number) for every width with RGB and RGBA
// pixels, `cases` times each; when timing, once on RGBA.
template <typename Case>
void ForWidthsAndChannels(Run& run, int cases, Case check) {
  if (run.timing) {
    check(kBenchWidth, 4, 0);
    return;
  }
  for (int width : Widths()) {
    for (int channels : {3, 4}) {
      for (int i = 0; i < cases; ++i) {
        if (!check(width, channels, i)) return;
      }
    }
  }
}

// Every 8-bit colour, in rows of kColourRow pixels (whole groups of every
// vector width, and a tail): pixel x of row `row` is colour row * kColourRow
// + x, the last row wrapping round to black.
constexpr int kColourRow = 4099;
constexpr int kColourRows = ((1 << 24) + kColourRow - 1) / kColourRow;

Rgb8 ColourOf(int row, ptrdiff_t x) {
  const auto c = uint32_t((int64_t{row} * kColourRow + x) & 0xFFFFFF);
  return {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)};
}

// Runs check(channels, row) over every colour, the rows taking RGB and RGBA
// pixels in turn; not when timing.
template <typename Case>
void ForEveryColour(Run& run, Case check) {
  for (int row = 0; row < kColourRows && !run.timing && !run.failed; ++row) {
    if (!check(row % 2 ? 4 : 3, row)) return;
  }
}

// Y alone (every other case, and when timing) or all three planes; with a
// colour row, that row's colours and all three planes.
bool RgbToPlanesCase(Run& run, int n, int channels, int case_number, int colour_row = -1) {
  const bool luma = colour_row < 0 && case_number % 2 == 0;
  const int rgb_offset = ByteOffset(run);
  const int offsets[3] = {SampleOffset(run), SampleOffset(run), SampleOffset(run)};
  Buffer<uint8_t> rgb(run.rng, 0, ptrdiff_t{n} * channels, rgb_offset);
  Buffer<int16_t> y(run.rng, 0, n, offsets[0]), cb(run.rng, 0, luma ? 0 : n, offsets[1]),
      cr(run.rng, 0, luma ? 0 : n, offsets[2]);
  for (ptrdiff_t x = 0; colour_row >= 0 && x < n; ++x) {
    const Rgb8 c = ColourOf(colour_row, x);
    rgb[x * channels] = c.r, rgb[x * channels + 1] = c.g, rgb[x * channels + 2] = c.b;
  }
  run.Args("n %d channels %d%s rgb +%d bytes y +%d bytes cb +%d bytes cr +%d bytes", n, channels,
           luma ? " y alone" : colour_row >= 0 ? " every colour" : "", rgb_offset, offsets[0], offsets[1],
           offsets[2]);
  rgb.Seal(), y.Seal(), cb.Seal(), cr.Seal();
  const bool check = run.Make([&] {
    run.k.rgb_to_planes_row(rgb.data(), channels, n, y.data(), luma ? nullptr : cb.data(), luma ? nullptr : cr.data());
  });
  if (!check) return true;
  const ptrdiff_t chroma = luma ? 0 : n;
  if (!run.Kept(y, "y", 0, n) || !run.Kept(cb, "cb", 0, chroma) || !run.Kept(cr, "cr", 0, chroma) ||
      !run.Kept(rgb, "rgb", 0, 0)) {
    return false;
  }
  for (ptrdiff_t x = 0; x < n; ++x) {
    const uint8_t* c = &rgb[x * channels];
    const QuorlinPixel want = RgbToYc({c[0], c[1], c[2]});
    const auto where = [&](const char* row) {
      return At(row, x) + " (rgb " + std::to_string(c[0]) + "," + std::to_string(c[1]) + "," + std::to_string(c[2]) +
             ")";
    };
    if (!run.Same(y[x], want.y, [&] { return where("y"); })) return false;
    if (luma) continue;
    if (!run.Same(cb[x], want.cb, [&] { return where("cb"); }) ||
        !run.Same(cr[x], want.cr, [&] { return where("cr"); })) {
      return false;
    }
  }
  return true;
}

// Pixels on which red's or blue's quotient is a whole number and a half,
// where 51 (1000 Y + 1402 Cr), or 1772 Cb, is 409600 more than a multiple
// of 819200; Cr and Cb run a little past their natural range.
const std::vector<QuorlinPixel>& Ties() {
  static const std::vector<QuorlinPixel> ties = [] {
    std::vector<QuorlinPixel> found;
    int64_t first = 0;
    while ((51 * first - 409600) % 819200 != 0) ++first;
    for (int64_t t = first - 819200; t < 4200000; t += 819200) {
      for (int c = -3000; c <= 3000; ++c) {
        for (const int weight : {1402, 1772}) {
          if ((t - weight * c) % 1000 != 0) continue;
          const auto y = int16_t((t - weight * c) / 1000);
          found.push_back(weight == 1402 ? QuorlinPixel{y, 0, int16_t(c)} : QuorlinPixel{y, int16_t(c), 0});
        }
      }
    }
    return found;
  }();
  return ties;
}

// The kinds of pixels the way back is given.
enum class Kind {
  kNudged,     // a colour's, each sample moved a little: the rounding
  kNatural,    // each sample in its natural range
  kAnywhere,   // each sample anywhere in 16 bits
  kYAlone,     // a colour's, but one channel anywhere in 16 bits in the
  kCbAlone,    // whole row (Cr far below -2048 beside a natural Cb is a
  kCrAlone,    // cyan area beside white): each channel must be told from a
               // colour's on its own
  kTie,        // red's or blue's rounding ties
  kCount,
};
const char* NameOf(Kind kind) {
  constexpr const char* kNames[] = {"nudged", "natural", "anywhere", "y alone anywhere", "cb alone anywhere",
                                    "cr alone anywhere", "ties"};
  return kNames[int(kind)];
}

QuorlinPixel PixelFor(Run& run, Kind kind) {
  const QuorlinPixel colour = RgbToYc({uint8_t(run.rng()), uint8_t(run.rng()), uint8_t(run.rng())});
  switch (kind) {
    case Kind::kNudged: {
      QuorlinPixel p{int16_t(colour.y + run.Uniform(-4, 4)), int16_t(colour.cb + run.Uniform(-4, 4)),
                     int16_t(colour.cr + run.Uniform(-4, 4))};
      // Now and then chroma about the ends of its natural range, where the
      // kernels may change how they compute.
      if (run.Uniform(0, 3) == 0) p.cb = int16_t(run.Uniform(-2060, 2060)), p.cr = int16_t(run.Uniform(-2060, 2060));
      return p;
    }
    case Kind::kNatural: return {run.Sample(Range::kNatural), run.Sample(Range::kNatural), run.Sample(Range::kNatural)};
    case Kind::kAnywhere: return {run.Sample(Range::kFull), run.Sample(Range::kFull), run.Sample(Range::kFull)};
    case Kind::kYAlone: return {run.Sample(Range::kFull), colour.cb, colour.cr};
    case Kind::kCbAlone: return {colour.y, run.Sample(Range::kFull), colour.cr};
    case Kind::kCrAlone: return {colour.y, colour.cb, run.Sample(Range::kFull)};
    case Kind::kTie:
    case Kind::kCount: break;
  }
  return Ties()[size_t(run.Uniform(0, int(Ties().size()) - 1))];
}

// All three planes given, or Y alone with each pixel's own Cb and Cr (every
// other case, and when timing), of each kind of pixel; with a colour row,
// that row's colours as they convert, the planes given or Y alone. The
// fourth byte of RGBA pixels stays.
bool PlanesToRgbCase(Run& run, int n, int channels, int case_number, int colour_row = -1) {
  const bool luma = case_number % 2 == 0;
  const auto kind = Kind(case_number / 2 % int(Kind::kCount));
  const int rgb_offset = ByteOffset(run);
  const int offsets[3] = {SampleOffset(run), SampleOffset(run), SampleOffset(run)};
  Buffer<int16_t> y(run.rng, 0, n, offsets[0]), cb(run.rng, 0, luma ? 0 : n, offsets[1]),
      cr(run.rng, 0, luma ? 0 : n, offsets[2]);
  Buffer<uint8_t> rgb(run.rng, 0, ptrdiff_t{n} * channels, rgb_offset);
  std::vector<QuorlinPixel> want_yc(static_cast<size_t>(n));
  for (ptrdiff_t x = 0; x < n; ++x) {
    uint8_t* c = &rgb[x * channels];
    QuorlinPixel p;
    if (colour_row >= 0) {
      const Rgb8 colour = ColourOf(colour_row, x);
      c[0] = colour.r, c[1] = colour.g, c[2] = colour.b;
      p = RgbToYc(colour);
    } else {
      p = PixelFor(run, kind);
    }
    if (luma) {
      // Y near the pixel's own now and then, where the rounding is closest.
      const QuorlinPixel own = RgbToYc({c[0], c[1], c[2]});
      if (kind == Kind::kNudged && colour_row < 0) p.y = int16_t(own.y + run.Uniform(-40, 40));
      p.cb = own.cb, p.cr = own.cr;
    } else {
      cb[x] = p.cb, cr[x] = p.cr;
    }
    y[x] = p.y;
    want_yc[size_t(x)] = p;
  }
  const std::vector<uint8_t> before(rgb.data(), rgb.data() + ptrdiff_t{n} * channels);
  run.Args("n %d channels %d%s pixels %s y +%d bytes cb +%d bytes cr +%d bytes rgb +%d bytes", n, channels,
           luma ? " y alone" : "", colour_row >= 0 ? "of every colour" : NameOf(kind), offsets[0], offsets[1],
           offsets[2], rgb_offset);
  y.Seal(), cb.Seal(), cr.Seal(), rgb.Seal();
  const bool check = run.Make([&] {
    run.k.planes_to_rgb_row(y.data(), luma ? nullptr : cb.data(), luma ? nullptr : cr.data(), n, channels,
                            rgb.data());
  });
  if (!check) return true;
  if (!run.Kept(rgb, "rgb", 0, ptrdiff_t{n} * channels) || !run.Kept(y, "y", 0, 0) || !run.Kept(cb, "cb", 0, 0) ||
      !run.Kept(cr, "cr", 0, 0)) {
    return false;
  }
  for (ptrdiff_t x = 0; x < n; ++x) {
    const QuorlinPixel p = want_yc[size_t(x)];
    const Rgb8 c = YcToRgb(p);
    const uint8_t want[4] = {c.r, c.g, c.b, channels == 4 ? before[size_t(x * channels + 3)] : uint8_t(0)};
    for (int i = 0; i < channels; ++i) {
      const auto where = [&] {
        return At("rgb", x * channels + i) + " (yc " + std::to_string(p.y) + "," + std::to_string(p.cb) + "," +
               std::to_string(p.cr) + ")";
      };
      if (!run.Same(rgb[x * channels + i], want[i], where)) return false;
    }
  }
  return true;
}

}  // namespace

void CheckCodesToValues(Run& run) {
  ForWidthsAndScales(run, [&](int n, Scale s, int i) { return CodesToValuesCase(run, n, s, i); });
  ForEveryScale(run, [&](Scale s) { return CodesToValuesCase(run, s.depth > 8 ? 1 << 16 : 1 << 8, s, 0, true); });
}

void CheckValuesToCodes(Run& run) {
  ForWidthsAndScales(run, [&](int n, Scale s, int i) { return ValuesToCodesCase(run, n, s, i); });
  ForEveryScale(run, [&](Scale s) { return ValuesToCodesCase(run, 1 << 16, s, 0, true); });
}

void CheckSpreadPairs(Run& run) {
  ForWidths(run, [&](int n, int i) { return SpreadPairsCase(run, n, i); });
}

void CheckBlockMeans(Run& run) {
  ForWidths(run, [&](int n, int i) { return BlockMeansCase(run, n, i); });
}

void CheckRgbToPlanesRow(Run& run) {
  ForWidthsAndChannels(run, 2, [&](int n, int channels, int i) { return RgbToPlanesCase(run, n, channels, i); });
  ForEveryColour(run, [&](int channels, int row) { return RgbToPlanesCase(run, kColourRow, channels, 1, row); });
}

void CheckPlanesToRgbRow(Run& run) {
  ForWidthsAndChannels(run, 2 * int(Kind::kCount),
                       [&](int n, int channels, int i) { return PlanesToRgbCase(run, n, channels, i); });
  ForEveryColour(run, [&](int channels, int row) {
    return PlanesToRgbCase(run, kColourRow, channels, row / 2 % 2, row);
  });
}

}  // namespace quorlin::checkasm

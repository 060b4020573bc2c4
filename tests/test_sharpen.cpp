// Whole frames through the host's entry point against the model, and the
// worked values of the luma sharpen.
#include <gtest/gtest.h>

#include <sstream>

#include "kernels/combine.h"
#include "tests/harness.h"

namespace quorlin {
namespace {

// Runs the frame through the filter and the model; both must agree on the
// result and on every byte of the buffer, inside the picture and out.
void ExpectSameAsModel(const model::Frame& input, const model::Controls& c, const std::string& what) {
  model::Frame real = input;
  model::Frame want = input;
  ASSERT_EQ(RunHost(real, c), model::Filter(want, c)) << what;
  ASSERT_TRUE(SamePixels(real, want)) << what;
}

std::string Describe(const model::Frame& f, const model::Controls& c, int threads) {
  std::ostringstream s;
  s << f.w << "x" << f.h << " in " << f.max_w << "x" << f.max_h << " threads " << threads << " controls";
  for (int v : c.value) s << " " << v;
  return s.str();
}

// All four pipelines: luma only or with chroma, limited or not.
TEST(Sharpen, WholeFramesMatchTheModel) {
  std::mt19937 rng(99);
  std::uniform_int_distribution<int> strength(0, 256), threshold(0, 40), limit(-40, 40), coin(0, 1), pad(0, 5);
  const int sizes[][2] = {{1, 1}, {1, 7}, {7, 1},  {2, 2},   {2, 9},  {3, 3},   {4, 5},  {3, 6},  {9, 2},
                          {3, 5}, {5, 3}, {5, 7},  {7, 9},   {8, 8},
                          {9, 4}, {15, 6}, {16, 21}, {17, 22}, {23, 23}, {24, 11}, {29, 5}, {31, 43},
                          {32, 2}, {33, 41}, {40, 12}, {41, 42}, {63, 17}, {64, 3}, {65, 44},
                          // Rows whose segments hold runs of 8 and more columns.
                          {72, 9}, {100, 5}, {129, 11}, {136, 4}, {203, 7}};
  for (int threads : {1, 2, 3}) {
    ScopedThreads scope(threads);
    for (int radius = 1; radius <= 10; ++radius) {
      for (auto [w, h] : sizes) {
        for (auto [luma_only, limited] : {std::pair{1, 0}, {1, 1}, {0, 0}, {0, 1}}) {
          model::Controls c;
          c[QUORLIN_RADIUS] = radius;
          c[QUORLIN_LUMA_STRENGTH] = strength(rng);
          c[QUORLIN_LUMA_THRESHOLD] = threshold(rng);
          c[QUORLIN_LUMA_LIMIT] = limit(rng);
          c[QUORLIN_CHROMA_STRENGTH] = strength(rng);
          c[QUORLIN_CHROMA_THRESHOLD] = threshold(rng);
          c[QUORLIN_CHROMA_LIMIT] = limit(rng);
          c[QUORLIN_INTERLACE] = coin(rng);
          c[QUORLIN_LUMA_ONLY] = luma_only;
          c[QUORLIN_LIMIT_MODE] = limited;
          const auto range = coin(rng) ? model::Range::Full : model::Range::Natural;
          const model::Frame f = model::RandomFrame(rng, w, h, w + pad(rng), h + pad(rng), range);
          ExpectSameAsModel(f, c, Describe(f, c, threads));
        }
      }
    }
  }
}

TEST(Sharpen, WidthsAroundTheVectorGroupAndTheWindow) {
  std::mt19937 rng(3);
  for (int threads : {1, 3}) {
    ScopedThreads scope(threads);
    for (int radius : {1, 2, 5, 10}) {
      for (int w = 2 * radius - 1; w <= 2 * radius + 10; ++w) {
        for (int w8 : {w, 8 * (w / 8 + 1) - 1, 8 * (w / 8 + 1), 8 * (w / 8 + 1) + 1}) {
          model::Controls c;
          c[QUORLIN_RADIUS] = radius;
          c[QUORLIN_LUMA_STRENGTH] = 256;
          c[QUORLIN_CHROMA_STRENGTH] = 200;
          c[QUORLIN_LUMA_LIMIT] = w8 % 5 - 2;
          c[QUORLIN_CHROMA_LIMIT] = w8 % 7 - 3;
          c[QUORLIN_INTERLACE] = w % 2;
          c[QUORLIN_LUMA_ONLY] = w8 % 3 != 0;
          c[QUORLIN_LIMIT_MODE] = w8 % 4 < 2;
          const model::Frame f = model::RandomFrame(rng, w8, 2 * radius + 3, w8 + 8, 2 * radius + 5,
                                                    model::Range::Full);
          ExpectSameAsModel(f, c, Describe(f, c, threads));
        }
      }
    }
  }
}

// Each thread rewrites its own band of rows in place while its neighbours'
// windows reach into it: bands of every length against every window, more
// threads than rows, and fields of odd and even heights.
TEST(Sharpen, BandsOfEveryLengthMatchTheModel) {
  std::mt19937 rng(77);
  std::uniform_int_distribution<int> limit(-8, 8);
  int round = 0;
  for (int threads : {2, 3, 4, 5, 8}) {
    ScopedThreads scope(threads);
    for (int radius : {1, 2, 3, 10}) {
      for (int h = 1; h <= std::min(4 * (2 * radius + 1) + 3, 48); ++h, ++round) {
        model::Controls c;
        c[QUORLIN_RADIUS] = radius;
        c[QUORLIN_LUMA_STRENGTH] = 256;
        c[QUORLIN_CHROMA_STRENGTH] = 256;
        c[QUORLIN_LUMA_LIMIT] = limit(rng);
        c[QUORLIN_CHROMA_LIMIT] = limit(rng);
        c[QUORLIN_INTERLACE] = round % 2;
        c[QUORLIN_LUMA_ONLY] = round / 2 % 2;
        c[QUORLIN_LIMIT_MODE] = round / 4 % 2;
        const model::Frame f = model::RandomFrame(rng, 13, h, 14, h + 1, model::Range::Full);
        ExpectSameAsModel(f, c, Describe(f, c, threads));
      }
    }
  }
}

TEST(Sharpen, ControlsOutOfTheirRangesAreClampedLikeTheModelSays) {
  std::mt19937 rng(17);
  const model::Frame f = model::RandomFrame(rng, 37, 29, 40, 31, model::Range::Natural);
  for (int radius : {INT32_MIN, -1, 0, 11, INT32_MAX}) {
    for (int strength : {-5, 300, INT32_MAX}) {
      for (int threshold : {-5, 600, INT32_MAX}) {
        model::Controls c;
        c[QUORLIN_RADIUS] = radius;
        c[QUORLIN_LUMA_STRENGTH] = strength;
        c[QUORLIN_LUMA_THRESHOLD] = threshold;
        c[QUORLIN_CHROMA_STRENGTH] = strength;
        c[QUORLIN_CHROMA_THRESHOLD] = threshold;
        c[QUORLIN_LUMA_LIMIT] = threshold / 7;
        c[QUORLIN_CHROMA_LIMIT] = -threshold / 9;
        c[QUORLIN_INTERLACE] = 5;
        for (auto [luma_only, limited] : {std::pair{-1, 0}, {2, -3}, {0, 0}, {0, 9}}) {
          c[QUORLIN_LUMA_ONLY] = luma_only;
          c[QUORLIN_LIMIT_MODE] = limited;
          ExpectSameAsModel(f, c, Describe(f, c, 0));
        }
      }
    }
  }
}

// One interior pixel of value `in` in a frame of `around`, radius 1: its blur
// is (in + 8 * around) * 7281 >> 16.
int SharpenCentre(int16_t in, int16_t around, int strength, int threshold_track) {
  model::Frame f(9, 9, 9, 9);
  for (QuorlinPixel& p : f.px) p = {around, 11, -11};
  f.at(4, 4).y = in;
  model::Controls c;
  c[QUORLIN_RADIUS] = 1;
  c[QUORLIN_LUMA_STRENGTH] = strength;
  c[QUORLIN_LUMA_THRESHOLD] = threshold_track;
  EXPECT_EQ(RunHost(f, c), 1);
  for (const QuorlinPixel& p : f.px) EXPECT_TRUE(p.cb == 11 && p.cr == -11) << "chroma changed";
  return f.at(4, 4).y;
}

TEST(SharpenY, WorkedValues) {
  // 4000 among 2876: blur 27008 * 7281 >> 16 = 3000, no clamp to a luma range.
  EXPECT_EQ(SharpenCentre(4000, 2876, 256, 0), 5000);
  EXPECT_EQ(SharpenCentre(4000, 2876, 0, 0), 4000);
  // Rounding toward minus infinity: 1 among 0 has blur 0 (d = +1) and keeps
  // its value below full strength; 0 among 2 has blur 1 (d = -1) and drops.
  EXPECT_EQ(SharpenCentre(1, 0, 64, 0), 1);
  EXPECT_EQ(SharpenCentre(1, 0, 256, 0), 2);
  for (int strength : {1, 64, 255, 256}) EXPECT_EQ(SharpenCentre(0, 2, strength, 0), -1) << strength;
  // The threshold is strict, for both signs: 1001 among 0 has blur 111
  // (d = 890); -1000 among 0 has blur -112 (d = -888).
  EXPECT_EQ(SharpenCentre(1001, 0, 256, 445), 1001);
  EXPECT_EQ(SharpenCentre(1001, 0, 256, 444), 1001 + 890);
  EXPECT_EQ(SharpenCentre(-1000, 0, 256, 444), -1000);
  EXPECT_EQ(SharpenCentre(-1000, 0, 256, 443), -1000 - 888);
  // A result past 16 bits wraps: 32000 among 0 has blur 3555, d = 28445.
  EXPECT_EQ(SharpenCentre(32000, 0, 256, 0), int16_t(32000 + 28445 - 65536));
}

TEST(SharpenY, UniformFrameSharpensByTheBlurRoundingOnly) {
  for (auto [strength, want] : {std::pair{64, 4096}, {256, 4097}, {0, 4096}}) {
    model::Frame f(21, 13, 24, 13);
    for (QuorlinPixel& p : f.px) p = {4096, 0, 0};
    model::Controls c;
    c[QUORLIN_RADIUS] = 1;
    c[QUORLIN_LUMA_STRENGTH] = strength;
    ASSERT_EQ(RunHost(f, c), 1);
    for (int y = 0; y < f.h; ++y)
      for (int x = 0; x < f.max_w; ++x) ASSERT_EQ(f.at(x, y).y, x < f.w ? want : 4096) << x << "," << y;
  }
}

struct Worked {
  int16_t in, blur;
  int strength, threshold;
  int16_t out;
};

// The rule's worked values, straight through the combine steps: each case
// fills a row of width 5 (two vector pairs or groups and a scalar tail), in
// each channel in turn, the other channels held at strength 0.
const Worked kWorked[] = {
    {2000, 1800, 64, 0, 2050},   {100, 101, 64, 0, 99},      {101, 100, 64, 0, 101},
    {500, 420, 32, 0, 510},      {-100, -60, 32, 0, -105},   {1000, 1200, 256, 0, 800},
    {2000, 1800, 64, 200, 2000}, {2000, 1800, 64, 199, 2050}, {32000, 0, 256, 0, -1536},
    {16384, -16384, 256, 0, 16384}, {4000, 3000, 256, 0, 5000}, {0, 0, 256, 0, 0},
};

struct WorkedLimited {
  int16_t in, blur, lo, hi;
  int strength, threshold, limit;
  int16_t out;
};

// Worked values of the limited rules (strength 64, threshold 0 unless set).
const WorkedLimited kLumaLimited[] = {
    {500, 300, 400, 510, 64, 0, 0, 510},    {500, 300, 400, 510, 64, 0, 16, 526},
    {500, 300, 400, 510, 64, 0, -16, 494},  {500, 300, 400, 600, 64, 0, 0, 550},
    {500, 490, 450, 500, 64, 20, 0, 500},   {500, 490, 450, 500, 64, 20, -16, 484},
    {4096, 4095, 4096, 4096, 256, 0, 0, 4096}, {4096, 4095, 4096, 4096, 256, 0, 16, 4097},
    {4096, 4095, 4096, 4096, 256, 0, -16, 4080},
    // Saturation before the clamp: 32000 + 28445 stops at 32767.
    {32000, 3555, -32768, 32767, 256, 0, 0, 32767}, {-32000, -3555, -32768, 32767, 256, 0, 0, -32768},
};
const WorkedLimited kYCLimited[] = {
    {2000, 1800, 1900, 2010, 64, 0, 0, 2010},  {2000, 1800, 1900, 2010, 64, 0, 16, 2026},
    {2000, 1800, 1900, 2010, 64, 0, -16, 1994}, {2000, 1800, 1900, 2100, 64, 0, 0, 2050},
    {1995, 1800, 1990, 2000, 64, 0, -16, 1984}, {2000, 1990, 1950, 2000, 64, 20, 0, 2000},
    {2000, 1990, 1950, 2000, 64, 20, -16, 1984}, {100, 101, 90, 110, 64, 0, 0, 99},
    {101, 100, 90, 110, 64, 0, 0, 101},         {500, 420, 480, 505, 32, 0, 0, 505},
    {500, 420, 480, 505, 32, 0, 32, 510},
    // No saturation here: the wrapped value is clamped.
    {32000, 0, -32768, 32767, 256, 0, 0, -1536},
};

// A row of the one value pair (and envelope) through CombineRow, over a width
// that leaves a partial group of eight.
std::vector<int16_t> CombineOne(int16_t in, int16_t blur, int16_t lo, int16_t hi, ChannelParams params,
                                Bound bound) {
  constexpr int kWidth = 13;
  alignas(32) int16_t in_row[16], blur_row[16], lo_row[16], hi_row[16], out[16];
  std::fill(in_row, in_row + 16, in);
  std::fill(blur_row, blur_row + 16, blur);
  std::fill(lo_row, lo_row + 16, lo);
  std::fill(hi_row, hi_row + 16, hi);
  K().combine_row(in_row, blur_row, lo_row, hi_row, kWidth, params, bound, out);
  return std::vector<int16_t>(out, out + kWidth);
}

TEST(CombineRow, WorkedValues) {
  for (const Worked& w : kWorked) {
    const ChannelParams params{int16_t(w.strength), int16_t(w.threshold), 0};
    for (int16_t out : CombineOne(w.in, w.blur, 0, 0, params, Bound::None))
      EXPECT_EQ(out, w.out) << w.in << " " << w.blur << " s " << w.strength << " t " << w.threshold;
    EXPECT_EQ(model::SharpenSample(w.in, w.blur, w.strength, w.threshold), w.out) << "model";
  }
}

TEST(CombineRow, WorkedValuesOfTheLimitedRules) {
  for (const WorkedLimited& w : kLumaLimited) {
    const ChannelParams params{int16_t(w.strength), int16_t(w.threshold), int16_t(w.limit)};
    for (int16_t out : CombineOne(w.in, w.blur, w.lo, w.hi, params, Bound::Saturated))
      EXPECT_EQ(out, w.out) << w.in << " " << w.blur << " [" << w.lo << ", " << w.hi << "] limit " << w.limit;
  }
  for (const WorkedLimited& w : kYCLimited) {
    const ChannelParams params{int16_t(w.strength), int16_t(w.threshold), int16_t(w.limit)};
    for (int16_t out : CombineOne(w.in, w.blur, w.lo, w.hi, params, Bound::Wrapped))
      EXPECT_EQ(out, w.out) << w.in << " " << w.blur << " [" << w.lo << ", " << w.hi << "] limit " << w.limit;
  }
}

TEST(CombineRow, MatchesTheModelOnRandomSamples) {
  std::mt19937 rng(21);
  std::uniform_int_distribution<int> sample(-32768, 32767), strength(0, 256), threshold(0, 1024), limit(-512, 512);
  constexpr int kWidth = 61;
  alignas(32) int16_t in[64], blur[64], lo[64], hi[64], out[64];
  for (int round = 0; round < 200; ++round) {
    for (int x = 0; x < 64; ++x) {
      in[x] = int16_t(sample(rng));
      // Blurs near the sample as well as anywhere, so that thresholds matter.
      blur[x] = int16_t(round % 2 ? sample(rng) : in[x] + sample(rng) % 64);
      const int16_t a = int16_t(sample(rng)), b = int16_t(sample(rng));
      lo[x] = std::min(a, b);
      hi[x] = round % 3 ? std::max(a, b) : int16_t(lo[x] + 100);
    }
    const ChannelParams p{int16_t(strength(rng)), int16_t(round % 5 ? threshold(rng) : 0), int16_t(limit(rng))};
    for (Bound bound : {Bound::None, Bound::Wrapped, Bound::Saturated}) {
      K().combine_row(in, blur, lo, hi, kWidth, p, bound, out);
      for (int x = 0; x < kWidth; ++x) {
        int16_t want = bound == Bound::Saturated ? model::SharpenSampleSaturated(in[x], blur[x], p.strength, p.threshold)
                                                 : model::SharpenSample(in[x], blur[x], p.strength, p.threshold);
        if (bound != Bound::None) want = model::Limit(want, lo[x], hi[x], p.limit);
        ASSERT_EQ(out[x], want) << "x " << x << " round " << round;
      }
    }
  }
}

}  // namespace
}  // namespace quorlin

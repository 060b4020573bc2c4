// Whole frames through the host's entry point against the model, and the
// worked values of the luma sharpen.
#include <gtest/gtest.h>

#include <sstream>

#include "combine/sharpen.h"
#include "tests/harness.h"

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
  s << f.w << "x" << f.h << " in " << f.max_w << "x" << f.max_h << " threads " << threads << " track";
  for (int v : c.track) s << " " << v;
  s << " check";
  for (int v : c.check) s << " " << v;
  return s.str();
}

// All four pipelines: luma only or with chroma, limited or not.
TEST(Sharpen, WholeFramesMatchTheModel) {
  std::mt19937 rng(99);
  std::uniform_int_distribution<int> strength(0, 256), threshold(0, 40), limit(-40, 40), coin(0, 1), pad(0, 5);
  const int sizes[][2] = {{1, 1}, {1, 7}, {7, 1},  {2, 2},   {2, 9},  {3, 3},   {4, 5},  {3, 6},  {9, 2},
                          {3, 5}, {5, 3}, {5, 7},  {7, 9},   {8, 8},
                          {9, 4}, {15, 6}, {16, 21}, {17, 22}, {23, 23}, {24, 11}, {29, 5}, {31, 43},
                          {32, 2}, {33, 41}, {40, 12}, {41, 42}, {63, 17}, {64, 3}, {65, 44}};
  for (int threads : {1, 2, 3}) {
    ScopedThreads scope(threads);
    for (int radius = 1; radius <= 10; ++radius) {
      for (auto [w, h] : sizes) {
        for (auto [luma_only, limited] : {std::pair{1, 0}, {1, 1}, {0, 0}, {0, 1}}) {
          model::Controls c;
          c.track[kTrackRadius] = radius;
          c.track[kTrackLumaStrength] = strength(rng);
          c.track[kTrackLumaThreshold] = threshold(rng);
          c.track[kTrackLumaLimit] = limit(rng);
          c.track[kTrackChromaStrength] = strength(rng);
          c.track[kTrackChromaThreshold] = threshold(rng);
          c.track[kTrackChromaLimit] = limit(rng);
          c.check[kCheckInterlace] = coin(rng);
          c.check[kCheckLumaOnly] = luma_only;
          c.check[kCheckLimit] = limited;
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
          c.track[kTrackRadius] = radius;
          c.track[kTrackLumaStrength] = 256;
          c.track[kTrackChromaStrength] = 200;
          c.track[kTrackLumaLimit] = w8 % 5 - 2;
          c.track[kTrackChromaLimit] = w8 % 7 - 3;
          c.check[kCheckInterlace] = w % 2;
          c.check[kCheckLumaOnly] = w8 % 3 != 0;
          c.check[kCheckLimit] = w8 % 4 < 2;
          const model::Frame f = model::RandomFrame(rng, w8, 2 * radius + 3, w8 + 8, 2 * radius + 5,
                                                    model::Range::Full);
          ExpectSameAsModel(f, c, Describe(f, c, threads));
        }
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
        c.track[kTrackRadius] = radius;
        c.track[kTrackLumaStrength] = strength;
        c.track[kTrackLumaThreshold] = threshold;
        c.track[kTrackChromaStrength] = strength;
        c.track[kTrackChromaThreshold] = threshold;
        c.track[kTrackLumaLimit] = threshold / 7;
        c.track[kTrackChromaLimit] = -threshold / 9;
        c.check[kCheckInterlace] = 5;
        for (auto [luma_only, limited] : {std::pair{-1, 0}, {2, -3}, {0, 0}, {0, 9}}) {
          c.check[kCheckLumaOnly] = luma_only;
          c.check[kCheckLimit] = limited;
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
  for (PIXEL_YC& p : f.px) p = {around, 11, -11};
  f.at(4, 4).y = in;
  model::Controls c;
  c.track[kTrackRadius] = 1;
  c.track[kTrackLumaStrength] = strength;
  c.track[kTrackLumaThreshold] = threshold_track;
  EXPECT_EQ(RunHost(f, c), 1);
  for (const PIXEL_YC& p : f.px) EXPECT_TRUE(p.cb == 11 && p.cr == -11) << "chroma changed";
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
    for (PIXEL_YC& p : f.px) p = {4096, 0, 0};
    model::Controls c;
    c.track[kTrackRadius] = 1;
    c.track[kTrackLumaStrength] = strength;
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

TEST(CombineYC, WorkedValues) {
  for (const Worked& w : kWorked) {
    for (int channel = 0; channel < 3; ++channel) {
      PIXEL_YC row[5], blur_px[5];
      for (int x = 0; x < 5; ++x) {
        row[x] = {7, 7, 7};
        blur_px[x] = {3, 3, 3};
        int16_t PIXEL_YC::*member = channel == 0 ? &PIXEL_YC::y : channel == 1 ? &PIXEL_YC::cb : &PIXEL_YC::cr;
        row[x].*member = w.in;
        blur_px[x].*member = w.blur;
      }
      CPixels frame(row, 5, 5, 1, sizeof row);
      CPixels blur(5, 1, 8);
      std::copy(blur_px, blur_px + 5, blur.data);
      const int16_t s = int16_t(w.strength), t = int16_t(w.threshold);
      alignas(16) int16_t strength[8] = {0, 0, 0, 0, 0, 0, 0, 0};
      alignas(16) int16_t threshold[8] = {0, 0, 0, 0, 0, 0, 0, 0};
      // Lanes are (Y, Cr, Cb, 0): luma in lane 0, chroma in lanes 1 and 2.
      const int lane = channel == 0 ? 0 : channel == 1 ? 2 : 1;
      strength[lane] = strength[lane + 4] = s;
      threshold[lane] = threshold[lane + 4] = t;
      CombineYC(threshold, strength, blur, 1, 5, frame);
      for (int x = 0; x < 5; ++x) {
        const int16_t got = channel == 0 ? row[x].y : channel == 1 ? row[x].cb : row[x].cr;
        EXPECT_EQ(got, w.out) << w.in << " " << w.blur << " channel " << channel << " x " << x;
        EXPECT_EQ(channel == 0 ? row[x].cb : row[x].y, 7) << "other channel changed";
      }
    }
  }
}

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

TEST(CombineYLimited, WorkedValues) {
  for (const WorkedLimited& w : kLumaLimited) {
    PIXEL_YC row[11];
    for (PIXEL_YC& p : row) p = {w.in, 5, -5};
    CPixels frame(row, 11, 11, 1, sizeof row);
    CSPixel_s16 blur(11, 1, 16), lo(11, 1, 16), hi(11, 1, 16);
    std::fill(blur.data, blur.data + 11, w.blur);
    std::fill(lo.data, lo.data + 11, w.lo);
    std::fill(hi.data, hi.data + 11, w.hi);
    alignas(16) int16_t limit[8];
    std::fill(limit, limit + 8, int16_t(w.limit));
    CombineYLimited(0, frame, blur, lo, hi, limit, w.strength, w.threshold, 11);
    for (const PIXEL_YC& p : row) {
      EXPECT_EQ(p.y, w.out) << w.in << " " << w.blur << " [" << w.lo << ", " << w.hi << "] limit " << w.limit;
      EXPECT_TRUE(p.cb == 5 && p.cr == -5);
    }
  }
}

TEST(CombineYCLimited, WorkedValuesInEveryChannel) {
  for (const WorkedLimited& w : kYCLimited) {
    for (int channel = 0; channel < 3; ++channel) {
      int16_t PIXEL_YC::*member = channel == 0 ? &PIXEL_YC::y : channel == 1 ? &PIXEL_YC::cb : &PIXEL_YC::cr;
      PIXEL_YC row[5], blur_px[5], lo_px[5], hi_px[5];
      for (int x = 0; x < 5; ++x) {
        // Other channels: sample 7 inside [0, 9], strength 0: unchanged.
        row[x] = {7, 7, 7};
        blur_px[x] = {3, 3, 3};
        lo_px[x] = {0, 0, 0};
        hi_px[x] = {9, 9, 9};
        row[x].*member = w.in;
        blur_px[x].*member = w.blur;
        lo_px[x].*member = w.lo;
        hi_px[x].*member = w.hi;
      }
      CPixels frame(row, 5, 5, 1, sizeof row);
      CPixels blur(5, 1, 8), lo(5, 1, 8), hi(5, 1, 8);
      std::copy(blur_px, blur_px + 5, blur.data);
      std::copy(lo_px, lo_px + 5, lo.data);
      std::copy(hi_px, hi_px + 5, hi.data);
      alignas(16) int16_t strength[8] = {}, threshold[8] = {}, limit[8] = {};
      const int lane = channel == 0 ? 0 : channel == 1 ? 2 : 1;  // lanes are (Y, Cr, Cb, 0)
      strength[lane] = strength[lane + 4] = int16_t(w.strength);
      threshold[lane] = threshold[lane + 4] = int16_t(w.threshold);
      limit[lane] = limit[lane + 4] = int16_t(w.limit);
      CombineYCLimited(threshold, strength, limit, hi, lo, blur, 1, 5, frame);
      for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(row[x].*member, w.out) << w.in << " " << w.blur << " channel " << channel << " x " << x;
        EXPECT_EQ(channel == 0 ? row[x].cb : row[x].y, 7) << "other channel changed";
      }
    }
  }
}

TEST(CombineY, WorkedValues) {
  for (const Worked& w : kWorked) {
    PIXEL_YC row[13];
    for (PIXEL_YC& p : row) p = {w.in, 5, -5};
    CPixels frame(row, 13, 13, 1, sizeof row);
    CSPixel_s16 blur(13, 1, 16);
    std::fill(blur.data, blur.data + 13, w.blur);
    CombineY(frame, blur, 13, 1, w.strength, w.threshold);
    for (const PIXEL_YC& p : row) {
      EXPECT_EQ(p.y, w.out) << w.in << " " << w.blur;
      EXPECT_TRUE(p.cb == 5 && p.cr == -5);
    }
  }
}

}  // namespace

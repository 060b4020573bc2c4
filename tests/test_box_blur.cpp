// The luma box blur against the clamped-window definition, and the worked
// values every implementation of it must give.
#include <gtest/gtest.h>

#include "blur/box_blur.h"
#include "tests/harness.h"

namespace {

// Blurs the picture's luma with the filter's own stage; w x h row-major.
std::vector<int16_t> StageBlurY(model::Frame& f, int radius, bool interlace) {
  CPixels src(f.px.data(), f.max_w, f.w, f.h, int32_t(f.px.size() * sizeof(PIXEL_YC)));
  CSPixel_s16 dst(f.w, f.h, RoundUp(f.w, 8));
  // Sentinels beyond the width must survive.
  for (int y = 0; y < f.h; ++y) {
    for (int x = f.w; x < dst.pitch; ++x) dst.Row(y)[x] = 0x7E7E;
  }
  EXPECT_TRUE(BoxBlurY(src, dst, radius, interlace));
  std::vector<int16_t> out;
  for (int y = 0; y < f.h; ++y) {
    out.insert(out.end(), dst.Row(y), dst.Row(y) + f.w);
    for (int x = f.w; x < dst.pitch; ++x) EXPECT_EQ(dst.Row(y)[x], 0x7E7E);
  }
  return out;
}

// Blurs all three channels with the filter's own stage; w x h row-major.
std::vector<PIXEL_YC> StageBlurYC(model::Frame& f, int radius, bool interlace) {
  CPixels src(f.px.data(), f.max_w, f.w, f.h, int32_t(f.px.size() * sizeof(PIXEL_YC)));
  CPixels dst(f.w, f.h, RoundUp(f.w, 8));
  const PIXEL_YC sentinel = {0x7E7E, -2, 3};
  for (int y = 0; y < f.h; ++y) std::fill(dst.Row(y) + f.w, dst.Row(y) + dst.pitch, sentinel);
  EXPECT_TRUE(BoxBlurYC(src, dst, radius, interlace));
  std::vector<PIXEL_YC> out;
  for (int y = 0; y < f.h; ++y) {
    out.insert(out.end(), dst.Row(y), dst.Row(y) + f.w);
    for (int x = f.w; x < dst.pitch; ++x) EXPECT_TRUE(SamePixel(dst.Row(y)[x], sentinel));
  }
  return out;
}

bool SameBlur(const std::vector<PIXEL_YC>& a, const std::vector<PIXEL_YC>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), SamePixel);
}

model::Frame Uniform(int w, int h, int16_t y) {
  model::Frame f(w, h, w, h);
  for (PIXEL_YC& p : f.px) p = {y, -100, 77};
  return f;
}

TEST(BoxBlur, LumaAndYCMatchTheWindowDefinitionEverywhere) {
  std::mt19937 rng(2024);
  const int widths[] = {1, 2, 3, 5, 7, 8, 9, 15, 16, 17, 21, 22, 23, 24, 25, 31, 33, 40, 47, 64};
  for (int threads : {1, 2, 3}) {
    ScopedThreads scope(threads);
    for (int radius = 1; radius <= 10; ++radius) {
      for (bool interlace : {false, true}) {
        for (int w : widths) {
          // Heights around the window, and around twice it for the fields.
          for (int h : {1, 2, 2 * radius, 2 * radius + 1, 2 * radius + 2, 4 * radius + 1, 4 * radius + 3, 37}) {
            const auto range = (w + h) % 2 ? model::Range::Full : model::Range::Natural;
            model::Frame f = model::RandomFrame(rng, w, h, w + 3, h, range);
            const model::Frame before = f;
            ASSERT_EQ(StageBlurY(f, radius, interlace), model::BlurY(f, radius, interlace))
                << w << "x" << h << " r" << radius << " interlace " << interlace << " threads " << threads;
            ASSERT_TRUE(SameBlur(StageBlurYC(f, radius, interlace), model::BlurYC(f, radius, interlace)))
                << w << "x" << h << " r" << radius << " interlace " << interlace << " threads " << threads;
            ASSERT_TRUE(SamePixels(f, before));
          }
        }
      }
    }
  }
}

TEST(BoxBlur, UniformPlanesLoseTheRoundingOfTheFactor) {
  const int16_t from4096[] = {4095, 4095, 4094, 4095, 4091, 4087, 4092, 4082, 4083, 4079};
  const int16_t from1000[] = {999, 999, 999, 999, 998, 997, 999, 996, 997, 995};
  for (int radius = 1; radius <= 10; ++radius) {
    for (bool interlace : {false, true}) {
      model::Frame f = Uniform(30, 45, 4096);
      for (int16_t b : StageBlurY(f, radius, interlace)) ASSERT_EQ(b, from4096[radius - 1]) << radius;
      f = Uniform(30, 45, 1000);
      for (int16_t b : StageBlurY(f, radius, interlace)) ASSERT_EQ(b, from1000[radius - 1]) << radius;
      f = Uniform(30, 45, -100);
      for (int16_t b : StageBlurY(f, radius, interlace)) ASSERT_EQ(b, -100) << radius;
      // YC: Y = 4096 and Cb = -100 at once, each channel on its own.
      f = Uniform(30, 45, 4096);
      for (const PIXEL_YC& b : StageBlurYC(f, radius, interlace)) {
        ASSERT_TRUE(b.y == from4096[radius - 1] && b.cb == -100) << radius;
      }
    }
  }
}

TEST(BoxBlur, LeftEdgeReplicates) {
  model::Frame f = Uniform(12, 6, 0);
  for (int y = 0; y < 6; ++y) f.at(0, y).y = 1000;
  const std::vector<int16_t> b = StageBlurY(f, 1, false);
  EXPECT_EQ(b[3 * 12 + 0], 666);
  EXPECT_EQ(b[3 * 12 + 1], 333);
  EXPECT_EQ(b[3 * 12 + 2], 0);
  const std::vector<PIXEL_YC> yc = StageBlurYC(f, 1, false);
  EXPECT_EQ(yc[3 * 12 + 0].y, 666);
  EXPECT_EQ(yc[3 * 12 + 1].y, 333);
  EXPECT_EQ(yc[3 * 12 + 2].y, 0);
}

TEST(BoxBlur, FieldsBlurApartUnderInterlace) {
  model::Frame f = Uniform(12, 8, 0);
  for (int y = 1; y < 8; y += 2)
    for (int x = 0; x < 12; ++x) f.at(x, y).y = 1000;
  const std::vector<int16_t> progressive = StageBlurY(f, 1, false);
  const std::vector<int16_t> interlaced = StageBlurY(f, 1, true);
  const std::vector<PIXEL_YC> progressive_yc = StageBlurYC(f, 1, false);
  const std::vector<PIXEL_YC> interlaced_yc = StageBlurYC(f, 1, true);
  const int16_t want_progressive[] = {333, 333, 666, 333, 666, 333, 666, 666};
  const int16_t want_interlaced[] = {0, 999, 0, 999, 0, 999, 0, 999};
  for (int y = 0; y < 8; ++y) {
    EXPECT_EQ(progressive[y * 12 + 5], want_progressive[y]) << y;
    EXPECT_EQ(interlaced[y * 12 + 5], want_interlaced[y]) << y;
    EXPECT_EQ(progressive_yc[y * 12 + 5].y, want_progressive[y]) << y;
    EXPECT_EQ(interlaced_yc[y * 12 + 5].y, want_interlaced[y]) << y;
  }
}

TEST(BoxBlurY, OddHeightFieldReplicatesItsOwnLastRow) {
  // H = 9: row 8 closes field 0, so windows below it repeat row 8, not row 7.
  model::Frame f = Uniform(10, 9, 0);
  for (int x = 0; x < 10; ++x) f.at(x, 8).y = 900;
  const std::vector<int16_t> b = StageBlurY(f, 1, true);
  EXPECT_EQ(b[8 * 10 + 4], (9 * 600 * 7281) >> 16);  // rows 6, 8, 8: two of three are 900
  EXPECT_EQ(b[7 * 10 + 4], 0);
}

TEST(BoxBlurYC, SumPlanePitch) {
  EXPECT_EQ(YCSumPitch(1280), 1282);
  EXPECT_EQ(YCSumPitch(1281), 1281);
  EXPECT_EQ(YCSumPitch(1282), 1283);
}

TEST(RunningSum1, StridedLinesMatchClampedWindows) {
  std::mt19937 rng(5);
  std::uniform_int_distribution<int32_t> value(-700000, 700000);
  for (int radius = 1; radius <= 10; ++radius) {
    for (int n = 2 * radius + 1; n <= 2 * radius + 20; ++n) {
      for (int in_stride : {1, 3}) {
        for (int out_stride : {1, 2}) {
          std::vector<int32_t> in(size_t(n) * in_stride), out(size_t(n) * out_stride, -1);
          for (int32_t& v : in) v = value(rng);
          const LineSplit split = SplitLine(n, radius);
          RunningSum1(in.data(), in_stride, out.data(), out_stride, radius, radius * in_stride,
                      split.steadyEight, split.steadyRest);
          for (int i = 0; i < n; ++i) {
            int64_t want = 0;
            for (int k = -radius; k <= radius; ++k) want += in[size_t(std::clamp(i + k, 0, n - 1)) * in_stride];
            ASSERT_EQ(out[size_t(i) * out_stride], want) << "n " << n << " r " << radius << " i " << i;
            if (out_stride == 2) {
              ASSERT_EQ(out[size_t(i) * 2 + 1], -1);
            }
          }
        }
      }
    }
  }
}

}  // namespace

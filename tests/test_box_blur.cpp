// The blur's worked values seen through a full-strength sharpen, where out =
// 2 * in - blur.
#include <gtest/gtest.h>

#include "tests/harness.h"

namespace quorlin {
namespace {

// The blur of the luma (or of all channels) recovered from a full-strength,
// zero-threshold sharpen: out = in + (in - blur) wherever in != blur.
std::vector<QuorlinPixel> BlurThroughSharpen(model::Frame f, int radius, bool interlace, bool chroma) {
  const model::Frame in = f;
  model::Controls c;
  c[QUORLIN_RADIUS] = radius;
  c[QUORLIN_LUMA_STRENGTH] = 256;
  c[QUORLIN_CHROMA_STRENGTH] = 256;
  c[QUORLIN_INTERLACE] = interlace;
  c[QUORLIN_LUMA_ONLY] = !chroma;
  EXPECT_EQ(RunHost(f, c), 1);
  std::vector<QuorlinPixel> blur;
  for (int y = 0; y < f.h; ++y) {
    for (int x = 0; x < f.w; ++x) {
      const QuorlinPixel &a = in.at(x, y), &b = f.at(x, y);
      blur.push_back({int16_t(2 * a.y - b.y), int16_t(2 * a.cb - b.cb), int16_t(2 * a.cr - b.cr)});
    }
  }
  return blur;
}

model::Frame Uniform(int w, int h, QuorlinPixel p) {
  model::Frame f(w, h, w, h);
  std::fill(f.px.begin(), f.px.end(), p);
  return f;
}

TEST(BoxBlur, UniformPlanesLoseTheRoundingOfTheFactor) {
  const int16_t from4096[] = {4095, 4095, 4094, 4095, 4091, 4087, 4092, 4082, 4083, 4079};
  const int16_t from1000[] = {999, 999, 999, 999, 998, 997, 999, 996, 997, 995};
  for (int radius = 1; radius <= 10; ++radius) {
    for (bool interlace : {false, true}) {
      for (const QuorlinPixel& b : BlurThroughSharpen(Uniform(30, 45, {4096, -100, 1000}), radius, interlace, true)) {
        ASSERT_EQ(b.y, from4096[radius - 1]) << radius;
        ASSERT_EQ(b.cb, -100) << radius;
        ASSERT_EQ(b.cr, from1000[radius - 1]) << radius;
      }
      for (const QuorlinPixel& b : BlurThroughSharpen(Uniform(30, 45, {1000, 0, 0}), radius, interlace, false)) {
        ASSERT_EQ(b.y, from1000[radius - 1]) << radius;
      }
    }
  }
}

TEST(BoxBlur, LeftEdgeReplicates) {
  model::Frame f = Uniform(12, 6, {0, 0, 0});
  for (int y = 0; y < 6; ++y) f.at(0, y) = {1000, 1000, 1000};
  for (bool chroma : {false, true}) {
    const std::vector<QuorlinPixel> b = BlurThroughSharpen(f, 1, false, chroma);
    EXPECT_EQ(b[3 * 12 + 0].y, 666);
    EXPECT_EQ(b[3 * 12 + 1].y, 333);
    EXPECT_EQ(b[3 * 12 + 2].y, 0);
  }
}

TEST(BoxBlur, FieldsBlurApartUnderInterlace) {
  model::Frame f = Uniform(12, 8, {0, 0, 0});
  for (int y = 1; y < 8; y += 2)
    for (int x = 0; x < 12; ++x) f.at(x, y) = {1000, 1000, 1000};
  const int16_t want_progressive[] = {333, 333, 666, 333, 666, 333, 666, 666};
  const int16_t want_interlaced[] = {0, 999, 0, 999, 0, 999, 0, 999};
  for (bool chroma : {false, true}) {
    const std::vector<QuorlinPixel> progressive = BlurThroughSharpen(f, 1, false, chroma);
    const std::vector<QuorlinPixel> interlaced = BlurThroughSharpen(f, 1, true, chroma);
    for (int y = 0; y < 8; ++y) {
      EXPECT_EQ(progressive[y * 12 + 5].y, want_progressive[y]) << y;
      EXPECT_EQ(interlaced[y * 12 + 5].y, want_interlaced[y]) << y;
    }
  }
}

TEST(BoxBlur, OddHeightFieldReplicatesItsOwnLastRow) {
  // H = 9: row 8 closes field 0, so windows below it repeat row 8, not row 7.
  model::Frame f = Uniform(10, 9, {0, 0, 0});
  for (int x = 0; x < 10; ++x) f.at(x, 8).y = 900;
  const std::vector<QuorlinPixel> b = BlurThroughSharpen(f, 1, true, false);
  EXPECT_EQ(b[8 * 10 + 4].y, (9 * 600 * 7281) >> 16);  // rows 6, 8, 8: two of three are 900
  EXPECT_EQ(b[7 * 10 + 4].y, 0);
}

}  // namespace
}  // namespace quorlin

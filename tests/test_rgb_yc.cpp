#include "convert/rgb_yc.h"

#include <gtest/gtest.h>

namespace {

using quorlin::Rgb8;
using quorlin::RgbToYc;
using quorlin::YcToRgb;

TEST(RgbYc, EveryEightBitColourSurvivesTheRoundTrip) {
  int mismatches = 0;
  for (int rgb = 0; rgb < (1 << 24); ++rgb) {
    const Rgb8 c{uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)};
    const Rgb8 back = YcToRgb(RgbToYc(c));
    if (back.r != c.r || back.g != c.g || back.b != c.b) {
      if (++mismatches <= 5) ADD_FAILURE() << "colour 0x" << std::hex << rgb << " comes back changed";
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(RgbYc, BlackWhiteAndPrimariesMapToTheirYcValues) {
  struct Case {
    Rgb8 rgb;
    int y, cb, cr;
  };
  // Y = 4096 (0.299 R + 0.587 G + 0.114 B) / 255, Cb = 2048 (B - Y) / (0.886 * 255),
  // Cr = 2048 (R - Y) / (0.701 * 255), rounded.
  const Case cases[] = {
      {{0, 0, 0}, 0, 0, 0},           {{255, 255, 255}, 4096, 0, 0},
      {{255, 0, 0}, 1225, -691, 2048}, {{0, 255, 0}, 2404, -1357, -1715},
      {{0, 0, 255}, 467, 2048, -333},  {{128, 128, 128}, 2056, 0, 0},
  };
  for (const Case& c : cases) {
    const QuorlinPixel p = RgbToYc(c.rgb);
    EXPECT_EQ(p.y, c.y) << int(c.rgb.r) << "," << int(c.rgb.g) << "," << int(c.rgb.b);
    EXPECT_EQ(p.cb, c.cb) << int(c.rgb.r) << "," << int(c.rgb.g) << "," << int(c.rgb.b);
    EXPECT_EQ(p.cr, c.cr) << int(c.rgb.r) << "," << int(c.rgb.g) << "," << int(c.rgb.b);
  }
}

TEST(RgbYc, OvershootClampsInsteadOfWrapping) {
  const Rgb8 bright = YcToRgb({4400, 0, 0});
  const Rgb8 dark = YcToRgb({-300, 0, 0});
  const Rgb8 extreme = YcToRgb({32767, -32768, 32767});
  EXPECT_EQ(bright.r, 255);
  EXPECT_EQ(bright.g, 255);
  EXPECT_EQ(bright.b, 255);
  EXPECT_EQ(dark.r, 0);
  EXPECT_EQ(dark.g, 0);
  EXPECT_EQ(dark.b, 0);
  EXPECT_EQ(extreme.r, 255);
  EXPECT_EQ(extreme.b, 0);
}

}  // namespace

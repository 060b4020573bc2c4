// 8- and 16-bit RGB and the editor's YC samples: the rules' worked values,
// the round trip of every 8-bit colour, and the RGB pictures' sharpen held to
// the frame path.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "convert/rgb_yc.h"
#include "quorlin/quorlin.h"

namespace {

using quorlin::Rgb8;
using quorlin::RgbToYc;
using quorlin::YcToRgb;

bool Same(QuorlinPixel a, QuorlinPixel b) { return a.y == b.y && a.cb == b.cb && a.cr == b.cr; }

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

// An RGB picture sharpened row by row gives what converting it to a frame,
// sharpening that and converting it back gives: RGB and RGBA, sizes around
// the vector groups, both interlace modes, all four pipelines, one to three
// threads; the fourth byte untouched.
TEST(SharpenRgb, MatchesTheFramePath) {
  std::mt19937 rng(31);
  auto check = [&](const QuorlinSettings& s, int w, int h, int channels) {
    const ptrdiff_t stride = ptrdiff_t{w} * channels + 5;
    std::vector<uint8_t> picture(size_t(stride) * h);
    for (uint8_t& b : picture) b = uint8_t(rng());
    std::vector<uint8_t> want = picture;
    std::vector<QuorlinPixel> pixels(size_t(w) * h);
    const QuorlinFrame frame{pixels.data(), w, h, w};
    ASSERT_EQ(quorlin_rgb_to_yc(want.data(), stride, channels, &frame, nullptr), QUORLIN_OK);
    ASSERT_EQ(quorlin_sharpen(&frame, &s), QUORLIN_OK);
    ASSERT_EQ(quorlin_yc_to_rgb(&frame, want.data(), stride, channels, nullptr), QUORLIN_OK);
    ASSERT_EQ(quorlin_sharpen_rgb(picture.data(), stride, channels, w, h, &s), QUORLIN_OK);
    ASSERT_TRUE(picture == want);
  };
  int round = 0;
  for (int threads : {1, 2, 3}) {
    for (int channels : {3, 4}) {
      for (auto [w, h] : {std::pair{1, 1}, {3, 7}, {8, 2}, {17, 13}, {70, 9}, {131, 20}}) {
        ++round;
        QuorlinSettings s;
        quorlin_default_settings(&s, QUORLIN_API_VERSION);
        s.threads = threads;
        s.radius = 1 + int(rng() % 10);
        s.luma_strength = int(rng() % 257);
        s.chroma_strength = int(rng() % 257);
        s.luma_limit = int(rng() % 9) - 4;
        s.interlace = round % 2;
        s.luma_only = round / 2 % 2;
        s.limit_mode = round / 4 % 2;
        SCOPED_TRACE(testing::Message() << w << "x" << h << " channels " << channels << " round " << round);
        check(s, w, h, channels);
        if (HasFatalFailure()) return;
      }
    }
  }
  // Luma alone keeps each converted row until its store, over a window's
  // reach of its field: every radius, both interlace modes, fields taller
  // than the windows.
  for (int radius = 1; radius <= 10; ++radius) {
    for (int interlace : {0, 1}) {
      QuorlinSettings s;
      quorlin_default_settings(&s, QUORLIN_API_VERSION);
      s.threads = 1;
      s.radius = radius;
      s.interlace = interlace;
      SCOPED_TRACE(testing::Message() << "luma alone, radius " << radius << " interlace " << interlace);
      check(s, 19, 60, 4);
      if (HasFatalFailure()) return;
    }
  }
  uint8_t one[4] = {1, 2, 3, 4};
  QuorlinSettings s;
  quorlin_default_settings(&s, QUORLIN_API_VERSION);
  EXPECT_EQ(quorlin_sharpen_rgb(one, 4, 2, 1, 1, &s), QUORLIN_BAD_ARGUMENT);
  EXPECT_EQ(quorlin_sharpen_rgb(one, 3, 4, 1, 1, &s), QUORLIN_BAD_ARGUMENT);
  EXPECT_EQ(quorlin_sharpen_rgb(nullptr, 4, 4, 1, 1, &s), QUORLIN_BAD_ARGUMENT);
  EXPECT_EQ(quorlin_sharpen_rgb(one, 4, 4, 0, 1, &s), QUORLIN_BAD_ARGUMENT);
}

// 16 bits: the same rules with 65535 for white, written here from the
// coefficients as rationals, with the keep-the-original rule on the way back.
int64_t Nearest(int64_t num, int64_t den) { return num >= 0 ? (2 * num + den) / (2 * den) : -((-2 * num + den) / (2 * den)); }

QuorlinPixel Model16(const uint16_t* c) {
  const int64_t r = c[0], g = c[1], b = c[2];
  return {int16_t(Nearest(4096 * (299 * r + 587 * g + 114 * b), 65535 * 1000LL)),
          int16_t(Nearest(2048 * (1000 * b - 299 * r - 587 * g - 114 * b), 65535 * 886LL)),
          int16_t(Nearest(2048 * (1000 * r - 299 * r - 587 * g - 114 * b), 65535 * 701LL))};
}

void ModelBack16(QuorlinPixel p, uint16_t* c) {
  if (Same(p, Model16(c))) return;
  const auto clamp = [](int64_t v) { return uint16_t(std::clamp<int64_t>(v, 0, 65535)); };
  // R = Y + 1.402 Cr, B = Y + 1.772 Cb, G = (Y - 0.299 R - 0.114 B) / 0.587
  // = (0.587 Y - 0.299 * 1.402 Cr - 0.114 * 1.772 Cb) / 0.587.
  const int64_t y = p.y, cb = p.cb, cr = p.cr;
  c[0] = clamp(Nearest(65535 * (1000 * y + 1402 * cr), 4096 * 1000LL));
  c[2] = clamp(Nearest(65535 * (1000 * y + 1772 * cb), 4096 * 1000LL));
  c[1] = clamp(Nearest(65535 * (587000 * y - 299 * 1402 * cr - 114 * 1772 * cb), 4096 * 587000LL));
}

TEST(SharpenRgb16, WorkedValuesAndTheFramePath) {
  // Samples whose two bytes differ: a conversion that took one byte, or
  // scaled by 256 rather than 257, would show.
  const uint16_t worked[][3] = {{0, 0, 0}, {65535, 65535, 65535}, {65535, 0, 0}, {32768, 32768, 32768},
                                {0x1234, 0xabcd, 0x5678}};
  const int want[][3] = {{0, 0, 0}, {4096, 0, 0}, {1225, -691, 2048}, {2048, 0, 0}, {1858, -268, -1118}};
  for (int i = 0; i < 5; ++i) {
    const QuorlinPixel p = Model16(worked[i]);
    EXPECT_EQ(p.y, want[i][0]) << i;
    EXPECT_EQ(p.cb, want[i][1]) << i;
    EXPECT_EQ(p.cr, want[i][2]) << i;
  }

  std::mt19937 rng(16);
  int round = 0;
  for (int threads : {1, 2, 3}) {
    for (auto [w, h] : {std::pair{1, 1}, {9, 7}, {33, 21}, {70, 9}}) {
      for (int channels : {3, 4}) {
        ++round;
        QuorlinSettings s;
        quorlin_default_settings(&s, QUORLIN_API_VERSION);
        s.threads = threads;
        s.radius = 1 + int(rng() % 10);
        s.luma_strength = int(rng() % 257);
        s.chroma_strength = int(rng() % 257);
        s.interlace = round % 2;
        s.luma_only = round / 2 % 2;
        s.limit_mode = round / 4 % 2;
        SCOPED_TRACE(testing::Message() << w << "x" << h << " channels " << channels << " round " << round);
        const ptrdiff_t pitch = ptrdiff_t{w} * channels + 3;  // samples from row to row
        std::vector<uint16_t> picture(size_t(pitch) * h);
        for (uint16_t& v : picture) v = uint16_t(rng());
        std::vector<uint16_t> want = picture;
        std::vector<QuorlinPixel> pixels(size_t(w) * h);
        for (int i = 0; i < w * h; ++i) pixels[i] = Model16(&want[i / w * pitch + i % w * channels]);
        const QuorlinFrame frame{pixels.data(), w, h, w};
        ASSERT_EQ(quorlin_sharpen(&frame, &s), QUORLIN_OK);
        for (int i = 0; i < w * h; ++i) ModelBack16(pixels[i], &want[i / w * pitch + i % w * channels]);
        ASSERT_EQ(quorlin_sharpen_rgb16(picture.data(), pitch * 2, channels, w, h, &s), QUORLIN_OK);
        ASSERT_TRUE(picture == want);

        // At strength 0 every sample comes back, though a 16-bit colour does
        // not survive a trip through the editor's samples.
        s.luma_strength = s.chroma_strength = 0;
        ASSERT_EQ(quorlin_sharpen_rgb16(picture.data(), pitch * 2, channels, w, h, &s), QUORLIN_OK);
        ASSERT_TRUE(picture == want);
      }
    }
  }
  uint16_t one[5] = {1, 2, 3, 4, 5};
  QuorlinSettings s;
  quorlin_default_settings(&s, QUORLIN_API_VERSION);
  EXPECT_EQ(quorlin_sharpen_rgb16(one, 6, 2, 1, 1, &s), QUORLIN_BAD_ARGUMENT);
  EXPECT_EQ(quorlin_sharpen_rgb16(one, 7, 3, 1, 1, &s), QUORLIN_BAD_ARGUMENT);  // an odd stride
  EXPECT_EQ(quorlin_sharpen_rgb16(reinterpret_cast<uint16_t*>(reinterpret_cast<char*>(one) + 1), 6, 3, 1, 1, &s),
            QUORLIN_BAD_ARGUMENT);
  EXPECT_EQ(quorlin_sharpen_rgb16(one, 6, 3, 1, 1, &s), QUORLIN_OK);
}

}  // namespace

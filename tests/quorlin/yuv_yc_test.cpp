#include "tools/quorlin/yuv_yc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

Y4mFormat Format(int32_t width, int32_t height, int depth, Subsampling subsampling) {
  Y4mFormat format;
  format.width = width, format.height = height, format.depth = depth, format.subsampling = subsampling;
  return format;
}

// Every plane holds every code of the depth, in a different order per plane,
// over as many frames' worth of samples as it takes.
std::vector<uint8_t> EveryCode(const Y4mFormat& format, uint32_t salt) {
  std::vector<uint8_t> planes(FrameBytes(format));
  const size_t samples = planes.size() / SampleBytes(format);
  for (size_t i = 0; i < samples; ++i) {
    const uint32_t code = uint32_t(i * 2654435761u + salt) & ((1u << format.depth) - 1);
    if (format.depth > 8) {
      planes[2 * i] = uint8_t(code), planes[2 * i + 1] = uint8_t(code >> 8);
    } else {
      planes[i] = uint8_t(code);
    }
  }
  return planes;
}

TEST(YuvYc, NominalRangeMapsToTheHostRange) {
  struct Case {
    int depth, black, white, chroma_low, chroma_zero, chroma_high;
  };
  for (const Case c : {Case{8, 16, 235, 16, 128, 240}, Case{10, 64, 940, 64, 512, 960},
                       Case{16, 4096, 60160, 4096, 32768, 61440}}) {
    const YcScale scale = MakeYcScale(c.depth);
    EXPECT_EQ(scale.luma[c.black], 0) << c.depth;
    EXPECT_EQ(scale.luma[c.white], 4096) << c.depth;
    EXPECT_EQ(scale.chroma[c.chroma_low], -2048) << c.depth;
    EXPECT_EQ(scale.chroma[c.chroma_zero], 0) << c.depth;
    EXPECT_EQ(scale.chroma[c.chroma_high], 2048) << c.depth;
  }
  // One 8-bit code step is 4096 / 219 host units: code 17 is 18.7, rounded.
  EXPECT_EQ(MakeYcScale(8).luma[17], 19);
  EXPECT_EQ(MakeYcScale(8).luma[0], -299);
}

TEST(YuvYc, EveryCodeSurvivesTheRoundTripInEveryLayout) {
  // Odd sizes, so that 4:2:0 blocks at the right and bottom edges are partial.
  for (int depth = 8; depth <= 16; ++depth) {
    const YcScale scale = MakeYcScale(depth);
    for (const Subsampling subsampling : {Subsampling::k444, Subsampling::k420}) {
      const int32_t side = depth == 16 ? 257 : 47;
      const Y4mFormat format = Format(side, side, depth, subsampling);
      const std::vector<uint8_t> original = EveryCode(format, depth);
      std::vector<uint8_t> planes = original;
      std::vector<PIXEL_YC> pixels(size_t(side) * side);
      for (const bool chroma : {true, false}) {
        FrameToYc(format, scale, planes.data(), chroma, pixels.data());
        YcToFrame(format, scale, pixels.data(), chroma, planes.data());
        ASSERT_TRUE(planes == original) << "depth " << depth << (chroma ? " with" : " without") << " chroma";
      }
    }
  }
}

TEST(YuvYc, ChangedSamplesGetTheNearestCode) {
  // Whatever the original code, a host value the filter changed goes to the
  // code whose host value lies nearest, clamped to the depth's codes.
  for (int depth : {8, 10, 12, 16}) {
    const YcScale scale = MakeYcScale(depth);
    const int top = (1 << depth) - 1;
    for (int v = -2600; v <= 4600; ++v) {
      const uint16_t luma = LumaCode(scale, v, uint16_t(top / 3));
      const uint16_t chroma = ChromaCode(scale, v, uint16_t(top / 3));
      for (const auto& [code, table] : {std::pair{luma, &scale.luma}, std::pair{chroma, &scale.chroma}}) {
        const int error = std::abs((*table)[code] - v);
        const int below = code > 0 ? std::abs((*table)[code - 1] - v) : error;
        const int above = code < top ? std::abs((*table)[code + 1] - v) : error;
        ASSERT_LE(error, std::min(below, above)) << "depth " << depth << ", host value " << v;
      }
    }
  }
}

TEST(YuvYc, FourTwoZeroChromaCoversBlocksAndComesBackAsTheirMean) {
  const Y4mFormat format = Format(3, 2, 8, Subsampling::k420);
  const YcScale scale = MakeYcScale(8);
  // Y plane 3x2, then Cb and Cr planes 2x1.
  std::vector<uint8_t> planes = {16, 16, 16, 16, 16, 16, 128, 240, 128, 16};
  std::vector<PIXEL_YC> pixels(6);
  FrameToYc(format, scale, planes.data(), true, pixels.data());
  for (const int i : {0, 1, 3, 4}) EXPECT_EQ(pixels[i].cb, 0) << i;
  for (const int i : {2, 5}) EXPECT_EQ(pixels[i].cb, 2048) << i;
  for (const int i : {2, 5}) EXPECT_EQ(pixels[i].cr, -2048) << i;

  const std::vector<uint8_t> before = planes;
  for (PIXEL_YC& p : pixels) p.cb = p.cr = 1000;
  YcToFrame(format, scale, pixels.data(), false, planes.data());
  EXPECT_TRUE(planes == before) << "luma only leaves the chroma planes alone";

  // Block 0's Cb: 0, 100, 200, 301 host units: mean 150.25, code 128 + 150 * 112 / 2048 = 136.2.
  pixels[0].cb = 0, pixels[1].cb = 100, pixels[3].cb = 200, pixels[4].cb = 301;
  pixels[2].cb = pixels[5].cb = 2048;
  YcToFrame(format, scale, pixels.data(), true, planes.data());
  EXPECT_EQ(planes[6], 136);
  EXPECT_EQ(planes[7], 240);
}

}  // namespace

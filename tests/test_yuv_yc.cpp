#include "convert/yuv_yc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

using quorlin::ChromaCode;
using quorlin::LumaCode;
using quorlin::MakeYcScale;
using quorlin::YcScale;

// Three packed planes of one depth and layout, and the frame they convert to.
struct Planes {
  int width, height, depth, shift;
  std::vector<uint8_t> bytes;
  std::vector<QuorlinPixel> pixels;

  Planes(int w, int h, int bits, int chroma_shift)
      : width(w), height(h), depth(bits), shift(chroma_shift),
        bytes((size_t(w) * h + 2 * size_t(ChromaWidth()) * ChromaHeight()) * Sample()), pixels(size_t(w) * h) {}
  int Sample() const { return depth > 8 ? 2 : 1; }
  int ChromaWidth() const { return (width + shift) >> shift; }
  int ChromaHeight() const { return (height + shift) >> shift; }
  QuorlinPlanes View() {
    uint8_t* cb = bytes.data() + size_t(width) * height * Sample();
    uint8_t* cr = cb + size_t(ChromaWidth()) * ChromaHeight() * Sample();
    const ptrdiff_t chroma_stride = ptrdiff_t{ChromaWidth()} * Sample();
    return {{bytes.data(), cb, cr}, {ptrdiff_t{width} * Sample(), chroma_stride, chroma_stride}, depth, shift};
  }
  QuorlinFrame Frame() { return {pixels.data(), width, height, width}; }
  void ToYc(bool chroma) {
    const QuorlinPlanes view = View();
    const QuorlinFrame frame = Frame();
    ASSERT_EQ(quorlin_yuv_to_yc(&view, chroma, &frame), QUORLIN_OK);
  }
  void FromYc(bool chroma) {
    const QuorlinPlanes view = View();
    const QuorlinFrame frame = Frame();
    ASSERT_EQ(quorlin_yc_to_yuv(&frame, chroma, &view), QUORLIN_OK);
  }
};

// Every plane holds every code of the depth, in a different order per plane,
// over as many frames' worth of samples as it takes.
void FillWithEveryCode(Planes& p, uint32_t salt) {
  const size_t samples = p.bytes.size() / p.Sample();
  for (size_t i = 0; i < samples; ++i) {
    const uint32_t code = uint32_t(i * 2654435761u + salt) & ((1u << p.depth) - 1);
    if (p.depth > 8) {
      p.bytes[2 * i] = uint8_t(code), p.bytes[2 * i + 1] = uint8_t(code >> 8);
    } else {
      p.bytes[i] = uint8_t(code);
    }
  }
}

TEST(YuvYc, NominalRangeMapsToTheEditorsRange) {
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
  // One 8-bit code step is 4096 / 219 editor units: code 17 is 18.7, rounded.
  EXPECT_EQ(MakeYcScale(8).luma[17], 19);
  EXPECT_EQ(MakeYcScale(8).luma[0], -299);
}

TEST(YuvYc, EveryCodeSurvivesTheRoundTripInEveryLayout) {
  // Odd sizes, so that 4:2:0 blocks at the right and bottom edges are partial.
  for (int depth = 8; depth <= 16; ++depth) {
    for (const int shift : {0, 1}) {
      const int side = depth == 16 ? 257 : 47;
      Planes planes(side, side, depth, shift);
      FillWithEveryCode(planes, depth);
      const std::vector<uint8_t> original = planes.bytes;
      for (const bool chroma : {true, false}) {
        planes.ToYc(chroma);
        planes.FromYc(chroma);
        ASSERT_TRUE(planes.bytes == original) << "depth " << depth << (chroma ? " with" : " without") << " chroma";
      }
    }
  }
}

TEST(YuvYc, ChangedSamplesGetTheNearestCode) {
  // Whatever the original code, an editor value the filter changed goes to
  // the code whose editor value lies nearest, clamped to the depth's codes.
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
        ASSERT_LE(error, std::min(below, above)) << "depth " << depth << ", editor value " << v;
      }
    }
  }
}

TEST(YuvYc, FourTwoZeroChromaCoversBlocksAndComesBackAsTheirMean) {
  // Y plane 3x2, then Cb and Cr planes 2x1.
  Planes planes(3, 2, 8, 1);
  planes.bytes = {16, 16, 16, 16, 16, 16, 128, 240, 128, 16};
  planes.ToYc(true);
  std::vector<QuorlinPixel>& pixels = planes.pixels;
  for (const int i : {0, 1, 3, 4}) EXPECT_EQ(pixels[i].cb, 0) << i;
  for (const int i : {2, 5}) EXPECT_EQ(pixels[i].cb, 2048) << i;
  for (const int i : {2, 5}) EXPECT_EQ(pixels[i].cr, -2048) << i;

  const std::vector<uint8_t> before = planes.bytes;
  for (QuorlinPixel& p : pixels) p.cb = p.cr = 1000;
  planes.FromYc(false);
  EXPECT_TRUE(planes.bytes == before) << "luma only leaves the chroma planes alone";

  // Block 0's Cb: 0, 100, 200, 301 editor units: mean 150.25, code 128 + 150 * 112 / 2048 = 136.2.
  pixels[0].cb = 0, pixels[1].cb = 100, pixels[3].cb = 200, pixels[4].cb = 301;
  pixels[2].cb = pixels[5].cb = 2048;
  planes.FromYc(true);
  EXPECT_EQ(planes.bytes[6], 136);
  EXPECT_EQ(planes.bytes[7], 240);
}

}  // namespace

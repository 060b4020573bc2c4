// YUV codes and the editor's values: the per-sample rules, whole pictures
// held to a scalar model of the rules, and the
// planes sharpened row by row held to the same planes converted, sharpened
// as a frame and converted back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "convert/div_round.h"
#include "convert/yuv_yc.h"
#include "quorlin/quorlin.h"

namespace quorlin {
namespace {

// Three planes of one depth and layout, with rows padded past their samples
// so that a write beyond a row shows.
struct Planes {
  QuorlinPlanes view{};
  std::vector<uint8_t> bytes[3];

  // layout: 0 4:4:4, 1 4:2:0, 2 4:2:2.
  Planes(int w, int h, int depth, int layout, bool full_range, int pad = 0) {
    const int sample = depth > 8 ? 2 : 1;
    const int sx = layout > 0, sy = layout == 1;
    const int cw = (w + sx) >> sx, ch = (h + sy) >> sy;
    view = {{}, {}, w, h, depth, sx, sy, full_range};
    for (int c = 0; c < 3; ++c) {
      view.stride[c] = ptrdiff_t{(c ? cw : w) + pad} * sample;
      bytes[c].assign(size_t(view.stride[c]) * (c ? ch : h), 0);
      view.data[c] = bytes[c].data();
    }
  }
  Planes(const Planes& o) : view(o.view), bytes{o.bytes[0], o.bytes[1], o.bytes[2]} {
    for (int c = 0; c < 3; ++c) view.data[c] = bytes[c].data();
  }
  Planes& operator=(const Planes&) = delete;
  // Every plane's codes at random, some above the depth's largest when its
  // samples have spare bits.
  void Randomise(std::mt19937& rng) {
    for (auto& plane : bytes) {
      for (uint8_t& b : plane) b = uint8_t(rng());
      if (view.depth > 8) {
        for (size_t i = 1; i < plane.size(); i += 2) {
          if (rng() % 8) plane[i] &= uint8_t((1 << (view.depth - 8)) - 1);
        }
      }
    }
  }
  uint16_t Get(int c, int x, int y) const {
    const uint8_t* row = bytes[c].data() + y * view.stride[c];
    return view.depth > 8 ? uint16_t(row[2 * x] | row[2 * x + 1] << 8) : row[x];
  }
  void Set(int c, int x, int y, uint16_t v) {
    uint8_t* row = bytes[c].data() + y * view.stride[c];
    if (view.depth > 8) {
      row[2 * x] = uint8_t(v), row[2 * x + 1] = uint8_t(v >> 8);
    } else {
      row[x] = uint8_t(v);
    }
  }
  bool operator==(const Planes& o) const {
    return bytes[0] == o.bytes[0] && bytes[1] == o.bytes[1] && bytes[2] == o.bytes[2];
  }
};

// The whole-picture conversions written sample by sample from the rules.
void ModelToFrame(const Planes& p, bool chroma, std::vector<QuorlinPixel>& frame) {
  const CodeScale luma = LumaScale(p.view.depth, p.view.full_range);
  const CodeScale chroma_scale = ChromaScale(p.view.depth, p.view.full_range);
  const int sx = p.view.chroma_shift_x, sy = p.view.chroma_shift_y;
  for (int y = 0; y < p.view.height; ++y) {
    for (int x = 0; x < p.view.width; ++x) {
      QuorlinPixel& px = frame[size_t(y) * p.view.width + x];
      px.y = ToEditor(luma, p.Get(0, x, y));
      px.cb = chroma ? ToEditor(chroma_scale, p.Get(1, x >> sx, y >> sy)) : 0;
      px.cr = chroma ? ToEditor(chroma_scale, p.Get(2, x >> sx, y >> sy)) : 0;
    }
  }
}

void ModelFromFrame(const std::vector<QuorlinPixel>& frame, bool chroma, Planes& p) {
  const CodeScale luma = LumaScale(p.view.depth, p.view.full_range);
  const CodeScale chroma_scale = ChromaScale(p.view.depth, p.view.full_range);
  const int w = p.view.width, h = p.view.height, sx = p.view.chroma_shift_x, sy = p.view.chroma_shift_y;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) p.Set(0, x, y, ToCode(luma, frame[size_t(y) * w + x].y, p.Get(0, x, y)));
  }
  if (!chroma) return;
  for (int cy = 0; cy < (h + sy) >> sy; ++cy) {
    for (int cx = 0; cx < (w + sx) >> sx; ++cx) {
      int64_t sums[2] = {}, count = 0;
      for (int y = cy << sy; y < std::min(h, (cy + 1) << sy); ++y) {
        for (int x = cx << sx; x < std::min(w, (cx + 1) << sx); ++x, ++count) {
          sums[0] += frame[size_t(y) * w + x].cb;
          sums[1] += frame[size_t(y) * w + x].cr;
        }
      }
      for (int c = 1; c <= 2; ++c)
        p.Set(c, cx, cy, ToCode(chroma_scale, DivRound(sums[c - 1], count), p.Get(c, cx, cy)));
    }
  }
}

TEST(YuvYc, NominalRangesMapToTheEditorsRange) {
  struct Case {
    int depth;
    bool full;
    int black, white, chroma_low, chroma_zero, chroma_high;
    int chroma_low_value, chroma_high_value;
  };
  for (const Case c : {Case{8, false, 16, 235, 16, 128, 240, -2048, 2048},
                       Case{10, false, 64, 940, 64, 512, 960, -2048, 2048},
                       Case{16, false, 4096, 60160, 4096, 32768, 61440, -2048, 2048},
                       // Full range: 128 - 0 codes of 255 are 2056 editor units.
                       Case{8, true, 0, 255, 0, 128, 255, -2056, 2040}, Case{10, true, 0, 1023, 0, 512, 1023, -2050, 2046},
                       Case{16, true, 0, 65535, 0, 32768, 65535, -2048, 2048}}) {
    SCOPED_TRACE(testing::Message() << c.depth << (c.full ? " full" : " limited"));
    const CodeScale luma = LumaScale(c.depth, c.full), chroma = ChromaScale(c.depth, c.full);
    EXPECT_EQ(ToEditor(luma, uint16_t(c.black)), 0);
    EXPECT_EQ(ToEditor(luma, uint16_t(c.white)), 4096);
    EXPECT_EQ(ToEditor(chroma, uint16_t(c.chroma_low)), c.chroma_low_value);
    EXPECT_EQ(ToEditor(chroma, uint16_t(c.chroma_zero)), 0);
    EXPECT_EQ(ToEditor(chroma, uint16_t(c.chroma_high)), c.chroma_high_value);
  }
  // One 8-bit code step is 4096 / 219 editor units: code 17 is 18.7, rounded.
  EXPECT_EQ(ToEditor(LumaScale(8, false), 17), 19);
  EXPECT_EQ(ToEditor(LumaScale(8, false), 0), -299);
  // Codes above the depth's largest read as it.
  EXPECT_EQ(ToEditor(LumaScale(10, false), 1024), ToEditor(LumaScale(10, false), 1023));
}

TEST(YuvYc, ChangedSamplesGetTheNearestCodeAndUnchangedOnesTheirOwn) {
  for (int depth : {8, 10, 12, 13, 16}) {
    for (bool full : {false, true}) {
      const int top = (1 << depth) - 1;
      for (const CodeScale scale : {LumaScale(depth, full), ChromaScale(depth, full)}) {
        for (int v = -2600; v <= 4600; ++v) {
          const uint16_t code = ToCode(scale, v, uint16_t(top / 3));
          const int error = std::abs(ToEditor(scale, code) - v);
          const int below = code > 0 ? std::abs(ToEditor(scale, code - 1) - v) : error;
          const int above = code < top ? std::abs(ToEditor(scale, code + 1) - v) : error;
          ASSERT_LE(error, std::min(below, above)) << "depth " << depth << ", value " << v;
        }
        for (int code = 0; code <= top; code += depth > 12 ? 7 : 1)
          ASSERT_EQ(ToCode(scale, ToEditor(scale, uint16_t(code)), uint16_t(code)), code) << depth << " " << code;
      }
    }
  }
}

TEST(YuvYc, PicturesConvertAsTheRulesSay) {
  std::mt19937 rng(11);
  for (int depth : {8, 10, 12, 14, 16}) {
    for (int shift : {0, 1, 2}) {
      for (bool full : {false, true}) {
        for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {9, 4}, {17, 7}, {33, 6}}) {
          SCOPED_TRACE(testing::Message() << depth << " bits, shift " << shift << (full ? " full " : " limited ") << w
                                          << "x" << h);
          Planes planes(w, h, depth, shift, full, 3);
          planes.Randomise(rng);
          std::vector<QuorlinPixel> got(size_t(w) * h), want(size_t(w) * h);
          const QuorlinFrame frame{got.data(), w, h, w};
          for (const bool chroma : {true, false}) {
            ASSERT_EQ(quorlin_yuv_to_yc(&planes.view, chroma, &frame, nullptr), QUORLIN_OK);
            ModelToFrame(planes, chroma, want);
            ASSERT_TRUE(std::equal(got.begin(), got.end(), want.begin(), [](QuorlinPixel a, QuorlinPixel b) {
              return a.y == b.y && a.cb == b.cb && a.cr == b.cr;
            }));
            // Some samples changed, some kept: the way back.
            for (QuorlinPixel& px : got) {
              if (rng() % 2) px = {int16_t(px.y + int(rng() % 41) - 20), int16_t(rng() % 4000), int16_t(-px.cr)};
            }
            Planes model = planes;
            ASSERT_EQ(quorlin_yc_to_yuv(&frame, chroma, &planes.view, nullptr), QUORLIN_OK);
            ModelFromFrame(got, chroma, model);
            ASSERT_TRUE(planes == model) << (chroma ? "with" : "without") << " chroma";
          }
        }
      }
    }
  }
}

TEST(YuvYc, EveryCodeSurvivesTheRoundTrip) {
  // Odd sizes, so that 4:2:0 blocks at the right and bottom edges are partial.
  for (int depth = 8; depth <= 16; ++depth) {
    for (const int shift : {0, 1, 2}) {
      for (const bool full : {false, true}) {
        const int side = depth == 16 ? 257 : 47;
        Planes planes(side, side, depth, shift, full);
        for (int c = 0; c < 3; ++c) {
          const size_t samples = planes.bytes[c].size() / (depth > 8 ? 2 : 1);
          for (size_t i = 0; i < samples; ++i) {
            const int at = int(i % size_t(planes.view.stride[c] / (depth > 8 ? 2 : 1)));
            const int row = int(i / size_t(planes.view.stride[c] / (depth > 8 ? 2 : 1)));
            planes.Set(c, at, row, uint16_t((i * 2654435761u + depth) & ((1u << depth) - 1)));
          }
        }
        const Planes original = planes;
        std::vector<QuorlinPixel> pixels(size_t(side) * side);
        const QuorlinFrame frame{pixels.data(), side, side, side};
        for (const bool chroma : {true, false}) {
          ASSERT_EQ(quorlin_yuv_to_yc(&planes.view, chroma, &frame, nullptr), QUORLIN_OK);
          ASSERT_EQ(quorlin_yc_to_yuv(&frame, chroma, &planes.view, nullptr), QUORLIN_OK);
          ASSERT_TRUE(planes == original) << "depth " << depth << " shift " << shift << (full ? " full" : "");
        }
        QuorlinSettings zero;
        quorlin_default_settings(&zero, QUORLIN_API_VERSION);
        zero.luma_strength = zero.chroma_strength = 0;
        zero.luma_only = 0;
        ASSERT_EQ(quorlin_sharpen_planes(&planes.view, &zero), QUORLIN_OK);
        ASSERT_TRUE(planes == original) << "strength 0, depth " << depth << " shift " << shift << (full ? " full" : "");
      }
    }
  }
}

TEST(YuvYc, FourTwoZeroChromaComesBackAsTheRoundedMeanOfItsBlock) {
  // Y plane 3x2, then Cb and Cr planes 2x1, 16 bits: a mean that truncated
  // instead of rounding would give other codes.
  Planes planes(3, 2, 16, 1, false);
  std::vector<QuorlinPixel> pixels(6);
  const QuorlinFrame frame{pixels.data(), 3, 2, 3};
  ASSERT_EQ(quorlin_yuv_to_yc(&planes.view, 1, &frame, nullptr), QUORLIN_OK);
  // Block 0's Cb: 0, 100, 200, 301 editor units: mean 150.25, code 32768 + 150 * 28672 / 2048 = 34868;
  // its Cr: -1, -1, -2, -2: mean -1.5, -2, code 32740. Block 1's Cb (one column): 7, 8: mean 7.5, 8.
  const int cb[6] = {0, 100, 7, 200, 301, 8}, cr[6] = {-1, -1, 0, -2, -2, 0};
  for (int i = 0; i < 6; ++i) pixels[i].cb = int16_t(cb[i]), pixels[i].cr = int16_t(cr[i]);
  ASSERT_EQ(quorlin_yc_to_yuv(&frame, 1, &planes.view, nullptr), QUORLIN_OK);
  EXPECT_EQ(planes.Get(1, 0, 0), 34868);
  EXPECT_EQ(planes.Get(2, 0, 0), 32740);
  EXPECT_EQ(planes.Get(1, 1, 0), 32768 + 8 * 14);
}

TEST(YuvYc, FourTwoTwoChromaComesBackAsTheRoundedMeanOfItsPair) {
  // Y plane 4x2, Cb and Cr planes 2x2, 16 bits, where a chroma code is 32768
  // + 14 editor units: means at half a unit round away from zero, either side.
  Planes planes(4, 2, 16, 2, false);
  std::vector<QuorlinPixel> pixels(8);
  const QuorlinFrame frame{pixels.data(), 4, 2, 4};
  ASSERT_EQ(quorlin_yuv_to_yc(&planes.view, 1, &frame, nullptr), QUORLIN_OK);
  const int cb[8] = {0, 1, 100, 101, 3, 4, -5, -6}, cr[8] = {-1, -2, 7, 8, -3, -4, 0, 0};
  for (int i = 0; i < 8; ++i) pixels[i].cb = int16_t(cb[i]), pixels[i].cr = int16_t(cr[i]);
  ASSERT_EQ(quorlin_yc_to_yuv(&frame, 1, &planes.view, nullptr), QUORLIN_OK);
  const int want_cb[4] = {1, 101, 4, -6}, want_cr[4] = {-2, 8, -4, 0};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(planes.Get(1, i % 2, i / 2), 32768 + 14 * want_cb[i]) << i;
    EXPECT_EQ(planes.Get(2, i % 2, i / 2), 32768 + 14 * want_cr[i]) << i;
  }
}

// The planes sharpened row by row give what converting them to a frame,
// sharpening it and converting it back gives: every layout (4:4:4, 4:2:0,
// 4:2:2), depth and range, sizes around the vector groups and the 4:2:0
// blocks, both interlace modes, all four pipelines, one to three threads.
TEST(SharpenPlanes, MatchTheFramePath) {
  std::mt19937 rng(23);
  int round = 0;
  for (int threads : {1, 2, 3}) {
    for (int depth : {8, 10, 16}) {
      for (int shift : {0, 1, 2}) {
        for (auto [w, h] : {std::pair{1, 1}, {2, 5}, {5, 2}, {7, 9}, {16, 12}, {17, 13}, {63, 8}, {70, 31}}) {
          ++round;
          QuorlinSettings s;
          quorlin_default_settings(&s, QUORLIN_API_VERSION);
          s.threads = threads;
          s.radius = 1 + int(rng() % 10);
          s.luma_strength = int(rng() % 257);
          s.chroma_strength = int(rng() % 257);
          s.luma_threshold = int(rng() % 30);
          s.luma_limit = int(rng() % 9) - 4;
          s.chroma_limit = int(rng() % 9) - 4;
          s.interlace = round % 2;
          s.luma_only = round / 2 % 2;
          s.limit_mode = round / 4 % 2;
          const bool full = round % 3 == 0;
          SCOPED_TRACE(testing::Message() << w << "x" << h << " " << depth << " bits, shift " << shift << " threads "
                                          << threads << " round " << round);
          Planes planes(w, h, depth, shift, full, 2);
          planes.Randomise(rng);
          Planes want = planes;
          std::vector<QuorlinPixel> pixels(size_t(w) * h);
          const QuorlinFrame frame{pixels.data(), w, h, w};
          const int chroma = !s.luma_only;
          ASSERT_EQ(quorlin_yuv_to_yc(&want.view, chroma, &frame, nullptr), QUORLIN_OK);
          ASSERT_EQ(quorlin_sharpen(&frame, &s), QUORLIN_OK);
          ASSERT_EQ(quorlin_yc_to_yuv(&frame, chroma, &want.view, nullptr), QUORLIN_OK);
          ASSERT_EQ(quorlin_sharpen_planes(&planes.view, &s), QUORLIN_OK);
          ASSERT_TRUE(planes == want);
        }
      }
    }
  }
}

}  // namespace
}  // namespace quorlin

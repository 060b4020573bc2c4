// The envelope's row choice against the window definition, and the envelope
// seen through limit mode: with strength 0 and a limit of
// -512 on a frame of small contrast the bounds cross and every luma sample
// becomes its neighbourhood maximum - 512.
#include <gtest/gtest.h>

#include "kernels/envelope.h"
#include "tests/harness.h"

namespace quorlin {
namespace {

TEST(EnvelopeRows, BorderRowsTakeTheNearestCompleteRowOfTheirField) {
  // Field rows 0 and n - 1 take the windows of rows 1 and n - 2; in frame
  // rows under interlace, rows 0, 1, h - 2, h - 1 copy rows 2, 3, h - 4, h - 3.
  for (int n = 3; n <= 9; ++n) {
    EXPECT_EQ(EnvelopeRowsOf(0, n, true).centre, 1);
    EXPECT_EQ(EnvelopeRowsOf(n - 1, n, true).centre, n - 2);
    for (int j = 1; j < n - 1; ++j) {
      const EnvelopeRows r = EnvelopeRowsOf(j, n, true);
      EXPECT_TRUE(r.above == j - 1 && r.centre == j && r.below == j + 1);
    }
  }
  // Too few rows: each row's own window, clipped.
  const EnvelopeRows one = EnvelopeRowsOf(0, 1, false);
  EXPECT_TRUE(one.above == 0 && one.centre == 0 && one.below == 0);
  const EnvelopeRows last = EnvelopeRowsOf(1, 2, false);
  EXPECT_TRUE(last.above == 0 && last.centre == 1 && last.below == 1);
  EXPECT_FALSE(EnvelopeIsComplete(2, 9));
  EXPECT_FALSE(EnvelopeIsComplete(9, 2));
  EXPECT_TRUE(EnvelopeIsComplete(3, 3));
}

// The luma neighbourhood maxima of the frame, through limit mode.
std::vector<int16_t> MaximaThroughLimit(model::Frame f, bool interlace) {
  model::Controls c;
  c[QUORLIN_LUMA_STRENGTH] = 0;
  c[QUORLIN_LUMA_LIMIT] = -32;
  c[QUORLIN_LIMIT_MODE] = 1;
  c[QUORLIN_INTERLACE] = interlace;
  EXPECT_EQ(RunHost(f, c), 1);
  std::vector<int16_t> maxima;
  for (int y = 0; y < f.h; ++y)
    for (int x = 0; x < f.w; ++x) maxima.push_back(int16_t(f.at(x, y).y + 512));
  return maxima;
}

TEST(Envelope, ARaisedSampleReachesItsWindowAndItsFieldOnly) {
  for (bool interlace : {false, true}) {
    model::Frame f(9, 11, 9, 11);
    for (QuorlinPixel& p : f.px) p = {100, -5, 5};
    f.at(4, 5).y = 900;
    const std::vector<int16_t> maxima = MaximaThroughLimit(f, interlace);
    // Rows whose window holds row 5, and under interlace the border rows 1
    // and 9 that copy rows 3 and 7 of the same field.
    const std::vector<int> rows = interlace ? std::vector<int>{1, 3, 5, 7, 9} : std::vector<int>{4, 5, 6};
    for (int y = 0; y < 11; ++y) {
      for (int x = 0; x < 9; ++x) {
        const bool in_window = std::abs(x - 4) <= 1 && std::count(rows.begin(), rows.end(), y);
        EXPECT_EQ(maxima[size_t(y) * 9 + x], in_window ? 900 : 100) << x << "," << y;
      }
    }
  }
}

TEST(Envelope, BorderRowsAndColumnsCopyTheirNeighbours) {
  std::mt19937 rng(8);
  std::uniform_int_distribution<int> sample(0, 1000);
  for (auto [h, interlace] : {std::pair{3, false}, {6, true}, {7, true}, {8, false}}) {
    model::Frame f(5, h, 5, h);
    for (QuorlinPixel& p : f.px) p = {int16_t(sample(rng)), 0, 0};
    const std::vector<int16_t> m = MaximaThroughLimit(f, interlace);
    auto row = [&](int y) { return std::vector<int16_t>(m.begin() + y * 5, m.begin() + y * 5 + 5); };
    if (interlace) {
      EXPECT_EQ(row(0), row(2));
      EXPECT_EQ(row(1), row(3));
      EXPECT_EQ(row(h - 1), row(h - 3));
      EXPECT_EQ(row(h - 2), row(h - 4));
    } else {
      EXPECT_EQ(row(0), row(1));
      EXPECT_EQ(row(h - 1), row(h - 2));
    }
    for (int y = 0; y < h; ++y) {
      EXPECT_EQ(m[y * 5], m[y * 5 + 1]);
      EXPECT_EQ(m[y * 5 + 4], m[y * 5 + 3]);
    }
  }
}

}  // namespace
}  // namespace quorlin

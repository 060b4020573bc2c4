// The whole-pixel moves against their definition: lane s of vector i is
// sample c of pixel s * L + i.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "kernels/x86/pixel_columns.h"

namespace quorlin {
namespace {

constexpr int kL = 5;  // vectors in a row: eight segments of five pixels
constexpr int kPixels = 8 * kL;

struct alignas(16) ChannelVectors {
  int16_t y[8], cb[8], cr[8];
};

std::vector<int16_t> RandomRow(std::mt19937& rng) {
  std::uniform_int_distribution<int> sample(-32768, 32767);
  std::vector<int16_t> row(3 * kPixels);
  for (int16_t& v : row) v = int16_t(sample(rng));
  return row;
}

TEST(PixelColumns, GatherSortsEightPixelsIntoTheirLanes) {
  std::mt19937 rng(11);
  const std::vector<int16_t> row = RandomRow(rng);
  // The last vector's pixels are each the last of their segment: their
  // 8-byte reads would reach the next segment, which the callers avoid.
  for (int i = 0; i + 1 < kL; ++i) {
    ChannelVectors v;
    GatherPixels(row.data() + 3 * i, 3 * kL, v.y, v.cb, v.cr);
    for (int s = 0; s < 8; ++s) {
      const int16_t* pixel = row.data() + 3 * (s * kL + i);
      ASSERT_EQ(v.y[s], pixel[0]) << "i " << i << " lane " << s;
      ASSERT_EQ(v.cb[s], pixel[1]) << "i " << i << " lane " << s;
      ASSERT_EQ(v.cr[s], pixel[2]) << "i " << i << " lane " << s;
    }
  }
}

// Scattering vectors 0 .. n - 1 in order leaves their pixels exactly, puts
// a stale luma only on pixel n of each segment, and touches nothing else.
TEST(PixelColumns, ScatterInOrderWritesEveryPixelWhole) {
  std::mt19937 rng(12);
  for (int n = 1; n < kL; ++n) {
    const std::vector<int16_t> before = RandomRow(rng);
    const std::vector<int16_t> values = RandomRow(rng);  // vector i lane s at 3 * (i * 8 + s)
    std::vector<int16_t> row = before;
    for (int i = 0; i < n; ++i) {
      ChannelVectors v;
      for (int s = 0; s < 8; ++s) {
        v.y[s] = values[3 * (i * 8 + s)];
        v.cb[s] = values[3 * (i * 8 + s) + 1];
        v.cr[s] = values[3 * (i * 8 + s) + 2];
      }
      ScatterPixels(v.y, v.cb, v.cr, row.data() + 3 * i, 3 * kL);
    }
    for (int x = 0; x < kPixels; ++x) {
      const int s = x / kL, i = x % kL;
      for (int c = 0; c < 3; ++c) {
        const int16_t got = row[3 * x + c];
        if (i < n) {
          ASSERT_EQ(got, values[3 * (i * 8 + s) + c]) << "n " << n << " x " << x << " c " << c;
        } else if (i > n || c > 0) {
          ASSERT_EQ(got, before[3 * x + c]) << "n " << n << " x " << x << " c " << c;
        }
      }
    }
  }
}

}  // namespace
}  // namespace quorlin

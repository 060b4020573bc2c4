// The envelope stages against the model's window definition with its border
// copies, and the cases that show the copies and the fields.
#include <gtest/gtest.h>

#include "envelope/envelope.h"
#include "tests/harness.h"

namespace {

// Both envelope stages on the frame, as w x h row-major pixels (the luma
// stage fills y only). Plane samples beyond the width must stay untouched.
struct StageEnvelopes {
  model::Envelope luma, yc;
};

StageEnvelopes RunStages(model::Frame& f, bool interlace) {
  CPixels frame(f.px.data(), f.max_w, f.w, f.h, int32_t(f.px.size() * sizeof(PIXEL_YC)));
  const int64_t pitch = RoundUp(f.w, 8);
  CSPixel_s16 lo(f.w, f.h, pitch), hi(f.w, f.h, pitch);
  CPixels lo_yc(f.w, f.h, pitch), hi_yc(f.w, f.h, pitch);
  std::fill(lo.data, lo.data + lo.pitch * f.h, int16_t(0x7E7E));
  std::fill(hi.data, hi.data + hi.pitch * f.h, int16_t(0x7E7E));
  std::fill(lo_yc.data, lo_yc.data + lo_yc.pitch * f.h, PIXEL_YC{0x7E7E, 1, 2});
  std::fill(hi_yc.data, hi_yc.data + hi_yc.pitch * f.h, PIXEL_YC{0x7E7E, 1, 2});
  EnvelopeY(frame, lo, hi, interlace);
  EnvelopeYC(frame, lo_yc, hi_yc, interlace);
  StageEnvelopes out;
  for (int y = 0; y < f.h; ++y) {
    for (int x = 0; x < f.w; ++x) {
      out.luma.lo.push_back({lo.Row(y)[x], 0, 0});
      out.luma.hi.push_back({hi.Row(y)[x], 0, 0});
      out.yc.lo.push_back(lo_yc.Row(y)[x]);
      out.yc.hi.push_back(hi_yc.Row(y)[x]);
    }
    for (int x = f.w; x < pitch; ++x) {
      EXPECT_TRUE(lo.Row(y)[x] == 0x7E7E && hi.Row(y)[x] == 0x7E7E);
      EXPECT_TRUE(lo_yc.Row(y)[x].y == 0x7E7E && hi_yc.Row(y)[x].y == 0x7E7E);
    }
  }
  return out;
}

bool SameLuma(const std::vector<PIXEL_YC>& stage, const std::vector<PIXEL_YC>& model) {
  return std::equal(stage.begin(), stage.end(), model.begin(), model.end(),
                    [](const PIXEL_YC& a, const PIXEL_YC& b) { return a.y == b.y; });
}

bool SameYC(const std::vector<PIXEL_YC>& stage, const std::vector<PIXEL_YC>& model) {
  return std::equal(stage.begin(), stage.end(), model.begin(), model.end(), SamePixel);
}

void ExpectLikeModel(model::Frame& f, bool interlace, const std::string& what) {
  const model::Frame before = f;
  const StageEnvelopes got = RunStages(f, interlace);
  const model::Envelope want = model::EnvelopeOf(f, interlace);
  ASSERT_TRUE(SameLuma(got.luma.lo, want.lo) && SameLuma(got.luma.hi, want.hi)) << "luma " << what;
  ASSERT_TRUE(SameYC(got.yc.lo, want.lo) && SameYC(got.yc.hi, want.hi)) << "yc " << what;
  ASSERT_TRUE(SamePixels(f, before)) << "frame changed: " << what;
}

TEST(Envelope, MatchesTheWindowDefinitionWithItsBorderCopies) {
  std::mt19937 rng(31);
  for (int threads : {1, 2, 3}) {
    ScopedThreads scope(threads);
    for (bool interlace : {false, true}) {
      for (int w = 1; w <= 19; ++w) {
        for (int h : {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13}) {
          const auto range = (w * h) % 3 ? model::Range::Full : model::Range::Natural;
          model::Frame f = model::RandomFrame(rng, w, h, w + 2, h + 1, range);
          ExpectLikeModel(f, interlace,
                          std::to_string(w) + "x" + std::to_string(h) + " interlace " + std::to_string(interlace) +
                              " threads " + std::to_string(threads));
        }
      }
    }
  }
}

TEST(Envelope, ExtremesCompareAsSignedValues) {
  // The pad lanes never win: all 32767 stays 32767, all -32768 stays -32768.
  for (int16_t v : {int16_t(32767), int16_t(-32768)}) {
    model::Frame f(7, 7, 7, 7);
    for (PIXEL_YC& p : f.px) p = {v, v, v};
    for (bool interlace : {false, true}) {
      const StageEnvelopes got = RunStages(f, interlace);
      for (size_t i = 0; i < got.yc.lo.size(); ++i) {
        ASSERT_TRUE(SamePixel(got.yc.lo[i], {v, v, v}) && SamePixel(got.yc.hi[i], {v, v, v}));
        ASSERT_TRUE(got.luma.lo[i].y == v && got.luma.hi[i].y == v);
      }
    }
  }
}

TEST(Envelope, ARaisedSampleReachesItsWindowAndItsFieldOnly) {
  for (bool interlace : {false, true}) {
    model::Frame f(9, 11, 9, 11);
    for (PIXEL_YC& p : f.px) p = {100, -5, 5};
    f.at(4, 5).y = 900;
    f.at(6, 4).cb = 700;  // channels never mix
    const StageEnvelopes got = RunStages(f, interlace);
    // Rows whose window holds row 5, and under interlace the border rows 1
    // and 9 that copy rows 3 and 7 of the same field.
    const std::vector<int> rows = interlace ? std::vector<int>{1, 3, 5, 7, 9} : std::vector<int>{4, 5, 6};
    for (int y = 0; y < 11; ++y) {
      for (int x = 0; x < 9; ++x) {
        const bool in_window = std::abs(x - 4) <= 1 && std::count(rows.begin(), rows.end(), y);
        const size_t i = size_t(y) * 9 + x;
        EXPECT_EQ(got.luma.hi[i].y, in_window ? 900 : 100) << x << "," << y;
        EXPECT_EQ(got.yc.hi[i].y, in_window ? 900 : 100) << x << "," << y;
        EXPECT_EQ(got.yc.lo[i].y, 100);
        EXPECT_EQ(got.yc.hi[i].cr, 5);
      }
    }
  }
}

TEST(Envelope, BorderRowsCopyTheNearestRowOfTheirField) {
  std::mt19937 rng(8);
  for (int h : {6, 7}) {
    model::Frame f = model::RandomFrame(rng, 5, h, 5, h, model::Range::Full);
    const StageEnvelopes got = RunStages(f, true);
    auto row = [&](const std::vector<PIXEL_YC>& plane, int y) {
      return std::vector<int16_t>{plane[y * 5 + 1].y, plane[y * 5 + 2].y, plane[y * 5 + 3].y};
    };
    for (const auto* plane : {&got.luma.lo, &got.luma.hi, &got.yc.hi}) {
      EXPECT_EQ(row(*plane, 0), row(*plane, 2));
      EXPECT_EQ(row(*plane, 1), row(*plane, 3));
      EXPECT_EQ(row(*plane, h - 1), row(*plane, h - 3));
      EXPECT_EQ(row(*plane, h - 2), row(*plane, h - 4));
      for (int y = 0; y < h; ++y) {
        EXPECT_EQ((*plane)[y * 5].y, (*plane)[y * 5 + 1].y);
        EXPECT_EQ((*plane)[y * 5 + 4].y, (*plane)[y * 5 + 3].y);
      }
    }
  }
}

}  // namespace

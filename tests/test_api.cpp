// The library's C API: arguments it refuses without touching anything,
// working memory it cannot have, and the controls clamped and scaled from
// the editor's units.
#include <gtest/gtest.h>

#include <climits>
#include <new>
#include <vector>

#include "controls.h"
#include "quorlin/quorlin.h"
#include "tests/harness.h"

namespace {

// A buffer of pixels with a pattern, to see that nothing was written.
struct Pixels {
  std::vector<QuorlinPixel> px;
  explicit Pixels(size_t n) : px(n) {
    for (size_t i = 0; i < n; ++i) px[i] = {int16_t(i * 37), int16_t(i * 11 - 900), int16_t(500 - i * 7)};
  }
  bool operator==(const Pixels& o) const {
    return std::equal(px.begin(), px.end(), o.px.begin(), o.px.end(), [](QuorlinPixel a, QuorlinPixel b) {
      return a.y == b.y && a.cb == b.cb && a.cr == b.cr;
    });
  }
};

QuorlinSettings Defaults() {
  QuorlinSettings s;
  quorlin_default_settings(&s, QUORLIN_API_VERSION);
  return s;
}

TEST(Api, BadArgumentsAreRefusedAndTouchNothing) {
  Pixels buffer(16 * 12);
  const Pixels before = buffer;
  const QuorlinFrame good{buffer.px.data(), 16, 12, 16};
  const QuorlinSettings settings = Defaults();
  std::vector<QuorlinFrame> frames(7, good);
  frames[0].pixels = nullptr;
  frames[1].width = 0;
  frames[2].height = -1;
  frames[3].pitch = 15;  // below the width
  frames[4].width = frames[4].pitch = INT_MAX;
  frames[5].pitch = (QUORLIN_MAX_FRAME_BYTES / 6) / 12 + 1;  // pitch x height x 6 too large
  frames[6].height = 0;
  for (const QuorlinFrame& f : frames) EXPECT_EQ(quorlin_sharpen(&f, &settings), QUORLIN_BAD_ARGUMENT);
  EXPECT_EQ(quorlin_sharpen(nullptr, &settings), QUORLIN_BAD_ARGUMENT);
  EXPECT_EQ(quorlin_sharpen(&good, nullptr), QUORLIN_BAD_ARGUMENT);
  QuorlinSettings bad = settings;
  bad.threads = -1;
  EXPECT_EQ(quorlin_sharpen(&good, &bad), QUORLIN_BAD_ARGUMENT);
  const QuorlinAllocator half{nullptr, [](void*, void*) {}, nullptr};
  bad = settings;
  bad.allocator = &half;
  EXPECT_EQ(quorlin_sharpen(&good, &bad), QUORLIN_BAD_ARGUMENT);

  std::vector<uint8_t> rgb(16 * 12 * 4, 7);
  const std::vector<uint8_t> rgb_before = rgb;
  EXPECT_EQ(quorlin_rgb_to_yc(rgb.data(), 16 * 4, 2, &good, nullptr), QUORLIN_BAD_ARGUMENT);
  EXPECT_EQ(quorlin_rgb_to_yc(rgb.data(), 16 * 3 - 1, 3, &good, nullptr), QUORLIN_BAD_ARGUMENT);
  EXPECT_EQ(quorlin_rgb_to_yc(nullptr, 16 * 3, 3, &good, nullptr), QUORLIN_BAD_ARGUMENT);
  EXPECT_EQ(quorlin_yc_to_rgb(&frames[3], rgb.data(), 16 * 4, 4, nullptr), QUORLIN_BAD_ARGUMENT);

  QuorlinPlanes planes{{rgb.data(), rgb.data(), rgb.data()}, {16, 8, 8}, 16, 12, 8, 1, 0};
  for (auto change : {+[](QuorlinPlanes& p) { p.depth = 7; }, +[](QuorlinPlanes& p) { p.depth = 17; },
                      +[](QuorlinPlanes& p) { p.chroma_shift = 2; }, +[](QuorlinPlanes& p) { p.stride[0] = 15; },
                      +[](QuorlinPlanes& p) { p.stride[2] = 7; }, +[](QuorlinPlanes& p) { p.data[1] = nullptr; },
                      +[](QuorlinPlanes& p) { p.depth = 10; }, +[](QuorlinPlanes& p) { p.width = 0; },
                      +[](QuorlinPlanes& p) { p.height = -2; }, +[](QuorlinPlanes& p) { p.width = INT_MAX; }}) {
    QuorlinPlanes p = planes;
    change(p);
    EXPECT_EQ(quorlin_yuv_to_yc(&p, 1, &good, nullptr), QUORLIN_BAD_ARGUMENT);
    EXPECT_EQ(quorlin_yc_to_yuv(&good, 1, &p, nullptr), QUORLIN_BAD_ARGUMENT);
    QuorlinSettings with_chroma = settings;
    with_chroma.luma_only = 0;
    EXPECT_EQ(quorlin_sharpen_planes(&p, &with_chroma), QUORLIN_BAD_ARGUMENT);
  }
  // The frame must have the planes' size.
  QuorlinPlanes smaller = planes;
  smaller.height = 11;
  EXPECT_EQ(quorlin_yuv_to_yc(&smaller, 1, &good, nullptr), QUORLIN_BAD_ARGUMENT);
  EXPECT_EQ(quorlin_yc_to_yuv(&good, 0, &smaller, nullptr), QUORLIN_BAD_ARGUMENT);
  EXPECT_EQ(quorlin_sharpen_planes(&planes, nullptr), QUORLIN_BAD_ARGUMENT);
  EXPECT_EQ(quorlin_sharpen_planes(nullptr, &settings), QUORLIN_BAD_ARGUMENT);
  EXPECT_TRUE(buffer == before);
  EXPECT_TRUE(rgb == rgb_before);
}

// An allocator that fails from a chosen call on and counts what is live.
struct TestAllocator {
  int calls = 0, fail_from = INT_MAX, live = 0;
  size_t bytes = 0;
  QuorlinAllocator hooks{Alloc, Release, this};

  static void* Alloc(void* opaque, size_t n) {
    auto& a = *static_cast<TestAllocator*>(opaque);
    if (a.calls++ >= a.fail_from) return nullptr;
    a.bytes += n;
    ++a.live;
    return operator new(n);
  }
  static void Release(void* opaque, void* block) {
    --static_cast<TestAllocator*>(opaque)->live;
    operator delete(block);
  }
};

TEST(Api, WithoutWorkingMemoryTheFrameStaysAsItWas) {
  for (int luma_only : {0, 1}) {
    for (int limit_mode : {0, 1}) {
      Pixels buffer(23 * 17);
      const Pixels before = buffer;
      const QuorlinFrame frame{buffer.px.data(), 21, 17, 23};
      TestAllocator failing;
      failing.fail_from = 0;
      QuorlinSettings s = Defaults();
      s.luma_only = luma_only;
      s.limit_mode = limit_mode;
      s.interlace = limit_mode;
      s.allocator = &failing.hooks;
      EXPECT_EQ(quorlin_sharpen(&frame, &s), QUORLIN_OUT_OF_MEMORY);
      EXPECT_TRUE(buffer == before);
      TestAllocator counting;
      s.allocator = &counting.hooks;
      EXPECT_EQ(quorlin_sharpen(&frame, &s), QUORLIN_OK);
      EXPECT_EQ(counting.calls, 1);
      EXPECT_EQ(failing.live + counting.live, 0);
    }
  }
}

TEST(Api, WorkingMemoryStaysSmallAtFullHd) {
  // No frame-sized plane: a few rows per thread, well under 1 MB each.
  std::vector<QuorlinPixel> pixels(1920 * 1080);
  const QuorlinFrame frame{pixels.data(), 1920, 1080, 1920};
  for (int luma_only : {0, 1}) {
    for (int threads : {1, 2, 3}) {
      TestAllocator counting;
      QuorlinSettings s = Defaults();
      s.radius = 10;
      s.luma_only = luma_only;
      s.limit_mode = 1;
      s.threads = threads;
      s.allocator = &counting.hooks;
      EXPECT_EQ(quorlin_sharpen(&frame, &s), QUORLIN_OK);
      EXPECT_LE(counting.bytes, size_t(threads) * 1024 * 1024) << "luma only " << luma_only << " threads " << threads;
    }
  }
}

// The clamped and scaled value of one control set to `value`.
quorlin::SharpenParams ParamsWith(int id, int value, int luma_only = 1, int limit_mode = 1) {
  QuorlinSettings s = Defaults();
  s.luma_only = luma_only;
  s.limit_mode = limit_mode;
  *quorlin_setting(&s, id) = value;
  return quorlin::MakeSharpenParams(s);
}

TEST(Api, ControlsAreClampedAndScaledFromTheEditorsUnits) {
  EXPECT_EQ(ParamsWith(QUORLIN_RADIUS, 0).radius, 1);
  EXPECT_EQ(ParamsWith(QUORLIN_RADIUS, INT_MIN).radius, 1);
  EXPECT_EQ(ParamsWith(QUORLIN_RADIUS, 11).radius, 10);
  EXPECT_EQ(ParamsWith(QUORLIN_LUMA_STRENGTH, 300).luma.strength, 256);
  EXPECT_EQ(ParamsWith(QUORLIN_CHROMA_STRENGTH, -1).chroma.strength, 0);
  // Thresholds are doubled in the mathematical integers, then clamped to 1024.
  for (auto [value, want] : {std::pair{0, 0}, {1, 2}, {500, 1000}, {511, 1022}, {512, 1024}, {600, 1024},
                             {-5, 0}, {INT_MAX, 1024}, {0x40000000, 1024}, {INT_MIN, 0}}) {
    EXPECT_EQ(ParamsWith(QUORLIN_LUMA_THRESHOLD, value).luma.threshold, want) << value;
    EXPECT_EQ(ParamsWith(QUORLIN_CHROMA_THRESHOLD, value).chroma.threshold, want) << value;
  }
  // Limits are 16 times a value clamped to -32..32, the chroma limit too.
  for (auto [value, want] : {std::pair{1, 16}, {-1, -16}, {32, 512}, {40, 512}, {-40, -512}, {INT_MIN, -512}}) {
    EXPECT_EQ(ParamsWith(QUORLIN_LUMA_LIMIT, value).luma.limit, want) << value;
    EXPECT_EQ(ParamsWith(QUORLIN_CHROMA_LIMIT, value).chroma.limit, want) << value;
  }
  // Any non-zero switch is on; luma only first, then limit mode, picks the
  // channels and the bound.
  EXPECT_TRUE(ParamsWith(QUORLIN_INTERLACE, -1).interlace);
  EXPECT_TRUE(ParamsWith(QUORLIN_INTERLACE, 2).interlace);
  EXPECT_FALSE(ParamsWith(QUORLIN_INTERLACE, 0).interlace);
  using quorlin::Bound;
  for (auto [luma_only, limit_mode, channels, bound] :
       {std::tuple{1, 0, 1, Bound::None}, {5, -1, 1, Bound::Saturated}, {0, 0, 3, Bound::None},
        {0, 2, 3, Bound::Wrapped}}) {
    const quorlin::SharpenParams p = ParamsWith(QUORLIN_RADIUS, 2, luma_only, limit_mode);
    EXPECT_EQ(p.channels, channels);
    EXPECT_EQ(p.bound, bound);
  }
}

TEST(Api, SettingsAndControlsAgree) {
  const QuorlinSettings s = Defaults();
  EXPECT_EQ(s.threads, 0);
  EXPECT_EQ(s.allocator, nullptr);
  QuorlinSettings copy = s;
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
    const QuorlinControl& c = *quorlin_control(id);
    EXPECT_EQ(*quorlin_setting(&copy, id), c.default_value) << c.option;
    EXPECT_LE(c.minimum, c.default_value);
    EXPECT_LE(c.default_value, c.maximum);
  }
  EXPECT_EQ(&copy.radius, quorlin_setting(&copy, QUORLIN_RADIUS));
  EXPECT_EQ(&copy.limit_mode, quorlin_setting(&copy, QUORLIN_LIMIT_MODE));
  EXPECT_EQ(quorlin_control(-1), nullptr);
  EXPECT_EQ(quorlin_control(QUORLIN_CONTROL_COUNT), nullptr);
  EXPECT_EQ(quorlin_setting(&copy, QUORLIN_CONTROL_COUNT), nullptr);
}

}  // namespace

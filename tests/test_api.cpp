// The library's C API: arguments it refuses without touching anything,
// working memory it cannot have, and the controls clamped and scaled from
// the editor's units.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "controls.h"
#include "quorlin/quorlin.h"
#include "tests/counting_allocator.h"
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

  QuorlinPlanes planes{{rgb.data(), rgb.data(), rgb.data()}, {16, 8, 8}, 16, 12, 8, 1, 1, 0};
  for (auto change : {+[](QuorlinPlanes& p) { p.depth = 7; }, +[](QuorlinPlanes& p) { p.depth = 17; },
                      +[](QuorlinPlanes& p) { p.chroma_shift_x = 2; },
                      // 4:4:0
                      +[](QuorlinPlanes& p) { p.chroma_shift_x = 0, p.stride[1] = p.stride[2] = 16; },
                      +[](QuorlinPlanes& p) { p.stride[0] = 15; },
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

TEST(Api, WithoutWorkingMemoryTheFrameStaysAsItWas) {
  for (int luma_only : {0, 1}) {
    for (int limit_mode : {0, 1}) {
      Pixels buffer(23 * 17);
      const Pixels before = buffer;
      const QuorlinFrame frame{buffer.px.data(), 21, 17, 23};
      CountingAllocator failing;
      failing.refuse_from = 0;
      QuorlinSettings s = Defaults();
      s.luma_only = luma_only;
      s.limit_mode = limit_mode;
      s.interlace = limit_mode;
      s.allocator = &failing.hooks;
      EXPECT_EQ(quorlin_sharpen(&frame, &s), QUORLIN_OUT_OF_MEMORY);
      EXPECT_TRUE(buffer == before);
      CountingAllocator counting;
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
      CountingAllocator counting;
      QuorlinSettings s = Defaults();
      s.radius = 10;
      s.luma_only = luma_only;
      s.limit_mode = 1;
      s.threads = threads;
      s.allocator = &counting.hooks;
      EXPECT_EQ(quorlin_sharpen(&frame, &s), QUORLIN_OK);
      EXPECT_LE(counting.calls * counting.largest, size_t(threads) * 1024 * 1024)
          << "luma only " << luma_only << " threads " << threads;
    }
  }
}

// The clamped and scaled value of one control set to `value`.
quorlin::SharpenParams ParamsWith(int id, int value, int luma_only = 1, int limit_mode = 1) {
  QuorlinSettings s = Defaults();
  s.luma_only = luma_only;
  s.limit_mode = limit_mode;
  *quorlin_setting(&s, id) = value;
  return quorlin::MakeSharpenParams(s, quorlin::KernelsFor(quorlin::Isa::kC));
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

namespace {

TEST(Api, VersionAndStatusTexts) {
  EXPECT_EQ(quorlin_version(), QUORLIN_API_VERSION);
  EXPECT_EQ(quorlin_version() >> 16, unsigned{QUORLIN_VERSION_MAJOR});
  for (int status : {QUORLIN_OK, QUORLIN_BAD_ARGUMENT, QUORLIN_OUT_OF_MEMORY}) {
    ASSERT_NE(quorlin_status_string(status), nullptr);
    EXPECT_STRNE(quorlin_status_string(status), "unknown status");
  }
  EXPECT_STRNE(quorlin_status_string(QUORLIN_OUT_OF_MEMORY), quorlin_status_string(QUORLIN_BAD_ARGUMENT));
  EXPECT_STREQ(quorlin_status_string(-1), "unknown status");
  EXPECT_STREQ(quorlin_status_string(7), "unknown status");
}

// Settings say their version: another major version, or a later minor one
// than the library knows, cannot be filled; another major version is
// refused by every call.
TEST(Api, SettingsOfAnotherVersionAreRefused) {
  QuorlinSettings s = Defaults();
  EXPECT_EQ(s.version, QUORLIN_API_VERSION);
  EXPECT_EQ(quorlin_default_settings(nullptr, QUORLIN_API_VERSION), QUORLIN_BAD_ARGUMENT);
  for (unsigned version : {0u, QUORLIN_MAKE_VERSION(1, 0), QUORLIN_MAKE_VERSION(3, 0), QUORLIN_API_VERSION + 1}) {
    EXPECT_EQ(quorlin_default_settings(&s, version), QUORLIN_BAD_ARGUMENT) << std::hex << version;
  }
  Pixels buffer(8 * 8);
  const QuorlinFrame frame{buffer.px.data(), 8, 8, 8};
  QuorlinSettings old = Defaults();
  old.version = QUORLIN_MAKE_VERSION(1, 0);
  QuorlinFilter* filter = nullptr;
  EXPECT_EQ(quorlin_sharpen(&frame, &old), QUORLIN_BAD_ARGUMENT);
  EXPECT_EQ(quorlin_filter_new(&filter, &old), QUORLIN_BAD_ARGUMENT);
  EXPECT_EQ(filter, nullptr);
  EXPECT_EQ(quorlin_rgb_to_yc(nullptr, 0, 3, &frame, &old), QUORLIN_BAD_ARGUMENT);
}

// One object through changing settings and growing frames gives the
// stateless calls' samples, and keeps its memory while frames do not grow.
TEST(Api, FilterObjectGivesTheStatelessSamples) {
  CountingAllocator counting;
  QuorlinSettings s = Defaults();
  s.allocator = &counting.hooks;
  QuorlinFilter* filter = nullptr;
  ASSERT_EQ(quorlin_filter_new(&filter, &s), QUORLIN_OK);
  std::mt19937 rng(3);
  for (auto [w, h, luma_only, limit_mode, radius] :
       {std::tuple{40, 30, 1, 0, 2}, {40, 30, 0, 1, 7}, {64, 50, 0, 0, 10}, {64, 50, 1, 1, 1}, {33, 70, 0, 1, 3}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h << " radius " << radius);
    QuorlinSettings next = Defaults();
    next.luma_only = luma_only;
    next.limit_mode = limit_mode;
    next.radius = radius;
    next.interlace = radius % 2;
    ASSERT_EQ(quorlin_filter_set_settings(filter, &next), QUORLIN_OK);
    model::Frame f = model::RandomFrame(rng, w, h, w + 1, h, model::Range::Natural);
    model::Frame want = f;
    const QuorlinFrame frame{reinterpret_cast<QuorlinPixel*>(f.px.data()), w, h, w + 1};
    const QuorlinFrame want_frame{reinterpret_cast<QuorlinPixel*>(want.px.data()), w, h, w + 1};
    ASSERT_EQ(quorlin_filter_sharpen(filter, &frame), QUORLIN_OK);
    ASSERT_EQ(quorlin_sharpen(&want_frame, &next), QUORLIN_OK);
    EXPECT_TRUE(SamePixels(f, want));

    std::vector<uint8_t> rgb(size_t(w) * h * 4), want_rgb;
    for (uint8_t& b : rgb) b = uint8_t(rng());
    want_rgb = rgb;
    ASSERT_EQ(quorlin_filter_sharpen_rgb(filter, rgb.data(), w * 4, 4, w, h), QUORLIN_OK);
    ASSERT_EQ(quorlin_sharpen_rgb(want_rgb.data(), w * 4, 4, w, h, &next), QUORLIN_OK);
    EXPECT_EQ(rgb, want_rgb);

    const int cw = (w + 1) / 2, ch = (h + 1) / 2;
    std::vector<uint8_t> yuv(size_t(w) * h + 2 * cw * ch), want_yuv;
    for (uint8_t& b : yuv) b = uint8_t(rng());
    want_yuv = yuv;
    auto planes_of = [&, width = w, height = h](std::vector<uint8_t>& bytes) {
      uint8_t* y = bytes.data();
      const int size = width * height;
      return QuorlinPlanes{{y, y + size, y + size + cw * ch}, {width, cw, cw}, width, height, 8, 1, 1, 0};
    };
    const QuorlinPlanes planes = planes_of(yuv), want_planes = planes_of(want_yuv);
    ASSERT_EQ(quorlin_filter_sharpen_planes(filter, &planes), QUORLIN_OK);
    ASSERT_EQ(quorlin_sharpen_planes(&want_planes, &next), QUORLIN_OK);
    EXPECT_EQ(yuv, want_yuv);
  }
  const int calls = counting.calls;
  QuorlinSettings next = Defaults();
  next.luma_strength = 200;
  ASSERT_EQ(quorlin_filter_set_settings(filter, &next), QUORLIN_OK);
  Pixels buffer(33 * 70);
  const QuorlinFrame frame{buffer.px.data(), 33, 70, 33};
  ASSERT_EQ(quorlin_filter_sharpen(filter, &frame), QUORLIN_OK);
  EXPECT_EQ(counting.calls, calls);
  // Bad settings leave the object as it was.
  QuorlinSettings bad = next;
  bad.threads = -2;
  EXPECT_EQ(quorlin_filter_set_settings(filter, &bad), QUORLIN_BAD_ARGUMENT);
  EXPECT_EQ(quorlin_filter_set_settings(filter, nullptr), QUORLIN_BAD_ARGUMENT);
  Pixels want = buffer;
  const QuorlinFrame want_frame{want.px.data(), 33, 70, 33};
  EXPECT_EQ(quorlin_filter_sharpen(filter, &frame), QUORLIN_OK);
  EXPECT_EQ(quorlin_sharpen(&want_frame, &next), QUORLIN_OK);
  EXPECT_TRUE(buffer == want);
  EXPECT_EQ(quorlin_filter_sharpen(filter, nullptr), QUORLIN_BAD_ARGUMENT);
  EXPECT_EQ(quorlin_filter_sharpen(nullptr, &frame), QUORLIN_BAD_ARGUMENT);
  quorlin_filter_free(&filter);
  EXPECT_EQ(filter, nullptr);
  quorlin_filter_free(&filter);
  quorlin_filter_free(nullptr);
  EXPECT_EQ(counting.live, 0);
  EXPECT_EQ(quorlin_filter_new(nullptr, &s), QUORLIN_BAD_ARGUMENT);
}

// With luma alone nothing reads or writes Cb and Cr: their planes may be
// null. Where chroma is wanted, null chroma planes are refused.
TEST(Api, LumaAloneTakesNullChromaPlanes) {
  std::vector<uint8_t> luma(16 * 12, 90), before = luma;
  luma[5 * 16 + 5] = 200;
  before = luma;
  for (int shift : {0, 1}) {
    const QuorlinPlanes planes{{luma.data(), nullptr, nullptr}, {16, 0, 0}, 16, 12, 8, shift, shift, 0};
    Pixels buffer(16 * 12);
    const QuorlinFrame frame{buffer.px.data(), 16, 12, 16};
    EXPECT_EQ(quorlin_yuv_to_yc(&planes, 0, &frame, nullptr), QUORLIN_OK);
    EXPECT_EQ(quorlin_yc_to_yuv(&frame, 0, &planes, nullptr), QUORLIN_OK);
    EXPECT_EQ(luma, before);
    QuorlinSettings s = Defaults();
    EXPECT_EQ(quorlin_sharpen_planes(&planes, &s), QUORLIN_OK);
    EXPECT_NE(luma, before);
    luma = before;
    QuorlinFilter* filter = nullptr;
    ASSERT_EQ(quorlin_filter_new(&filter, &s), QUORLIN_OK);
    EXPECT_EQ(quorlin_filter_sharpen_planes(filter, &planes), QUORLIN_OK);
    EXPECT_NE(luma, before);
    luma = before;
    s.luma_only = 0;
    EXPECT_EQ(quorlin_sharpen_planes(&planes, &s), QUORLIN_BAD_ARGUMENT);
    ASSERT_EQ(quorlin_filter_set_settings(filter, &s), QUORLIN_OK);
    EXPECT_EQ(quorlin_filter_sharpen_planes(filter, &planes), QUORLIN_BAD_ARGUMENT);
    EXPECT_EQ(quorlin_yuv_to_yc(&planes, 1, &frame, nullptr), QUORLIN_BAD_ARGUMENT);
    EXPECT_EQ(luma, before);
    quorlin_filter_free(&filter);
  }
}

// The conversions take their memory from the settings' allocator and their
// level from the settings.
TEST(Api, ConversionsUseTheSettingsAllocatorAndLevel) {
  std::vector<uint8_t> bytes(24 * 10 * 2, 100);
  const QuorlinPlanes planes{{bytes.data(), bytes.data() + 24 * 10, bytes.data() + 24 * 15}, {24, 12, 12},
                             24, 10, 8, 1, 1, 0};
  Pixels buffer(24 * 10);
  const Pixels before = buffer;
  const QuorlinFrame frame{buffer.px.data(), 24, 10, 24};
  CountingAllocator failing;
  failing.refuse_from = 0;
  QuorlinSettings s = Defaults();
  s.allocator = &failing.hooks;
  EXPECT_EQ(quorlin_yuv_to_yc(&planes, 1, &frame, &s), QUORLIN_OUT_OF_MEMORY);
  EXPECT_TRUE(buffer == before);
  const std::vector<uint8_t> bytes_before = bytes;
  EXPECT_EQ(quorlin_yc_to_yuv(&frame, 1, &planes, &s), QUORLIN_OUT_OF_MEMORY);
  EXPECT_EQ(bytes, bytes_before);
  EXPECT_EQ(failing.calls, 2);
  s.allocator = nullptr;
  Pixels at_sse2(24 * 10);
  const QuorlinFrame sse2_frame{at_sse2.px.data(), 24, 10, 24};
  s.isa = QUORLIN_ISA_SSE2;
  ASSERT_EQ(quorlin_yuv_to_yc(&planes, 1, &sse2_frame, &s), QUORLIN_OK);
  ASSERT_EQ(quorlin_yuv_to_yc(&planes, 1, &frame, nullptr), QUORLIN_OK);
  EXPECT_TRUE(buffer == at_sse2);
}

}  // namespace

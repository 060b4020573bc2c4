// One filter object and quorlin_filter_apply: every kind of picture gives
// the stateless calls' samples with the controls of the call, any number of
// threads may share the object, and working memory stops being asked for
// once pictures stop growing; settings are read only as far as their
// version goes.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "quorlin/quorlin.h"
#include "tests/counting_allocator.h"
#include "tests/guarded_memory.h"

namespace {

QuorlinSettings Defaults() {
  QuorlinSettings s;
  quorlin_default_settings(&s, QUORLIN_API_VERSION);
  return s;
}

// A picture of one kind with random samples, and the stateless call that
// sharpens a copy of it.
struct Sample {
  int kind, width, height;
  std::vector<uint8_t> bytes;
  QuorlinPicture picture{};

  Sample(int k, int w, int h, std::mt19937& rng) : kind(k), width(w), height(h) {
    const size_t pixels = size_t(w) * h;
    const size_t sizes[] = {0, pixels * 6, pixels * 2 * 3, pixels * 4, pixels * 8};
    bytes.resize(sizes[k]);
    for (uint8_t& b : bytes) b = uint8_t(rng());
    if (kind == QUORLIN_PICTURE_FRAME) {
      // Natural Y and chroma, as the editor's frames have.
      auto* px = reinterpret_cast<QuorlinPixel*>(bytes.data());
      for (size_t i = 0; i < pixels; ++i) px[i] = {int16_t(rng() % 4097), int16_t(rng() % 4097 - 2048), int16_t(rng() % 4097 - 2048)};
    }
    Point();
  }
  Sample(const Sample& other) : kind(other.kind), width(other.width), height(other.height), bytes(other.bytes) { Point(); }

  // 10-bit 4:4:4 planes, RGBA at both depths.
  void Point() {
    picture = {};
    picture.version = QUORLIN_API_VERSION;
    picture.kind = kind;
    uint8_t* data = bytes.data();
    const size_t pixels = size_t(width) * height;
    switch (kind) {
      case QUORLIN_PICTURE_FRAME:
        picture.frame = {reinterpret_cast<QuorlinPixel*>(data), width, height, width};
        break;
      case QUORLIN_PICTURE_PLANES:
        for (size_t i = 0; i < pixels * 3; ++i) reinterpret_cast<uint16_t*>(data)[i] &= 1023;
        picture.planes = {{data, data + pixels * 2, data + pixels * 4}, {width * 2, width * 2, width * 2},
                          width, height, 10, 0, 0, 0};
        break;
      default:
        picture.rgb = {data, ptrdiff_t{width} * (kind == QUORLIN_PICTURE_RGB16 ? 8 : 4), 4, width, height};
    }
  }

  QuorlinStatus Stateless(const QuorlinSettings& s) {
    const QuorlinRgbPicture& rgb = picture.rgb;
    switch (kind) {
      case QUORLIN_PICTURE_FRAME: return quorlin_sharpen(&picture.frame, &s);
      case QUORLIN_PICTURE_PLANES: return quorlin_sharpen_planes(&picture.planes, &s);
      case QUORLIN_PICTURE_RGB8:
        return quorlin_sharpen_rgb(static_cast<uint8_t*>(rgb.pixels), rgb.stride, 4, width, height, &s);
      default:
        return quorlin_sharpen_rgb16(static_cast<uint16_t*>(rgb.pixels), rgb.stride, 4, width, height, &s);
    }
  }
};

constexpr int kKinds[] = {QUORLIN_PICTURE_FRAME, QUORLIN_PICTURE_PLANES, QUORLIN_PICTURE_RGB8, QUORLIN_PICTURE_RGB16};

// Controls far from the object's own, in every pipeline.
QuorlinSettings ControlsFor(int i) {
  QuorlinSettings c = Defaults();
  c.radius = 1 + 3 * i % 10;
  c.luma_strength = 40 + 50 * i;
  c.chroma_strength = 200 - 30 * i;
  c.luma_threshold = i;
  c.luma_limit = i % 3 - 1;
  c.luma_only = i % 2;
  c.limit_mode = i / 2 % 2;
  c.interlace = i % 3 == 2;
  return c;
}

TEST(Apply, EveryKindGivesTheStatelessSamplesWithTheCallsControls) {
  std::mt19937 rng(5);
  QuorlinSettings own = Defaults();
  own.radius = 7;
  QuorlinFilter* filter = nullptr;
  ASSERT_EQ(quorlin_filter_new(&filter, &own), QUORLIN_OK);
  for (int kind : kKinds) {
    for (int i = 0; i < 4; ++i) {
      SCOPED_TRACE(testing::Message() << "kind " << kind << ", controls " << i);
      Sample picture(kind, 37 + i, 23, rng), want(picture);
      // Threads, allocator and level of the controls are not read.
      QuorlinSettings controls = ControlsFor(i);
      controls.threads = -1;
      controls.allocator = reinterpret_cast<const QuorlinAllocator*>(uintptr_t{8});
      controls.isa = 99;
      ASSERT_EQ(quorlin_filter_apply(filter, &picture.picture, &controls), QUORLIN_OK);
      ASSERT_EQ(want.Stateless(ControlsFor(i)), QUORLIN_OK);
      EXPECT_EQ(picture.bytes, want.bytes);
    }
    Sample picture(kind, 20, 30, rng), want(picture);
    ASSERT_EQ(quorlin_filter_apply(filter, &picture.picture, nullptr), QUORLIN_OK);
    ASSERT_EQ(want.Stateless(own), QUORLIN_OK);
    EXPECT_EQ(picture.bytes, want.bytes) << "the object's own controls, kind " << kind;
  }
  quorlin_filter_free(&filter);
}

TEST(Apply, RefusesWhatItCannotTakeAndTouchesNothing) {
  std::mt19937 rng(6);
  QuorlinFilter* filter = nullptr;
  const QuorlinSettings s = Defaults();
  ASSERT_EQ(quorlin_filter_new(&filter, &s), QUORLIN_OK);
  Sample sample(QUORLIN_PICTURE_FRAME, 16, 12, rng);
  const std::vector<uint8_t> before = sample.bytes;
  auto refused = [&](QuorlinPicture p, const QuorlinSettings* controls = nullptr) {
    return quorlin_filter_apply(filter, &p, controls) == QUORLIN_BAD_ARGUMENT;
  };
  QuorlinPicture p = sample.picture;
  for (unsigned version : {0u, QUORLIN_MAKE_VERSION(2, 0), QUORLIN_MAKE_VERSION(1, 1), QUORLIN_MAKE_VERSION(3, 1)}) {
    p.version = version;
    EXPECT_TRUE(refused(p)) << std::hex << version;
  }
  for (int kind : {0, 5, -1}) {
    p = sample.picture;
    p.kind = kind;
    EXPECT_TRUE(refused(p)) << kind;
  }
  p = sample.picture;
  p.frame.pitch = 15;
  EXPECT_TRUE(refused(p));
  // The frame's member is not the RGB one.
  p = sample.picture;
  p.kind = QUORLIN_PICTURE_RGB8;
  EXPECT_TRUE(refused(p));
  QuorlinSettings other_major = Defaults();
  other_major.version = QUORLIN_MAKE_VERSION(3, 0);
  EXPECT_TRUE(refused(sample.picture, &other_major));
  EXPECT_EQ(quorlin_filter_apply(filter, nullptr, nullptr), QUORLIN_BAD_ARGUMENT);
  EXPECT_EQ(quorlin_filter_apply(nullptr, &sample.picture, nullptr), QUORLIN_BAD_ARGUMENT);
  // Chroma planes are needed where the controls sharpen chroma.
  Sample planes(QUORLIN_PICTURE_PLANES, 16, 12, rng);
  const std::vector<uint8_t> planes_before = planes.bytes;
  planes.picture.planes.data[2] = nullptr;
  QuorlinSettings chroma = Defaults();
  chroma.luma_only = 0;
  EXPECT_TRUE(refused(planes.picture, &chroma));
  EXPECT_EQ(sample.bytes, before);
  EXPECT_EQ(planes.bytes, planes_before);
  EXPECT_EQ(quorlin_filter_apply(filter, &planes.picture, nullptr), QUORLIN_OK);
  quorlin_filter_free(&filter);
}

// Four host threads on one object, each with its own controls and kind of
// picture. The first round is held until all four calls are under way, so
// that the pool has a workspace for each; after it, no call allocates.
TEST(Apply, FourThreadsShareOneObjectAndAllocateNothingOnceWarm) {
  constexpr int kThreads = 4, kRounds = 3;
  CountingAllocator counting;
  QuorlinSettings s = Defaults();
  s.allocator = &counting.hooks;
  s.threads = 2;
  QuorlinFilter* filter = nullptr;
  ASSERT_EQ(quorlin_filter_new(&filter, &s), QUORLIN_OK);
  std::mt19937 rng(7);
  std::vector<Sample> pictures, wants;
  for (int t = 0; t < kThreads; ++t) {
    pictures.emplace_back(kKinds[t], 90 + 31 * t, 40 + 9 * t, rng);
    wants.push_back(pictures.back());
    for (int round = 0; round <= kRounds; ++round) ASSERT_EQ(wants[t].Stateless(ControlsFor(t)), QUORLIN_OK);
  }
  std::vector<int> failures(kThreads);
  auto round = [&] {
    std::vector<std::thread> hosts;
    for (int t = 0; t < kThreads; ++t) {
      hosts.emplace_back([&, t] {
        const QuorlinSettings controls = ControlsFor(t);
        failures[t] += quorlin_filter_apply(filter, &pictures[t].picture, &controls) != QUORLIN_OK;
      });
    }
    for (std::thread& host : hosts) host.join();
  };
  counting.HoldUntil(kThreads);
  round();
  const int warm = counting.calls;
  for (int r = 0; r < kRounds; ++r) round();
  EXPECT_EQ(counting.calls, warm) << "allocations after the first round";
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(failures[t], 0);
    EXPECT_EQ(pictures[t].bytes, wants[t].bytes) << "host thread " << t;
  }
  quorlin_filter_free(&filter);
  EXPECT_EQ(counting.live, 0);
}

// The thread count is the object's, set when it is made or later; each
// worker has its own rows, so more workers ask for more memory.
TEST(Apply, ANewThreadCountIsUsedByLaterFrames) {
  CountingAllocator counting;
  QuorlinSettings s = Defaults();
  s.allocator = &counting.hooks;
  s.threads = 1;
  QuorlinFilter* filter = nullptr;
  ASSERT_EQ(quorlin_filter_new(&filter, &s), QUORLIN_OK);
  std::mt19937 rng(8);
  Sample picture(QUORLIN_PICTURE_FRAME, 640, 64, rng);
  ASSERT_EQ(quorlin_filter_apply(filter, &picture.picture, nullptr), QUORLIN_OK);
  const size_t one = counting.largest;
  const int calls = counting.calls;
  s.threads = 3;
  ASSERT_EQ(quorlin_filter_set_settings(filter, &s), QUORLIN_OK);
  ASSERT_EQ(quorlin_filter_apply(filter, &picture.picture, nullptr), QUORLIN_OK);
  EXPECT_EQ(counting.calls, calls + 1);
  EXPECT_GT(counting.largest, 2 * one);
  quorlin_filter_free(&filter);
}

// A 2.0 caller's struct can end where its memory ends: nothing past it is
// read by the calls that take settings or controls, nor written by the
// defaults.
TEST(Settings, AnEarlierVersionIsReadOnlyAsFarAsItGoes) {
  const PageBeforeNoAccess pages;
  auto* old = static_cast<QuorlinSettings*>(pages.EndingAtTheGuard(sizeof(QuorlinSettings)));
  ASSERT_NE(old, nullptr);
  const unsigned v20 = QUORLIN_MAKE_VERSION(2, 0);
  ASSERT_EQ(quorlin_default_settings(old, v20), QUORLIN_OK);
  EXPECT_EQ(old->version, v20);
  old->radius = 3;
  std::vector<QuorlinPixel> pixels(16 * 16, QuorlinPixel{1000, 0, 0});
  pixels[8 * 16 + 8].y = 3000;
  const QuorlinFrame frame{pixels.data(), 16, 16, 16};
  EXPECT_EQ(quorlin_sharpen(&frame, old), QUORLIN_OK);
  QuorlinFilter* filter = nullptr;
  ASSERT_EQ(quorlin_filter_new(&filter, old), QUORLIN_OK);
  EXPECT_EQ(quorlin_filter_set_settings(filter, old), QUORLIN_OK);
  QuorlinPicture picture{};
  picture.version = QUORLIN_API_VERSION;
  picture.kind = QUORLIN_PICTURE_FRAME;
  picture.frame = frame;
  EXPECT_EQ(quorlin_filter_apply(filter, &picture, old), QUORLIN_OK);
  quorlin_filter_free(&filter);
  // The defaults for 2.0 write the 2.0 fields alone.
  QuorlinSettings s;
  std::memset(&s, 0xA5, sizeof s);
  ASSERT_EQ(quorlin_default_settings(&s, v20), QUORLIN_OK);
  EXPECT_EQ(s.radius, 2);
  EXPECT_EQ(s.allocator, nullptr);
}

}  // namespace

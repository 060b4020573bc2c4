// The frame procedure's handling of unusable records, of frames whose
// working memory cannot be had, and of the memory it keeps between frames.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "hosts/aviutl/frame_proc.h"
#include "tests/counting_allocator.h"
#include "tests/guarded_memory.h"
#include "tests/harness.h"

namespace {

model::Frame SampleFrame(int w = 23, int h = 17, int max_w = 26, int max_h = 19) {
  std::mt19937 rng(7);
  return model::RandomFrame(rng, w, h, max_w, max_h, model::Range::Natural);
}

TEST(FrameProc, UnusableRecordsFailAndLeaveTheBufferAlone) {
  model::Frame f = SampleFrame();
  const model::Frame before = f;
  model::Controls c;
  HostRecords host(f, c);
  FILTER& fp = host.fp;
  FILTER_PROC_INFO& fpip = host.fpip;

  EXPECT_EQ(FrameProc(nullptr, &fpip), 0);
  EXPECT_EQ(FrameProc(&fp, nullptr), 0);
  FILTER no_track = fp;
  no_track.track = nullptr;
  EXPECT_EQ(FrameProc(&no_track, &fpip), 0);
  FILTER no_check = fp;
  no_check.check = nullptr;
  EXPECT_EQ(FrameProc(&no_check, &fpip), 0);
  FILTER_PROC_INFO bad = fpip;
  bad.ycp_edit = nullptr;
  EXPECT_EQ(FrameProc(&fp, &bad), 0);
  bad = fpip;
  bad.max_w = f.w - 1;
  EXPECT_EQ(FrameProc(&fp, &bad), 0);
  bad = fpip;
  bad.max_h = f.h - 1;
  EXPECT_EQ(FrameProc(&fp, &bad), 0);
  EXPECT_TRUE(SamePixels(f, before));

  // Nothing to do is not a failure.
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-3, 5}, {5, -3}}) {
    bad = fpip;
    bad.w = w;
    bad.h = h;
    EXPECT_EQ(FrameProc(&fp, &bad), 1) << w << "x" << h;
  }
  EXPECT_TRUE(SamePixels(f, before));
  EXPECT_EQ(FrameProc(&fp, &fpip), 1);
}

TEST(FrameProc, PlaneTooLargeForItsSizeFieldFailsWithoutTouchingTheFrame) {
  // One row of 2^27 pixels: the frame (6 bytes a pixel) fits a 32-bit size,
  // the scratch rows each thread keeps (2 bytes a sample, a dozen rows or
  // more) do not. The frame is mapped without access, so any read or write
  // of it would fault.
  const int w = 1 << 27;
  const size_t bytes = size_t(w) * sizeof(PIXEL_YC);
  void* buffer = ReserveNoAccess(bytes);
  ASSERT_NE(buffer, nullptr);
  for (int luma_only : {1, 0}) {
    model::Frame no_frame;
    model::Controls c;
    c[QUORLIN_LUMA_ONLY] = luma_only;
    HostRecords host(no_frame, c);
    host.fpip.ycp_edit = static_cast<PIXEL_YC*>(buffer);
    host.fpip.w = host.fpip.max_w = w;
    host.fpip.h = host.fpip.max_h = 1;
    EXPECT_EQ(FrameProc(&host.fp, &host.fpip), 0);
  }
  Unreserve(buffer, bytes);
}

}  // namespace

namespace {

// The editor's steady state: 1080p frames while the user drags sliders and
// flips switches. Once the object has the memory of the largest pipeline, no
// frame allocates; every frame is the plug-in's own.
TEST(FrameProc, SteadyFramesAllocateNothing) {
  CountingAllocator counting;
  int first_frame_calls = 0;
  {
    QuorlinFilter* filter = counting.NewFilter();
    ASSERT_NE(filter, nullptr);
    std::mt19937 rng(19);
    const model::Frame original = model::RandomFrame(rng, 1920, 1080, 1920, 1080, model::Range::Natural);
    model::Controls c;
    for (int frame = 0; frame < 12; ++frame) {
      // The first frame takes the most memory: all three channels, radius 10.
      c[QUORLIN_RADIUS] = frame == 0 ? 10 : 1 + frame % 10;
      c[QUORLIN_LUMA_STRENGTH] = 20 * frame;
      c[QUORLIN_LUMA_ONLY] = frame == 0 ? 0 : frame % 2;
      c[QUORLIN_LIMIT_MODE] = frame % 3 == 1;
      c[QUORLIN_INTERLACE] = frame % 4 == 2;
      model::Frame f = original, want = original;
      HostRecords host(f, c);
      ASSERT_EQ(FrameProcWith(filter, &host.fp, &host.fpip), 1);
      ASSERT_EQ(RunHost(want, c), 1);
      ASSERT_TRUE(SamePixels(f, want)) << "frame " << frame;
      if (frame == 0) first_frame_calls = counting.calls;
    }
    quorlin_filter_free(&filter);
  }
  EXPECT_EQ(first_frame_calls, 3);  // the object, its workspace and the workspace's memory
  EXPECT_EQ(counting.calls, first_frame_calls);
  EXPECT_EQ(counting.live, 0);
}

// A frame whose working memory cannot be had fails alone, with its frame
// untouched and nothing more held than before it; the next frames on the
// same object are sharpened. Each starved frame is larger than any before,
// so that it needs more memory than the object has.
TEST(FrameProc, AFrameWithoutMemoryFailsAndTheNextOnesAreSharpened) {
  CountingAllocator counting;
  QuorlinFilter* filter = counting.NewFilter();
  ASSERT_NE(filter, nullptr);
  model::Controls c;
  c[QUORLIN_LUMA_ONLY] = 0;
  for (int round = 0; round < 7; ++round) {
    const bool starved = round % 2 == 1;
    const int w = 101 + 150 * (round / 2 + starved);
    const model::Frame original = SampleFrame(w, 37, w, 37);
    counting.refuse_from = starved ? 1024 : SIZE_MAX;
    const int live_before = counting.live;
    model::Frame f = original, want = original;
    HostRecords host(f, c);
    ASSERT_EQ(FrameProcWith(filter, &host.fp, &host.fpip), starved ? 0 : 1) << "round " << round;
    if (starved) {
      EXPECT_TRUE(SamePixels(f, original)) << "round " << round;
      EXPECT_EQ(counting.live, live_before) << "round " << round;
    } else {
      ASSERT_EQ(RunHost(want, c), 1);
      EXPECT_TRUE(SamePixels(f, want)) << "round " << round;
    }
  }
  quorlin_filter_free(&filter);
  EXPECT_EQ(counting.live, 0);
}

}  // namespace

namespace {

// The editor runs frames on several of its threads at once, all on the
// module's one object: every frame is what the library gives it alone.
TEST(FrameProc, HostThreadsAtOnceEachGetTheirOwnFrame) {
  constexpr int kHostThreads = 4, kFrames = 6;
  std::vector<model::Frame> frames, want;
  std::vector<model::Controls> controls(kHostThreads);
  std::mt19937 rng(21);
  for (int t = 0; t < kHostThreads; ++t) {
    frames.push_back(model::RandomFrame(rng, 97 + 13 * t, 61 + 7 * t, 101 + 13 * t, 64 + 7 * t, model::Range::Natural));
    controls[t][QUORLIN_RADIUS] = 1 + 3 * t;
    controls[t][QUORLIN_LUMA_ONLY] = t % 2;
    controls[t][QUORLIN_LIMIT_MODE] = t / 2;
    want.push_back(frames[t]);
    for (int frame = 0; frame < kFrames; ++frame) ASSERT_EQ(RunHost(want[t], controls[t]), 1);
  }
  std::vector<std::thread> hosts;
  std::vector<int> failures(kHostThreads);
  for (int t = 0; t < kHostThreads; ++t) {
    hosts.emplace_back([&, t] {
      for (int frame = 0; frame < kFrames; ++frame) failures[t] += RunHost(frames[t], controls[t]) != 1;
    });
  }
  for (std::thread& host : hosts) host.join();
  for (int t = 0; t < kHostThreads; ++t) {
    EXPECT_EQ(failures[t], 0);
    EXPECT_TRUE(SamePixels(frames[t], want[t])) << "host thread " << t;
  }
}

}  // namespace

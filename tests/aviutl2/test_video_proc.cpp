// The 64-bit editor's frame procedure, built natively around a filter
// object whose memory the test counts, and driven through the stand-in's
// host records.
#include <gtest/gtest.h>

#include <cstring>

#include "hosts/aviutl2/video_proc.h"
#include "tests/aviutl2/auf2_host.h"
#include "tests/counting_allocator.h"

// ProcVideoFrame reads the module's items, which live in the Windows-only
// table; this test calls ProcVideoFrameWith alone.
void ReadControls(QuorlinSettings&) {}

namespace {

bool SamePixels(const std::vector<PixelRGBA>& a, const std::vector<PixelRGBA>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(PixelRGBA)) == 0;
}

// A frame whose working memory cannot be had fails alone: false, the image
// never handed back, and however often it fails, nothing more held than
// before. The next frame on the same thread and object is sharpened. Each
// round's frame is larger than any before, so that it needs more memory than
// the object, which has sharpened a frame, holds.
TEST(VideoProc, AFrameWithoutMemoryFailsAndTheNextOnesAreSharpened) {
  CountingAllocator counting;
  QuorlinFilter* filter = counting.NewFilter();
  ASSERT_NE(filter, nullptr);
  QuorlinSettings controls;
  quorlin_default_settings(&controls, QUORLIN_API_VERSION);
  controls.luma_only = 0;
  const VideoProc proc = [&](ProcVideo* video) { return ProcVideoFrameWith(filter, controls, video); };
  HostImage first = MakeImage(101, 37, 100);
  ASSERT_TRUE(ProcessImage(proc, first));
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    const int width = 251 + 150 * round;
    const HostImage original = MakeImage(width, 37, round);
    std::vector<PixelRGBA> want = original.pixels;
    ASSERT_EQ(quorlin_sharpen_rgb(&want[0].r, ptrdiff_t{width} * 4, 4, width, 37, &controls), QUORLIN_OK);

    counting.refuse_from = 1024;
    const int live_before = counting.live;
    for (int frame = 0; frame < 3; ++frame) {
      HostImage image = original;
      EXPECT_FALSE(ProcessImage(proc, image));
      EXPECT_EQ(image.sets, 0);
      EXPECT_TRUE(SamePixels(image.pixels, original.pixels));
    }
    EXPECT_EQ(counting.live, live_before);

    counting.refuse_from = SIZE_MAX;
    HostImage image = original;
    EXPECT_TRUE(ProcessImage(proc, image));
    EXPECT_FALSE(image.bad_call);
    EXPECT_EQ(image.sets, 1);
    EXPECT_TRUE(SamePixels(image.pixels, want));
  }
  quorlin_filter_free(&filter);
  EXPECT_EQ(counting.live, 0);
}

}  // namespace

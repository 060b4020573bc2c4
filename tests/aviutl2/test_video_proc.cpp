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
// never handed back, nothing more held than before it. The next frames on
// the same thread and object are sharpened. Each starved frame is larger than
// any before, so that it needs more memory than the object has.
TEST(VideoProc, AFrameWithoutMemoryFailsAndTheNextOnesAreSharpened) {
  CountingAllocator counting;
  QuorlinSettings settings;
  quorlin_default_settings(&settings, QUORLIN_API_VERSION);
  settings.allocator = &counting.hooks;
  QuorlinFilter* filter = nullptr;
  ASSERT_EQ(quorlin_filter_new(&filter, &settings), QUORLIN_OK);
  QuorlinSettings controls;
  quorlin_default_settings(&controls, QUORLIN_API_VERSION);
  controls.luma_only = 0;
  const VideoProc proc = [&](ProcVideo* video) { return ProcVideoFrameWith(filter, controls, video); };
  for (int round = 0; round < 9; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    const bool starved = round % 2 == 1;
    const int width = 101 + 150 * (round / 2 + starved);
    HostImage image = MakeImage(width, 37, round);
    const std::vector<PixelRGBA> original = image.pixels;
    std::vector<PixelRGBA> want = original;
    ASSERT_EQ(quorlin_sharpen_rgb(&want[0].r, ptrdiff_t{width} * 4, 4, width, 37, &controls), QUORLIN_OK);
    counting.refuse_from = starved ? 1024 : SIZE_MAX;
    const int live_before = counting.live;
    EXPECT_EQ(ProcessImage(proc, image), !starved);
    EXPECT_FALSE(image.bad_call);
    EXPECT_EQ(image.sets, starved ? 0 : 1);
    EXPECT_TRUE(SamePixels(image.pixels, starved ? original : want));
    if (starved) {
      EXPECT_EQ(counting.live, live_before);
    }
  }
  quorlin_filter_free(&filter);
  EXPECT_EQ(counting.live, 0);
}

}  // namespace

// The frame procedure's handling of controls, unusable records and working
// memory that cannot be had.
#include <gtest/gtest.h>
#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include <cstdlib>
#include <new>

#include "host/frame_proc.h"
#include "planes/planes.h"
#include "tests/harness.h"

namespace {

SharpenParams ParamsFor(std::initializer_list<std::pair<int, int>> tracks, std::initializer_list<int> checks = {}) {
  model::Controls c;
  for (auto [index, value] : tracks) c.track[index] = value;
  int i = 0;
  for (int v : checks) c.check[i++] = v;
  return MakeSharpenParams(c.track, c.check);
}

TEST(SharpenParams, ClampAndScaleEveryControl) {
  EXPECT_EQ(ParamsFor({{kTrackRadius, 0}}).radius, 1);
  EXPECT_EQ(ParamsFor({{kTrackRadius, -7}}).radius, 1);
  EXPECT_EQ(ParamsFor({{kTrackRadius, 11}}).radius, 10);
  EXPECT_EQ(ParamsFor({{kTrackLumaStrength, 300}}).luma_strength, 256);
  EXPECT_EQ(ParamsFor({{kTrackChromaStrength, -1}}).chroma_strength, 0);

  const std::pair<int, int> thresholds[] = {{0, 0}, {1, 2}, {500, 1000}, {600, 1024}, {-5, 0}};
  for (auto [track, expected] : thresholds) {
    EXPECT_EQ(ParamsFor({{kTrackLumaThreshold, track}}).luma_threshold, expected) << track;
    EXPECT_EQ(ParamsFor({{kTrackChromaThreshold, track}}).chroma_threshold, expected) << track;
  }
  // Doubling is done in the mathematical integers: no 32-bit wrap-around.
  EXPECT_EQ(ParamsFor({{kTrackLumaThreshold, INT32_MAX}}).luma_threshold, 1024);
  EXPECT_EQ(ParamsFor({{kTrackLumaThreshold, 0x40000000}}).luma_threshold, 1024);
  EXPECT_EQ(ParamsFor({{kTrackChromaThreshold, INT32_MIN}}).chroma_threshold, 0);

  const std::pair<int, int> limits[] = {{1, 16}, {-1, -16}, {32, 512}, {40, 512}, {-40, -512}};
  for (auto [track, expected] : limits) {
    EXPECT_EQ(ParamsFor({{kTrackLumaLimit, track}}).luma_limit, expected) << track;
    EXPECT_EQ(ParamsFor({{kTrackChromaLimit, track}}).chroma_limit, expected) << track;
  }
  EXPECT_TRUE(ParamsFor({}, {2}).interlace);
  EXPECT_TRUE(ParamsFor({}, {-1}).interlace);
  EXPECT_FALSE(ParamsFor({}, {0}).interlace);
}

TEST(SelectPipeline, LumaOnlyFirstThenLimit) {
  EXPECT_EQ(SelectPipeline(true, false), Pipeline::SharpenY);
  EXPECT_EQ(SelectPipeline(true, true), Pipeline::SharpenYLimited);
  EXPECT_EQ(SelectPipeline(false, false), Pipeline::SharpenYC);
  EXPECT_EQ(SelectPipeline(false, true), Pipeline::SharpenYCLimited);
}

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

// An allocator that fails from a chosen call on and counts what is live.
struct FailingAllocator {
  static inline int calls = 0;
  static inline int fail_from = 0;
  static inline int live = 0;
  static void* Alloc(size_t bytes) {
    if (calls++ >= fail_from) return nullptr;
    void* p = operator new(bytes, std::align_val_t{16}, std::nothrow);
    if (p) ++live;
    return p;
  }
  static void Free(void* p) {
    --live;
    operator delete(p, std::align_val_t{16});
  }
};

void ExpectEveryAllocationFailureHandled(int luma_only, int limit) {
  int failures = 0;
  for (int fail_from = 0;; ++fail_from) {
    for (bool interlace : {false, true}) {
      model::Frame f = SampleFrame();
      const model::Frame before = f;
      model::Controls c;
      c.check[kCheckInterlace] = interlace;
      c.check[kCheckLumaOnly] = luma_only;
      c.check[kCheckLimit] = limit;
      FailingAllocator::calls = 0;
      FailingAllocator::fail_from = fail_from;
      FailingAllocator::live = 0;
      SetPlaneAllocator(FailingAllocator::Alloc, FailingAllocator::Free);
      const int result = RunHost(f, c);
      SetPlaneAllocator(nullptr, nullptr);
      SCOPED_TRACE(testing::Message() << "luma only " << luma_only << " limit " << limit << " fail from " << fail_from);
      EXPECT_EQ(FailingAllocator::live, 0);
      if (FailingAllocator::calls <= fail_from) {
        EXPECT_EQ(result, 1);
        EXPECT_GT(failures, 0);
        return;
      }
      ++failures;
      EXPECT_EQ(result, 0) << "fail from " << fail_from;
      EXPECT_TRUE(SamePixels(f, before)) << "fail from " << fail_from;
    }
  }
}

TEST(FrameProc, FailedAllocationLeavesTheFrameAsItWasAndFreesEverything) {
  for (auto [luma_only, limit] : {std::pair{1, 0}, {1, 1}, {0, 0}, {0, 1}}) {
    ExpectEveryAllocationFailureHandled(luma_only, limit);
  }
}


// Address space that faults on any access; null if it cannot be had.
void* ReserveNoAccess(size_t bytes) {
#if defined(_WIN32)
  return VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS);
#else
  void* p = mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
#endif
}

void Unreserve(void* p, [[maybe_unused]] size_t bytes) {
#if defined(_WIN32)
  VirtualFree(p, 0, MEM_RELEASE);
#else
  munmap(p, bytes);
#endif
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
  model::Controls c;
  FILTER fp{};
  fp.track = c.track;
  fp.check = c.check;
  FILTER_PROC_INFO fpip{};
  fpip.ycp_edit = static_cast<PIXEL_YC*>(buffer);
  fpip.w = fpip.max_w = w;
  fpip.h = fpip.max_h = 1;
  for (int luma_only : {1, 0}) {
    c.check[kCheckLumaOnly] = luma_only;
    EXPECT_EQ(FrameProc(&fp, &fpip), 0);
  }
  Unreserve(buffer, bytes);
}

// Counts the bytes of working memory a frame takes.
struct CountingAllocator {
  static inline size_t bytes = 0;
  static void* Alloc(size_t n) {
    bytes += n;
    return SystemAlloc(n);
  }
  static void Free(void* p) { SystemFree(p); }
};

TEST(FrameProc, WorkingMemoryStaysSmallAtFullHd) {
  // No frame-sized plane: a few rows per thread, well under 2 MB each.
  for (auto [luma_only, limit] : {std::pair{1, 0}, {1, 1}, {0, 0}, {0, 1}}) {
    for (int threads : {1, 2, 3}) {
      ScopedThreads scope(threads);
      model::Frame f(1920, 1080, 1920, 1080);
      model::Controls c;
      c.track[kTrackRadius] = 10;
      c.check[kCheckLumaOnly] = luma_only;
      c.check[kCheckLimit] = limit;
      CountingAllocator::bytes = 0;
      SetPlaneAllocator(CountingAllocator::Alloc, CountingAllocator::Free);
      EXPECT_EQ(RunHost(f, c), 1);
      SetPlaneAllocator(nullptr, nullptr);
      EXPECT_LE(CountingAllocator::bytes, size_t(threads) * 1024 * 1024)
          << "luma only " << luma_only << " limit " << limit << " threads " << threads;
    }
  }
}

TEST(Planes, SizesAlignmentAndOverflow) {
  CSPixel_s16 samples(9, 3, 16);
  CSPixel_s32 sums(9, 3, 12);
  EXPECT_EQ(samples.size, 16 * 3 * 2);
  EXPECT_EQ(sums.size, 12 * 3 * 4);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(samples.data) % 16, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(sums.data) % 16, 0u);
  // 2^32 bytes do not fit the 32-bit size: no allocation at all.
  CSPixel_s32 huge(1 << 30, 4, 1 << 30);
  EXPECT_EQ(huge.data, nullptr);
  EXPECT_EQ(huge.size, 0);

  PIXEL_YC host[4] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
  { CPixels frame(host, 2, 2, 2, sizeof host); }
  EXPECT_EQ(host[3].cr, 12);  // a borrowed buffer outlives its wrapper
}

}  // namespace

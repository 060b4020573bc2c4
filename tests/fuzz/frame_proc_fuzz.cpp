// The frame procedure on whatever the host might pass: any picture size from
// 1x1 up inside a larger buffer, any control values (out of range too), any
// samples and 1 to 4 threads. The result must be the scalar model's, bit for
// bit, and nothing outside the picture may change.
//
// Input: w, h, extra columns, extra rows, threads (a byte each), 7 track and
// 3 check values (32-bit each), then the picture's samples (16-bit Y, Cb, Cr
// per pixel, row by row).
#include <omp.h>

#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/input.h"
#include "tests/harness.h"

namespace {

// Large enough for every vector width, window and band split, small enough
// for the model to keep up.
constexpr int kMaxWidth = 48;
constexpr int kMaxHeight = 40;

[[noreturn]] void Fail(const char* what, const model::Frame& f, int x, int y, int threads) {
  std::fprintf(stderr, "%s at (%d, %d) in a %dx%d picture of a %dx%d buffer, %d threads\n", what, x, y, f.w, f.h,
               f.max_w, f.max_h, threads);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const int w = 1 + in.Take<uint8_t>() % kMaxWidth;
  const int h = 1 + in.Take<uint8_t>() % kMaxHeight;
  const int max_w = w + in.Take<uint8_t>() % 9;
  const int max_h = h + in.Take<uint8_t>() % 4;
  const int threads = 1 + in.Take<uint8_t>() % 4;
  model::Controls c;
  for (int& v : c.value) v = in.Take<int32_t>();

  model::Frame f(w, h, max_w, max_h);
  for (int y = 0; y < max_h; ++y) {
    for (int x = 0; x < max_w; ++x) {
      // Outside the picture: a pattern of its own, so that a stray write shows.
      f.at(x, y) = x < w && y < h ? QuorlinPixel{in.Take<int16_t>(), in.Take<int16_t>(), in.Take<int16_t>()}
                                  : QuorlinPixel{int16_t(0x5A5A), int16_t(x), int16_t(y)};
    }
  }
  const model::Frame original = f;
  model::Frame want = f;

  omp_set_num_threads(threads);
  const int result = RunHost(f, c);
  if (result != model::Filter(want, c)) Fail("result differs from the model", f, -1, -1, threads);
  for (int y = 0; y < max_h; ++y) {
    for (int x = 0; x < max_w; ++x) {
      if ((x >= w || y >= h) && !SamePixel(f.at(x, y), original.at(x, y))) Fail("write outside", f, x, y, threads);
      if (!SamePixel(f.at(x, y), want.at(x, y))) Fail("sample differs from the model", f, x, y, threads);
    }
  }
  return 0;
}

// Separable (2r+1) x (2r+1) box blur by running sums with edge replication.
#pragma once

#include <cstddef>
#include <cstdint>

#include "planes/planes.h"

// Fixed-point reciprocal of the window area: sum * F >> 16 is the mean,
// slightly low because F is rounded down.
constexpr int32_t BoxFactor(int radius) { return 65536 / ((2 * radius + 1) * (2 * radius + 1)); }

// A line of n values has n - 2r - 1 steady-state outputs, which the running
// sums take eight at a time and then one at a time.
struct LineSplit {
  int steadyEight;
  int steadyRest;
};
constexpr LineSplit SplitLine(int n, int radius) {
  const int m = n - 2 * radius - 1;
  return {m - m % 8, m % 8};
}
// Only lines at least as long as the window have a steady state; shorter ones
// take the clamped-window sums one by one.
constexpr bool FillsWindow(int n, int radius) { return n >= 2 * radius + 1; }

// Blurs the frame's luma into dst (same width and height). False when the
// working planes cannot be allocated; dst is then incomplete.
bool BoxBlurY(const CPixels& src, CSPixel_s16& dst, int radius, bool interlaced);
void HorizontalSumsY(const CPixels& src, CSPixel_s32& sums, int radius);
bool VerticalBlurY(int W, int H, const CSPixel_s32& sums, CSPixel_s16& dst, int radius);
bool VerticalBlurYInterlaced(int W, int H, const CSPixel_s32& sums, CSPixel_s16& dst, int radius);

// Window sums along a strided line of 32-bit values, for lines that fill the
// window: n = steadyEight + steadyRest + 2 * radius + 1. out must not overlap in.
void RunningSum1(const int32_t* in, ptrdiff_t inStride, int32_t* out, ptrdiff_t outStride, int radius,
                 ptrdiff_t radiusStride, int steadyEight, int steadyRest);

// Window sums along a line of any length n >= 1, each index clamped into the
// line; get(i) reads value i, put(i, sum) stores output i.
template <typename Get, typename Put>
void ClampedWindowSums(int n, int radius, Get get, Put put) {
  auto at = [&](int i) -> int32_t { return get(i < 0 ? 0 : (i >= n ? n - 1 : i)); };
  int32_t sum = 0;
  for (int k = -radius; k <= radius; ++k) sum += at(k);
  put(0, sum);
  for (int i = 1; i < n; ++i) {
    sum += at(i + radius) - at(i - radius - 1);
    put(i, sum);
  }
}

// Blurs all three channels of the frame into dst (same width and height).
// False when the working planes cannot be allocated; dst is then incomplete.
bool BoxBlurYC(const CPixels& src, CPixels& dst, int radius, bool interlaced);
void HorizontalSumsYC(const CPixels& src, CPixels_s32& sums, int radius);
bool VerticalBlurYC(int W, int H, const CPixels_s32& sums, CPixels& dst, int radius);
bool VerticalBlurYCInterlaced(int W, int H, const CPixels_s32& sums, CPixels& dst, int radius);

// RunningSum1 on 16-byte cells of (Y, Cr, Cb, 0) sums; strides in cells.
void RunningSum4(CellS32* out, const CellS32* in, ptrdiff_t inStride, ptrdiff_t outStride, int radius,
                 ptrdiff_t radiusStride, int steadyEight, int steadyRest);

// The sum plane's pitch in cells: w + (w mod 3).
constexpr int64_t YCSumPitch(int64_t w) { return 2 * w - 3 * (w / 3); }

// The benchmarks' frame: 1920x1080 random samples in the natural YC range,
// the same for every program that times it.
#pragma once

#include <random>
#include <vector>

#include "hosts/aviutl/filter_table.h"

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

inline std::vector<PIXEL_YC> BenchFrame() {
  std::mt19937 rng(1);
  std::uniform_int_distribution<int> luma(0, 4096), chroma(-2048, 2048);
  std::vector<PIXEL_YC> px(size_t(kWidth) * kHeight);
  for (PIXEL_YC& p : px) p = {int16_t(luma(rng)), int16_t(chroma(rng)), int16_t(chroma(rng))};
  return px;
}

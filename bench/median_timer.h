// The timing harnesses' one measure: the median of repeated calls, each
// after an untimed preparation (a fresh copy of the picture, so that it is
// in cache, as after a host's previous step).
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

// Runs `call` `calls` times after `prepare`, timing only the call, and
// returns the median in milliseconds.
template <typename Prepare, typename Call>
double MedianMs(Prepare prepare, Call call, int calls = 41) {
  std::vector<double> ms;
  for (int i = 0; i < calls; ++i) {
    prepare();
    const auto start = std::chrono::steady_clock::now();
    call();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

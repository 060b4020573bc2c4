// The tests' one allocator hook: counts the blocks a filter object or a call
// takes and the largest asked for, refuses blocks from a chosen size on,
// and can hold its callers until a number of threads are inside it at once.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>

#include "quorlin/quorlin.h"

struct CountingAllocator {
  std::atomic<int> calls{0}, live{0};
  std::atomic<size_t> largest{0};
  size_t refuse_from = SIZE_MAX;  // bytes
  QuorlinAllocator hooks{Alloc, Release, this};

  // Until `threads` callers have come in, each waits inside the hook for
  // the others, so that that many calls hold their first blocks at once.
  void HoldUntil(int threads) {
    const std::lock_guard lock(mutex_);
    gate_ = threads;
  }

  // A filter object with the defaults and these hooks; null when it cannot
  // be made.
  QuorlinFilter* NewFilter() {
    QuorlinSettings settings;
    quorlin_default_settings(&settings, QUORLIN_API_VERSION);
    settings.allocator = &hooks;
    QuorlinFilter* filter = nullptr;
    quorlin_filter_new(&filter, &settings);
    return filter;
  }

  static void* Alloc(void* opaque, size_t bytes) {
    auto& a = *static_cast<CountingAllocator*>(opaque);
    a.Wait();
    ++a.calls;
    for (size_t seen = a.largest; bytes > seen && !a.largest.compare_exchange_weak(seen, bytes);) {
    }
    if (bytes >= a.refuse_from) return nullptr;
    ++a.live;
    return std::malloc(bytes);
  }
  static void Release(void* opaque, void* block) {
    --static_cast<CountingAllocator*>(opaque)->live;
    std::free(block);
  }

 private:
  void Wait() {
    std::unique_lock lock(mutex_);
    if (gate_ <= 0) return;
    if (--gate_ == 0) {
      opened_.notify_all();
      return;
    }
    opened_.wait(lock, [&] { return gate_ == 0; });
  }

  std::mutex mutex_;
  std::condition_variable opened_;
  int gate_ = 0;
};

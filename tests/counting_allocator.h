// An allocator hook that counts the blocks a host's filter objects take, and
// refuses blocks from a chosen size on.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "quorlin/quorlin.h"

struct CountingAllocator {
  std::atomic<int> calls{0}, live{0};
  size_t refuse_from = SIZE_MAX;  // bytes
  QuorlinAllocator hooks{Alloc, Release, this};

  static void* Alloc(void* opaque, size_t bytes) {
    auto& a = *static_cast<CountingAllocator*>(opaque);
    ++a.calls;
    if (bytes >= a.refuse_from) return nullptr;
    ++a.live;
    return std::malloc(bytes);
  }
  static void Release(void* opaque, void* block) {
    --static_cast<CountingAllocator*>(opaque)->live;
    std::free(block);
  }
};

// The editor calls the frame procedure from several of its threads at once,
// and a filter object serves one call at a time: idle objects wait here,
// each with the working memory of the frames it has sharpened. Once there
// are as many as the editor runs frames at once, no frame allocates.
#pragma once

#include <mutex>

#include "quorlin/quorlin.h"

class FilterPool {
 public:
  // Objects are made with `allocator` (null: the system's).
  explicit FilterPool(const QuorlinAllocator* allocator) : allocator_(allocator) {}
  ~FilterPool();
  FilterPool(const FilterPool&) = delete;
  FilterPool& operator=(const FilterPool&) = delete;

  // Sharpens the frame with an idle object set to `settings`, or a new one
  // when every object is busy.
  QuorlinStatus Sharpen(const QuorlinSettings& settings, const QuorlinFrame& frame);

 private:
  QuorlinStatus Take(const QuorlinSettings& settings, QuorlinFilter** filter);
  void Give(QuorlinFilter* filter);

  // More frames at once than any editor runs; an object returned when the
  // pool is full is freed.
  static constexpr int kIdleMax = 64;
  const QuorlinAllocator* allocator_;
  std::mutex mutex_;
  QuorlinFilter* idle_[kIdleMax] = {};
  int idle_count_ = 0;
};

#include "hosts/aviutl/filter_pool.h"

FilterPool::~FilterPool() {
  for (int i = 0; i < idle_count_; ++i) quorlin_filter_free(&idle_[i]);
}

QuorlinStatus FilterPool::Take(const QuorlinSettings& settings, QuorlinFilter** filter) {
  {
    const std::lock_guard lock(mutex_);
    *filter = idle_count_ > 0 ? idle_[--idle_count_] : nullptr;
  }
  if (*filter) return quorlin_filter_set_settings(*filter, &settings);
  QuorlinSettings with_allocator = settings;
  with_allocator.allocator = allocator_;
  return quorlin_filter_new(filter, &with_allocator);
}

void FilterPool::Give(QuorlinFilter* filter) {
  {
    const std::lock_guard lock(mutex_);
    if (idle_count_ < kIdleMax) {
      idle_[idle_count_++] = filter;
      return;
    }
  }
  quorlin_filter_free(&filter);
}

QuorlinStatus FilterPool::Sharpen(const QuorlinSettings& settings, const QuorlinFrame& frame) {
  QuorlinFilter* filter = nullptr;
  QuorlinStatus status = Take(settings, &filter);
  if (status == QUORLIN_OK) status = quorlin_filter_sharpen(filter, &frame);
  if (filter) Give(filter);
  return status;
}

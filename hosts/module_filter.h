// The one filter object of a plug-in module, shared by every host thread
// and made at the first frame that needs it: a host's frames pass their
// controls with each call, so the object holds nothing of any one frame.
#pragma once

#include <atomic>

#include "quorlin/quorlin.h"

// Null when it cannot be made now; a later call tries again. Never freed: the
// process may exit while a frame still runs on another host thread. Two
// threads at the first frame may both make one; the loser frees its own.
inline QuorlinFilter* ModuleFilter() {
  static std::atomic<QuorlinFilter*> shared{nullptr};
  QuorlinFilter* filter = shared.load(std::memory_order_acquire);
  if (filter) return filter;
  QuorlinSettings settings;
  quorlin_default_settings(&settings, QUORLIN_API_VERSION);
  if (quorlin_filter_new(&filter, &settings) != QUORLIN_OK) return nullptr;
  QuorlinFilter* expected = nullptr;
  if (shared.compare_exchange_strong(expected, filter, std::memory_order_acq_rel)) return filter;
  quorlin_filter_free(&filter);
  return expected;
}

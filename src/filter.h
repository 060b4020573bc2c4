// The filter object behind QuorlinFilter: settings read and clamped once,
// working memory kept from one call to the next. The stateless calls make
// one on the stack for their one frame.
#pragma once

#include "engine/scratch.h"
#include "engine/sharpen.h"
#include "quorlin/quorlin.h"

namespace quorlin {

class Filter {
 public:
  // Settings already read and checked (see Configure); the allocator is
  // copied.
  explicit Filter(const QuorlinSettings& settings);

  // New controls, threads and level; false, with the old ones kept, for
  // settings the library refuses.
  bool Configure(const QuorlinSettings* settings);

  QuorlinStatus SharpenFrame(const QuorlinFrame& frame);
  QuorlinStatus SharpenPlanes(const QuorlinPlanes& planes);
  QuorlinStatus SharpenRgb(uint8_t* rgb, ptrdiff_t stride, int channels, int width, int height);
  QuorlinStatus SharpenRgb16(uint16_t* rgb, ptrdiff_t stride, int channels, int width, int height);

  const SharpenParams& params() const { return params_; }
  Workspace& workspace() { return workspace_; }

 private:
  int Threads() const;

  SharpenParams params_;
  int threads_;  // 0: as many as the runtime would start for the call
  Workspace workspace_;
};

// Settings read from the caller's version and checked: false when refused.
bool ValidSettings(const QuorlinSettings* given, QuorlinSettings& settings);

}  // namespace quorlin

// The C API's handle: the object, and where the allocator's block began.
struct QuorlinFilter {
  quorlin::Filter filter;
  void* block;
};

// The filter object behind QuorlinFilter: how the filter runs (threads,
// level, allocator) fixed when it is made, its own controls for calls that
// bring none, and a pool of working memory that calls on any number of
// threads share. The stateless calls run the same path in a workspace of
// their own.
#pragma once

#include "engine/scratch.h"
#include "engine/sharpen.h"
#include "quorlin/quorlin.h"

namespace quorlin {

// Sharpens a picture already checked, with `threads` workers (0: as many as
// the runtime would start for the calling thread).
QuorlinStatus Run(const QuorlinPicture& picture, const SharpenParams& params, int threads, Workspace& workspace);

class Filter {
 public:
  // Settings already read and checked (see Configure); the allocator is
  // copied.
  explicit Filter(const QuorlinSettings& settings);

  // New controls, threads and level; false, with the old ones kept, for
  // settings the library refuses. Must not overlap any other call.
  bool Configure(const QuorlinSettings* settings);

  // The parameters of a call with `controls` (null: the object's own) at the
  // object's level; false for controls the library refuses.
  bool ParamsFor(const QuorlinSettings* controls, SharpenParams& params) const;
  // Sharpens a checked picture in a workspace of the pool.
  QuorlinStatus Apply(const QuorlinPicture& picture, const SharpenParams& params);

  const QuorlinAllocator& allocator() const { return allocator_; }

 private:
  SharpenParams params_;
  int threads_;
  QuorlinAllocator allocator_;
  WorkspacePool pool_;
};

// Settings read from the caller's version and checked: false when refused.
bool ValidSettings(const QuorlinSettings* given, QuorlinSettings& settings);
// The kernels of the level the settings ask for.
const Kernels& KernelsOf(const QuorlinSettings& settings);

}  // namespace quorlin

// The C API's handle: the object, and where the allocator's block began.
struct QuorlinFilter {
  quorlin::Filter filter;
  void* block;
};

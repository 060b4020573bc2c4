// Working memory: one block from the host's allocator or the system's, kept
// and reused from one frame to the next, sized in checked 64-bit arithmetic
// and carved in order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "quorlin/quorlin.h"

namespace quorlin {

// Parts of the block start on cache lines: no two threads' rows share one,
// and every row is aligned for any vector load.
constexpr int64_t kScratchAlign = 64;
// No frame's working memory is allowed more (and a 32-bit process could not
// address it anyway).
constexpr int64_t kMaxScratchBytes = INT32_MAX;

constexpr int64_t AlignUp(int64_t bytes) { return (bytes + kScratchAlign - 1) / kScratchAlign * kScratchAlign; }

// malloc and free.
const QuorlinAllocator& SystemAllocator();

// Owns one block, grown on demand and never shrunk, so that frames of one
// size allocate once.
class Workspace {
 public:
  // A null allocator stands for the system's; the hooks are copied.
  explicit Workspace(const QuorlinAllocator* allocator);
  ~Workspace();
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  // At least `bytes`, aligned to kScratchAlign: the block kept, or a larger
  // one in its place. Null, with the block kept as it was, when it cannot be
  // had or `bytes` is beyond kMaxScratchBytes.
  char* Reserve(int64_t bytes);
  const QuorlinAllocator& allocator() const { return allocator_; }

 private:
  QuorlinAllocator allocator_;
  void* block_ = nullptr;
  char* aligned_ = nullptr;
  int64_t bytes_ = 0;
};

}  // namespace quorlin

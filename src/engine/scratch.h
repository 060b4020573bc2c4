// Working memory: one block per frame from the host's allocator or the
// system's, sized in checked 64-bit arithmetic and carved in order.
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

// Owns one block; data() is null when it could not be had or `bytes` is
// beyond kMaxScratchBytes.
class ScratchBlock {
 public:
  ScratchBlock(int64_t bytes, const QuorlinAllocator* allocator);
  ~ScratchBlock();
  ScratchBlock(const ScratchBlock&) = delete;
  ScratchBlock& operator=(const ScratchBlock&) = delete;

  char* data() const { return aligned_; }

 private:
  const QuorlinAllocator* allocator_;
  void* block_ = nullptr;
  char* aligned_ = nullptr;
};

}  // namespace quorlin

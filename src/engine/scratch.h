// Working memory: one block from the host's allocator or the system's, kept
// and reused from one frame to the next, sized in checked 64-bit arithmetic
// and carved in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

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
  int64_t bytes() const { return bytes_; }
  const QuorlinAllocator& allocator() const { return allocator_; }

 private:
  QuorlinAllocator allocator_;
  void* block_ = nullptr;
  char* aligned_ = nullptr;
  int64_t bytes_ = 0;
};

// Workspaces for calls that run at once: a call takes an idle one, or a new
// one when every one is busy, and gives it back when it is done. There are
// as many as calls have ever run at once. An idle workspace is kept as
// large as the largest any call has needed, whichever workspace that call
// had, so that once a host's pictures stop growing no call allocates,
// whichever workspace it gets.
class WorkspacePool {
 public:
  // The allocator's hooks are copied.
  explicit WorkspacePool(const QuorlinAllocator& allocator) : allocator_(allocator) {}
  ~WorkspacePool();
  WorkspacePool(const WorkspacePool&) = delete;
  WorkspacePool& operator=(const WorkspacePool&) = delete;

  // Null when a new one is needed and cannot be had.
  Workspace* Take();
  void Give(Workspace* workspace);

 private:
  struct Node;
  QuorlinAllocator allocator_;
  std::mutex mutex_;
  Node* idle_ = nullptr;
  int64_t largest_ = 0;  // bytes of the largest workspace given back
};

}  // namespace quorlin

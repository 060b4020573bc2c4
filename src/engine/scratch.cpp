#include "engine/scratch.h"

#include <cstdlib>

namespace quorlin {

namespace {

void* SystemAlloc(void*, size_t bytes) { return std::malloc(bytes); }
void SystemRelease(void*, void* block) { std::free(block); }
constexpr QuorlinAllocator kSystem = {SystemAlloc, SystemRelease, nullptr};

}  // namespace

const QuorlinAllocator& SystemAllocator() { return kSystem; }

Workspace::Workspace(const QuorlinAllocator* allocator) : allocator_(allocator ? *allocator : kSystem) {}

Workspace::~Workspace() {
  if (block_) allocator_.release(allocator_.opaque, block_);
}

char* Workspace::Reserve(int64_t bytes) {
  if (bytes < 0 || bytes > kMaxScratchBytes) return nullptr;
  if (bytes <= bytes_ && aligned_) return aligned_;
  // Any allocator will do: the block is aligned here. The new block is had
  // before the old one goes, so that a failure leaves the object as it was.
  void* block = allocator_.alloc(allocator_.opaque, size_t(bytes + kScratchAlign - 1));
  if (!block) return nullptr;
  if (block_) allocator_.release(allocator_.opaque, block_);
  block_ = block;
  bytes_ = bytes;
  const auto address = reinterpret_cast<uintptr_t>(block);
  aligned_ = static_cast<char*>(block) + (-address & uintptr_t(kScratchAlign - 1));
  return aligned_;
}

}  // namespace quorlin

#include "engine/scratch.h"

#include <cstdlib>

namespace quorlin {

namespace {

void* SystemAlloc(void*, size_t bytes) { return std::malloc(bytes); }
void SystemRelease(void*, void* block) { std::free(block); }
constexpr QuorlinAllocator kSystem = {SystemAlloc, SystemRelease, nullptr};

}  // namespace

ScratchBlock::ScratchBlock(int64_t bytes, const QuorlinAllocator* allocator)
    : allocator_(allocator ? allocator : &kSystem) {
  if (bytes <= 0 || bytes > kMaxScratchBytes) return;
  // Any allocator will do: the block is aligned here.
  block_ = allocator_->alloc(allocator_->opaque, size_t(bytes + kScratchAlign - 1));
  if (!block_) return;
  const auto address = reinterpret_cast<uintptr_t>(block_);
  aligned_ = static_cast<char*>(block_) + (-address & uintptr_t(kScratchAlign - 1));
}

ScratchBlock::~ScratchBlock() {
  if (block_) allocator_->release(allocator_->opaque, block_);
}

}  // namespace quorlin

#include "engine/scratch.h"

#include <cstdlib>
#include <new>

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

struct WorkspacePool::Node {
  Workspace workspace;
  Node* next;
  void* block;  // where the allocator's block began
};

WorkspacePool::~WorkspacePool() {
  while (idle_) {
    Node* node = idle_;
    idle_ = node->next;
    void* block = node->block;
    node->~Node();
    allocator_.release(allocator_.opaque, block);
  }
}

Workspace* WorkspacePool::Take() {
  {
    const std::lock_guard lock(mutex_);
    if (idle_) {
      Node* node = idle_;
      idle_ = node->next;
      return &node->workspace;
    }
  }
  // The allocator promises no alignment: the node is placed in its block.
  constexpr size_t kAlign = alignof(Node);
  void* block = allocator_.alloc(allocator_.opaque, sizeof(Node) + kAlign - 1);
  if (!block) return nullptr;
  const auto address = reinterpret_cast<uintptr_t>(block);
  void* place = static_cast<char*>(block) + (-address & (kAlign - 1));
  return &(new (place) Node{Workspace(&allocator_), nullptr, block})->workspace;
}

// A workspace larger than any before grows the idle ones to its size, and a
// smaller one grows to the largest; where that memory cannot be had, the
// workspace grows when a call needs it.
void WorkspacePool::Give(Workspace* workspace) {
  // The workspace is a node's first member.
  Node* node = reinterpret_cast<Node*>(workspace);
  const std::lock_guard lock(mutex_);
  if (workspace->bytes() > largest_) {
    largest_ = workspace->bytes();
    for (Node* idle = idle_; idle; idle = idle->next) idle->workspace.Reserve(largest_);
  } else if (workspace->bytes() < largest_) {
    workspace->Reserve(largest_);
  }
  node->next = idle_;
  idle_ = node;
}

}  // namespace quorlin

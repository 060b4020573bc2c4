// One frei0r instance: its frames' size, its controls, passed with every
// frame, and the filter object that keeps its working memory from one frame
// to the next.
#pragma once

#include <cstdint>

#include "quorlin/quorlin.h"

namespace quorlin::frei0r {

struct Instance {
  // Made with the defaults and `allocator` (null: the system's); `filter` is
  // null when it could not be made.
  Instance(unsigned width, unsigned height, const QuorlinAllocator* allocator);
  ~Instance();
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  // Parameter `id` from the host's double (see ControlValue).
  void Set(int id, double fraction);
  // Sharpens the RGBA frame in place, converted row by row on the worker
  // threads; a frame too large for the library, or without the working
  // memory it needs, stays as it is.
  void Sharpen(uint8_t* rgba);

  unsigned width, height;  // as the host constructed it: every frame has this size
  QuorlinSettings settings;
  QuorlinFilter* filter = nullptr;
};

}  // namespace quorlin::frei0r

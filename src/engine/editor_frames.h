// The editor's frames as the engine reads and writes them: rows of
// interleaved pixels moved to and from the planar channel rows of the segment
// layout (kernels/segments.h) that the row kernels work on.
#pragma once

#include <cstdint>

#include "kernels/kernels.h"
#include "quorlin/quorlin.h"

namespace quorlin {

struct SharpenParams;

// The rows of a frame, for the engine (see engine/sharpen.cpp).
class FrameRows {
 public:
  explicit FrameRows(const QuorlinFrame& frame) : frame_(frame) {}
  int Width() const { return frame_.width; }
  int Height() const { return frame_.height; }
  int RowAlignment(const SharpenParams&) const { return 1; }
  int64_t ThreadBytes(const Segments&, const SharpenParams&) const { return 0; }
  int64_t SharedBytes(const SharpenParams&) const { return 0; }

  class Mover {
   public:
    Mover(const QuorlinFrame& frame, const Kernels& k) : frame_(frame), k_(k) {}
    void Load(int row, const Segments& seg, int channels, int16_t* const* rows) const {
      k_.load_row(Row(row), seg, channels, rows);
    }
    void Store(int row, const Segments& seg, int channels, const int16_t* const* rows) const {
      k_.store_row(rows, seg, channels, Row(row));
    }
    // Asks for a row's cache lines ahead of its gather, which reads eight
    // places of the row at once: on frames arriving from memory, the
    // hardware prefetcher alone leaves the gather waiting.
    void Prefetch(int row) const {
      const char* bytes = reinterpret_cast<const char*>(Row(row));
      const ptrdiff_t size = ptrdiff_t{frame_.width} * ptrdiff_t{sizeof(QuorlinPixel)};
      for (ptrdiff_t at = 0; at < size; at += 64) __builtin_prefetch(bytes + at, 0, 3);
    }

   private:
    QuorlinPixel* Row(int row) const { return frame_.pixels + ptrdiff_t{row} * frame_.pitch; }
    const QuorlinFrame& frame_;
    const Kernels& k_;
  };
  Mover MakeMover(char* /*thread*/, char* /*shared*/, const Segments&, const SharpenParams&, const Kernels& k) const {
    return Mover(frame_, k);
  }

 private:
  const QuorlinFrame& frame_;
};

}  // namespace quorlin

// The editor's frames as the engine reads and writes them: rows of
// interleaved pixels moved to and from the planar channel rows of the segment
// layout (kernels/segments.h) that the row kernels work on.
#pragma once

#include <cstdint>

#include "kernels/segments.h"
#include "quorlin/quorlin.h"

namespace quorlin {

struct SharpenParams;

// Splits a frame row into channel rows (Y, then Cb and Cr when `channels` is
// 3), with their margins of seg.reach vectors filled by edge replication.
void LoadRow(const QuorlinPixel* src, const Segments& seg, int channels, int16_t* const* rows);
// Writes channel rows without margins back into a frame row.
void StoreRow(const int16_t* const* rows, const Segments& seg, int channels, QuorlinPixel* dst);

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
    explicit Mover(const QuorlinFrame& frame) : frame_(frame) {}
    void Load(int row, const Segments& seg, int channels, int16_t* const* rows) const {
      LoadRow(Row(row), seg, channels, rows);
    }
    void Store(int row, const Segments& seg, int channels, const int16_t* const* rows) const {
      StoreRow(rows, seg, channels, Row(row));
    }
    void Prefetch(int row) const;

   private:
    QuorlinPixel* Row(int row) const { return frame_.pixels + ptrdiff_t{row} * frame_.pitch; }
    const QuorlinFrame& frame_;
  };
  Mover MakeMover(char* /*thread*/, char* /*shared*/, const Segments&, const SharpenParams&) const {
    return Mover(frame_);
  }

 private:
  const QuorlinFrame& frame_;
};

}  // namespace quorlin

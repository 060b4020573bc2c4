// YUV planes as the engine reads and writes them: a row's codes converted to
// the editor's values and moved into the segment layout by transposes, and
// back, so that no frame of editor samples is ever made. 4:2:2 and 4:2:0
// chroma is spread over its horizontal pair or 2x2 block on the way in and
// averaged over it on the way out: the first row of a 4:2:0 block leaves its
// sharpened chroma in a stash for the second (the block's rows are in one
// band when progressive, and in the two fields' passes when interlaced).
#pragma once

#include <cstdint>

#include "engine/sharpen.h"
#include "kernels/kernels.h"
#include "quorlin/quorlin.h"

namespace quorlin {

class PlaneRows {
 public:
  explicit PlaneRows(const QuorlinPlanes& planes);
  int Width() const { return planes_.width; }
  int Height() const { return planes_.height; }
  // Progressive bands start on even rows, so that a 4:2:0 block's rows share one.
  int RowAlignment(const SharpenParams& p) const { return Pairs(p) && !p.interlace ? 2 : 1; }
  int64_t ThreadBytes(const Segments& seg, const SharpenParams& p) const;
  int64_t SharedBytes(const SharpenParams& p) const;

  class Mover {
   public:
    Mover(const PlaneRows& rows, char* thread, char* shared, const Segments& seg, const SharpenParams& p,
          const Kernels& k);
    void Load(int row, const Segments& seg, int channels, int16_t* const* rows);
    void Store(int row, const Segments& seg, int channels, const int16_t* const* rows) const;
    void Prefetch(int row) const;

   private:
    uint8_t* PlaneRow(int c, int row) const;
    int16_t* Stash(int chroma_row, int c) const;

    const PlaneRows& rows_;
    const Kernels& k_;
    int16_t* plain_;  // the row in column order, from index -reach
    int16_t* aux_;    // a chroma row in codes' order
    int16_t* stash_;  // progressive: one block's first row; interlaced: every block's
    bool shared_stash_;
    // The row loaded last and its chroma rows: the second row of a 4:2:0
    // block copies them rather than converting its chroma row again.
    int last_row_ = -1;
    const int16_t* last_chroma_[2] = {};
  };
  Mover MakeMover(char* thread, char* shared, const Segments& seg, const SharpenParams& p, const Kernels& k) const {
    return Mover(*this, thread, shared, seg, p, k);
  }

 private:
  // Rows in pairs that share a chroma row: 4:2:0 with chroma.
  bool Pairs(const SharpenParams& p) const { return planes_.chroma_shift_y && p.channels == 3; }
  int ChromaWidth() const { return (planes_.width + planes_.chroma_shift_x) >> planes_.chroma_shift_x; }

  QuorlinPlanes planes_;
  CodeRowParams luma_, chroma_;
};

}  // namespace quorlin

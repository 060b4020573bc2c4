// 8-bit RGB pictures as the engine reads and writes them: a row converted to
// the editor's pixels in a row of the thread's own and moved with the frame
// rows' kernels, and back. With luma alone, the way back takes Cb and Cr
// from the picture's row as it still is.
#pragma once

#include <cstdint>

#include "engine/sharpen.h"
#include "kernels/kernels.h"
#include "quorlin/quorlin.h"

namespace quorlin {

struct RgbPicture {
  uint8_t* rgb;
  ptrdiff_t stride;
  int channels;  // 3 or 4; a fourth byte is left alone
  int width, height;
};

class RgbRows {
 public:
  explicit RgbRows(const RgbPicture& picture) : picture_(picture) {}
  int Width() const { return picture_.width; }
  int Height() const { return picture_.height; }
  int RowAlignment(const SharpenParams&) const { return 1; }
  int64_t ThreadBytes(const Segments&, const SharpenParams&) const {
    return int64_t{picture_.width} * int64_t{sizeof(QuorlinPixel)};
  }
  int64_t SharedBytes(const SharpenParams&) const { return 0; }

  class Mover {
   public:
    Mover(const RgbPicture& picture, QuorlinPixel* row, const Kernels& k) : picture_(picture), row_(row), k_(k) {}
    void Load(int row, const Segments& seg, int channels, int16_t* const* rows) const {
      k_.rgb_to_yc_row(Row(row), picture_.channels, picture_.width, row_);
      k_.load_row(row_, seg, channels, rows);
    }
    void Store(int row, const Segments& seg, int channels, const int16_t* const* rows) const {
      if (channels == 1) k_.rgb_to_yc_row(Row(row), picture_.channels, picture_.width, row_);
      k_.store_row(rows, seg, channels, row_);
      k_.yc_to_rgb_row(row_, picture_.width, picture_.channels, Row(row));
    }
    void Prefetch(int) const {}

   private:
    uint8_t* Row(int row) const { return picture_.rgb + row * picture_.stride; }
    const RgbPicture& picture_;
    QuorlinPixel* row_;
    const Kernels& k_;
  };
  Mover MakeMover(char* thread, char* /*shared*/, const Segments&, const SharpenParams&, const Kernels& k) const {
    return Mover(picture_, reinterpret_cast<QuorlinPixel*>(thread), k);
  }

 private:
  RgbPicture picture_;
};

}  // namespace quorlin

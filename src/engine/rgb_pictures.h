// RGB pictures as the engine reads and writes them: a row converted to
// the editor's pixels in a row of the thread's own and moved with the frame
// rows' kernels, and back. With luma alone, the way back takes Cb and Cr
// from the row as it was converted on the way in: the thread keeps every
// row it has converted and not yet stored.
#pragma once

#include <cstdint>

#include "convert/rgb_yc.h"
#include "engine/sharpen.h"
#include "kernels/kernels.h"
#include "quorlin/quorlin.h"

namespace quorlin {

struct RgbPicture {
  uint8_t* rgb;
  ptrdiff_t stride;
  int channels;  // 3 or 4; a fourth sample is left alone
  int width, height;
  int depth = 8;  // 8, or 16: two-byte samples in the machine's byte order, converted sample by sample
};

class RgbRows {
 public:
  explicit RgbRows(const RgbPicture& picture) : picture_(picture) {}
  int Width() const { return picture_.width; }
  int Height() const { return picture_.height; }
  int RowAlignment(const SharpenParams&) const { return 1; }
  int64_t ThreadBytes(const Segments&, const SharpenParams& p) const {
    return int64_t{RowsKept(p)} * picture_.width * int64_t{sizeof(QuorlinPixel)};
  }
  int64_t SharedBytes(const SharpenParams&) const { return 0; }

  class Mover {
   public:
    Mover(const RgbPicture& picture, QuorlinPixel* kept, int rows_kept, const Kernels& k)
        : picture_(picture), kept_(kept), rows_kept_(rows_kept), k_(k) {}
    void Load(int row, const Segments& seg, int channels, int16_t* const* rows) const {
      if (picture_.depth == 16) {
        Rgb16ToYcRow(reinterpret_cast<const uint16_t*>(Row(row)), picture_.channels, picture_.width, Kept(row));
      } else {
        k_.rgb_to_yc_row(Row(row), picture_.channels, picture_.width, Kept(row));
      }
      k_.load_row(Kept(row), seg, channels, rows);
    }
    void Store(int row, const Segments& seg, int channels, const int16_t* const* rows) const {
      k_.store_row(rows, seg, channels, Kept(row));
      if (picture_.depth == 16) {
        YcToRgb16Row(Kept(row), picture_.width, picture_.channels, reinterpret_cast<uint16_t*>(Row(row)));
      } else {
        k_.yc_to_rgb_row(Kept(row), picture_.width, picture_.channels, Row(row));
      }
    }
    void Prefetch(int) const {}

   private:
    uint8_t* Row(int row) const { return picture_.rgb + row * picture_.stride; }
    QuorlinPixel* Kept(int row) const { return kept_ + ptrdiff_t{row % rows_kept_} * picture_.width; }
    const RgbPicture& picture_;
    QuorlinPixel* kept_;
    int rows_kept_;
    const Kernels& k_;
  };
  Mover MakeMover(char* thread, char* /*shared*/, const Segments&, const SharpenParams& p, const Kernels& k) const {
    return Mover(picture_, reinterpret_cast<QuorlinPixel*>(thread), RowsKept(p), k);
  }

 private:
  // Picture rows, one per slot by row number: between a row's load and its
  // store a band loads at most HaloRows(radius) more rows of its field, in
  // order, so that many slots and one keep every row until its store (twice
  // as many under interlace, whose field rows are every other picture row).
  // With all three channels the store writes every sample: one slot will do.
  static int RowsKept(const SharpenParams& p) {
    return p.channels == 1 ? (p.interlace ? 2 : 1) * HaloRows(p.radius) + 1 : 1;
  }

  RgbPicture picture_;
};

}  // namespace quorlin

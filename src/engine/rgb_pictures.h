// RGB pictures as the engine reads and writes them, rows of `channels`
// samples a pixel (a fourth, alpha, is left alone).
//  - 8 bits (RgbRows): a row is converted into one plain row per channel the
//    controls sharpen and moved into the segment layout by transposes, and
//    back; with luma alone only Y is converted, and the way back takes each
//    pixel's Cb and Cr from its RGB bytes, which still hold the row as it
//    was read: every row is stored once, after all its reads.
//  - 16 bits (Rgb16Rows): a row goes through the editor's pixels in a row of
//    the thread's own, converted sample by sample; with luma alone its way
//    back takes Cb and Cr from that row as converted on the way in, so the
//    thread keeps every row it has converted and not yet stored.
#pragma once

#include <cstdint>

#include "convert/rgb_yc.h"
#include "engine/scratch.h"
#include "engine/sharpen.h"
#include "kernels/kernels.h"
#include "quorlin/quorlin.h"

namespace quorlin {

struct RgbPicture {
  uint8_t* rgb;
  ptrdiff_t stride;
  int channels;  // 3 or 4
  int width, height;
  int depth = 8;  // 8, or 16: two-byte samples in the machine's byte order
};

class RgbRows {
 public:
  explicit RgbRows(const RgbPicture& picture) : picture_(picture) {}
  int Width() const { return picture_.width; }
  int Height() const { return picture_.height; }
  int RowAlignment(const SharpenParams&) const { return 1; }
  int64_t ThreadBytes(const Segments& seg, const SharpenParams& p) const { return p.channels * PlainBytes(seg); }
  int64_t SharedBytes(const SharpenParams&) const { return 0; }

  class Mover {
   public:
    Mover(const RgbPicture& picture, char* thread, const Segments& seg, const SharpenParams& p, const Kernels& k)
        : picture_(picture), k_(k) {
      for (int c = 0; c < p.channels; ++c) {
        plain_[c] = reinterpret_cast<int16_t*>(thread + c * PlainBytes(seg)) + seg.reach;
      }
    }
    void Load(int row, const Segments& seg, int channels, int16_t* const* rows) const {
      const bool chroma = channels == 3;
      k_.rgb_to_planes_row(Row(row), picture_.channels, picture_.width, plain_[0], chroma ? plain_[1] : nullptr,
                           chroma ? plain_[2] : nullptr);
      for (int c = 0; c < channels; ++c) {
        PadPlainRow(seg, plain_[c]);
        k_.plain_to_segments(plain_[c], seg, rows[c]);
      }
    }
    void Store(int row, const Segments& seg, int channels, const int16_t* const* rows) const {
      for (int c = 0; c < channels; ++c) k_.segments_to_plain(rows[c], seg, plain_[c]);
      const bool chroma = channels == 3;
      k_.planes_to_rgb_row(plain_[0], chroma ? plain_[1] : nullptr, chroma ? plain_[2] : nullptr, picture_.width,
                           picture_.channels, Row(row));
    }
    void Prefetch(int) const {}

   private:
    uint8_t* Row(int row) const { return picture_.rgb + row * picture_.stride; }
    const RgbPicture& picture_;
    int16_t* plain_[3] = {};  // a plain row per channel sharpened, from index -reach
    const Kernels& k_;
  };
  Mover MakeMover(char* thread, char* /*shared*/, const Segments& seg, const SharpenParams& p,
                  const Kernels& k) const {
    return Mover(picture_, thread, seg, p, k);
  }

 private:
  static int64_t PlainBytes(const Segments& seg) { return AlignUp(PlainSamples(seg) * 2); }

  RgbPicture picture_;
};

class Rgb16Rows {
 public:
  explicit Rgb16Rows(const RgbPicture& picture) : picture_(picture) {}
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
      Rgb16ToYcRow(Row(row), picture_.channels, picture_.width, Kept(row));
      k_.load_row(Kept(row), seg, channels, rows);
    }
    void Store(int row, const Segments& seg, int channels, const int16_t* const* rows) const {
      k_.store_row(rows, seg, channels, Kept(row));
      YcToRgb16Row(Kept(row), picture_.width, picture_.channels, Row(row));
    }
    void Prefetch(int) const {}

   private:
    uint16_t* Row(int row) const { return reinterpret_cast<uint16_t*>(picture_.rgb + row * picture_.stride); }
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

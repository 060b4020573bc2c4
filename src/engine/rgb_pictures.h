// RGB pictures as the engine reads and writes them, rows of `channels`
// samples a pixel (a fourth, alpha, is left alone), of 8 or 16 bits. A row
// is converted into one plain row per channel the controls sharpen and moved
// into the segment layout by transposes, and back; with luma alone only Y is
// converted, and the way back takes each pixel's Cb and Cr from its RGB
// samples, which still hold the row as it was read: every row is stored
// once, after all its reads.
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

// The conversions of a row of 8-bit samples, the kernels' at the chosen
// level, and of 16-bit samples, the rules' own.
struct Rgb8Samples {
  using Sample = uint8_t;
  static void ToPlanes(const Kernels& k, const uint8_t* rgb, int channels, int n, int16_t* y, int16_t* cb,
                       int16_t* cr) {
    k.rgb_to_planes_row(rgb, channels, n, y, cb, cr);
  }
  static void FromPlanes(const Kernels& k, const int16_t* y, const int16_t* cb, const int16_t* cr, int n,
                         int channels, uint8_t* rgb) {
    k.planes_to_rgb_row(y, cb, cr, n, channels, rgb);
  }
};

struct Rgb16Samples {
  using Sample = uint16_t;
  static void ToPlanes(const Kernels&, const uint16_t* rgb, int channels, int n, int16_t* y, int16_t* cb,
                       int16_t* cr) {
    Rgb16ToPlanesRow(rgb, channels, n, y, cb, cr);
  }
  static void FromPlanes(const Kernels&, const int16_t* y, const int16_t* cb, const int16_t* cr, int n, int channels,
                         uint16_t* rgb) {
    PlanesToRgb16Row(y, cb, cr, n, channels, rgb);
  }
};

template <typename Samples>
class RgbRowsOf {
 public:
  explicit RgbRowsOf(const RgbPicture& picture) : picture_(picture) {}
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
      Samples::ToPlanes(k_, Row(row), picture_.channels, picture_.width, plain_[0], chroma ? plain_[1] : nullptr,
                        chroma ? plain_[2] : nullptr);
      for (int c = 0; c < channels; ++c) {
        PadPlainRow(seg, plain_[c]);
        k_.plain_to_segments(plain_[c], seg, rows[c]);
      }
    }
    void Store(int row, const Segments& seg, int channels, const int16_t* const* rows) const {
      for (int c = 0; c < channels; ++c) k_.segments_to_plain(rows[c], seg, plain_[c]);
      const bool chroma = channels == 3;
      Samples::FromPlanes(k_, plain_[0], chroma ? plain_[1] : nullptr, chroma ? plain_[2] : nullptr, picture_.width,
                          picture_.channels, Row(row));
    }
    void Prefetch(int) const {}

   private:
    using Sample = typename Samples::Sample;
    Sample* Row(int row) const { return reinterpret_cast<Sample*>(picture_.rgb + row * picture_.stride); }
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

using RgbRows = RgbRowsOf<Rgb8Samples>;
using Rgb16Rows = RgbRowsOf<Rgb16Samples>;

}  // namespace quorlin

#include "convert/yuv_yc.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace quorlin {

namespace {

// Rounds num / den to nearest, halves away from zero; den > 0.
constexpr int64_t DivRound(int64_t num, int64_t den) {
  return num >= 0 ? (2 * num + den) / (2 * den) : -((-2 * num + den) / (2 * den));
}

// Nominal limited range at 8 bits: black and white, and the chroma span.
constexpr int kBlack = 16, kLumaSpan = 219, kChromaZero = 128, kChromaSpan = 112;
constexpr int kEditorWhite = 4096, kEditorChroma = 2048;

uint16_t ToCode(int64_t num, int64_t den, int64_t offset, int depth) {
  return static_cast<uint16_t>(std::clamp<int64_t>(DivRound(num, den) + offset, 0, (1 << depth) - 1));
}

// One plane of samples, one or two bytes each.
struct Plane {
  uint8_t* data;
  ptrdiff_t stride;
  bool wide;
  uint16_t max;  // the largest code of the depth; spare bits may hold larger ones

  uint16_t Get(int x, int y) const {
    const uint8_t* row = data + y * stride;
    if (!wide) return std::min<uint16_t>(max, row[x]);
    uint16_t v;
    std::memcpy(&v, row + 2 * ptrdiff_t{x}, sizeof v);
    return std::min(max, v);
  }
  void Set(int x, int y, uint16_t v) const {
    uint8_t* row = data + y * stride;
    if (wide) {
      std::memcpy(row + 2 * ptrdiff_t{x}, &v, sizeof v);
    } else {
      row[x] = uint8_t(v);
    }
  }
};

Plane PlaneOf(const QuorlinPlanes& planes, int i) {
  return {static_cast<uint8_t*>(planes.data[i]), planes.stride[i], planes.depth > 8,
          uint16_t((1 << planes.depth) - 1)};
}

QuorlinPixel& At(const QuorlinFrame& frame, int x, int y) { return frame.pixels[ptrdiff_t{y} * frame.pitch + x]; }

// The rounded mean of the pixels' chroma over the block a chroma sample
// covers, clipped at the frame's edge.
template <typename Channel>
int BlockMean(const QuorlinFrame& frame, int cx, int cy, int shift, Channel channel) {
  const int x0 = cx << shift, y0 = cy << shift;
  const int x1 = std::min(frame.width, (cx + 1) << shift), y1 = std::min(frame.height, (cy + 1) << shift);
  int64_t sum = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) sum += channel(At(frame, x, y));
  }
  return int(DivRound(sum, int64_t(x1 - x0) * (y1 - y0)));
}

}  // namespace

YcScale MakeYcScale(int depth) {
  const int64_t unit = int64_t(1) << (depth - 8);
  YcScale scale{depth, std::vector<int16_t>(size_t(1) << depth), std::vector<int16_t>(size_t(1) << depth)};
  for (int64_t v = 0; v < (int64_t(1) << depth); ++v) {
    scale.luma[v] = int16_t(DivRound((v - kBlack * unit) * kEditorWhite, kLumaSpan * unit));
    scale.chroma[v] = int16_t(DivRound((v - kChromaZero * unit) * kEditorChroma, kChromaSpan * unit));
  }
  return scale;
}

uint16_t LumaCode(const YcScale& scale, int v, uint16_t original) {
  if (scale.luma[original] == v) return original;
  const int64_t unit = int64_t(1) << (scale.depth - 8);
  return ToCode(v * kLumaSpan * unit, kEditorWhite, kBlack * unit, scale.depth);
}

uint16_t ChromaCode(const YcScale& scale, int v, uint16_t original) {
  if (scale.chroma[original] == v) return original;
  const int64_t unit = int64_t(1) << (scale.depth - 8);
  return ToCode(v * kChromaSpan * unit, kEditorChroma, kChromaZero * unit, scale.depth);
}

void YuvToFrame(const QuorlinPlanes& planes, bool chroma, const QuorlinFrame& frame) {
  const YcScale scale = MakeYcScale(planes.depth);
  const Plane y_plane = PlaneOf(planes, 0), cb_plane = PlaneOf(planes, 1), cr_plane = PlaneOf(planes, 2);
  const int shift = planes.chroma_shift;
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      QuorlinPixel& p = At(frame, x, y);
      p.y = scale.luma[y_plane.Get(x, y)];
      p.cb = chroma ? scale.chroma[cb_plane.Get(x >> shift, y >> shift)] : 0;
      p.cr = chroma ? scale.chroma[cr_plane.Get(x >> shift, y >> shift)] : 0;
    }
  }
}

void FrameToYuv(const QuorlinFrame& frame, bool chroma, const QuorlinPlanes& planes) {
  const YcScale scale = MakeYcScale(planes.depth);
  const Plane y_plane = PlaneOf(planes, 0), cb_plane = PlaneOf(planes, 1), cr_plane = PlaneOf(planes, 2);
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) y_plane.Set(x, y, LumaCode(scale, At(frame, x, y).y, y_plane.Get(x, y)));
  }
  if (!chroma) return;
  const int shift = planes.chroma_shift;
  const int chroma_width = (frame.width + shift) >> shift, chroma_height = (frame.height + shift) >> shift;
  for (int cy = 0; cy < chroma_height; ++cy) {
    for (int cx = 0; cx < chroma_width; ++cx) {
      const int cb = BlockMean(frame, cx, cy, shift, [](QuorlinPixel p) { return p.cb; });
      const int cr = BlockMean(frame, cx, cy, shift, [](QuorlinPixel p) { return p.cr; });
      cb_plane.Set(cx, cy, ChromaCode(scale, cb, cb_plane.Get(cx, cy)));
      cr_plane.Set(cx, cy, ChromaCode(scale, cr, cr_plane.Get(cx, cy)));
    }
  }
}

}  // namespace quorlin

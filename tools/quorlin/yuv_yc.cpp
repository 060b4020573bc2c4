#include "tools/quorlin/yuv_yc.h"

#include <algorithm>

namespace {

// Rounds num / den to nearest, halves away from zero; den > 0.
constexpr int64_t DivRound(int64_t num, int64_t den) {
  return num >= 0 ? (2 * num + den) / (2 * den) : -((-2 * num + den) / (2 * den));
}

// Nominal limited range at 8 bits: black and white, and the chroma span.
constexpr int kBlack = 16, kLumaSpan = 219, kChromaZero = 128, kChromaSpan = 112;
constexpr int kHostWhite = 4096, kHostChroma = 2048;

uint16_t ToCode(int64_t num, int64_t den, int64_t offset, int depth) {
  return static_cast<uint16_t>(std::clamp<int64_t>(DivRound(num, den) + offset, 0, (1 << depth) - 1));
}

// A plane of samples, one or two bytes each.
struct Plane {
  uint8_t* data;
  int32_t width;
  bool wide;
  uint16_t max;  // the largest code of the depth; a stream may hold larger ones in its spare bits

  uint16_t Get(int32_t x, int32_t y) const {
    const size_t i = size_t(y) * width + x;
    return std::min<uint16_t>(max, wide ? uint16_t(data[2 * i] | data[2 * i + 1] << 8) : data[i]);
  }
  void Set(int32_t x, int32_t y, uint16_t v) const {
    const size_t i = size_t(y) * width + x;
    if (wide) {
      data[2 * i] = uint8_t(v), data[2 * i + 1] = uint8_t(v >> 8);
    } else {
      data[i] = uint8_t(v);
    }
  }
};

struct Planes {
  Plane y, cb, cr;
  int shift;  // 1 for 4:2:0: a chroma sample covers 2x2 pixels
};

Planes Split(const Y4mFormat& format, uint8_t* data) {
  const bool wide = format.depth > 8;
  const auto max = uint16_t((1 << format.depth) - 1);
  const size_t luma = size_t(format.width) * format.height * SampleBytes(format);
  const size_t chroma = size_t(ChromaWidth(format)) * ChromaHeight(format) * SampleBytes(format);
  return {{data, format.width, wide, max},
          {data + luma, ChromaWidth(format), wide, max},
          {data + luma + chroma, ChromaWidth(format), wide, max},
          format.subsampling == Subsampling::k420 ? 1 : 0};
}

// The rounded mean of the pixels' chroma over the block a chroma sample
// covers, clipped at the frame's edge.
template <typename Channel>
int BlockMean(const Y4mFormat& format, const PIXEL_YC* pixels, int32_t cx, int32_t cy, int shift, Channel channel) {
  const int32_t x0 = cx << shift, y0 = cy << shift;
  const int32_t x1 = std::min(format.width, (cx + 1) << shift), y1 = std::min(format.height, (cy + 1) << shift);
  int64_t sum = 0;
  for (int32_t y = y0; y < y1; ++y) {
    for (int32_t x = x0; x < x1; ++x) sum += channel(pixels[size_t(y) * format.width + x]);
  }
  return int(DivRound(sum, int64_t(x1 - x0) * (y1 - y0)));
}

}  // namespace

YcScale MakeYcScale(int depth) {
  const int64_t unit = int64_t(1) << (depth - 8);
  YcScale scale{depth, std::vector<int16_t>(size_t(1) << depth), std::vector<int16_t>(size_t(1) << depth)};
  for (int64_t v = 0; v < (int64_t(1) << depth); ++v) {
    scale.luma[v] = int16_t(DivRound((v - kBlack * unit) * kHostWhite, kLumaSpan * unit));
    scale.chroma[v] = int16_t(DivRound((v - kChromaZero * unit) * kHostChroma, kChromaSpan * unit));
  }
  return scale;
}

uint16_t LumaCode(const YcScale& scale, int v, uint16_t original) {
  if (scale.luma[original] == v) return original;
  const int64_t unit = int64_t(1) << (scale.depth - 8);
  return ToCode(v * kLumaSpan * unit, kHostWhite, kBlack * unit, scale.depth);
}

uint16_t ChromaCode(const YcScale& scale, int v, uint16_t original) {
  if (scale.chroma[original] == v) return original;
  const int64_t unit = int64_t(1) << (scale.depth - 8);
  return ToCode(v * kChromaSpan * unit, kHostChroma, kChromaZero * unit, scale.depth);
}

void FrameToYc(const Y4mFormat& format, const YcScale& scale, const uint8_t* planes, bool chroma,
               PIXEL_YC* pixels) {
  // Reading only: Split takes the one pointer type for both directions.
  const Planes p = Split(format, const_cast<uint8_t*>(planes));
  for (int32_t y = 0; y < format.height; ++y) {
    PIXEL_YC* row = pixels + size_t(y) * format.width;
    for (int32_t x = 0; x < format.width; ++x) {
      row[x].y = scale.luma[p.y.Get(x, y)];
      row[x].cb = chroma ? scale.chroma[p.cb.Get(x >> p.shift, y >> p.shift)] : 0;
      row[x].cr = chroma ? scale.chroma[p.cr.Get(x >> p.shift, y >> p.shift)] : 0;
    }
  }
}

void YcToFrame(const Y4mFormat& format, const YcScale& scale, const PIXEL_YC* pixels, bool chroma,
               uint8_t* planes) {
  const Planes p = Split(format, planes);
  for (int32_t y = 0; y < format.height; ++y) {
    const PIXEL_YC* row = pixels + size_t(y) * format.width;
    for (int32_t x = 0; x < format.width; ++x) p.y.Set(x, y, LumaCode(scale, row[x].y, p.y.Get(x, y)));
  }
  if (!chroma) return;
  if (p.shift == 0) {
    for (int32_t y = 0; y < format.height; ++y) {
      const PIXEL_YC* row = pixels + size_t(y) * format.width;
      for (int32_t x = 0; x < format.width; ++x) {
        p.cb.Set(x, y, ChromaCode(scale, row[x].cb, p.cb.Get(x, y)));
        p.cr.Set(x, y, ChromaCode(scale, row[x].cr, p.cr.Get(x, y)));
      }
    }
    return;
  }
  for (int32_t cy = 0; cy < ChromaHeight(format); ++cy) {
    for (int32_t cx = 0; cx < ChromaWidth(format); ++cx) {
      const int cb = BlockMean(format, pixels, cx, cy, p.shift, [](PIXEL_YC c) { return c.cb; });
      const int cr = BlockMean(format, pixels, cx, cy, p.shift, [](PIXEL_YC c) { return c.cr; });
      p.cb.Set(cx, cy, ChromaCode(scale, cb, p.cb.Get(cx, cy)));
      p.cr.Set(cx, cy, ChromaCode(scale, cr, p.cr.Get(cx, cy)));
    }
  }
}

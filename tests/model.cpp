#include "tests/model.h"

#include <algorithm>

namespace model {
namespace {

int ClampIndex(int i, int n) { return std::clamp(i, 0, n - 1); }

// Row of the window's vertical offset dy around row y: within the frame, or
// within y's own field (every other row) when interlaced.
int WindowRow(int y, int dy, int h, bool interlace) {
  if (!interlace) return ClampIndex(y + dy, h);
  const int field = y % 2;
  const int field_rows = field == 0 ? (h + 1) / 2 : h / 2;
  return 2 * ClampIndex(y / 2 + dy, field_rows) + field;
}

int64_t ClampValue(int64_t v, int64_t lo, int64_t hi) { return std::clamp(v, lo, hi); }

}  // namespace

// Box blur of one channel at (x, y).
static int16_t BlurSample(const Frame& f, int16_t QuorlinPixel::*channel, int x, int y, int radius, bool interlace) {
  const int64_t factor = 65536 / ((2 * radius + 1) * (2 * radius + 1));
  int64_t sum = 0;
  for (int dy = -radius; dy <= radius; ++dy) {
    const int row = WindowRow(y, dy, f.h, interlace);
    for (int dx = -radius; dx <= radius; ++dx) sum += f.at(ClampIndex(x + dx, f.w), row).*channel;
  }
  const int32_t product = static_cast<int32_t>(sum * factor);
  return static_cast<int16_t>(product >> 16);
}

std::vector<int16_t> BlurY(const Frame& f, int radius, bool interlace) {
  std::vector<int16_t> out;
  for (int y = 0; y < f.h; ++y)
    for (int x = 0; x < f.w; ++x) out.push_back(BlurSample(f, &QuorlinPixel::y, x, y, radius, interlace));
  return out;
}

std::vector<QuorlinPixel> BlurYC(const Frame& f, int radius, bool interlace) {
  std::vector<QuorlinPixel> out;
  for (int y = 0; y < f.h; ++y) {
    for (int x = 0; x < f.w; ++x) {
      out.push_back({BlurSample(f, &QuorlinPixel::y, x, y, radius, interlace),
                     BlurSample(f, &QuorlinPixel::cb, x, y, radius, interlace),
                     BlurSample(f, &QuorlinPixel::cr, x, y, radius, interlace)});
    }
  }
  return out;
}

Envelope EnvelopeOf(const Frame& f, bool interlace) {
  const int d = interlace ? 2 : 1;
  const bool complete = f.w >= 3 && f.h >= (interlace ? 6 : 3);
  Envelope e;
  for (int y = 0; y < f.h; ++y) {
    for (int x = 0; x < f.w; ++x) {
      int cx = x, cy = y;
      if (complete) {
        cx = std::clamp(x, 1, f.w - 2);
        cy = interlace ? (y < 2 ? y + 2 : (y > f.h - 3 ? y - 2 : y)) : std::clamp(y, 1, f.h - 2);
      }
      QuorlinPixel lo = f.at(cx, cy), hi = lo;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const int px = cx + dx, py = cy + dy * d;
          if (px < 0 || px >= f.w || py < 0 || py >= f.h) continue;  // only in small frames
          const QuorlinPixel& p = f.at(px, py);
          lo = {std::min(lo.y, p.y), std::min(lo.cb, p.cb), std::min(lo.cr, p.cr)};
          hi = {std::max(hi.y, p.y), std::max(hi.cb, p.cb), std::max(hi.cr, p.cr)};
        }
      }
      e.lo.push_back(lo);
      e.hi.push_back(hi);
    }
  }
  return e;
}

int16_t SharpenSample(int16_t in, int16_t blur, int strength, int threshold) {
  const int16_t diff = static_cast<int16_t>(in - blur);
  const int16_t magnitude = static_cast<int16_t>(diff == INT16_MIN ? INT16_MIN : std::abs(diff));
  if (magnitude <= threshold) return in;
  const int64_t product = int64_t{diff} * strength;
  // floor(product / 256), then wrapped to 16 bits.
  const int64_t correction = product >= 0 ? product / 256 : -((-product + 255) / 256);
  return static_cast<int16_t>(in + correction);
}

int16_t SharpenSampleSaturated(int16_t in, int16_t blur, int strength, int threshold) {
  const int16_t diff = static_cast<int16_t>(in - blur);
  const int16_t magnitude = static_cast<int16_t>(diff == INT16_MIN ? INT16_MIN : std::abs(diff));
  if (magnitude <= threshold) return in;
  const int64_t product = int64_t{diff} * strength;
  const int64_t correction = product >= 0 ? product / 256 : -((-product + 255) / 256);
  return static_cast<int16_t>(ClampValue(in + correction, INT16_MIN, INT16_MAX));
}

int16_t Limit(int16_t sharpened, int16_t lo, int16_t hi, int limit) {
  const int16_t lower = static_cast<int16_t>(lo - limit);
  const int16_t upper = static_cast<int16_t>(hi + limit);
  if (sharpened < lower) sharpened = lower;
  if (sharpened > upper) sharpened = upper;
  return sharpened;
}

int Filter(Frame& f, const Controls& c) {
  const int radius = int(ClampValue(c[QUORLIN_RADIUS], 1, 10));
  const int luma_strength = int(ClampValue(c[QUORLIN_LUMA_STRENGTH], 0, 256));
  const int luma_threshold = int(ClampValue(2 * int64_t{c[QUORLIN_LUMA_THRESHOLD]}, 0, 1024));
  const int chroma_strength = int(ClampValue(c[QUORLIN_CHROMA_STRENGTH], 0, 256));
  const int chroma_threshold = int(ClampValue(2 * int64_t{c[QUORLIN_CHROMA_THRESHOLD]}, 0, 1024));
  const bool interlace = c[QUORLIN_INTERLACE] != 0;
  const bool luma_only = c[QUORLIN_LUMA_ONLY] != 0;
  const bool limit = c[QUORLIN_LIMIT_MODE] != 0;
  const int luma_limit = int(ClampValue(c[QUORLIN_LUMA_LIMIT], -32, 32)) * 16;
  const int chroma_limit = int(ClampValue(c[QUORLIN_CHROMA_LIMIT], -32, 32)) * 16;
  if (f.w <= 0 || f.h <= 0) return 1;
  if (f.max_w < f.w || f.max_h < f.h) return 0;

  // Everything is computed from the frame as it came, before any change.
  const Frame original = f;
  const Envelope env = limit ? EnvelopeOf(original, interlace) : Envelope{};
  if (luma_only) {
    const std::vector<int16_t> blur = BlurY(original, radius, interlace);
    for (int y = 0; y < f.h; ++y) {
      for (int x = 0; x < f.w; ++x) {
        const size_t i = size_t(y) * f.w + x;
        int16_t& out = f.at(x, y).y;
        out = limit ? Limit(SharpenSampleSaturated(out, blur[i], luma_strength, luma_threshold), env.lo[i].y,
                            env.hi[i].y, luma_limit)
                    : SharpenSample(out, blur[i], luma_strength, luma_threshold);
      }
    }
    return 1;
  }
  const std::vector<QuorlinPixel> blur = BlurYC(original, radius, interlace);
  for (int y = 0; y < f.h; ++y) {
    for (int x = 0; x < f.w; ++x) {
      const size_t i = size_t(y) * f.w + x;
      QuorlinPixel& p = f.at(x, y);
      const QuorlinPixel& b = blur[i];
      p.y = SharpenSample(p.y, b.y, luma_strength, luma_threshold);
      p.cb = SharpenSample(p.cb, b.cb, chroma_strength, chroma_threshold);
      p.cr = SharpenSample(p.cr, b.cr, chroma_strength, chroma_threshold);
      if (limit) {
        p.y = Limit(p.y, env.lo[i].y, env.hi[i].y, luma_limit);
        p.cb = Limit(p.cb, env.lo[i].cb, env.hi[i].cb, chroma_limit);
        p.cr = Limit(p.cr, env.lo[i].cr, env.hi[i].cr, chroma_limit);
      }
    }
  }
  return 1;
}

Frame RandomFrame(std::mt19937& rng, int w, int h, int max_w, int max_h, Range range) {
  Frame f(w, h, max_w, max_h);
  std::uniform_int_distribution<int> full(INT16_MIN, INT16_MAX);
  std::uniform_int_distribution<int> luma(0, 4096);
  std::uniform_int_distribution<int> chroma(-2048, 2048);
  for (int y = 0; y < max_h; ++y) {
    for (int x = 0; x < max_w; ++x) {
      QuorlinPixel& p = f.at(x, y);
      if (x >= w || y >= h) {
        p = {int16_t(0x5A5A), int16_t(x), int16_t(y)};
      } else if (range == Range::Full) {
        p = {int16_t(full(rng)), int16_t(full(rng)), int16_t(full(rng))};
      } else {
        p = {int16_t(luma(rng)), int16_t(chroma(rng)), int16_t(chroma(rng))};
      }
    }
  }
  return f;
}

}  // namespace model

#include "tools/quorlin/compare_picture.h"

#include <algorithm>
#include <cstdlib>

#include "tools/quorlin/bitmap_font.h"

namespace {

constexpr int kZoom = 4;    // the crop is a quarter of the picture each way, shown 4 times as large
constexpr int kGap = 8;     // between the panels
constexpr uint8_t kBackground = 40;
constexpr uint8_t kMark[3] = {255, 200, 0};  // the crop's outline on the full pictures
constexpr uint8_t kInk[3] = {235, 235, 235};
constexpr int32_t kWidthPerScale = 300;  // pixels of picture width for each step up of the font
constexpr int kMaxScale = 8;

int FontScale(int32_t width) { return std::clamp(width / kWidthPerScale, 1, kMaxScale); }

struct Area {
  int32_t x, y, width, height;
};

const uint8_t* At(const Picture& picture, int32_t x, int32_t y) {
  return &picture.pixels[(size_t(y) * picture.width + x) * picture.channels];
}

int64_t Change(const Picture& a, const Picture& b, Area area) {
  int64_t sum = 0;
  for (int32_t y = area.y; y < area.y + area.height; ++y) {
    for (int32_t x = area.x; x < area.x + area.width; ++x) {
      for (int c = 0; c < 3; ++c) sum += std::abs(At(a, x, y)[c] - At(b, x, y)[c]);
    }
  }
  return sum;
}

// Tries positions half a crop apart; the first best wins, so that an
// unchanged picture shows its top left corner.
Area MostChanged(const Picture& a, const Picture& b, int32_t width, int32_t height) {
  Area best{0, 0, width, height};
  int64_t best_change = -1;
  const int32_t step_x = std::max(1, width / 2), step_y = std::max(1, height / 2);
  for (int32_t y = 0; y + height <= a.height; y += step_y) {
    for (int32_t x = 0; x + width <= a.width; x += step_x) {
      const int64_t change = Change(a, b, {x, y, width, height});
      if (change > best_change) best = {x, y, width, height}, best_change = change;
    }
  }
  return best;
}

void Put(Picture& canvas, int32_t x, int32_t y, const uint8_t* rgb) {
  uint8_t* p = &canvas.pixels[(size_t(y) * canvas.width + x) * 3];
  p[0] = rgb[0], p[1] = rgb[1], p[2] = rgb[2];
}

// Copies the area of the picture to (left, top) of the canvas, zoom times as large.
void Paste(Picture& canvas, const Picture& picture, Area area, int zoom, int32_t left, int32_t top) {
  for (int32_t y = 0; y < area.height * zoom; ++y) {
    for (int32_t x = 0; x < area.width * zoom; ++x) {
      Put(canvas, left + x, top + y, At(picture, area.x + x / zoom, area.y + y / zoom));
    }
  }
}

void Outline(Picture& canvas, Area area, int32_t left, int32_t top) {
  for (int32_t x = area.x; x < area.x + area.width; ++x) {
    Put(canvas, left + x, top + area.y, kMark);
    Put(canvas, left + x, top + area.y + area.height - 1, kMark);
  }
  for (int32_t y = area.y; y < area.y + area.height; ++y) {
    Put(canvas, left + area.x, top + y, kMark);
    Put(canvas, left + area.x + area.width - 1, top + y, kMark);
  }
}

}  // namespace

int32_t LabelHeight(int32_t width) { return (kGlyphHeight + 4) * FontScale(width); }

Picture ComparePicture(const Picture& original, const Picture& sharpened, const std::string& settings) {
  const int32_t w = original.width, h = original.height, top = LabelHeight(w);
  const Area whole{0, 0, w, h};
  const Area crop = MostChanged(original, sharpened, w / kZoom, h / kZoom);
  // Pictures too small to crop are shown side by side alone.
  const bool cropped = crop.width > 0 && crop.height > 0;
  Picture canvas{2 * w + kGap, top + (cropped ? h + kGap + crop.height * kZoom : h), 3, false, {}};
  canvas.pixels.assign(size_t(canvas.width) * canvas.height * 3, kBackground);
  const int scale = FontScale(w);
  DrawText(canvas, 2 * scale, 2 * scale, w, "original", scale, kInk);
  DrawText(canvas, w + kGap + 2 * scale, 2 * scale, canvas.width,
           settings.empty() ? "sharpened" : "sharpened: " + settings, scale, kInk);
  Paste(canvas, original, whole, 1, 0, top);
  Paste(canvas, sharpened, whole, 1, w + kGap, top);
  if (cropped) {
    Paste(canvas, original, crop, kZoom, 0, top + h + kGap);
    Paste(canvas, sharpened, crop, kZoom, w + kGap, top + h + kGap);
    Outline(canvas, crop, 0, top);
    Outline(canvas, crop, w + kGap, top);
  }
  return canvas;
}

#include "tools/quorlin/compare_picture.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kZoom = 4;    // the crop is a quarter of the picture each way, shown 4 times as large
constexpr int kGap = 8;     // between the panels
constexpr uint8_t kBackground = 40;
constexpr uint8_t kMark[3] = {255, 200, 0};  // the crop's outline on the full pictures

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

void Outline(Picture& canvas, Area area, int32_t left) {
  for (int32_t x = area.x; x < area.x + area.width; ++x) {
    Put(canvas, left + x, area.y, kMark);
    Put(canvas, left + x, area.y + area.height - 1, kMark);
  }
  for (int32_t y = area.y; y < area.y + area.height; ++y) {
    Put(canvas, left + area.x, y, kMark);
    Put(canvas, left + area.x + area.width - 1, y, kMark);
  }
}

}  // namespace

Picture ComparePicture(const Picture& original, const Picture& sharpened) {
  const int32_t w = original.width, h = original.height;
  const Area whole{0, 0, w, h};
  const Area crop = MostChanged(original, sharpened, w / kZoom, h / kZoom);
  // Pictures too small to crop are shown side by side alone.
  const bool cropped = crop.width > 0 && crop.height > 0;
  Picture canvas{2 * w + kGap, cropped ? h + kGap + crop.height * kZoom : h, 3, false, {}};
  canvas.pixels.assign(size_t(canvas.width) * canvas.height * 3, kBackground);
  Paste(canvas, original, whole, 1, 0, 0);
  Paste(canvas, sharpened, whole, 1, w + kGap, 0);
  if (cropped) {
    Paste(canvas, original, crop, kZoom, 0, h + kGap);
    Paste(canvas, sharpened, crop, kZoom, w + kGap, h + kGap);
    Outline(canvas, crop, 0);
    Outline(canvas, crop, w + kGap);
  }
  return canvas;
}

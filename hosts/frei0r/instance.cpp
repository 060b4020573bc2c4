#include "hosts/frei0r/instance.h"

#include "hosts/frei0r/parameters.h"

namespace quorlin::frei0r {

namespace {

constexpr int kBytesPerPixel = 4;

}  // namespace

Instance::Instance(unsigned width, unsigned height, const QuorlinAllocator* allocator) : width(width), height(height) {
  quorlin_default_settings(&settings, QUORLIN_API_VERSION);
  settings.allocator = allocator;
  quorlin_filter_new(&filter, &settings);
}

Instance::~Instance() { quorlin_filter_free(&filter); }

void Instance::Set(int id, double fraction) {
  int& value = *quorlin_setting(&settings, id);
  value = ControlValue(*quorlin_control(id), fraction, value);
}

void Instance::Sharpen(uint8_t* rgba) {
  if (width == 0 || height == 0 || width > INT32_MAX / kBytesPerPixel || height > INT32_MAX) return;
  QuorlinPicture picture{};
  picture.version = QUORLIN_API_VERSION;
  picture.kind = QUORLIN_PICTURE_RGB8;
  picture.rgb = {rgba, ptrdiff_t{width} * kBytesPerPixel, kBytesPerPixel, int(width), int(height)};
  quorlin_filter_apply(filter, &picture, &settings);
}

}  // namespace quorlin::frei0r

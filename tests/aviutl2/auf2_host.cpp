#include "tests/aviutl2/auf2_host.h"

#include <cstdio>
#include <cstring>

namespace {

// The image of the call the current thread is making: the host's callbacks
// take no context of their own.
thread_local HostImage* current = nullptr;

void GetImageData(PixelRGBA* buffer) {
  HostImage& image = *current;
  ++image.gets;
  const size_t n = size_t(image.width) * size_t(image.height);
  if (image.pixels.size() < n) {
    image.bad_call = true;
    return;
  }
  std::memcpy(buffer, image.pixels.data(), n * sizeof(PixelRGBA));
}

void SetImageData(const PixelRGBA* buffer, int width, int height) {
  HostImage& image = *current;
  ++image.sets;
  if (width != image.width || height != image.height || image.pixels.size() < size_t(width) * size_t(height)) {
    image.bad_call = true;
    return;
  }
  std::memcpy(image.pixels.data(), buffer, image.pixels.size() * sizeof(PixelRGBA));
}

uint64_t SplitMix64(uint64_t& state) {
  uint64_t z = (state += 0x9e3779b97f4a7c15);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
  z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
  return z ^ (z >> 31);
}

}  // namespace

Auf2Module LoadAuf2(const char* path) {
  Auf2Module module{LoadPlugin(path, "GetFilterPluginTable")};
  if (module.module.entry && !(module.table = TableOf(module.module.entry))) {
    std::fprintf(stderr, "%s: no table from GetFilterPluginTable\n", path);
    FreeAuf2(module);
  }
  return module;
}

void FreeAuf2(Auf2Module& module) {
  FreePlugin(module.module);
  module = {};
}

FilterPluginTable* TableOf(void* entry) { return reinterpret_cast<FilterPluginTable* (*)()>(entry)(); }

HostImage MakeImage(int width, int height, uint64_t seed) {
  HostImage image;
  image.width = width;
  image.height = height;
  image.pixels.resize(size_t(width) * size_t(height));
  uint64_t state = seed;
  for (PixelRGBA& p : image.pixels) {
    const uint64_t r = SplitMix64(state);
    p = {uint8_t(r), uint8_t(r >> 8), uint8_t(r >> 16), uint8_t(r >> 24)};
  }
  return image;
}

bool ProcessImage(const VideoProc& proc, HostImage& image) {
  const SceneInfo scene{image.width, image.height, 30, 1, 48000};
  const ObjectInfo object{1, 0, 1, 0.0, 1.0 / 30, image.width, image.height};
  // The host's record goes on with fields the filter does not read.
  struct {
    ProcVideo video;
    void* more[16];
  } record{{&scene, &object, GetImageData, SetImageData}, {}};
  current = &image;
  const bool ok = proc(&record.video);
  current = nullptr;
  return ok;
}

bool ProcessImage(const FilterPluginTable& table, HostImage& image) {
  return ProcessImage(table.func_proc_video, image);
}

TrackItem& TrackAt(const FilterPluginTable& table, int index) {
  return *static_cast<TrackItem*>(table.items[index]);
}

CheckItem& CheckAt(const FilterPluginTable& table, int index) {
  return *static_cast<CheckItem*>(table.items[index]);
}

uint64_t HashImage(const HostImage& image) {
  uint64_t h = 0xcbf29ce484222325;
  const auto* bytes = reinterpret_cast<const uint8_t*>(image.pixels.data());
  for (size_t i = 0; i < image.pixels.size() * sizeof(PixelRGBA); ++i) h = (h ^ bytes[i]) * 0x100000001b3;
  return h;
}

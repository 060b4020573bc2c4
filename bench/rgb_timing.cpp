// Times the RGBA path on a 1920x1080 picture, the 64-bit editor's frame:
//   rgb_timing               quorlin_sharpen_rgb with four channels
//   rgb_timing --frame       quorlin_sharpen on the editor's frame of the
//                            same picture, the baseline of the RGBA path
//   rgb_timing --rgb16       quorlin_sharpen_rgb16 with four channels, each
//                            sample the picture's byte above a random one
//   rgb_timing PLUGIN.auf2   (Windows builds) the plug-in's frame procedure
//                            as the editor calls it, the host's copies of
//                            the image in and out included
// Each configuration: the median of repeated calls, each on a fresh copy of
// the picture (the copy untimed, so the picture is in cache). Prints
// "name<TAB>ms" lines, a memcpy of the picture first; OMP_NUM_THREADS sets
// the threads.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/median_timer.h"
#include "quorlin/quorlin.h"
#if defined(_WIN32)
#include "tests/aviutl2/auf2_host.h"
#endif

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct Configuration {
  const char* name;
  int luma_only, limit;
};
constexpr Configuration kConfigurations[] = {
    {"luma, radius 2", 1, 0}, {"luma + chroma, radius 2", 0, 0}, {"luma + chroma, limit, radius 2", 0, 1}};

std::vector<uint8_t> Picture() {
  std::vector<uint8_t> rgba(size_t{kWidth} * kHeight * 4);
  uint32_t state = 1;
  for (uint8_t& byte : rgba) {
    state = state * 1664525u + 1013904223u;
    byte = uint8_t(state >> 24);
  }
  return rgba;
}

// The time of `sharpen` (pixels, settings: a status) on copies of `original`
// for each configuration; false when a call failed.
template <typename Sample, typename Sharpen>
bool TimeConfigurations(const std::vector<Sample>& original, Sharpen sharpen) {
  std::vector<Sample> rgba(original.size());
  int failures = 0;
  for (const Configuration& config : kConfigurations) {
    QuorlinSettings settings;
    quorlin_default_settings(&settings, QUORLIN_API_VERSION);
    settings.luma_only = config.luma_only;
    settings.limit_mode = config.limit;
    const double ms = MedianMs([&] { rgba = original; },
                               [&] { failures += sharpen(rgba.data(), settings) != QUORLIN_OK; });
    std::printf("%s\t%.3f\n", config.name, ms);
  }
  return failures == 0;
}

bool TimeLibrary(const std::vector<uint8_t>& original) {
  return TimeConfigurations(original, [](uint8_t* rgba, const QuorlinSettings& settings) {
    return quorlin_sharpen_rgb(rgba, kWidth * 4, 4, kWidth, kHeight, &settings);
  });
}

// quorlin_sharpen_rgb16 on the 8-bit picture widened with noise below.
bool TimeLibrary16(const std::vector<uint8_t>& bytes) {
  std::vector<uint16_t> original(bytes.size());
  uint32_t state = 7;
  for (size_t i = 0; i < bytes.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    original[i] = uint16_t(bytes[i] << 8 | state >> 24);
  }
  return TimeConfigurations(original, [](uint16_t* rgba, const QuorlinSettings& settings) {
    return quorlin_sharpen_rgb16(rgba, kWidth * 8, 4, kWidth, kHeight, &settings);
  });
}

// quorlin_sharpen's time for each configuration on the picture as the
// editor's frame; false when a call failed.
bool TimeFrame(const std::vector<uint8_t>& original) {
  std::vector<QuorlinPixel> converted(size_t{kWidth} * kHeight), pixels(converted.size());
  const QuorlinFrame source{converted.data(), kWidth, kHeight, kWidth};
  const QuorlinFrame frame{pixels.data(), kWidth, kHeight, kWidth};
  int failures = quorlin_rgb_to_yc(original.data(), kWidth * 4, 4, &source, nullptr) != QUORLIN_OK;
  for (const Configuration& config : kConfigurations) {
    QuorlinSettings settings;
    quorlin_default_settings(&settings, QUORLIN_API_VERSION);
    settings.luma_only = config.luma_only;
    settings.limit_mode = config.limit;
    const double ms = MedianMs([&] { pixels = converted; },
                               [&] { failures += quorlin_sharpen(&frame, &settings) != QUORLIN_OK; });
    std::printf("%s\t%.3f\n", config.name, ms);
  }
  return failures == 0;
}

#if defined(_WIN32)
// The plug-in's time for each configuration, its items written as the host
// writes them; false when a call failed.
bool TimePlugin(const char* path, const std::vector<uint8_t>& original) {
  const Auf2Module module = LoadAuf2(path);
  if (!module.table) return false;
  const FilterPluginTable& table = *module.table;
  HostImage image = MakeImage(kWidth, kHeight, 1);
  int failures = 0;
  for (const Configuration& config : kConfigurations) {
    for (int id = 0; id < QUORLIN_INTERLACE; ++id) TrackAt(table, id).value = quorlin_control(id)->default_value;
    CheckAt(table, QUORLIN_INTERLACE).value = false;
    CheckAt(table, QUORLIN_LUMA_ONLY).value = config.luma_only;
    CheckAt(table, QUORLIN_LIMIT_MODE).value = config.limit;
    const double ms = MedianMs([&] { std::memcpy(image.pixels.data(), original.data(), original.size()); },
                               [&] { failures += !ProcessImage(table, image); });
    std::printf("%s\t%.3f\n", config.name, ms);
  }
  return failures == 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  const std::vector<uint8_t> original = Picture();
  // The host's copy of the image in, and again out, costs this much each.
  std::vector<uint8_t> copy(original.size());
  std::printf("memcpy of the picture\t%.3f\n",
              MedianMs([] {}, [&] { std::memcpy(copy.data(), original.data(), original.size()); }));
#if defined(_WIN32)
  if (argc == 2 && argv[1][0] != '-') return TimePlugin(argv[1], original) ? 0 : 1;
#endif
  if (argc == 2 && std::strcmp(argv[1], "--frame") == 0) return TimeFrame(original) ? 0 : 1;
  if (argc == 2 && std::strcmp(argv[1], "--rgb16") == 0) return TimeLibrary16(original) ? 0 : 1;
  if (argc != 1) {
    std::fprintf(stderr, "usage: %s [--frame | --rgb16 | PLUGIN.auf2]\n", argv[0]);
    return 2;
  }
  return TimeLibrary(original) ? 0 : 1;
}

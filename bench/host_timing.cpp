// Times the plug-in module as the editor runs it: func_proc on a 1920x1080
// frame, each pipeline with the table's default controls otherwise, next to
// a memcpy of the same frame. Medians of repeated calls, each on a fresh
// copy of the frame (the copy untimed, so the frame is in cache, as after
// the editor's previous step). The same source times the native module and,
// under wine, the real 32-bit one; OMP_NUM_THREADS sets the threads.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/median_timer.h"
#include "tests/host_stand_in/frame_cases.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct Configuration {
  const char* name;
  int radius, luma_only, limit, interlace;
};
constexpr Configuration kConfigurations[] = {
    {"luma, radius 2", 2, 1, 0, 0},         {"luma, radius 10", 10, 1, 0, 0},
    {"luma + chroma, radius 2", 2, 0, 0, 0}, {"luma, limit, radius 2", 2, 1, 1, 0},
    {"luma + chroma, limit, radius 2", 2, 0, 1, 0}, {"luma, interlace, radius 2", 2, 1, 0, 1},
};

}  // namespace

int main(int argc, char** argv) {
  const GetFilterTableFn get_filter_table = LoadFromCommandLine(argc, argv);
  if (!get_filter_table) return 2;
  const FILTER_DLL& table = *get_filter_table();

  const std::vector<PIXEL_YC> original = MakePixels(DefaultCase(table, kWidth, kHeight, 1));
  std::vector<PIXEL_YC> copy(original.size());
  const double memcpy_ms = MedianMs([] {}, [&] {
    std::memcpy(copy.data(), original.data(), original.size() * sizeof(PIXEL_YC));
  });
  std::printf("memcpy of the frame\t%.3f\n", memcpy_ms);

  for (const Configuration& config : kConfigurations) {
    FrameCase c = DefaultCase(table, kWidth, kHeight, 1);
    c.track[kTrackRadius] = config.radius;
    c.check[kCheckLumaOnly] = config.luma_only;
    c.check[kCheckLimit] = config.limit;
    c.check[kCheckInterlace] = config.interlace;
    HostCall call;
    PrepareCall(table, c, call);
    int failures = 0;
    const double ms = MedianMs([&] { std::copy(original.begin(), original.end(), call.pixels.begin()); },
                               [&] { failures += table.func_proc(&call.filter, &call.info) != 1; });
    if (failures) {
      std::fprintf(stderr, "%s: func_proc failed\n", config.name);
      return 1;
    }
    std::printf("%s\t%.3f\n", config.name, ms);
  }
  return 0;
}

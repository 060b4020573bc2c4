// The host stand-in for Quorlin.auf2, run under wine64:
//
//   auf2_stand_in MODULE table
//     The table and its items (types, names, ranges, defaults, step) against
//     the library's control table.
//   auf2_stand_in MODULE frames
//     Images of many sizes (1x1 up to 4K) and settings, extreme and
//     not-a-number values included, each against quorlin_sharpen_rgb with
//     the controls the host's values must give; images of no pixels, and one
//     too large for memory.
//   auf2_stand_in MODULE threads
//     Four host threads at once, each with images of several sizes; once
//     they have ended, no thread or buffer of theirs is left.
//   auf2_stand_in MODULE cycles N PAUSE_MS | exit keep|free main|second
//     The host's life around a 640x360 frame (tests/host_stand_in/host_core.h).
//
// Exit status 0 when every check held.
#include <windows.h>
#include <psapi.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <condition_variable>
#include <mutex>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "quorlin/quorlin.h"
#include "tests/aviutl2/auf2_host.h"

namespace {

constexpr int kTracks = QUORLIN_INTERLACE;  // the library's track bars come first
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The controls the plug-in must sharpen with, in the library's order.
using Controls = std::array<int, QUORLIN_CONTROL_COUNT>;

// What the host writes into the items before a call.
struct Written {
  std::array<double, QUORLIN_CONTROL_COUNT> value;  // check boxes: 0 or 1
};

Controls Defaults() {
  Controls c;
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) c[id] = quorlin_control(id)->default_value;
  return c;
}

Written WholeNumbers(const Controls& c) {
  Written w;
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) w.value[id] = c[id];
  return w;
}

void WriteItems(const FilterPluginTable& table, const Written& w) {
  for (int id = 0; id < kTracks; ++id) TrackAt(table, id).value = w.value[id];
  for (int id = kTracks; id < QUORLIN_CONTROL_COUNT; ++id) CheckAt(table, id).value = w.value[id] != 0;
}

QuorlinSettings SettingsOf(const Controls& c) {
  QuorlinSettings s;
  quorlin_default_settings(&s, QUORLIN_API_VERSION);
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) *quorlin_setting(&s, id) = c[id];
  return s;
}

std::string Describe(int width, int height, const Controls& c) {
  std::string text = std::to_string(width) + "x" + std::to_string(height) + " controls";
  for (int v : c) text.append(" ").append(std::to_string(v));
  return text;
}

// Runs one image through the plug-in (its items already written) and the
// same through quorlin_sharpen_rgb with `expected`; prints what went wrong.
bool CheckFrame(const FilterPluginTable& table, int width, int height, uint64_t seed, const Controls& expected) {
  HostImage image = MakeImage(width, height, seed);
  const std::vector<PixelRGBA> original = image.pixels;
  std::vector<PixelRGBA> want = original;
  const QuorlinSettings settings = SettingsOf(expected);
  if (quorlin_sharpen_rgb(&want[0].r, ptrdiff_t{width} * 4, 4, width, height, &settings) != QUORLIN_OK) {
    std::printf("FAILED: %s: quorlin_sharpen_rgb failed\n", Describe(width, height, expected).c_str());
    return false;
  }
  const bool ok = ProcessImage(table, image);
  std::string problem;
  if (!ok) problem = "returned false";
  else if (image.gets != 1 || image.sets != 1 || image.bad_call) problem = "did not get and set the image once each";
  for (size_t i = 0; problem.empty() && i < want.size(); ++i) {
    if (image.pixels[i].a != original[i].a) problem = "changed alpha at pixel " + std::to_string(i);
    else if (std::memcmp(&image.pixels[i], &want[i], sizeof want[i]) != 0)
      problem = "differs from quorlin_sharpen_rgb at pixel " + std::to_string(i);
  }
  if (!problem.empty()) std::printf("FAILED: %s: %s\n", Describe(width, height, expected).c_str(), problem.c_str());
  return problem.empty();
}

// --- table -----------------------------------------------------------------

// The names the editor shows, the 32-bit editor's own.
constexpr const wchar_t* kNames[QUORLIN_CONTROL_COUNT] = {
    L"ぼかし幅", L"明強度", L"明閾値", L"明Limit", L"色強度", L"色閾値", L"色Limit",
    L"インターレース処理", L"輝度のみ", L"制限値あり",
};

int Table(const FilterPluginTable& table) {
  int failed = 0;
  auto check = [&](bool holds, const std::string& what) {
    if (!holds) std::printf("FAILED: %s\n", what.c_str());
    failed += !holds;
  };
  check(table.flag & kFilterVideo, "the table is not a video filter's");
  check(table.name && std::wcscmp(table.name, L"Quorlin") == 0, "the filter is not named Quorlin");
  check(table.information && std::wcsstr(table.information, L"Quorlin"), "no information naming Quorlin");
  check(table.func_proc_video && !table.func_proc_audio, "not exactly a video procedure");
  int n = 0;
  while (table.items && table.items[n]) ++n;
  check(n == QUORLIN_CONTROL_COUNT, "the item list has " + std::to_string(n) + " items");
  if (n != QUORLIN_CONTROL_COUNT) return 1;
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
    const QuorlinControl& c = *quorlin_control(id);
    const std::string item = "item " + std::to_string(id) + " (" + c.option + ")";
    if (id < kTracks) {
      const TrackItem& t = TrackAt(table, id);
      check(std::wcscmp(t.type, L"track") == 0, item + " is not a track bar");
      check(t.name && std::wcscmp(t.name, kNames[id]) == 0, item + " is not named as the editor's control");
      check(t.value == c.default_value && t.min == c.minimum && t.max == c.maximum && t.step == 1.0,
            item + " has not the library's default, range and step 1");
    } else {
      const CheckItem& k = CheckAt(table, id);
      check(std::wcscmp(k.type, L"check") == 0, item + " is not a check box");
      check(k.name && std::wcscmp(k.name, kNames[id]) == 0, item + " is not named as the editor's control");
      check(k.value == (c.default_value != 0), item + " has not the library's default");
    }
  }
  std::printf("table: %d items, %d track bars then %d check boxes, %s\n", n, kTracks, n - kTracks,
              failed ? "FAILED" : "names, ranges and defaults the library's");
  return failed ? 1 : 0;
}

// --- frames ----------------------------------------------------------------

struct Tally {
  int cases = 0, failed = 0;
  void Add(bool ok) {
    ++cases;
    failed += !ok;
  }
};

// Whole-number controls: the host's values are the controls.
void Run(Tally& tally, const FilterPluginTable& table, int width, int height, const Controls& c) {
  WriteItems(table, WholeNumbers(c));
  tally.Add(CheckFrame(table, width, height, 1000u + tally.cases, c));
}

Controls Everything(Controls c) {
  c[QUORLIN_LUMA_ONLY] = 0;
  c[QUORLIN_LIMIT_MODE] = 1;
  c[QUORLIN_INTERLACE] = 1;
  c[QUORLIN_RADIUS] = 3;
  c[QUORLIN_LUMA_LIMIT] = -2;
  c[QUORLIN_CHROMA_LIMIT] = 3;
  c[QUORLIN_LUMA_THRESHOLD] = 4;
  return c;
}

void Sizes(Tally& tally, const FilterPluginTable& table) {
  static constexpr int kSizes[][2] = {{1, 1},   {2, 1},    {1, 2},    {3, 3},     {5, 7},      {17, 9},
                                      {31, 33}, {63, 2},   {2, 63},   {129, 65},  {641, 359},  {1920, 1080},
                                      {7, 5},   {1281, 3}, {3840, 2160}, {33, 17}};
  for (const auto& size : kSizes) {
    Run(tally, table, size[0], size[1], Defaults());
    Run(tally, table, size[0], size[1], Everything(Defaults()));
  }
}

void Settings(Tally& tally, const FilterPluginTable& table) {
  for (int radius = 1; radius <= 10; ++radius) {
    Controls c = Everything(Defaults());
    c[QUORLIN_RADIUS] = radius;
    c[QUORLIN_INTERLACE] = radius % 2;
    Run(tally, table, 67, 45, c);
  }
  // Every track bar at its minimum, then at its maximum, with each pipeline.
  for (int extreme = 0; extreme < 2; ++extreme) {
    for (int mode = 0; mode < 8; ++mode) {
      Controls c;
      for (int id = 0; id < kTracks; ++id) c[id] = extreme ? quorlin_control(id)->maximum : quorlin_control(id)->minimum;
      c[QUORLIN_INTERLACE] = mode & 1;
      c[QUORLIN_LUMA_ONLY] = (mode >> 1) & 1;
      c[QUORLIN_LIMIT_MODE] = (mode >> 2) & 1;
      Run(tally, table, 53, 38, c);
    }
  }
  uint64_t state = 42;
  for (int i = 0; i < 24; ++i) {
    Controls c;
    for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
      const QuorlinControl& k = *quorlin_control(id);
      state = state * 6364136223846793005u + 1442695040888963407u;
      c[id] = k.minimum + int((state >> 33) % uint64_t(k.maximum - k.minimum + 1));
    }
    Run(tally, table, 45 + i, 31 + 2 * i, c);
  }
}

// Values a host may write that are not a control's: each case writes one
// control and names what the plug-in must make of it, the rest as they were.
// In sequence on one thread, whose plug-in state carries over.
void Mapping(Tally& tally, const FilterPluginTable& table) {
  struct Step {
    int id;
    double written;
    int expected;
  };
  static const Step kSteps[] = {
      {QUORLIN_RADIUS, 7, 7},  // off its default, so that a kept value shows
      {QUORLIN_RADIUS, kNaN, 7},
      {QUORLIN_RADIUS, kInf, 7},
      {QUORLIN_RADIUS, -kInf, 7},
      {QUORLIN_RADIUS, 3.5, 4},
      {QUORLIN_RADIUS, 3.49, 3},
      {QUORLIN_RADIUS, 0, 1},
      {QUORLIN_RADIUS, 11, 10},
      {QUORLIN_RADIUS, -1e300, 1},
      {QUORLIN_RADIUS, 2.6, 3},
      {QUORLIN_LUMA_STRENGTH, 1e9, 256},
      {QUORLIN_LUMA_STRENGTH, 200.7, 201},
      {QUORLIN_LUMA_STRENGTH, kNaN, 201},
      {QUORLIN_LUMA_STRENGTH, -0.4, 0},
      {QUORLIN_LUMA_STRENGTH, 96, 96},
      {QUORLIN_LUMA_LIMIT, -7.6, -8},
      {QUORLIN_LUMA_LIMIT, 40, 32},
      {QUORLIN_LUMA_LIMIT, -kInf, 32},
      {QUORLIN_LUMA_LIMIT, -33, -32},
      {QUORLIN_CHROMA_LIMIT, -5, 0},
      {QUORLIN_CHROMA_LIMIT, 12.2, 12},
      {QUORLIN_CHROMA_STRENGTH, 300, 256},
      {QUORLIN_CHROMA_THRESHOLD, 499.5, 500},
      {QUORLIN_CHROMA_THRESHOLD, kNaN, 500},
      {QUORLIN_LUMA_THRESHOLD, 1.2, 1},
      {QUORLIN_LUMA_THRESHOLD, 1e-9, 0},
  };
  Controls controls = Everything(Defaults());
  Written written = WholeNumbers(controls);
  for (const Step& step : kSteps) {
    written.value[step.id] = step.written;
    controls[step.id] = step.expected;
    WriteItems(table, written);
    tally.Add(CheckFrame(table, 61, 37, 5000u + tally.cases, controls));
  }
  // A thread's first call: a value that is not a number gives the default.
  std::thread first([&] {
    Written w = WholeNumbers(Defaults());
    w.value[QUORLIN_RADIUS] = kNaN;
    w.value[QUORLIN_LUMA_STRENGTH] = -kInf;
    WriteItems(table, w);
    tally.Add(CheckFrame(table, 61, 37, 6000, Defaults()));
  });
  first.join();
}

// No pixels: true, and the image untouched. Too large for memory: false,
// and the image untouched.
void Edges(Tally& tally, const FilterPluginTable& table) {
  WriteItems(table, WholeNumbers(Defaults()));
  static constexpr int kEmpty[][2] = {{0, 5}, {5, 0}, {0, 0}, {-3, 4}};
  for (const auto& size : kEmpty) {
    HostImage image;
    image.width = size[0];
    image.height = size[1];
    const bool ok = ProcessImage(table, image) && image.gets == 0 && image.sets == 0;
    if (!ok) std::printf("FAILED: an image of %dx%d was not left alone with true\n", size[0], size[1]);
    tally.Add(ok);
  }
  HostImage huge;
  huge.width = huge.height = 1 << 20;
  const bool ok = !ProcessImage(table, huge) && huge.sets == 0;
  if (!ok) std::printf("FAILED: an image too large for memory did not give false, untouched\n");
  tally.Add(ok);
}

int Frames(const FilterPluginTable& table) {
  Tally tally;
  Sizes(tally, table);
  Settings(tally, table);
  Mapping(tally, table);
  Edges(tally, table);
  // The level the library runs at in this process (the best the processor and
  // the system run, lowered by QUORLIN_ISA): the plug-in's level too.
  const QuorlinIsa isa = quorlin_isa(QUORLIN_ISA_BEST);
  const char* level = isa == QUORLIN_ISA_AVX2 ? "AVX2" : isa == QUORLIN_ISA_SSE2 ? "SSE2" : "C";
  std::printf("frames: %d cases (1x1 to 3840x2160, every radius, extremes, values not the controls', "
              "no pixels, too large), %d failed; level %s\n", tally.cases, tally.failed, level);
  return tally.failed ? 1 : 0;
}

// --- threads ---------------------------------------------------------------

// The process's private memory, in MiB.
double PrivateMiB() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return double(counters.PagefileUsage) / (1 << 20);
}

// Lets the host threads go at once. (Not std::latch: in this C++ runtime,
// which has no futex beneath its atomic waits, a latch's waiter can miss the
// last arrival's wake-up and wait for ever.)
class StartLine {
 public:
  explicit StartLine(int count) : left_(count) {}
  void ArriveAndWait() {
    std::unique_lock lock(mutex_);
    if (--left_ == 0) {
      all_here_.notify_all();
      return;
    }
    all_here_.wait(lock, [&] { return left_ == 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable all_here_;
  int left_;
};

int Threads(const FilterPluginTable& table) {
  static constexpr int kSizes[][2] = {{1920, 1080}, {641, 359}, {37, 23}, {1, 1}, {1280, 720}};
  constexpr int kThreads = 4, kFrames = 10;
  const Controls controls = Everything(Defaults());
  WriteItems(table, WholeNumbers(controls));
  const int before = ThreadCount();
  const double before_mib = PrivateMiB();
  std::atomic<int> failed{0};
  StartLine start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      start.ArriveAndWait();
      for (int i = 0; i < kFrames; ++i) {
        const auto& size = kSizes[(t + i) % 5];
        failed += !CheckFrame(table, size[0], size[1], 100u * t + i, controls);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  // The workers of a host thread's teams leave after it has ended: wait a
  // while for the count to come back.
  int after = ThreadCount();
  for (int i = 0; i < 40 && after > before; ++i) {
    Sleep(50);
    after = ThreadCount();
  }
  const double grown_mib = PrivateMiB() - before_mib;
  std::printf("threads: %d host threads at once, %d frames each, %d failed; process threads %d before, %d after; "
              "private memory grew by %.1f MiB\n", kThreads, kFrames, failed.load(), before, after, grown_mib);
  // Each thread's buffer held a 1920x1080 image (7.9 MiB): kept after the
  // threads' end, the four would grow the process by 32 MiB.
  return failed || after > before || grown_mib > 16 ? 1 : 0;
}

// --- life ------------------------------------------------------------------

// The default 640x360 frame: its hash, or 0 when the call failed.
uint64_t DefaultFrameHash(void* entry) {
  const FilterPluginTable& table = *TableOf(entry);
  WriteItems(table, WholeNumbers(Defaults()));
  HostImage image = MakeImage(640, 360, 7);
  return ProcessImage(table, image) ? HashImage(image) : 0;
}

int Usage(const char* program) {
  std::fprintf(stderr, "usage: %s MODULE table|frames|threads | cycles N PAUSE_MS | exit keep|free main|second\n",
               program);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int life = RunLife(argc, argv, "GetFilterPluginTable", DefaultFrameHash);
  if (life >= 0) return life;
  if (argc != 3) return Usage(argv[0]);
  const char* path = argv[1];
  const std::string command = argv[2];
  Auf2Module module = LoadAuf2(path);
  if (!module.table) return 1;
  if (command == "table") return Table(*module.table);
  if (command == "frames") return Frames(*module.table);
  if (command == "threads") return Threads(*module.table);
  return Usage(argv[0]);
}

#include "tests/host_stand_in/frame_cases.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "tests/host_stand_in/host_core.h"

namespace {

// splitmix64: tiny, and the same on every platform and compiler.
struct Rng {
  uint64_t state;
};

uint64_t Next(Rng& rng) {
  uint64_t z = (rng.state += 0x9e3779b97f4a7c15u);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
  return z ^ (z >> 31);
}

// Inclusive; 64-bit so that any int range fits.
int Uniform(Rng& rng, int64_t lo, int64_t hi) {
  return static_cast<int>(lo + static_cast<int64_t>(Next(rng) % static_cast<uint64_t>(hi - lo + 1)));
}

// ("輝度のみ", "制限値あり"): the four pipelines, the default one first.
constexpr int kModes[4][2] = {{1, 0}, {1, 1}, {0, 0}, {0, 1}};

void SetMode(FrameCase& c, int mode) {
  c.check[kCheckLumaOnly] = kModes[mode % 4][0];
  c.check[kCheckLimit] = kModes[mode % 4][1];
}

// Gives the case its row pitch and row count (sometimes larger than the
// frame, as the editor's buffers are), sample range and seed, and cycles
// through the pipelines.
void Add(std::vector<FrameCase>& cases, Rng& rng, FrameCase c, bool cycle_mode = true) {
  const int pad = Uniform(rng, 0, 3);
  c.max_w = c.w + ((pad & 1) ? Uniform(rng, 1, 9) : 0);
  c.max_h = c.h + ((pad & 2) ? Uniform(rng, 1, 3) : 0);
  c.full_range = Next(rng) & 1;
  c.seed = Next(rng);
  if (cycle_mode) SetMode(c, static_cast<int>(cases.size()));
  cases.push_back(c);
}

// Mostly around the bar's range, sometimes far outside it.
int RandomTrack(Rng& rng, int lo, int hi) {
  static constexpr int kExtremes[] = {INT_MIN, -(1 << 20), -1, 1 << 20, INT_MAX};
  if (Uniform(rng, 0, 7) == 0) return kExtremes[Uniform(rng, 0, 4)];
  const int span = std::max(hi - lo, 1);
  return Uniform(rng, int64_t{lo} - span, int64_t{hi} + span);
}

void RandomControls(const FILTER_DLL& table, Rng& rng, FrameCase& c) {
  for (int i = 0; i < kTrackCount; ++i) c.track[i] = RandomTrack(rng, table.track_s[i], table.track_e[i]);
  // Any non-zero check value counts as on.
  static constexpr int kCheckValues[] = {0, 1, 2, -1};
  for (int& v : c.check) v = kCheckValues[Uniform(rng, 0, 3)];
}

}  // namespace

FrameCase DefaultCase(const FILTER_DLL& table, int w, int h, uint64_t seed) {
  FrameCase c{};
  std::copy_n(table.track_default, kTrackCount, c.track);
  std::copy_n(table.check_default, kCheckCount, c.check);
  c.w = c.max_w = w;
  c.h = c.max_h = h;
  c.seed = seed;
  return c;
}

std::vector<FrameCase> FrameCases(const FILTER_DLL& table) {
  std::vector<FrameCase> cases;
  Rng rng{0x51756f726c696e00u};
  const FrameCase base = DefaultCase(table, 1, 1, 0);

  // Every radius at the edges of its window: one column or row short of it,
  // exactly it, one more; in interlace mode each field must fill it.
  for (int radius = 1; radius <= 10; ++radius) {
    for (int interlace = 0; interlace <= 1; ++interlace) {
      const int window = 2 * radius + 1;
      const int rows = interlace ? 2 * window : window;
      for (int dw = -1; dw <= 1; ++dw) {
        for (int dh = -1; dh <= 1; ++dh) {
          FrameCase c = base;
          c.track[kTrackRadius] = radius;
          c.check[kCheckInterlace] = interlace;
          c.w = window + dw;
          c.h = rows + dh;
          Add(cases, rng, c);
        }
      }
    }
  }

  // The smallest frames, with any radius.
  for (int w = 1; w <= 4; ++w) {
    for (int h = 1; h <= 4; ++h) {
      FrameCase c = base;
      c.track[kTrackRadius] = Uniform(rng, 1, 10);
      c.check[kCheckInterlace] = Uniform(rng, 0, 1);
      c.w = w;
      c.h = h;
      Add(cases, rng, c);
    }
  }

  // Widths around multiples of 8, where the vector loops hand over to their
  // scalar tails.
  for (int w : {7, 8, 9, 15, 16, 17, 23, 24, 25, 31, 32, 33, 63, 64, 65}) {
    for (int interlace = 0; interlace <= 1; ++interlace) {
      FrameCase c = base;
      c.track[kTrackRadius] = Uniform(rng, 1, 10);
      c.check[kCheckInterlace] = interlace;
      c.w = w;
      c.h = Uniform(rng, 1, 40);
      Add(cases, rng, c);
    }
  }

  // Random controls, in and out of range, on random small frames.
  for (int i = 0; i < 80; ++i) {
    FrameCase c = base;
    RandomControls(table, rng, c);
    c.w = Uniform(rng, 1, 80);
    c.h = Uniform(rng, 1, 60);
    Add(cases, rng, c, false);
  }

  // A few frames large enough for every thread to get many rows and columns.
  for (auto [w, h] : {std::pair{640, 360}, {257, 131}, {33, 300}, {1000, 9}}) {
    FrameCase c = base;
    c.track[kTrackRadius] = Uniform(rng, 1, 10);
    c.check[kCheckInterlace] = Uniform(rng, 0, 1);
    c.w = w;
    c.h = h;
    Add(cases, rng, c);
  }
  return cases;
}

std::vector<FrameCase> InvalidCases(const FILTER_DLL& table) {
  FrameCase base = DefaultCase(table, 16, 12, 0x1badf00du);
  base.max_w = 20;
  base.max_h = 14;
  std::vector<FrameCase> cases(6, base);
  cases[0].null_frame = true;
  cases[1].max_w = cases[1].w - 1;
  cases[2].max_h = cases[2].h - 1;
  for (int i = 0; i < 3; ++i) cases[i].outcome = Outcome::kRejected;
  cases[3].w = 0;
  cases[4].h = 0;
  cases[5].w = -3;
  cases[5].h = -1;
  for (int i = 3; i < 6; ++i) cases[i].outcome = Outcome::kEmptyFrame;
  return cases;
}

std::vector<PIXEL_YC> MakePixels(const FrameCase& c) {
  Rng rng{c.seed};
  std::vector<PIXEL_YC> pixels(static_cast<size_t>(std::max(c.max_w, 0)) * std::max(c.max_h, 0));
  for (PIXEL_YC& p : pixels) {
    if (c.full_range) {
      const uint64_t bits = Next(rng);
      p = {static_cast<int16_t>(bits), static_cast<int16_t>(bits >> 16), static_cast<int16_t>(bits >> 32)};
    } else {
      p = {static_cast<int16_t>(Uniform(rng, 0, 4096)), static_cast<int16_t>(Uniform(rng, -2048, 2048)),
           static_cast<int16_t>(Uniform(rng, -2048, 2048))};
    }
  }
  return pixels;
}

void PrepareCall(const FILTER_DLL& table, const FrameCase& c, HostCall& call) {
  call.pixels = MakePixels(c);
  std::copy_n(c.track, kTrackCount, call.track);
  std::copy_n(c.check, kCheckCount, call.check);
  // The host's FILTER starts as a copy of the definition; the current
  // control values are its own.
  call.filter = {};
  static_cast<FILTER_DLL&>(call.filter) = table;
  call.filter.track = call.track;
  call.filter.check = call.check;
  // ycp_temp stays null: the filter must never touch the host's temporary.
  call.info = {};
  call.info.ycp_edit = c.null_frame ? nullptr : call.pixels.data();
  call.info.w = c.w;
  call.info.h = c.h;
  call.info.max_w = c.max_w;
  call.info.max_h = c.max_h;
}

uint64_t Fnv1a64(const void* data, size_t bytes) {
  const auto* p = static_cast<const unsigned char*>(data);
  uint64_t hash = 0xcbf29ce484222325u;
  for (size_t i = 0; i < bytes; ++i) hash = (hash ^ p[i]) * 0x100000001b3u;
  return hash;
}

uint64_t HashPixels(const std::vector<PIXEL_YC>& pixels) {
  return Fnv1a64(pixels.data(), pixels.size() * sizeof(PIXEL_YC));
}

std::string CheckOutcome(const FrameCase& c, int ret, const std::vector<PIXEL_YC>& after) {
  const std::vector<PIXEL_YC> before = MakePixels(c);
  const int want_ret = c.outcome == Outcome::kRejected ? 0 : 1;
  char text[96];
  if (ret != want_ret) {
    std::snprintf(text, sizeof text, "returned %d, expected %d", ret, want_ret);
    return text;
  }
  for (int row = 0; row < c.max_h; ++row) {
    for (int x = 0; x < c.max_w; ++x) {
      const bool inside = c.outcome == Outcome::kProcessed && row < c.h && x < c.w;
      const size_t i = static_cast<size_t>(row) * c.max_w + x;
      if (!inside && std::memcmp(&before[i], &after[i], sizeof(PIXEL_YC)) != 0) {
        std::snprintf(text, sizeof text, "changed pixel (%d, %d), which it must leave alone", x, row);
        return text;
      }
    }
  }
  return {};
}

std::string DescribeCase(const FrameCase& c) {
  char text[256];
  std::snprintf(text, sizeof text,
                "track=%d,%d,%d,%d,%d,%d,%d check=%d,%d,%d w=%d h=%d max_w=%d max_h=%d samples=%s%s",
                c.track[0], c.track[1], c.track[2], c.track[3], c.track[4], c.track[5], c.track[6],
                c.check[0], c.check[1], c.check[2], c.w, c.h, c.max_w, c.max_h,
                c.full_range ? "full" : "natural", c.null_frame ? " ycp_edit=null" : "");
  return text;
}

std::string Hex64(uint64_t v) {
  std::string s(16, '0');
  for (int i = 15; i >= 0; --i, v >>= 4) s[i] = "0123456789abcdef"[v & 15];
  return s;
}

GetFilterTableFn LoadFromCommandLine(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s PLUGIN_MODULE\n", argv[0]);
    return nullptr;
  }
  return reinterpret_cast<GetFilterTableFn>(LoadPlugin(argv[1], "GetFilterTable").entry);
}

uint64_t DefaultFrameHash(const FILTER_DLL& table, int w, int h) {
  HostCall call;
  PrepareCall(table, DefaultCase(table, w, h, 7), call);
  if (table.func_proc(&call.filter, &call.info) != 1) {
    std::fprintf(stderr, "func_proc failed\n");
    return 0;
  }
  return HashPixels(call.pixels);
}

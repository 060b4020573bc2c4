// Thousands of random frames through every pipeline, each with 1 to 8
// threads (more than there are cores): every thread count must give the same
// frame, nothing outside the picture may change, and the memory in use must
// come back to where it was after every frame.
//
// Usage: quorlin_stress FRAMES [--no-memory-check]
// (Sanitized builds pass --no-memory-check: their allocator keeps freed
// memory in quarantine on purpose, and their leak checker covers the rest.)
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "tests/harness.h"

namespace {

constexpr int kMaxThreads = 8;

// Freed blocks that the allocator keeps in its per-thread caches count as in
// use; without the caches the figure is exact. Returns only when they are off,
// running the program again with them off if need be.
void WithoutMallocCaches(char** argv) {
  static constexpr char kTunable[] = "glibc.malloc.tcache_count=0";
  const char* set = std::getenv("GLIBC_TUNABLES");
  if (set && std::strcmp(set, kTunable) == 0) return;
  setenv("GLIBC_TUNABLES", kTunable, 1);
  execv("/proc/self/exe", argv);
  std::perror("execv");
  std::exit(1);
}

// Bytes the program has from malloc, small blocks and mapped ones alike.
size_t HeapInUse() {
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

size_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  size_t pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * 4096;
}

// Controls mostly in their ranges, now and then anywhere.
model::Controls RandomControls(std::mt19937& rng) {
  model::Controls c;
  const bool wild = rng() % 16 == 0;
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
    const QuorlinControl& k = *quorlin_control(id);
    if (k.is_switch) c[id] = rng() % 2;
    else c[id] = wild ? int(rng()) : std::uniform_int_distribution<int>(k.minimum, k.maximum)(rng);
  }
  return c;
}

// Sizes from 1x1 to a few hundred pixels wide, in a buffer with spare
// columns and rows now and then.
model::Frame RandomCase(std::mt19937& rng) {
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int w = rng() % 4 == 0 ? pick(1, 12) : pick(1, 320);
  const int h = rng() % 4 == 0 ? pick(1, 12) : pick(1, 96);
  const int max_w = w + (rng() % 2 ? pick(0, 9) : 0);
  const int max_h = h + (rng() % 2 ? pick(0, 3) : 0);
  return model::RandomFrame(rng, w, h, max_w, max_h, rng() % 2 ? model::Range::Full : model::Range::Natural);
}

// Runs one frame with every thread count; returns an error or "".
std::string CheckFrame(const model::Frame& input, const model::Controls& c) {
  model::Frame first;
  for (int threads = 1; threads <= kMaxThreads; ++threads) {
    ScopedThreads scope(threads);
    model::Frame f = input;
    if (RunHost(f, c) != 1) return "frame procedure failed with " + std::to_string(threads) + " threads";
    for (int y = 0; y < f.max_h; ++y) {
      for (int x = 0; x < f.max_w; ++x) {
        if ((x >= f.w || y >= f.h) && !SamePixel(f.at(x, y), input.at(x, y)))
          return "write outside the picture with " + std::to_string(threads) + " threads";
      }
    }
    if (threads == 1) {
      first = std::move(f);
    } else if (!SamePixels(f, first)) {
      return std::to_string(threads) + " threads differ from 1 thread";
    }
  }
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FRAMES [--no-memory-check]\n", argv[0]);
    return 2;
  }
  const int frames = std::atoi(argv[1]);
  const bool check_memory = !(argc > 2 && std::strcmp(argv[2], "--no-memory-check") == 0);
  if (check_memory) WithoutMallocCaches(argv);
  std::mt19937 rng(20240611);

  // The OpenMP runtime keeps its thread pool and per-team state from the
  // first frames on; the baseline is taken once every team size has run.
  size_t heap_baseline = 0, rss_baseline = 0, heap_peak_growth = 0;
  const int warmup = 16;
  int failures = 0, runs = 0;
  for (int i = 0; i < frames; ++i) {
    {
      const model::Frame input = RandomCase(rng);
      const model::Controls c = RandomControls(rng);
      const std::string error = CheckFrame(input, c);
      runs += kMaxThreads;
      if (!error.empty()) {
        std::fprintf(stderr, "frame %d (%dx%d in %dx%d; radius %d, switches %d %d %d): %s\n", i, input.w,
                     input.h, input.max_w, input.max_h, c[QUORLIN_RADIUS], c[QUORLIN_INTERLACE],
                     c[QUORLIN_LUMA_ONLY], c[QUORLIN_LIMIT_MODE], error.c_str());
        if (++failures == 10) break;
      }
    }
    if (!check_memory) continue;
    if (i + 1 == warmup) {
      heap_baseline = HeapInUse();
      rss_baseline = ResidentBytes();
    } else if (i + 1 > warmup && HeapInUse() > heap_baseline) {
      heap_peak_growth = std::max(heap_peak_growth, HeapInUse() - heap_baseline);
    }
  }

  std::printf("%d frames, %d frame procedure runs (1 to %d threads each)\n", frames, runs, kMaxThreads);
  if (check_memory) {
    const long rss_growth = long(ResidentBytes()) - long(rss_baseline);
    std::printf("heap in use after warm-up: %zu bytes, grew by at most %zu; resident set grew by %ld KiB\n",
                heap_baseline, heap_peak_growth, rss_growth / 1024);
    // Worker threads' arenas move by a few hundred bytes from frame to frame;
    // a leak of even a few bytes a frame adds up to far more.
    if (heap_peak_growth > 4096) {
      std::fprintf(stderr, "memory in use grew between frames\n");
      ++failures;
    }
    // The resident set may settle a little as the allocator reuses pages;
    // a leak of scratch planes over thousands of frames is far larger.
    if (rss_growth > 8L << 20) {
      std::fprintf(stderr, "resident set grew by %ld KiB\n", rss_growth / 1024);
      ++failures;
    }
  }
  return failures ? 1 : 0;
}

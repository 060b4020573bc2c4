// Frame procedure on a 1920x1080 frame, against a memcpy of the same frame
// (the floor: every pipeline must at least read and write the frame once).
// Each is timed twice: on one frame that stays in the cache (12 MB fits a
// large L3), and on frames arriving from memory, as in a long video.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <cstring>
#include <random>
#include <vector>

#include "bench/bench_frame.h"
#include "quorlin/quorlin.h"

namespace {

// Frames from memory: each iteration takes the next of kPool frames, 100 MB
// together, so a frame has left a 32 MiB L3 by the time its turn comes again.
constexpr int kPool = 8;

void Memcpy(benchmark::State& state, int pool) {
  const std::vector<std::vector<PIXEL_YC>> src(pool, BenchFrame());
  std::vector<std::vector<PIXEL_YC>> dst(pool, std::vector<PIXEL_YC>(src[0].size()));
  const size_t bytes = src[0].size() * sizeof(PIXEL_YC);
  int next = 0;
  for (auto _ : state) {
    std::memcpy(dst[next].data(), src[next].data(), bytes);
    benchmark::DoNotOptimize(dst[next].data());
    benchmark::ClobberMemory();
    next = (next + 1) % pool;
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
void BM_Memcpy(benchmark::State& state) { Memcpy(state, 1); }
void BM_MemcpyFromMemory(benchmark::State& state) { Memcpy(state, kPool); }

// The four pipelines, as the check boxes select them.
struct PipelineChecks {
  const char* name;
  int luma_only, limit;
};
constexpr PipelineChecks kPipelines[] = {
    {"SharpenY", 1, 0}, {"SharpenYC", 0, 0}, {"SharpenYLimited", 1, 1}, {"SharpenYCLimited", 0, 1}};

// Runs the table's default controls, with the pipeline and radius of the
// arguments, on fresh copies of the same frame so that every iteration
// sharpens the same picture; the copies are made, untimed, whenever the
// pool of frames comes round. Args: pipeline, radius, interlace, threads.
void FrameProc(benchmark::State& state, int pool) {
  const PipelineChecks& pipeline = kPipelines[state.range(0)];
  omp_set_num_threads(int(state.range(3)));
  const FILTER_DLL* table = GetFilterTable();
  int track[kTrackCount], check[kCheckCount];
  std::copy(table->track_default, table->track_default + kTrackCount, track);
  std::copy(table->check_default, table->check_default + kCheckCount, check);
  track[kTrackRadius] = int(state.range(1));
  check[kCheckLumaOnly] = pipeline.luma_only;
  check[kCheckLimit] = pipeline.limit;
  check[kCheckInterlace] = int(state.range(2));
  FILTER fp{};
  fp.track = track;
  fp.check = check;
  const std::vector<PIXEL_YC> original = BenchFrame();
  std::vector<std::vector<PIXEL_YC>> frames(pool, original);
  FILTER_PROC_INFO fpip{};
  fpip.w = fpip.max_w = kWidth;
  fpip.h = fpip.max_h = kHeight;
  int next = 0;
  for (auto _ : state) {
    if (next == 0) {
      state.PauseTiming();
      for (std::vector<PIXEL_YC>& frame : frames) frame = original;
      state.ResumeTiming();
    }
    fpip.ycp_edit = frames[next].data();
    if (table->func_proc(&fp, &fpip) != 1) state.SkipWithError("FrameProc failed");
    benchmark::ClobberMemory();
    next = (next + 1) % pool;
  }
  state.SetLabel(pipeline.name);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(original.size() * sizeof(PIXEL_YC)));
}
void BM_FrameProc(benchmark::State& state) { FrameProc(state, 1); }
void BM_FrameProcFromMemory(benchmark::State& state) { FrameProc(state, kPool); }

// The planes of a 1920x1080 clip of the given depth (4:2:0 up to 10 bits,
// 4:4:4 at 16), sharpened row by row as quorlin sharpens a stream, on fresh
// copies of the same planes. Args: depth, luma only, threads.
void BM_SharpenPlanes(benchmark::State& state) {
  const int depth = int(state.range(0));
  const int shift = depth > 10 ? 0 : 1;
  const int sample = depth > 8 ? 2 : 1;
  const int chroma_width = kWidth >> shift, chroma_height = kHeight >> shift;
  std::mt19937 rng(2);
  std::vector<uint8_t> original((size_t(kWidth) * kHeight + 2 * size_t(chroma_width) * chroma_height) * sample);
  for (size_t i = 0; i < original.size(); i += sample) {
    // Codes in the nominal range, as video has them.
    const int code = (16 + int(rng() % 220)) << (depth - 8);
    original[i] = uint8_t(code);
    if (sample == 2) original[i + 1] = uint8_t(code >> 8);
  }
  std::vector<uint8_t> bytes = original;
  uint8_t* cb = bytes.data() + size_t(kWidth) * kHeight * sample;
  uint8_t* cr = cb + size_t(chroma_width) * chroma_height * sample;
  const QuorlinPlanes planes{{bytes.data(), cb, cr},
                             {ptrdiff_t{kWidth} * sample, ptrdiff_t{chroma_width} * sample, ptrdiff_t{chroma_width} * sample},
                             kWidth, kHeight, depth, shift, shift, 0};
  QuorlinSettings settings;
  quorlin_default_settings(&settings, QUORLIN_API_VERSION);
  settings.luma_only = int(state.range(1));
  settings.threads = int(state.range(2));
  for (auto _ : state) {
    state.PauseTiming();
    bytes = original;
    state.ResumeTiming();
    if (quorlin_sharpen_planes(&planes, &settings) != QUORLIN_OK) state.SkipWithError("quorlin_sharpen_planes failed");
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(original.size()));
}

void PipelineArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"pipeline", "radius", "interlace", "threads"});
  for (int pipeline = 0; pipeline < 4; ++pipeline)
    for (int radius : {2, 10})
      for (int threads : {1, 2}) b->Args({pipeline, radius, 0, threads});
  for (int pipeline = 0; pipeline < 4; ++pipeline) b->Args({pipeline, 2, 1, 1});
}

void FromMemoryArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"pipeline", "radius", "interlace", "threads"});
  for (int pipeline = 0; pipeline < 4; ++pipeline)
    for (int threads : {1, 2}) b->Args({pipeline, 2, 0, threads});
  b->Args({0, 10, 0, 1});
}

}  // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MemcpyFromMemory)->Unit(benchmark::kMillisecond)->UseRealTime();
// CPU time counts every thread of the process, so that 2 threads show what
// they cost beside what they save.
BENCHMARK(BM_FrameProc)->Apply(PipelineArgs)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_FrameProcFromMemory)
    ->Apply(FromMemoryArgs)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_SharpenPlanes)
    ->ArgNames({"depth", "luma_only", "threads"})
    ->ArgsProduct({{8, 10, 16}, {1, 0}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK_MAIN();

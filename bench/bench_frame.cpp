// Frame procedure on a 1920x1080 frame, against a memcpy of the same frame
// (the floor: every pipeline must at least read and write the frame once).
#include <benchmark/benchmark.h>
#include <omp.h>

#include <cstring>
#include <vector>

#include "bench/bench_frame.h"

namespace {

void BM_Memcpy(benchmark::State& state) {
  const std::vector<PIXEL_YC> src = BenchFrame();
  std::vector<PIXEL_YC> dst(src.size());
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.size() * sizeof(PIXEL_YC));
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(src.size() * sizeof(PIXEL_YC)));
}

// The four pipelines, as the check boxes select them.
struct PipelineChecks {
  const char* name;
  int luma_only, limit;
};
constexpr PipelineChecks kPipelines[] = {
    {"SharpenY", 1, 0}, {"SharpenYC", 0, 0}, {"SharpenYLimited", 1, 1}, {"SharpenYCLimited", 0, 1}};

// Runs the table's default controls, with the pipeline and radius of the
// arguments, on a fresh copy of the same frame each time so that every
// iteration sharpens the same picture. Args: pipeline, radius, interlace,
// threads.
void BM_FrameProc(benchmark::State& state) {
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
  std::vector<PIXEL_YC> frame = original;
  FILTER_PROC_INFO fpip{};
  fpip.ycp_edit = frame.data();
  fpip.w = fpip.max_w = kWidth;
  fpip.h = fpip.max_h = kHeight;
  for (auto _ : state) {
    state.PauseTiming();
    frame = original;
    state.ResumeTiming();
    if (table->func_proc(&fp, &fpip) != 1) state.SkipWithError("FrameProc failed");
    benchmark::ClobberMemory();
  }
  state.SetLabel(pipeline.name);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(frame.size() * sizeof(PIXEL_YC)));
}

void PipelineArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"pipeline", "radius", "interlace", "threads"});
  for (int pipeline = 0; pipeline < 4; ++pipeline)
    for (int radius : {2, 10})
      for (int threads : {1, 2}) b->Args({pipeline, radius, 0, threads});
  for (int pipeline = 0; pipeline < 4; ++pipeline) b->Args({pipeline, 2, 1, 1});
}

}  // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime();
// CPU time counts every thread of the process, so that 2 threads show what
// they cost beside what they save.
BENCHMARK(BM_FrameProc)->Apply(PipelineArgs)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK_MAIN();

// The same unsharp mask composed from OpenCV calls, on the same interleaved
// 16-bit frame: a normalised box filter with replicated borders, then
// in + strength / 256 * (in - blur). Threshold 0, as the default controls.
// Args: channels (1: luma only, 3: luma and chroma), radius, threads.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <fstream>
#include <string_view>

#include "bench/bench_frame.h"

namespace {

constexpr double kLumaStrength = 64.0 / 256.0;
constexpr double kChromaStrength = 32.0 / 256.0;

void BM_OpenCVUnsharp(benchmark::State& state) {
  const int channels = int(state.range(0));
  const int ksize = 2 * int(state.range(1)) + 1;
  cv::setNumThreads(int(state.range(2)));
  std::vector<PIXEL_YC> original = BenchFrame();
  cv::Mat frame(kHeight, kWidth, CV_16SC3, original.data());
  cv::Mat work = frame.clone(), luma, blur, sharpened;
  const cv::Scalar strength(kLumaStrength, kChromaStrength, kChromaStrength);
  for (auto _ : state) {
    state.PauseTiming();
    frame.copyTo(work);
    state.ResumeTiming();
    if (channels == 1) {
      cv::extractChannel(work, luma, 0);
      cv::blur(luma, blur, cv::Size(ksize, ksize), cv::Point(-1, -1), cv::BORDER_REPLICATE);
      cv::addWeighted(luma, 1.0 + kLumaStrength, blur, -kLumaStrength, 0.0, sharpened);
      cv::insertChannel(sharpened, work, 0);
    } else {
      cv::blur(work, blur, cv::Size(ksize, ksize), cv::Point(-1, -1), cv::BORDER_REPLICATE);
      cv::Mat diff;
      cv::subtract(work, blur, diff, cv::noArray(), CV_32SC3);
      cv::multiply(diff, strength, diff, 1.0, CV_32SC3);
      cv::add(work, diff, work, cv::noArray(), CV_16SC3);
    }
    benchmark::ClobberMemory();
  }
  state.SetLabel(channels == 1 ? "OpenCV luma" : "OpenCV luma+chroma");
}

void PeerArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"channels", "radius", "threads"});
  for (int channels : {1, 3})
    for (int radius : {2, 10})
      for (int threads : {1, 2}) b->Args({channels, radius, threads});
}

}  // namespace

BENCHMARK(BM_OpenCVUnsharp)->Apply(PeerArgs)->Unit(benchmark::kMillisecond)->UseRealTime();

// `opencv_peer --write-raw FILE` writes the frame as planar unsigned 16-bit
// YUV 4:4:4 (chroma offset by 32768), for the ffmpeg run on the same frame.
int main(int argc, char** argv) {
  if (argc == 3 && std::string_view(argv[1]) == "--write-raw") {
    std::ofstream out(argv[2], std::ios::binary);
    const std::vector<PIXEL_YC> frame = BenchFrame();
    for (int16_t PIXEL_YC::*channel : {&PIXEL_YC::y, &PIXEL_YC::cb, &PIXEL_YC::cr}) {
      const uint16_t offset = channel == &PIXEL_YC::y ? 0 : 32768;
      for (const PIXEL_YC& p : frame) {
        const uint16_t v = uint16_t(uint16_t(p.*channel) + offset);
        out.put(char(v & 0xFF)).put(char(v >> 8));
      }
    }
    return out ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}

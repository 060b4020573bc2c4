#include "tools/quorlin/stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "tools/quorlin/compare_picture.h"
#include "tools/quorlin/frame_filter.h"
#include "tools/quorlin/output_file.h"
#include "tools/quorlin/progress.h"
#include "tools/quorlin/y4m.h"
#include "tools/quorlin/yc_convert.h"
#include "tools/quorlin/yuv_yc.h"

namespace {

int Fail(const std::string& line) {
  std::fprintf(stderr, "quorlin: %s\n", line.c_str());
  return 1;
}

// Known only for a regular file, from its size; assumes bare FRAME lines.
int64_t FramesLeft(FILE* in, const Y4mFormat& format) {
  struct stat info{};
  const long at = std::ftell(in);
  if (fstat(fileno(in), &info) != 0 || !S_ISREG(info.st_mode) || at < 0) return 0;
  return (info.st_size - at) / int64_t(FrameBytes(format) + 6);
}

std::string Describe(const Y4mFormat& format) {
  return std::to_string(format.width) + "x" + std::to_string(format.height) +
         (format.subsampling == Subsampling::k420 ? " 4:2:0 " : " 4:4:4 ") + std::to_string(format.depth) + "-bit";
}

Picture ToPicture(const std::vector<PIXEL_YC>& frame, int32_t width, int32_t height) {
  Picture picture{width, height, 3, false, std::vector<uint8_t>(frame.size() * 3)};
  for (size_t i = 0; i < frame.size(); ++i) {
    const Rgb8 c = YcToRgb(frame[i]);
    picture.pixels[3 * i] = c.r, picture.pixels[3 * i + 1] = c.g, picture.pixels[3 * i + 2] = c.b;
  }
  return picture;
}

struct Run {
  const FILTER_DLL& table;
  Settings& settings;
  Y4mFormat format;
  YcScale scale;
  std::vector<PIXEL_YC> pixels;
};

// Filters the frame's planes in place; keeps the chosen frame for the comparison.
std::string FilterOne(Run& run, Y4mFrame& frame, int64_t number, Picture* compare) {
  const Y4mFormat& f = run.format;
  const bool chroma = run.settings.check[kCheckLumaOnly] == 0;
  const bool shown = compare && number == run.settings.compare_frame;
  FrameToYc(f, run.scale, frame.data.data(), chroma || shown, run.pixels.data());
  Picture before;
  if (shown) before = ToPicture(run.pixels, f.width, f.height);
  if (FilterFrame(run.table, run.settings.track, run.settings.check, run.pixels.data(), f.width, f.height) == 0) {
    return "the filter reported failure";
  }
  if (shown) *compare = ComparePicture(before, ToPicture(run.pixels, f.width, f.height));
  YcToFrame(f, run.scale, run.pixels.data(), chroma, frame.data.data());
  return "";
}

// Copies the frames through the filter; returns the frames done, or sets problem.
int64_t Pump(Run& run, FILE* in, const std::string& shown, OutputFile& out, Progress& progress,
             Picture* compare, std::string& problem) {
  Y4mFrame frame;
  for (int64_t number = 1;; ++number) {
    bool ended = false;
    problem = ReadY4mFrame(in, run.format, frame, ended);
    if (problem.empty() && ended) return number - 1;
    if (problem.empty()) problem = FilterOne(run, frame, number, compare);
    if (!problem.empty()) {
      problem = shown + ": frame " + std::to_string(number) + ": " + problem;
      return number - 1;
    }
    if (problem = WriteY4mFrame(out.file, frame); !problem.empty()) {
      problem = out.path + ": frame " + std::to_string(number) + ": " + problem;
      return number - 1;
    }
    ShowProgress(progress, number);
  }
}

// After the last frame: the comparison picture, then the output moved into
// place. Returns "" or the problem.
std::string Complete(const Settings& settings, const std::string& shown, int64_t done, const Picture* compare,
                     OutputFile& out) {
  if (compare && done < settings.compare_frame) {
    return "--compare-frame " + std::to_string(settings.compare_frame) + ": " + shown + " has " +
           std::to_string(done) + " frames";
  }
  if (compare) {
    if (std::string problem = WritePng(settings.compare, *compare); !problem.empty()) {
      return settings.compare + ": " + problem;
    }
  }
  if (std::string problem = FinishOutput(out); !problem.empty()) {
    if (compare) std::remove(settings.compare.c_str());
    return out.path + ": " + problem;
  }
  return "";
}

}  // namespace

int SharpenStream(FILE* in, const std::string& shown, const std::string& output, const FILTER_DLL& table,
                  Settings& settings) {
  Run run{table, settings, {}, {}, {}};
  if (std::string problem = ReadY4mHeader(in, run.format); !problem.empty()) {
    return Fail(shown + ": header: " + problem);
  }
  if (!settings.interlace_given) {
    settings.check[kCheckInterlace] = run.format.interlace == 't' || run.format.interlace == 'b';
  }
  run.scale = MakeYcScale(run.format.depth);
  run.pixels.resize(size_t(run.format.width) * run.format.height);
  OutputFile out;
  if (std::string problem = OpenOutput(output, out); !problem.empty()) return Fail(output + ": " + problem);
  if (std::string problem = WriteY4mHeader(out.file, run.format); !problem.empty()) {
    AbandonOutput(out);
    return Fail(output + ": " + problem);
  }
  const bool live = settings.progress || isatty(fileno(stderr));
  Progress progress = StartProgress(stderr, live, settings.quiet, FramesLeft(in, run.format), Describe(run.format));
  Picture compare;
  Picture* wanted = settings.compare.empty() ? nullptr : &compare;
  std::string problem;
  const int64_t done = Pump(run, in, shown, out, progress, wanted, problem);
  if (problem.empty()) problem = Complete(settings, shown, done, wanted, out);
  ClearProgress(progress);
  if (!problem.empty()) {
    AbandonOutput(out);
    return Fail(problem);
  }
  EndProgress(progress, done);
  return 0;
}

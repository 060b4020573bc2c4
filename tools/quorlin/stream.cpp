#include "tools/quorlin/stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "tools/quorlin/compare_picture.h"
#include "tools/quorlin/output_file.h"
#include "tools/quorlin/progress.h"
#include "tools/quorlin/y4m.h"

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

Picture ToPicture(const QuorlinFrame& frame) {
  Picture picture{frame.width, frame.height, 3, false, std::vector<uint8_t>(size_t(frame.width) * frame.height * 3)};
  quorlin_yc_to_rgb(&frame, picture.pixels.data(), ptrdiff_t{frame.width} * 3, 3);
  return picture;
}

struct Run {
  const Options& options;
  Y4mFormat format;
  std::vector<QuorlinPixel> pixels;
};

// Filters the frame's planes in place; keeps the chosen frame for the comparison.
std::string FilterOne(Run& run, Y4mFrame& frame, int64_t number, Picture* compare) {
  const Y4mFormat& f = run.format;
  const QuorlinSettings& filter = run.options.filter;
  const int chroma = !filter.luma_only;
  const bool shown = compare && number == run.options.compare_frame;
  const QuorlinFrame yc{run.pixels.data(), f.width, f.height, f.width};
  const QuorlinPlanes planes = PlanesOf(f, frame.data.data());
  quorlin_yuv_to_yc(&planes, chroma || shown, &yc);
  Picture before;
  if (shown) before = ToPicture(yc);
  if (quorlin_sharpen(&yc, &filter) != QUORLIN_OK) return "not enough memory to filter it";
  if (shown) *compare = ComparePicture(before, ToPicture(yc));
  quorlin_yc_to_yuv(&yc, chroma, &planes);
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
std::string Complete(const Options& options, const std::string& shown, int64_t done, const Picture* compare,
                     OutputFile& out) {
  if (compare && done < options.compare_frame) {
    return "--compare-frame " + std::to_string(options.compare_frame) + ": " + shown + " has " +
           std::to_string(done) + " frames";
  }
  if (compare) {
    if (std::string problem = WritePng(options.compare, *compare); !problem.empty()) {
      return options.compare + ": " + problem;
    }
  }
  if (std::string problem = FinishOutput(out); !problem.empty()) {
    if (compare) std::remove(options.compare.c_str());
    return out.path + ": " + problem;
  }
  return "";
}

}  // namespace

int SharpenStream(FILE* in, const std::string& shown, const std::string& output, Options options) {
  Run run{options, {}, {}};
  if (std::string problem = ReadY4mHeader(in, run.format); !problem.empty()) {
    return Fail(shown + ": header: " + problem);
  }
  if (!options.interlace_given) options.filter.interlace = run.format.interlace == 't' || run.format.interlace == 'b';
  run.pixels.resize(size_t(run.format.width) * run.format.height);
  OutputFile out;
  if (std::string problem = OpenOutput(output, out); !problem.empty()) return Fail(output + ": " + problem);
  if (std::string problem = WriteY4mHeader(out.file, run.format); !problem.empty()) {
    AbandonOutput(out);
    return Fail(output + ": " + problem);
  }
  const bool live = options.progress || isatty(fileno(stderr));
  Progress progress = StartProgress(stderr, live, options.quiet, FramesLeft(in, run.format), Describe(run.format));
  Picture compare;
  Picture* wanted = options.compare.empty() ? nullptr : &compare;
  std::string problem;
  const int64_t done = Pump(run, in, shown, out, progress, wanted, problem);
  if (problem.empty()) problem = Complete(options, shown, done, wanted, out);
  ClearProgress(progress);
  if (!problem.empty()) {
    AbandonOutput(out);
    return Fail(problem);
  }
  EndProgress(progress, done);
  return 0;
}

#include "tools/quorlin/stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <thread>
#include <vector>

#include "tools/quorlin/compare_picture.h"
#include "tools/quorlin/handoff.h"
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
  const char* kinds[] = {" 4:4:4 ", " 4:2:0 ", " grey ", " 4:2:2 "};
  return std::to_string(format.width) + "x" + std::to_string(format.height) + kinds[int(format.subsampling)] +
         std::to_string(format.depth) + "-bit";
}

Picture ToPicture(const QuorlinFrame& frame, const QuorlinSettings& settings) {
  Picture picture{frame.width, frame.height, 3, false, std::vector<uint8_t>(size_t(frame.width) * frame.height * 3)};
  quorlin_yc_to_rgb(&frame, picture.pixels.data(), ptrdiff_t{frame.width} * 3, 3, &settings);
  return picture;
}

// The command's one filter object: after the first frame, frames are
// sharpened in the memory it keeps.
struct Run {
  const Options& options;
  Y4mFormat format;
  QuorlinFilter* filter;
};

// The frame as the editor would see it, for the comparison picture.
Picture EditorPicture(const QuorlinPlanes& planes, const QuorlinSettings& settings) {
  std::vector<QuorlinPixel> pixels(size_t(planes.width) * planes.height);
  const QuorlinFrame frame{pixels.data(), planes.width, planes.height, planes.width};
  quorlin_yuv_to_yc(&planes, planes.data[1] != nullptr, &frame, &settings);
  return ToPicture(frame, settings);
}

// Filters the frame's planes in place; keeps the chosen frame for the comparison.
std::string FilterOne(Run& run, Y4mFrame& frame, int64_t number, Picture* compare) {
  const bool shown = compare && number == run.options.compare_frame;
  const QuorlinPlanes planes = PlanesOf(run.format, frame.data.data());
  Picture before;
  if (shown) before = EditorPicture(planes, run.options.filter);
  QuorlinPicture picture{};
  picture.version = QUORLIN_API_VERSION;
  picture.kind = QUORLIN_PICTURE_PLANES;
  picture.planes = planes;
  if (quorlin_filter_apply(run.filter, &picture, &run.options.filter) != QUORLIN_OK) {
    return "not enough memory to filter it";
  }
  if (shown) {
    *compare = ComparePicture(before, EditorPicture(planes, run.options.filter), ChangedControls(run.options.filter));
  }
  return "";
}

// Frames in memory at once: one being read, one filtered, one written.
constexpr int kFramesInFlight = 3;

struct Slot {
  Y4mFrame frame;
  int64_t number = 0;
};

// The first problem in the stream's order, with the frame it concerns.
class Problems {
 public:
  void Add(int64_t frame, std::string text) {
    std::lock_guard lock(mutex_);
    if (text_.empty() || frame < frame_) frame_ = frame, text_ = std::move(text);
  }
  std::string First() const { return text_; }

 private:
  std::mutex mutex_;
  int64_t frame_ = 0;
  std::string text_;
};

// Copies the frames through the filter: one thread reads the next frame
// while this one filters the current one and another writes the last one.
// Returns the frames written; a problem stops the stream after the frames
// before it.
int64_t Pump(Run& run, FILE* in, const std::string& shown, OutputFile& out, Progress& progress,
             Picture* compare, Problems& problems) {
  std::array<Slot, kFramesInFlight> slots;
  Handoff<Slot*> empty, read, filtered;
  for (Slot& slot : slots) empty.Put(&slot);
  auto problem = [&](const std::string& where, int64_t number, const std::string& text) {
    problems.Add(number, where + ": frame " + std::to_string(number) + ": " + text);
  };

  std::thread reader([&] {
    for (int64_t number = 1;; ++number) {
      const std::optional<Slot*> slot = empty.Take();
      if (!slot) break;
      bool ended = false;
      const std::string text = ReadY4mFrame(in, run.format, (*slot)->frame, ended);
      if (ended) break;
      if (!text.empty()) {
        problem(shown, number, text);
        break;
      }
      (*slot)->number = number;
      read.Put(*slot);
    }
    read.Close();
  });
  int64_t written = 0;
  std::thread writer([&] {
    while (const std::optional<Slot*> slot = filtered.Take()) {
      if (const std::string text = WriteY4mFrame(out.file, (*slot)->frame); !text.empty()) {
        problem(out.path, (*slot)->number, text);
        // Nothing more is read; what is read is still filtered, not written.
        empty.Close();
        while (filtered.Take()) {
        }
        break;
      }
      written = (*slot)->number;
      ShowProgress(progress, written);
      empty.Put(*slot);
    }
  });
  while (const std::optional<Slot*> slot = read.Take()) {
    if (const std::string text = FilterOne(run, (*slot)->frame, (*slot)->number, compare); !text.empty()) {
      problem(shown, (*slot)->number, text);
      empty.Close();
      while (read.Take()) {
      }
      break;
    }
    filtered.Put(*slot);
  }
  filtered.Close();
  writer.join();
  reader.join();
  return written;
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

int SharpenStream(QuorlinFilter* filter, FILE* in, const std::string& shown, const std::string& output,
                  Options options) {
  Run run{options, {}, filter};
  if (std::string problem = ReadY4mHeader(in, run.format); !problem.empty()) {
    return Fail(shown + ": header: " + problem);
  }
  if (!options.interlace_given) options.filter.interlace = run.format.interlace == 't' || run.format.interlace == 'b';
  // A grey stream has luma alone, whatever the switch says.
  if (run.format.subsampling == Subsampling::kMono) options.filter.luma_only = 1;
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
  Problems problems;
  const int64_t done = Pump(run, in, shown, out, progress, wanted, problems);
  std::string problem = problems.First();
  if (problem.empty()) problem = Complete(options, shown, done, wanted, out);
  ClearProgress(progress);
  if (!problem.empty()) {
    AbandonOutput(out);
    return Fail(problem);
  }
  EndProgress(progress, done, output == "-" ? "standard output" : output);
  return 0;
}

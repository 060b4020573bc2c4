// quorlin: runs the filter over PNG and JPEG pictures or a Y4M video stream
// the way the editor runs it over video frames, to try settings out, to
// judge the filter by eye, to sharpen photographs and to sharpen video in a
// pipe.
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <unistd.h>

#include "quorlin/quorlin.h"
#include "tools/quorlin/batch.h"
#include "tools/quorlin/options.h"
#include "tools/quorlin/run.h"
#include "tools/quorlin/stream.h"

namespace {

// Between frames the filter's worker threads wait while this program reads
// and writes; spinning, as the OpenMP runtime's idle workers do by default,
// they would take the processor from the threads that read and write. The
// runtime reads its wait policy once, when it loads, before main: this runs
// earlier still, from the program's pre-initialisation array, and leaves a
// policy the user set alone.
void SleepingWorkers(int, char**, char**) { setenv("OMP_WAIT_POLICY", "PASSIVE", 0); }
[[gnu::section(".preinit_array"), gnu::used]] void (*const kSleepingWorkers)(int, char**, char**) = SleepingWorkers;

constexpr char kSampleName[] = "coffee.png";

// Every failure is one line naming the file or option at fault.
int Fail(int status, const std::string& line) {
  std::fprintf(stderr, "quorlin: %s\n", line.c_str());
  return status;
}

std::string DefaultOutput(const std::string& input, const char* extension) {
  if (input == "-") return "-";
  return std::filesystem::path(input).replace_extension(extension).string();
}

void PrintVersion() {
  const unsigned library = quorlin_version();
  const char* levels[] = {"best", "SSE2", "AVX2", "C"};
  std::printf("quorlin %s\nlibquorlin %u.%u\ninstruction set level on this processor: %s\n", QUORLIN_TOOL_VERSION,
              library >> 16, library & 0xFFFF, levels[quorlin_isa(QUORLIN_ISA_BEST)]);
}

// A PNG or JPEG picture, written in the format its output name asks for.
int SharpenPicture(QuorlinFilter* filter, FILE* in, const std::string& input, const std::string& shown,
                   const Options& options) {
  std::vector<uint8_t> bytes;
  if (std::string problem = ReadAll(in, bytes); !problem.empty()) return Fail(1, shown + ": " + problem);
  const PhotoFormat kept = IsJpeg(bytes) ? PhotoFormat::kJpeg : PhotoFormat::kPng;
  const std::string output =
      options.files.size() > 1
          ? options.files[1]
          : DefaultOutput(input.empty() ? kSampleName : input,
                          kept == PhotoFormat::kJpeg ? ".sharpened.jpg" : ".sharpened.png");
  const PhotoFormat format = FormatOfName(output, kept);
  if (options.quality_given && format != PhotoFormat::kJpeg) {
    return Fail(2, "--quality is for JPEG output; " + (output == "-" ? "standard output" : output) +
                       " gets a PNG (see quorlin --help)");
  }
  const PictureResult result = SharpenPictureFile(filter, bytes, shown, output, format, options);
  if (!result.problem.empty()) return Fail(1, result.problem);
  if (!options.quiet && (options.progress || isatty(fileno(stderr)))) {
    std::fprintf(stderr, "quorlin: %s\n", result.written.c_str());
    if (!result.dropped.empty()) std::fprintf(stderr, "quorlin: %s\n", result.dropped.c_str());
  }
  return 0;
}

int SharpenInput(QuorlinFilter* filter, const Options& options) {
  const std::string input = options.files.empty() ? "" : options.files[0];
  const std::string shown = input.empty() ? std::string("built-in ") + kSampleName
                            : input == "-" ? "standard input"
                                           : input;
  FILE* in = OpenInput(input);
  if (!in) return Fail(1, shown + ": cannot open: " + std::strerror(errno));
  // Large reads and writes: a 4:2:0 frame of 1080p is 3 MB.
  std::setvbuf(in, nullptr, _IOFBF, 1 << 20);
  std::setvbuf(stdout, nullptr, _IOFBF, 1 << 20);
  int status = 0;
  if (!IsStream(in)) {
    status = SharpenPicture(filter, in, input, shown, options);
  } else if (options.quality_given) {
    status = Fail(2, "--quality is for JPEG output; " + shown + " is a Y4M stream (see quorlin --help)");
  } else {
    const std::string output = options.files.size() > 1 ? options.files[1] : DefaultOutput(input, ".sharpened.y4m");
    status = SharpenStream(filter, in, shown, output, options);
  }
  if (in != stdin) std::fclose(in);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (std::string problem = ParseArgs(argc, argv, options); !problem.empty()) {
    return Fail(2, problem + " (see quorlin --help)");
  }
  if (options.help || options.version) {
    options.help ? PrintHelp(stdout) : PrintVersion();
    return 0;
  }
  // One filter object for every picture and stream of the run.
  QuorlinFilter* filter = nullptr;
  if (quorlin_filter_new(&filter, &options.filter) != QUORLIN_OK) return Fail(1, "not enough memory to start");
  const int status = options.output_dir.empty() ? SharpenInput(filter, options) : SharpenBatch(filter, options);
  quorlin_filter_free(&filter);
  return status;
}

// quorlin: runs the filter over a PNG picture or a Y4M video stream the way
// the editor runs it over video frames, to try settings out, to judge the
// filter by eye and to sharpen video in a pipe.
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <unistd.h>

#include "quorlin/quorlin.h"
#include "tools/quorlin/compare_picture.h"
#include "tools/quorlin/options.h"
#include "tools/quorlin/png_io.h"
#include "tools/quorlin/sample_picture.h"
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

std::string DefaultOutput(const std::string& input, bool stream) {
  if (input == "-") return "-";
  return std::filesystem::path(input).replace_extension(stream ? ".sharpened.y4m" : ".sharpened.png").string();
}

// An empty input name stands for the built-in sample, "-" for standard input.
FILE* OpenInput(const std::string& input) {
  if (input == "-") return stdin;
  const std::span<const uint8_t> sample = SamplePicture();
  // fmemopen only reads in mode "rb"; it takes a non-const pointer all the same.
  return input.empty() ? fmemopen(const_cast<uint8_t*>(sample.data()), sample.size(), "rb")
                       : std::fopen(input.c_str(), "rb");
}

// A Y4M stream starts with its signature's "Y", a PNG file never does.
bool IsStream(FILE* in) {
  const int first = std::getc(in);
  return first != EOF && std::ungetc(first, in) == 'Y';
}

// Filters the picture as the editor filters a frame, through the editor's
// YC samples; alpha stays as it was. Returns "" or the problem.
std::string Sharpen(const QuorlinSettings& filter, Picture& picture) {
  const ptrdiff_t stride = ptrdiff_t{picture.width} * picture.channels * (picture.depth / 8);
  const QuorlinStatus status =
      picture.depth == 16
          ? quorlin_sharpen_rgb16(picture.Samples16(), stride, picture.channels, picture.width, picture.height, &filter)
          : quorlin_sharpen_rgb(picture.pixels.data(), stride, picture.channels, picture.width, picture.height,
                                &filter);
  return status == QUORLIN_OK ? "" : "not enough memory to filter it";
}

int SharpenPicture(FILE* in, const std::string& shown, const std::string& output, const Options& options) {
  Picture picture;
  if (std::string problem = ReadPng(in, picture); !problem.empty()) return Fail(1, shown + ": " + problem);
  const Picture original = options.compare.empty() ? Picture{} : picture;
  if (std::string problem = Sharpen(options.filter, picture); !problem.empty()) return Fail(1, shown + ": " + problem);
  // The comparison first, so that a failure leaves neither file behind.
  if (!options.compare.empty()) {
    const Picture shown = ComparePicture(EightBit(original), EightBit(picture));
    if (std::string problem = WritePng(options.compare, shown); !problem.empty()) {
      return Fail(1, options.compare + ": " + problem);
    }
  }
  if (std::string problem = WritePng(output, picture); !problem.empty()) {
    if (!options.compare.empty()) std::remove(options.compare.c_str());
    return Fail(1, output + ": " + problem);
  }
  if (!options.quiet && (options.progress || isatty(fileno(stderr)))) {
    const bool alpha = picture.channels == 4;
    const char* kind = picture.gray ? (alpha ? "grey + alpha" : "grey") : (alpha ? "RGBA" : "RGB");
    std::fprintf(stderr, "quorlin: wrote %s (%dx%d %s, %d-bit)%s\n", output == "-" ? "standard output" : output.c_str(),
                 picture.width, picture.height, kind, picture.depth,
                 options.compare.empty() ? "" : (" and " + options.compare).c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (std::string problem = ParseArgs(argc, argv, options); !problem.empty()) {
    return Fail(2, problem + " (see quorlin --help)");
  }
  if (options.help) {
    PrintHelp(stdout);
    return 0;
  }
  const std::string input = options.files.empty() ? "" : options.files[0];
  const std::string shown = input.empty() ? std::string("built-in ") + kSampleName
                            : input == "-" ? "standard input"
                                           : input;
  FILE* in = OpenInput(input);
  if (!in) return Fail(1, shown + ": cannot open: " + std::strerror(errno));
  // Large reads and writes: a 4:2:0 frame of 1080p is 3 MB.
  std::setvbuf(in, nullptr, _IOFBF, 1 << 20);
  std::setvbuf(stdout, nullptr, _IOFBF, 1 << 20);
  const bool stream = IsStream(in);
  const std::string output = options.files.size() > 1 ? options.files[1]
                                                      : DefaultOutput(input.empty() ? kSampleName : input, stream);
  const int status = stream ? SharpenStream(in, shown, output, options)
                            : SharpenPicture(in, shown, output, options);
  if (in != stdin) std::fclose(in);
  return status;
}

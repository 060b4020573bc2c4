// quorlin: runs the filter over a PNG picture or a Y4M video stream the way
// the editor runs it over video frames, to try settings out, to judge the
// filter by eye and to sharpen video in a pipe.
#include <omp.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "host/filter_table.h"
#include "tools/quorlin/compare_picture.h"
#include "tools/quorlin/frame_filter.h"
#include "tools/quorlin/options.h"
#include "tools/quorlin/png_io.h"
#include "tools/quorlin/sample_picture.h"
#include "tools/quorlin/stream.h"
#include "tools/quorlin/yc_convert.h"

namespace {

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

// Converts the picture to the editor's YC samples, filters it as one frame
// and converts it back. Returns the filter's verdict, 0 for failure.
int Sharpen(const FILTER_DLL& table, Settings& settings, Picture& picture) {
  const size_t count = size_t(picture.width) * picture.height;
  std::vector<PIXEL_YC> frame(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = &picture.pixels[i * picture.channels];
    frame[i] = RgbToYc({p[0], p[1], p[2]});
  }
  if (FilterFrame(table, settings.track, settings.check, frame.data(), picture.width, picture.height) == 0) return 0;
  for (size_t i = 0; i < count; ++i) {
    const Rgb8 c = YcToRgb(frame[i]);
    uint8_t* p = &picture.pixels[i * picture.channels];
    p[0] = c.r, p[1] = c.g, p[2] = c.b;  // alpha stays as it was
  }
  return 1;
}

int SharpenPicture(FILE* in, const std::string& shown, const std::string& output, const FILTER_DLL& table,
                   Settings& settings) {
  Picture picture;
  if (std::string problem = ReadPng(in, picture); !problem.empty()) return Fail(1, shown + ": " + problem);
  const Picture original = settings.compare.empty() ? Picture{} : picture;
  if (Sharpen(table, settings, picture) == 0) return Fail(1, shown + ": the filter reported failure");
  // The comparison first, so that a failure leaves neither file behind.
  if (!settings.compare.empty()) {
    if (std::string problem = WritePng(settings.compare, ComparePicture(original, picture)); !problem.empty()) {
      return Fail(1, settings.compare + ": " + problem);
    }
  }
  if (std::string problem = WritePng(output, picture); !problem.empty()) {
    if (!settings.compare.empty()) std::remove(settings.compare.c_str());
    return Fail(1, output + ": " + problem);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const FILTER_DLL& table = *GetFilterTable();
  Settings settings;
  if (std::string problem = ParseArgs(argc, argv, table, settings); !problem.empty()) {
    return Fail(2, problem + " (see quorlin --help)");
  }
  if (settings.help) {
    PrintHelp(stdout, table);
    return 0;
  }
  if (settings.threads > 0) omp_set_num_threads(settings.threads);
  const std::string input = settings.files.empty() ? "" : settings.files[0];
  const std::string shown = input.empty() ? std::string("built-in ") + kSampleName
                            : input == "-" ? "standard input"
                                           : input;
  FILE* in = OpenInput(input);
  if (!in) return Fail(1, shown + ": cannot open: " + std::strerror(errno));
  // Large reads and writes: a 4:2:0 frame of 1080p is 3 MB.
  std::setvbuf(in, nullptr, _IOFBF, 1 << 20);
  std::setvbuf(stdout, nullptr, _IOFBF, 1 << 20);
  const bool stream = IsStream(in);
  const std::string output = settings.files.size() > 1 ? settings.files[1]
                                                       : DefaultOutput(input.empty() ? kSampleName : input, stream);
  const int status = stream ? SharpenStream(in, shown, output, table, settings)
                            : SharpenPicture(in, shown, output, table, settings);
  if (in != stdin) std::fclose(in);
  return status;
}

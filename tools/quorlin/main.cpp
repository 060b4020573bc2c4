// quorlin: runs the filter over a PNG picture the way the editor runs it over
// a video frame, to try settings out and to judge the filter by eye.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "host/filter_table.h"
#include "tools/quorlin/options.h"
#include "tools/quorlin/png_io.h"
#include "tools/quorlin/sample_picture.h"
#include "tools/quorlin/yc_convert.h"

namespace {

constexpr char kSampleName[] = "coffee.png";

// Every failure is one line naming the file or option at fault.
int Fail(int status, const std::string& line) {
  std::fprintf(stderr, "quorlin: %s\n", line.c_str());
  return status;
}

std::string DefaultOutput(const std::string& input) {
  return std::filesystem::path(input).replace_extension(".sharpened.png").string();
}

// An empty input name stands for the built-in sample.
std::string Load(const std::string& input, Picture& picture) {
  const std::span<const uint8_t> sample = SamplePicture();
  // fmemopen only reads in mode "rb"; it takes a non-const pointer all the same.
  FILE* in = input.empty() ? fmemopen(const_cast<uint8_t*>(sample.data()), sample.size(), "rb")
                           : std::fopen(input.c_str(), "rb");
  if (!in) return std::string("cannot open: ") + std::strerror(errno);
  std::string problem = ReadPng(in, picture);
  std::fclose(in);
  return problem;
}

// Hands the picture to the filter as a frame, the way the host does: its own
// copy of the filter's record pointing at the current control values, and a
// frame record whose buffer is exactly the picture. Returns the filter's
// verdict, 0 for failure.
int Sharpen(const FILTER_DLL& table, Settings& settings, Picture& picture) {
  const size_t count = size_t(picture.width) * picture.height;
  std::vector<PIXEL_YC> frame(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = &picture.pixels[i * picture.channels];
    frame[i] = RgbToYc({p[0], p[1], p[2]});
  }
  FILTER filter{table};
  filter.track = settings.track.data();
  filter.check = settings.check.data();
  FILTER_PROC_INFO info{};
  info.ycp_edit = frame.data();
  info.w = info.max_w = picture.width;
  info.h = info.max_h = picture.height;
  if (table.func_proc(&filter, &info) == 0) return 0;
  for (size_t i = 0; i < count; ++i) {
    const Rgb8 c = YcToRgb(frame[i]);
    uint8_t* p = &picture.pixels[i * picture.channels];
    p[0] = c.r, p[1] = c.g, p[2] = c.b;  // alpha stays as it was
  }
  return 1;
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
  const std::string input = settings.files.empty() ? "" : settings.files[0];
  const std::string output = settings.files.size() > 1 ? settings.files[1]
                                                       : DefaultOutput(input.empty() ? kSampleName : input);
  const std::string shown = input.empty() ? std::string("built-in ") + kSampleName : input;
  Picture picture;
  if (std::string problem = Load(input, picture); !problem.empty()) return Fail(1, shown + ": " + problem);
  if (Sharpen(table, settings, picture) == 0) return Fail(1, shown + ": the filter reported failure");
  if (std::string problem = WritePng(output, picture); !problem.empty()) return Fail(1, output + ": " + problem);
  return 0;
}

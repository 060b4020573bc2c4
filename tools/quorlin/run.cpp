#include "tools/quorlin/run.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include "tools/quorlin/compare_picture.h"
#include "tools/quorlin/sample_picture.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point& start) {
  const Clock::time_point now = Clock::now();
  const double seconds = std::chrono::duration<double>(now - start).count();
  start = now;
  return seconds;
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", seconds);
  return text;
}

std::string Join(const std::vector<std::string>& names) {
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : ", ") + name;
  return joined;
}

}  // namespace

FILE* OpenInput(const std::string& input) {
  if (input == "-") return stdin;
  const std::span<const uint8_t> sample = SamplePicture();
  // fmemopen only reads in mode "rb"; it takes a non-const pointer all the same.
  return input.empty() ? fmemopen(const_cast<uint8_t*>(sample.data()), sample.size(), "rb")
                       : std::fopen(input.c_str(), "rb");
}

bool IsStream(FILE* in) {
  const int first = std::getc(in);
  return first != EOF && std::ungetc(first, in) == 'Y';
}

std::string ReadAll(FILE* in, std::vector<uint8_t>& bytes) {
  constexpr size_t kChunk = size_t{1} << 20;
  for (size_t got = kChunk; got == kChunk;) {
    const size_t used = bytes.size();
    bytes.resize(used + kChunk);
    got = std::fread(bytes.data() + used, 1, kChunk, in);
    bytes.resize(used + got);
  }
  return std::ferror(in) ? std::string("cannot read: ") + std::strerror(errno) : "";
}

PictureResult SharpenPictureFile(QuorlinFilter* filter, std::span<const uint8_t> file, const std::string& shown,
                                 const std::string& output, PhotoFormat format, const Options& options) {
  Clock::time_point start = Clock::now();
  const Clock::time_point began = start;
  Photo photo;
  if (std::string problem = ReadPhoto(file, photo); !problem.empty()) return Failed(shown + ": " + problem);
  const double decode = Since(start);
  const bool compare = !options.compare.empty();
  const Picture original = compare ? ShownPicture(photo) : Picture{};
  if (SharpenPhoto(filter, photo, options.filter) != QUORLIN_OK) {
    return Failed(shown + ": not enough memory to filter it");
  }
  const double sharpen = Since(start);
  // The comparison first, so that a failure leaves neither file behind.
  if (compare) {
    const Picture shown_picture = ComparePicture(original, ShownPicture(photo), ChangedControls(options.filter));
    if (std::string problem = WritePng(options.compare, shown_picture); !problem.empty()) {
      return Failed(options.compare + ": " + problem);
    }
    Since(start);
  }
  std::vector<std::string> dropped;
  Photo converted = photo.format == format ? Photo{} : ConvertPhoto(photo, format, dropped);
  Photo& out = photo.format == format ? photo : converted;
  if (std::string problem = WritePhoto(output, out, options.quality); !problem.empty()) {
    if (compare) std::remove(options.compare.c_str());
    return Failed(output + ": " + problem);
  }
  const double encode = Since(start);
  const std::string named = output == "-" ? "standard output" : output;
  PictureResult result;
  result.written = "wrote " + named + " (" + Describe(out) + ")" + (compare ? " and " + options.compare : "") +
                   " in " + Seconds(std::chrono::duration<double>(Clock::now() - began).count()) + ": decode " +
                   Seconds(decode) + ", sharpen " + Seconds(sharpen) + ", encode " + Seconds(encode);
  if (!dropped.empty()) {
    result.dropped = named + ": left out, having no place in " +
                     (format == PhotoFormat::kPng ? "PNG: " : "JPEG: ") + Join(dropped);
  }
  return result;
}

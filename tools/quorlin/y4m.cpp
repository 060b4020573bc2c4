#include "tools/quorlin/y4m.h"

#include <cerrno>
#include <charconv>
#include <cstring>

#include "tools/quorlin/limits.h"

namespace {

constexpr std::string_view kMagic = "YUV4MPEG2";
constexpr std::string_view kFrameMarker = "FRAME";
// Real headers are a few dozen bytes; the limits keep a stream of garbage
// without newlines from being read into memory whole.
constexpr size_t kMaxHeaderLine = 4096;
constexpr size_t kMaxFrameLine = 4096;

std::string ReadProblem(FILE* in, const std::string& at_end) {
  return std::ferror(in) ? std::string("cannot read: ") + std::strerror(errno) : at_end;
}

// Reads up to and without the newline. Returns false when the line is longer
// than limit or the stream ends first.
bool ReadLine(FILE* in, size_t limit, std::string& line) {
  for (int c; (c = std::getc(in)) != EOF;) {
    if (c == '\n') return true;
    if (line.size() == limit) return false;
    line.push_back(char(c));
  }
  return false;
}

std::string WriteProblem() { return std::string("cannot write: ") + std::strerror(errno); }

std::string WriteLine(FILE* out, const std::string& line) {
  return std::fwrite(line.data(), 1, line.size(), out) == line.size() && std::putc('\n', out) != EOF
             ? "" : WriteProblem();
}

bool ParsePositive(std::string_view text, int32_t& value) {
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end && !text.empty() && value > 0;
}

// "444", "444p10", "420jpeg" and the like: 8 bits unless a depth follows "p".
std::string ParseColourspace(std::string_view tag, Y4mFormat& format) {
  const std::string shown = "colourspace C" + std::string(tag);
  std::string_view rest;
  if (tag.starts_with("444")) {
    format.subsampling = Subsampling::k444;
    rest = tag.substr(3);
  } else if (tag.starts_with("420")) {
    format.subsampling = Subsampling::k420;
    rest = tag.substr(3);
    // The chroma siting variants differ only in where chroma sits, which the
    // block-wise up- and downsampling leaves as it is.
    if (rest == "jpeg" || rest == "mpeg2" || rest == "paldv") rest = "";
  } else if (tag.starts_with("422")) {
    format.subsampling = Subsampling::k422;
    rest = tag.substr(3);
  } else if (tag.starts_with("mono")) {
    format.subsampling = Subsampling::kMono;
    rest = tag.substr(4);
  } else {
    const bool known = tag.starts_with("411") || tag.starts_with("444alpha");
    return (known ? "unsupported " : "unknown ") + shown + " (quorlin takes 4:4:4, 4:2:2, 4:2:0 and grey)";
  }
  format.depth = 8;
  if (rest.empty()) return "";
  // The depth follows a "p", but straight after "mono" ("mono10").
  if (format.subsampling != Subsampling::kMono) {
    if (!rest.starts_with('p')) return (rest.starts_with("alpha") ? "unsupported " : "unknown ") + shown;
    rest = rest.substr(1);
  }
  int32_t depth = 0;
  if (ParsePositive(rest, depth) && depth >= 8 && depth <= 16) {
    format.depth = depth;
    return "";
  }
  return "unknown " + shown;
}

std::string ParseTag(std::string_view tag, Y4mFormat& format, bool& has_width, bool& has_height) {
  const std::string_view value = tag.substr(1);
  switch (tag[0]) {
    case 'W':
      has_width = ParsePositive(value, format.width);
      return has_width ? "" : "bad width W" + std::string(value);
    case 'H':
      has_height = ParsePositive(value, format.height);
      return has_height ? "" : "bad height H" + std::string(value);
    case 'C':
      return ParseColourspace(value, format);
    case 'I':
      format.interlace = value.size() == 1 && std::string_view("ptbm").find(value[0]) != std::string_view::npos
                             ? value[0] : '?';
      return "";
    case 'X':
      // ffmpeg marks full-range streams (its yuvj formats) so; anything else is limited range.
      if (value.starts_with("COLORRANGE=")) format.full_range = value == "COLORRANGE=FULL";
      return "";
    default:  // frame rate, aspect, comments and other extensions pass through as they are
      return "";
  }
}

}  // namespace

int32_t ChromaWidth(const Y4mFormat& format) {
  switch (format.subsampling) {
    case Subsampling::k420:
    case Subsampling::k422: return (format.width + 1) / 2;
    case Subsampling::kMono: return 0;
    default: return format.width;
  }
}

int32_t ChromaHeight(const Y4mFormat& format) {
  switch (format.subsampling) {
    case Subsampling::k420: return (format.height + 1) / 2;
    case Subsampling::kMono: return 0;
    default: return format.height;
  }
}

size_t SampleBytes(const Y4mFormat& format) { return format.depth > 8 ? 2 : 1; }

size_t FrameBytes(const Y4mFormat& format) {
  const size_t luma = size_t(format.width) * format.height;
  const size_t chroma = size_t(ChromaWidth(format)) * ChromaHeight(format);
  return (luma + 2 * chroma) * SampleBytes(format);
}

QuorlinPlanes PlanesOf(const Y4mFormat& format, uint8_t* data) {
  const ptrdiff_t luma_stride = ptrdiff_t(format.width) * ptrdiff_t(SampleBytes(format));
  const ptrdiff_t chroma_stride = ptrdiff_t(ChromaWidth(format)) * ptrdiff_t(SampleBytes(format));
  const bool grey = format.subsampling == Subsampling::kMono;
  uint8_t* const cb = grey ? nullptr : data + luma_stride * format.height;
  uint8_t* const cr = grey ? nullptr : cb + chroma_stride * ChromaHeight(format);
  const int shift_x = format.subsampling == Subsampling::k420 || format.subsampling == Subsampling::k422;
  const int shift_y = format.subsampling == Subsampling::k420;
  return {{data, cb, cr}, {luma_stride, chroma_stride, chroma_stride}, format.width, format.height, format.depth,
          shift_x, shift_y, format.full_range ? 1 : 0};
}

std::string ParseY4mHeader(std::string_view line, Y4mFormat& format) {
  format = Y4mFormat{};
  format.header = line;
  if (!line.starts_with(kMagic) || (line.size() > kMagic.size() && line[kMagic.size()] != ' ')) {
    return "not a YUV4MPEG2 stream";
  }
  bool has_width = false, has_height = false;
  for (std::string_view rest = line.substr(kMagic.size()); !rest.empty();) {
    const size_t end = std::min(rest.find(' ', 1), rest.size());
    const std::string_view tag = rest.substr(1, end - 1);
    rest = rest.substr(end);
    if (tag.empty()) return "malformed header (empty tag)";
    if (std::string problem = ParseTag(tag, format, has_width, has_height); !problem.empty()) return problem;
  }
  if (!has_width || !has_height) return std::string("header without ") + (has_width ? "height H" : "width W");
  if (int64_t(format.width) * format.height > kMaxPixels) {
    return "frame too large (" + std::to_string(format.width) + "x" + std::to_string(format.height) + ")";
  }
  return "";
}

std::string ReadY4mHeader(FILE* in, Y4mFormat& format) {
  std::string line;
  if (!ReadLine(in, kMaxHeaderLine, line)) {
    if (line.empty() || !line.starts_with(kMagic.substr(0, std::min(line.size(), kMagic.size())))) {
      return ReadProblem(in, "not a YUV4MPEG2 stream");
    }
    return ReadProblem(in, line.size() >= kMaxHeaderLine ? "header line too long" : "stream ends inside the header");
  }
  return ParseY4mHeader(line, format);
}

std::string ReadY4mFrame(FILE* in, const Y4mFormat& format, Y4mFrame& frame, bool& ended) {
  char marker[kFrameMarker.size()];
  const size_t got = std::fread(marker, 1, sizeof marker, in);
  ended = got == 0 && !std::ferror(in);
  if (ended) return "";
  if (got < sizeof marker) {
    return std::string_view(marker, got) == kFrameMarker.substr(0, got)
               ? ReadProblem(in, "stream ends inside the FRAME marker")
               : "FRAME marker missing";
  }
  if (std::string_view(marker, sizeof marker) != kFrameMarker) return "FRAME marker missing";
  frame.tags.clear();
  if (!ReadLine(in, kMaxFrameLine, frame.tags)) {
    return ReadProblem(in, frame.tags.size() >= kMaxFrameLine ? "FRAME line too long"
                                                              : "stream ends inside the FRAME line");
  }
  if (!frame.tags.empty() && frame.tags[0] != ' ') return "FRAME marker missing";
  frame.data.resize(FrameBytes(format));
  const size_t read = std::fread(frame.data.data(), 1, frame.data.size(), in);
  if (read < frame.data.size()) {
    return ReadProblem(in, "stream ends inside the frame (" + std::to_string(read) + " of " +
                               std::to_string(frame.data.size()) + " bytes)");
  }
  return "";
}

std::string WriteY4mHeader(FILE* out, const Y4mFormat& format) {
  return WriteLine(out, format.header);
}

std::string WriteY4mFrame(FILE* out, const Y4mFrame& frame) {
  std::string problem = WriteLine(out, std::string(kFrameMarker) + frame.tags);
  if (problem.empty() && std::fwrite(frame.data.data(), 1, frame.data.size(), out) != frame.data.size()) {
    problem = WriteProblem();
  }
  return problem;
}

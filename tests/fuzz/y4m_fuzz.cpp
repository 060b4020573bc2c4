// The Y4M path of quorlin on any stream: the reader must either decline it or
// give frames of the size its header promises; a frame read and converted to
// the editor's YC samples and back, untouched, must come back bit for bit;
// small frames then go through the filter, as quorlin sends them; and what
// is written must read back as the same stream.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "quorlin/quorlin.h"
#include "tools/quorlin/y4m.h"

namespace {

constexpr int64_t kMaxFilteredPixels = 48 * 40;
constexpr int kMaxFrames = 4;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

// Reads up to kMaxFrames frames; false when the stream is declined.
bool ReadStream(FILE* in, Y4mFormat& format, std::vector<Y4mFrame>& frames) {
  if (!ReadY4mHeader(in, format).empty()) return false;
  for (bool ended = false; frames.size() < kMaxFrames;) {
    Y4mFrame frame;
    if (!ReadY4mFrame(in, format, frame, ended).empty()) return false;
    if (ended) break;
    if (frame.data.size() != FrameBytes(format)) Fail("frame read with a size other than its header's");
    frames.push_back(std::move(frame));
  }
  return true;
}

// Whether every sample code fits the stream's bit depth: only such frames are
// promised to come back bit for bit.
bool CodesFit(const Y4mFormat& format, const std::vector<uint8_t>& data) {
  if (format.depth <= 8) return true;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    if ((data[i] | data[i + 1] << 8) >> format.depth) return false;
  }
  return true;
}

void Sharpen(const Y4mFormat& format, Y4mFrame& frame) {
  std::vector<QuorlinPixel> pixels(size_t(format.width) * format.height);
  const QuorlinFrame yc{pixels.data(), format.width, format.height, format.width};
  const QuorlinPlanes planes = PlanesOf(format, frame.data.data());
  const std::vector<uint8_t> original = frame.data;
  const int chroma = planes.data[1] != nullptr;  // none in a grey stream
  if (quorlin_yuv_to_yc(&planes, chroma, &yc, nullptr) != QUORLIN_OK ||
      quorlin_yc_to_yuv(&yc, chroma, &planes, nullptr) != QUORLIN_OK)
    Fail("frame refused by the conversions");
  if (CodesFit(format, original) && frame.data != original) Fail("untouched frame changed by the YC round trip");

  QuorlinSettings settings;
  quorlin_default_settings(&settings, QUORLIN_API_VERSION);
  settings.luma_only = !chroma;
  settings.interlace = format.interlace == 't' || format.interlace == 'b';
  if (quorlin_sharpen(&yc, &settings) != QUORLIN_OK) Fail("the filter failed on a frame");
  quorlin_yc_to_yuv(&yc, chroma, &planes, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!in) return 0;  // fmemopen declines an empty buffer
  Y4mFormat format;
  std::vector<Y4mFrame> frames;
  const bool read = ReadStream(in, format, frames);
  std::fclose(in);
  if (!read) return 0;
  if (int64_t{format.width} * format.height <= kMaxFilteredPixels) {
    for (Y4mFrame& frame : frames) Sharpen(format, frame);
  }

  char* written = nullptr;
  size_t written_size = 0;
  FILE* out = open_memstream(&written, &written_size);
  if (!out) return 0;
  bool ok = WriteY4mHeader(out, format).empty();
  for (const Y4mFrame& frame : frames) ok = ok && WriteY4mFrame(out, frame).empty();
  std::fclose(out);
  if (!ok) Fail("stream read could not be written");

  FILE* again = fmemopen(written, written_size, "rb");
  Y4mFormat format2;
  std::vector<Y4mFrame> frames2;
  const bool reread = again && ReadStream(again, format2, frames2);
  if (again) std::fclose(again);
  std::free(written);
  if (!reread || format2.header != format.header || frames2.size() != frames.size())
    Fail("stream written does not read back");
  for (size_t i = 0; i < frames.size(); ++i) {
    if (frames2[i].data != frames[i].data || frames2[i].tags != frames[i].tags) Fail("frame written reads back changed");
  }
  return 0;
}

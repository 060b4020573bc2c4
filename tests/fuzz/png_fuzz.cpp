// The PNG path of quorlin on any file: the reader must either decline it or
// give a consistent picture, and a picture read is taken to the host's YC
// samples, through the frame procedure and back, as quorlin does.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "host/filter_table.h"
#include "tools/quorlin/frame_filter.h"
#include "tools/quorlin/png_io.h"
#include "tools/quorlin/yc_convert.h"

namespace {

// Pictures larger than this are only read: filtering them would only slow
// the search down.
constexpr int64_t kMaxFilteredPixels = 64 * 64;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

void Sharpen(Picture& picture) {
  const size_t n = size_t(picture.width) * picture.height;
  std::vector<PIXEL_YC> frame(n);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* p = &picture.pixels[i * picture.channels];
    const Rgb8 rgb{p[0], p[1], p[2]};
    frame[i] = RgbToYc(rgb);
    const Rgb8 back = YcToRgb(frame[i]);
    if (back.r != rgb.r || back.g != rgb.g || back.b != rgb.b) Fail("colour changed by the YC round trip");
  }
  const FILTER_DLL& table = *GetFilterTable();
  std::vector<int> track(table.track_default, table.track_default + table.track_n);
  std::vector<int> check(table.check_default, table.check_default + table.check_n);
  if (FilterFrame(table, track, check, frame.data(), picture.width, picture.height) != 1)
    Fail("frame procedure failed on a picture");
  for (size_t i = 0; i < n; ++i) {
    const Rgb8 c = YcToRgb(frame[i]);
    uint8_t* p = &picture.pixels[i * picture.channels];
    p[0] = c.r, p[1] = c.g, p[2] = c.b;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!in) return 0;  // fmemopen declines an empty buffer
  Picture picture;
  const std::string error = ReadPng(in, picture);
  std::fclose(in);
  if (!error.empty()) return 0;

  if (picture.width <= 0 || picture.height <= 0 || (picture.channels != 3 && picture.channels != 4))
    Fail("picture read with an impossible shape");
  const int64_t pixels = int64_t{picture.width} * picture.height;
  if (pixels > kMaxPixels) Fail("picture read beyond the host's frame size");
  if (picture.pixels.size() != size_t(pixels) * picture.channels) Fail("pixel count does not match the shape");
  if (picture.gray) {
    for (int64_t i = 0; i < pixels; ++i) {
      const uint8_t* p = &picture.pixels[i * picture.channels];
      if (p[0] != p[1] || p[1] != p[2]) Fail("gray picture read with colour");
    }
  }
  if (pixels <= kMaxFilteredPixels) Sharpen(picture);
  return 0;
}

// The PNG path of quorlin on any file: the reader must either decline it or
// give a consistent picture, and a picture read is taken to the editor's YC
// samples, through the filter and back, as quorlin does. Its metadata
// chunks are taken out and made into JPEG markers.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "convert/rgb_yc.h"
#include "quorlin/quorlin.h"
#include "tools/quorlin/limits.h"
#include "tools/quorlin/metadata.h"
#include "tools/quorlin/png_io.h"

namespace {

// Pictures larger than this are only read: filtering them would only slow
// the search down.
constexpr int64_t kMaxFilteredPixels = 64 * 64;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

using quorlin::Rgb8;
using quorlin::RgbToYc;
using quorlin::YcToRgb;

// 16 bits: strength 0 gives every sample back; then the default filter.
void Sharpen16(Picture& picture) {
  const ptrdiff_t stride = ptrdiff_t{picture.width} * picture.channels * 2;
  const std::vector<uint8_t> original = picture.pixels;
  QuorlinSettings settings;
  quorlin_default_settings(&settings, QUORLIN_API_VERSION);
  settings.luma_strength = 0;
  if (quorlin_sharpen_rgb16(picture.Samples16(), stride, picture.channels, picture.width, picture.height,
                            &settings) != QUORLIN_OK)
    Fail("the filter failed on a picture");
  if (picture.pixels != original) Fail("strength 0 changed a 16-bit picture");
  quorlin_default_settings(&settings, QUORLIN_API_VERSION);
  if (quorlin_sharpen_rgb16(picture.Samples16(), stride, picture.channels, picture.width, picture.height,
                            &settings) != QUORLIN_OK)
    Fail("the filter failed on a picture");
}

void Sharpen(Picture& picture) {
  if (picture.depth == 16) return Sharpen16(picture);
  const size_t n = size_t(picture.width) * picture.height;
  std::vector<QuorlinPixel> pixels(n);
  const QuorlinFrame frame{pixels.data(), picture.width, picture.height, picture.width};
  const ptrdiff_t stride = ptrdiff_t{picture.width} * picture.channels;
  if (quorlin_rgb_to_yc(picture.pixels.data(), stride, picture.channels, &frame, nullptr) != QUORLIN_OK)
    Fail("picture refused by the conversion");
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* p = &picture.pixels[i * picture.channels];
    const Rgb8 back = YcToRgb(pixels[i]);
    if (back.r != p[0] || back.g != p[1] || back.b != p[2]) Fail("colour changed by the YC round trip");
  }
  QuorlinSettings settings;
  quorlin_default_settings(&settings, QUORLIN_API_VERSION);
  if (quorlin_sharpen(&frame, &settings) != QUORLIN_OK) Fail("the filter failed on a picture");
  quorlin_yc_to_rgb(&frame, picture.pixels.data(), stride, picture.channels, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The metadata chunks are taken from any bytes, read as a picture or not.
  std::vector<std::string> dropped;
  JpegMarkersOf(KeptPngChunks({data, size}), dropped);
  FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!in) return 0;  // fmemopen declines an empty buffer
  Picture picture;
  const std::string error = ReadPng(in, picture);
  std::fclose(in);
  if (!error.empty()) return 0;

  if (picture.width <= 0 || picture.height <= 0 || (picture.channels != 3 && picture.channels != 4))
    Fail("picture read with an impossible shape");
  const int64_t pixels = int64_t{picture.width} * picture.height;
  if (pixels > kMaxPixels) Fail("picture read beyond the library's frame size");
  if (picture.depth != 8 && picture.depth != 16) Fail("picture read with an impossible depth");
  const size_t sample = picture.depth / 8;
  if (picture.pixels.size() != size_t(pixels) * picture.channels * sample) Fail("pixel count does not match the shape");
  if (picture.gray) {
    for (int64_t i = 0; i < pixels; ++i) {
      const uint8_t* p = &picture.pixels[i * picture.channels * sample];
      if (std::memcmp(p, p + sample, sample) != 0 || std::memcmp(p, p + 2 * sample, sample) != 0)
        Fail("gray picture read with colour");
    }
  }
  if (pixels <= kMaxFilteredPixels) Sharpen(picture);
  return 0;
}

// The JPEG path of quorlin on any file: the reader must either decline it
// or give planes of a layout the filter takes; a picture read is sharpened
// through the filter object, written, and read back with its shape, and
// its metadata goes to PNG chunks and back.
#include <cstdio>
#include <cstdlib>

#include "quorlin/quorlin.h"
#include "tools/quorlin/jpeg_io.h"
#include "tools/quorlin/metadata.h"

namespace {

// Larger pictures are declined unread: decoding them would only slow the
// search down.
constexpr int64_t kMaxFuzzPixels = 256 * 256;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

QuorlinFilter* Filter() {
  static QuorlinFilter* filter = [] {
    QuorlinSettings settings;
    quorlin_default_settings(&settings, QUORLIN_API_VERSION);
    settings.threads = 1;
    QuorlinFilter* made = nullptr;
    if (quorlin_filter_new(&made, &settings) != QUORLIN_OK) Fail("no filter object");
    return made;
  }();
  return filter;
}

void CheckShape(const JpegPicture& picture) {
  if (picture.width <= 0 || picture.height <= 0 || int64_t{picture.width} * picture.height > kMaxFuzzPixels)
    Fail("picture read with an impossible size");
  if (picture.chroma_shift_y > picture.chroma_shift_x || picture.chroma_shift_x > 1 ||
      (picture.gray && picture.chroma_shift_x))
    Fail("picture read with a layout the planes path cannot take");
  for (int c = 0; c < (picture.gray ? 1 : 3); ++c) {
    const int sx = c ? picture.chroma_shift_x : 0, sy = c ? picture.chroma_shift_y : 0;
    if (picture.stride[c] < (picture.width + sx) >> sx || picture.rows[c] < (picture.height + sy) >> sy ||
        picture.planes[c].size() != size_t(picture.stride[c]) * size_t(picture.rows[c]))
      Fail("plane smaller than the picture");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  JpegPicture picture;
  if (!ReadJpeg({data, size}, picture, kMaxFuzzPixels).empty()) return 0;
  CheckShape(picture);

  QuorlinSettings controls;
  quorlin_default_settings(&controls, QUORLIN_API_VERSION);
  controls.luma_only = picture.gray;
  QuorlinPicture planes{};
  planes.version = QUORLIN_API_VERSION;
  planes.kind = QUORLIN_PICTURE_PLANES;
  planes.planes = PlanesOf(picture);
  if (quorlin_filter_apply(Filter(), &planes, &controls) != QUORLIN_OK) Fail("the filter failed on a picture");

  std::vector<uint8_t> written;
  if (!EncodeJpeg(picture, 1 + int(size % 100), written).empty()) Fail("a picture read could not be written");
  JpegPicture again;
  if (!ReadJpeg(written, again, kMaxFuzzPixels).empty()) Fail("a picture written could not be read");
  if (again.width != picture.width || again.height != picture.height || again.gray != picture.gray ||
      again.chroma_shift_x != picture.chroma_shift_x || again.chroma_shift_y != picture.chroma_shift_y)
    Fail("the picture written has another shape");
  if (again.markers.size() != picture.markers.size()) Fail("markers lost on the way");

  std::vector<std::string> dropped;
  JpegMarkersOf(PngChunksOf(picture.markers, dropped), dropped);
  return 0;
}

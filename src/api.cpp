// The C entry points: arguments checked before anything is touched, then the
// engine or a conversion. Nothing here throws: every allocation goes through
// the caller's allocator or malloc, and failure is a status.
#include <cstdint>
#include <new>

#include "controls.h"
#include "engine/conversions.h"
#include "filter.h"
#include "quorlin/quorlin.h"

static_assert(QUORLIN_VERSION_MAJOR == QUORLIN_PROJECT_VERSION_MAJOR &&
                  QUORLIN_VERSION_MINOR == QUORLIN_PROJECT_VERSION_MINOR,
              "the header's version is the project's, whose major version is the soname's");

namespace quorlin {

namespace {

// Pictures whose editor frame (pitch pixels a row) the library takes.
bool ValidSize(int width, int height, int pitch) {
  return width > 0 && height > 0 && pitch >= width &&
         int64_t{pitch} * height * int64_t{sizeof(QuorlinPixel)} <= QUORLIN_MAX_FRAME_BYTES;
}

bool ValidFrame(const QuorlinFrame* frame) {
  return frame && frame->pixels && ValidSize(frame->width, frame->height, frame->pitch);
}

// Rows of `row_bytes` each, `stride` apart, one per row of the frame.
bool ValidRows(const void* data, ptrdiff_t stride, int64_t row_bytes) { return data && stride >= row_bytes; }

bool ValidRgb(const uint8_t* rgb, ptrdiff_t stride, int channels, int width, int height) {
  return ValidSize(width, height, width) && (channels == 3 || channels == 4) &&
         ValidRows(rgb, stride, int64_t{width} * channels);
}

// Two-byte samples, each on its own two bytes.
bool ValidRgb16(const uint16_t* rgb, ptrdiff_t stride, int channels, int width, int height) {
  return ValidSize(width, height, width) && (channels == 3 || channels == 4) &&
         ValidRows(rgb, stride, int64_t{width} * channels * 2) && reinterpret_cast<uintptr_t>(rgb) % 2 == 0 &&
         stride % 2 == 0;
}

bool ValidRgb(const uint8_t* rgb, ptrdiff_t stride, int channels, const QuorlinFrame* frame) {
  return ValidFrame(frame) && ValidRgb(rgb, stride, channels, frame->width, frame->height);
}

// The chroma planes are checked only where they are read or written.
bool ValidPlanes(const QuorlinPlanes* planes, bool chroma) {
  if (!planes || planes->width <= 0 || planes->height <= 0 || planes->depth < 8 || planes->depth > 16 ||
      planes->chroma_shift_x < 0 || planes->chroma_shift_x > 1 || planes->chroma_shift_y < 0 ||
      planes->chroma_shift_y > planes->chroma_shift_x ||
      int64_t{planes->width} * planes->height * int64_t{sizeof(QuorlinPixel)} > QUORLIN_MAX_FRAME_BYTES) {
    return false;
  }
  const int64_t sample = planes->depth > 8 ? 2 : 1;
  const int64_t chroma_width = (int64_t{planes->width} + planes->chroma_shift_x) >> planes->chroma_shift_x;
  return ValidRows(planes->data[0], planes->stride[0], planes->width * sample) &&
         (!chroma || (ValidRows(planes->data[1], planes->stride[1], chroma_width * sample) &&
                      ValidRows(planes->data[2], planes->stride[2], chroma_width * sample)));
}

constexpr unsigned kPictureVersion = QUORLIN_MAKE_VERSION(2, 1);

// A picture of a version that has the picture (2.1 on), of a kind the library
// takes; the chroma planes are checked only where they are read or written.
bool ValidPicture(const QuorlinPicture* picture, bool chroma) {
  if (!picture || picture->version >> 16 != QUORLIN_VERSION_MAJOR || picture->version < kPictureVersion) return false;
  const QuorlinRgbPicture& rgb = picture->rgb;
  switch (picture->kind) {
    case QUORLIN_PICTURE_FRAME:
      return ValidFrame(&picture->frame);
    case QUORLIN_PICTURE_PLANES:
      return ValidPlanes(&picture->planes, chroma);
    case QUORLIN_PICTURE_RGB8:
      return ValidRgb(static_cast<const uint8_t*>(rgb.pixels), rgb.stride, rgb.channels, rgb.width, rgb.height);
    case QUORLIN_PICTURE_RGB16:
      return ValidRgb16(static_cast<const uint16_t*>(rgb.pixels), rgb.stride, rgb.channels, rgb.width, rgb.height);
  }
  return false;
}

QuorlinPicture PictureOf(int kind) {
  QuorlinPicture picture{};
  picture.version = QUORLIN_API_VERSION;
  picture.kind = kind;
  return picture;
}

// The typed calls' arguments as a picture; a null one as a picture no call
// takes.
QuorlinPicture FramePicture(const QuorlinFrame* frame) {
  if (!frame) return {};
  QuorlinPicture picture = PictureOf(QUORLIN_PICTURE_FRAME);
  picture.frame = *frame;
  return picture;
}

QuorlinPicture PlanesPicture(const QuorlinPlanes* planes) {
  if (!planes) return {};
  QuorlinPicture picture = PictureOf(QUORLIN_PICTURE_PLANES);
  picture.planes = *planes;
  return picture;
}

QuorlinPicture RgbPictureOf(int kind, void* pixels, ptrdiff_t stride, int channels, int width, int height) {
  QuorlinPicture picture = PictureOf(kind);
  picture.rgb = {pixels, stride, channels, width, height};
  return picture;
}

// A stateless call: the settings read and checked, then the object's path
// in working memory of its own.
QuorlinStatus RunOnce(const QuorlinPicture& picture, const QuorlinSettings* given) {
  QuorlinSettings settings;
  if (!ValidSettings(given, settings)) return QUORLIN_BAD_ARGUMENT;
  const SharpenParams params = MakeSharpenParams(settings, KernelsOf(settings));
  if (!ValidPicture(&picture, params.channels == 3)) return QUORLIN_BAD_ARGUMENT;
  Workspace workspace(settings.allocator);
  return Run(picture, params, settings.threads, workspace);
}

bool SameSize(const QuorlinPlanes* planes, const QuorlinFrame* frame) {
  return ValidFrame(frame) && frame->width == planes->width && frame->height == planes->height;
}

// What a conversion reads of its settings: the level and the allocator. Null
// settings are the defaults.
bool ConversionSettings(const QuorlinSettings* given, QuorlinSettings& settings) {
  if (given) return ValidSettings(given, settings);
  quorlin_default_settings(&settings, QUORLIN_API_VERSION);
  return true;
}

// The arguments of an RGB conversion, and its settings read.
bool ValidRgbConversion(const uint8_t* rgb, ptrdiff_t stride, int channels, const QuorlinFrame* frame,
                        const QuorlinSettings* given, QuorlinSettings& settings) {
  return ValidRgb(rgb, stride, channels, frame) && ConversionSettings(given, settings);
}

// The arguments of a YUV conversion, and its settings read.
bool ValidYuvConversion(const QuorlinPlanes* planes, int chroma, const QuorlinFrame* frame,
                        const QuorlinSettings* given, QuorlinSettings& settings) {
  return ValidPlanes(planes, chroma) && SameSize(planes, frame) && ConversionSettings(given, settings);
}

}  // namespace

}  // namespace quorlin

extern "C" {

unsigned quorlin_version(void) { return QUORLIN_API_VERSION; }

const char* quorlin_status_string(int status) {
  switch (status) {
    case QUORLIN_OK:
      return "success";
    case QUORLIN_BAD_ARGUMENT:
      return "bad argument: a null pointer, a size out of range or unknown settings";
    case QUORLIN_OUT_OF_MEMORY:
      return "out of memory: working memory could not be had";
  }
  return "unknown status";
}

QuorlinStatus quorlin_filter_new(QuorlinFilter** filter, const QuorlinSettings* given) {
  QuorlinSettings settings;
  if (!filter) return QUORLIN_BAD_ARGUMENT;
  *filter = nullptr;
  if (!quorlin::ValidSettings(given, settings)) return QUORLIN_BAD_ARGUMENT;
  const QuorlinAllocator& allocator = settings.allocator ? *settings.allocator : quorlin::SystemAllocator();
  // The allocator promises no alignment: the object is placed in its block.
  constexpr size_t kAlign = alignof(QuorlinFilter);
  void* block = allocator.alloc(allocator.opaque, sizeof(QuorlinFilter) + kAlign - 1);
  if (!block) return QUORLIN_OUT_OF_MEMORY;
  const auto address = reinterpret_cast<uintptr_t>(block);
  void* place = static_cast<char*>(block) + (-address & (kAlign - 1));
  *filter = new (place) QuorlinFilter{quorlin::Filter(settings), block};
  return QUORLIN_OK;
}

QuorlinStatus quorlin_filter_set_settings(QuorlinFilter* filter, const QuorlinSettings* settings) {
  if (!filter || !filter->filter.Configure(settings)) return QUORLIN_BAD_ARGUMENT;
  return QUORLIN_OK;
}

QuorlinStatus quorlin_filter_apply(QuorlinFilter* filter, const QuorlinPicture* picture,
                                   const QuorlinSettings* controls) {
  quorlin::SharpenParams params;
  if (!filter || !filter->filter.ParamsFor(controls, params) || !quorlin::ValidPicture(picture, params.channels == 3)) {
    return QUORLIN_BAD_ARGUMENT;
  }
  return filter->filter.Apply(*picture, params);
}

QuorlinStatus quorlin_filter_sharpen(QuorlinFilter* filter, const QuorlinFrame* frame) {
  const QuorlinPicture picture = quorlin::FramePicture(frame);
  return quorlin_filter_apply(filter, &picture, nullptr);
}

QuorlinStatus quorlin_filter_sharpen_planes(QuorlinFilter* filter, const QuorlinPlanes* planes) {
  const QuorlinPicture picture = quorlin::PlanesPicture(planes);
  return quorlin_filter_apply(filter, &picture, nullptr);
}

QuorlinStatus quorlin_filter_sharpen_rgb(QuorlinFilter* filter, uint8_t* rgb, ptrdiff_t stride, int channels,
                                         int width, int height) {
  const QuorlinPicture picture = quorlin::RgbPictureOf(QUORLIN_PICTURE_RGB8, rgb, stride, channels, width, height);
  return quorlin_filter_apply(filter, &picture, nullptr);
}

QuorlinStatus quorlin_filter_sharpen_rgb16(QuorlinFilter* filter, uint16_t* rgb, ptrdiff_t stride, int channels,
                                           int width, int height) {
  const QuorlinPicture picture = quorlin::RgbPictureOf(QUORLIN_PICTURE_RGB16, rgb, stride, channels, width, height);
  return quorlin_filter_apply(filter, &picture, nullptr);
}

void quorlin_filter_free(QuorlinFilter** filter) {
  if (!filter || !*filter) return;
  QuorlinFilter* object = *filter;
  // The object's allocator frees its block, so it is copied out first.
  const QuorlinAllocator allocator = object->filter.allocator();
  void* block = object->block;
  object->~QuorlinFilter();
  allocator.release(allocator.opaque, block);
  *filter = nullptr;
}

QuorlinStatus quorlin_sharpen(const QuorlinFrame* frame, const QuorlinSettings* settings) {
  return quorlin::RunOnce(quorlin::FramePicture(frame), settings);
}

QuorlinStatus quorlin_sharpen_planes(const QuorlinPlanes* planes, const QuorlinSettings* settings) {
  return quorlin::RunOnce(quorlin::PlanesPicture(planes), settings);
}

QuorlinStatus quorlin_sharpen_rgb(uint8_t* rgb, ptrdiff_t stride, int channels, int width, int height,
                                  const QuorlinSettings* settings) {
  return quorlin::RunOnce(quorlin::RgbPictureOf(QUORLIN_PICTURE_RGB8, rgb, stride, channels, width, height), settings);
}

QuorlinStatus quorlin_sharpen_rgb16(uint16_t* rgb, ptrdiff_t stride, int channels, int width, int height,
                                    const QuorlinSettings* settings) {
  return quorlin::RunOnce(quorlin::RgbPictureOf(QUORLIN_PICTURE_RGB16, rgb, stride, channels, width, height), settings);
}

QuorlinStatus quorlin_rgb_to_yc(const uint8_t* rgb, ptrdiff_t stride, int channels, const QuorlinFrame* frame,
                                const QuorlinSettings* given) {
  QuorlinSettings settings;
  if (!quorlin::ValidRgbConversion(rgb, stride, channels, frame, given, settings)) return QUORLIN_BAD_ARGUMENT;
  quorlin::Workspace workspace(settings.allocator);
  return quorlin::RgbToFrame(rgb, stride, channels, *frame, quorlin::KernelsOf(settings), workspace);
}

QuorlinStatus quorlin_yc_to_rgb(const QuorlinFrame* frame, uint8_t* rgb, ptrdiff_t stride, int channels,
                                const QuorlinSettings* given) {
  QuorlinSettings settings;
  if (!quorlin::ValidRgbConversion(rgb, stride, channels, frame, given, settings)) return QUORLIN_BAD_ARGUMENT;
  quorlin::Workspace workspace(settings.allocator);
  return quorlin::FrameToRgb(*frame, rgb, stride, channels, quorlin::KernelsOf(settings), workspace);
}

QuorlinStatus quorlin_yuv_to_yc(const QuorlinPlanes* planes, int chroma, const QuorlinFrame* frame,
                                const QuorlinSettings* given) {
  QuorlinSettings settings;
  if (!quorlin::ValidYuvConversion(planes, chroma, frame, given, settings)) return QUORLIN_BAD_ARGUMENT;
  quorlin::Workspace workspace(settings.allocator);
  return quorlin::YuvToFrame(*planes, chroma, *frame, quorlin::KernelsOf(settings), workspace);
}

QuorlinStatus quorlin_yc_to_yuv(const QuorlinFrame* frame, int chroma, const QuorlinPlanes* planes,
                                const QuorlinSettings* given) {
  QuorlinSettings settings;
  if (!quorlin::ValidYuvConversion(planes, chroma, frame, given, settings)) return QUORLIN_BAD_ARGUMENT;
  quorlin::Workspace workspace(settings.allocator);
  return quorlin::FrameToYuv(*frame, chroma, *planes, quorlin::KernelsOf(settings), workspace);
}

}

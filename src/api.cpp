// The C entry points: arguments checked before anything is touched, then the
// engine or a conversion.
#include <omp.h>

#include <cstdint>

#include "controls.h"
#include "convert/rgb_yc.h"
#include "convert/yuv_yc.h"
#include "engine/rgb_rows.h"
#include "engine/sharpen.h"
#include "quorlin/quorlin.h"

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

bool ValidSettings(const QuorlinSettings* settings) {
  if (!settings || settings->threads < 0) return false;
  const QuorlinAllocator* allocator = settings->allocator;
  return !allocator || (allocator->alloc && allocator->release);
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

bool ValidPlanes(const QuorlinPlanes* planes, bool chroma) {
  if (!planes || planes->width <= 0 || planes->height <= 0 || planes->depth < 8 || planes->depth > 16 ||
      planes->chroma_shift < 0 || planes->chroma_shift > 1 ||
      int64_t{planes->width} * planes->height * int64_t{sizeof(QuorlinPixel)} > QUORLIN_MAX_FRAME_BYTES) {
    return false;
  }
  const int64_t sample = planes->depth > 8 ? 2 : 1;
  const int64_t chroma_width = (int64_t{planes->width} + planes->chroma_shift) >> planes->chroma_shift;
  return ValidRows(planes->data[0], planes->stride[0], planes->width * sample) &&
         (!chroma || (ValidRows(planes->data[1], planes->stride[1], chroma_width * sample) &&
                      ValidRows(planes->data[2], planes->stride[2], chroma_width * sample)));
}

bool SameSize(const QuorlinPlanes* planes, const QuorlinFrame* frame) {
  return ValidFrame(frame) && frame->width == planes->width && frame->height == planes->height;
}

int Threads(const QuorlinSettings& settings) { return settings.threads > 0 ? settings.threads : omp_get_max_threads(); }

}  // namespace

}  // namespace quorlin

extern "C" {

QuorlinStatus quorlin_sharpen(const QuorlinFrame* frame, const QuorlinSettings* settings) {
  if (!quorlin::ValidFrame(frame) || !quorlin::ValidSettings(settings)) return QUORLIN_BAD_ARGUMENT;
  return quorlin::Sharpen(*frame, quorlin::MakeSharpenParams(*settings), quorlin::Threads(*settings),
                          settings->allocator);
}

QuorlinStatus quorlin_sharpen_planes(const QuorlinPlanes* planes, const QuorlinSettings* settings) {
  if (!quorlin::ValidSettings(settings)) return QUORLIN_BAD_ARGUMENT;
  const quorlin::SharpenParams params = quorlin::MakeSharpenParams(*settings);
  if (!quorlin::ValidPlanes(planes, params.channels == 3)) return QUORLIN_BAD_ARGUMENT;
  return quorlin::SharpenPlanes(*planes, params, quorlin::Threads(*settings), settings->allocator);
}

QuorlinStatus quorlin_sharpen_rgb(uint8_t* rgb, ptrdiff_t stride, int channels, int width, int height,
                                  const QuorlinSettings* settings) {
  if (!quorlin::ValidSettings(settings) || !quorlin::ValidRgb(rgb, stride, channels, width, height)) {
    return QUORLIN_BAD_ARGUMENT;
  }
  return quorlin::SharpenRgb({rgb, stride, channels, width, height}, quorlin::MakeSharpenParams(*settings),
                             quorlin::Threads(*settings), settings->allocator);
}

QuorlinStatus quorlin_sharpen_rgb16(uint16_t* rgb, ptrdiff_t stride, int channels, int width, int height,
                                    const QuorlinSettings* settings) {
  if (!quorlin::ValidSettings(settings) || !quorlin::ValidRgb16(rgb, stride, channels, width, height)) {
    return QUORLIN_BAD_ARGUMENT;
  }
  return quorlin::SharpenRgb({reinterpret_cast<uint8_t*>(rgb), stride, channels, width, height, 16},
                             quorlin::MakeSharpenParams(*settings), quorlin::Threads(*settings), settings->allocator);
}

QuorlinStatus quorlin_rgb_to_yc(const uint8_t* rgb, ptrdiff_t stride, int channels, const QuorlinFrame* frame) {
  if (!quorlin::ValidRgb(rgb, stride, channels, frame)) return QUORLIN_BAD_ARGUMENT;
  quorlin::RgbToFrame(rgb, stride, channels, *frame);
  return QUORLIN_OK;
}

QuorlinStatus quorlin_yc_to_rgb(const QuorlinFrame* frame, uint8_t* rgb, ptrdiff_t stride, int channels) {
  if (!quorlin::ValidRgb(rgb, stride, channels, frame)) return QUORLIN_BAD_ARGUMENT;
  quorlin::FrameToRgb(*frame, rgb, stride, channels);
  return QUORLIN_OK;
}

QuorlinStatus quorlin_yuv_to_yc(const QuorlinPlanes* planes, int chroma, const QuorlinFrame* frame) {
  if (!quorlin::ValidPlanes(planes, chroma) || !quorlin::SameSize(planes, frame)) return QUORLIN_BAD_ARGUMENT;
  quorlin::YuvToFrame(*planes, chroma, *frame);
  return QUORLIN_OK;
}

QuorlinStatus quorlin_yc_to_yuv(const QuorlinFrame* frame, int chroma, const QuorlinPlanes* planes) {
  if (!quorlin::ValidPlanes(planes, chroma) || !quorlin::SameSize(planes, frame)) return QUORLIN_BAD_ARGUMENT;
  quorlin::FrameToYuv(*frame, chroma, *planes);
  return QUORLIN_OK;
}

}

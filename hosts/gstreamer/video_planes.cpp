#include "hosts/gstreamer/video_planes.h"

namespace quorlin::gst {

namespace {

// Two-byte samples in the machine's byte order: the little-endian formats
// here, the big-endian ones on a big-endian machine.
#if G_BYTE_ORDER == G_LITTLE_ENDIAN
#define QUORLIN_NE(format) #format "LE"
#else
#define QUORLIN_NE(format) #format "BE"
#endif

// 4:4:4, 4:2:2, 4:2:0 and grey, each at the depths GStreamer has a name for.
// Frames of one field ("alternate") or of two fields one after the other
// ("fields") are not taken: their rows would be blurred across rows that are
// not neighbours in the picture.
constexpr char kCaps[] = GST_VIDEO_CAPS_MAKE(
    "{ I420, YV12, Y42B, Y444, GRAY8, " QUORLIN_NE(I420_10) ", " QUORLIN_NE(I420_12) ", " QUORLIN_NE(I422_10) ", "
    QUORLIN_NE(I422_12) ", " QUORLIN_NE(Y444_10) ", " QUORLIN_NE(Y444_12) ", " QUORLIN_NE(Y444_16) ", "
    QUORLIN_NE(GRAY16_) " }") ", interlace-mode = (string) { progressive, interleaved, mixed }";

}  // namespace

GstCaps* AcceptedCaps() { return gst_caps_from_string(kCaps); }

bool IsGrey(const GstVideoInfo& info) { return GST_VIDEO_INFO_IS_GRAY(&info); }

bool IsFullRange(const GstVideoInfo& info) { return info.colorimetry.range == GST_VIDEO_COLOR_RANGE_0_255; }

QuorlinPlanes PlanesOf(const GstVideoFrame& frame, bool full_range) {
  const GstVideoFormatInfo* format = frame.info.finfo;
  QuorlinPlanes planes{};
  for (guint component = 0; component < GST_VIDEO_FORMAT_INFO_N_COMPONENTS(format); ++component) {
    planes.data[component] = GST_VIDEO_FRAME_COMP_DATA(&frame, component);
    planes.stride[component] = GST_VIDEO_FRAME_COMP_STRIDE(&frame, component);
  }
  planes.width = GST_VIDEO_FRAME_WIDTH(&frame);
  planes.height = GST_VIDEO_FRAME_HEIGHT(&frame);
  planes.depth = int(GST_VIDEO_FORMAT_INFO_DEPTH(format, GST_VIDEO_COMP_Y));
  planes.chroma_shift_x = int(GST_VIDEO_FORMAT_INFO_W_SUB(format, GST_VIDEO_COMP_U));
  planes.chroma_shift_y = int(GST_VIDEO_FORMAT_INFO_H_SUB(format, GST_VIDEO_COMP_U));
  planes.full_range = full_range ? 1 : 0;
  return planes;
}

}  // namespace quorlin::gst

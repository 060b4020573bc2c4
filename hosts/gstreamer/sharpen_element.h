// quorlinsharpen: a video filter that sharpens planar YUV and grey frames of
// 8 to 16 bits in place, giving the samples `quorlin` gives for the same
// stream. One filter object for each element, made when it starts, with the
// controls of each frame passed with it.
#pragma once

#include <gst/video/gstvideofilter.h>

G_BEGIN_DECLS

#define GST_TYPE_QUORLIN_SHARPEN (gst_quorlin_sharpen_get_type())
G_DECLARE_FINAL_TYPE(GstQuorlinSharpen, gst_quorlin_sharpen, GST, QUORLIN_SHARPEN, GstVideoFilter)

G_END_DECLS

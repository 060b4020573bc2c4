// libgstquorlin.so: the GStreamer plug-in that holds quorlinsharpen.
// Self-contained but for GStreamer, the system's C++ runtime and OpenMP.
#include <gst/gst.h>

#include "hosts/gstreamer/sharpen_element.h"

namespace {

gboolean Register(GstPlugin* plugin) {
  return gst_element_register(plugin, "quorlinsharpen", GST_RANK_NONE, GST_TYPE_QUORLIN_SHARPEN);
}

}  // namespace

// The plug-in's source, as GStreamer's registry shows it.
#define PACKAGE "quorlin"
// The project states no licence that GStreamer knows by name, and has no
// address of its own to give as the origin.
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, quorlin,
                  "Quorlin: bit-exact unsharp mask for YUV and grey video of 8 to 16 bits", Register,
                  QUORLIN_PLUGIN_VERSION, "unknown", "Quorlin", "Quorlin")

#include "hosts/gstreamer/properties.h"

#include <gst/gst.h>

#include <string>

namespace quorlin::gst {

namespace {

constexpr auto kControlFlags =
    GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_NAME | G_PARAM_STATIC_NICK | GST_PARAM_CONTROLLABLE);

// Unless it is set, the interlace switch follows the frames.
std::string Blurb(int id) {
  const std::string description = quorlin_control(id)->description;
  return id == QUORLIN_INTERLACE ? description + "; until set, on for interlaced frames" : description;
}

GParamSpec* ControlSpec(int id) {
  const QuorlinControl& c = *quorlin_control(id);
  const std::string blurb = Blurb(id);
  // The name and nick are the table's, which lives as long as the library;
  // the blurb is copied.
  if (c.is_switch) return g_param_spec_boolean(c.option, c.option, blurb.c_str(), c.default_value != 0, kControlFlags);
  return g_param_spec_int(c.option, c.option, blurb.c_str(), c.minimum, c.maximum, c.default_value, kControlFlags);
}

}  // namespace

void InstallProperties(GObjectClass* klass) {
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
    g_object_class_install_property(klass, kFirstControl + id, ControlSpec(id));
  }
  // The filter object runs with as many workers as it was made with, for the
  // whole stream.
  g_object_class_install_property(
      klass, kThreads,
      g_param_spec_int("threads", "threads", "worker threads for the filter; 0: one per processor", 0, kMaxThreads, 0,
                       GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_MUTABLE_READY)));
}

int ControlOf(guint property) {
  return property >= kFirstControl && property < kThreads ? int(property - kFirstControl) : -1;
}

int ControlValue(const GValue& value) {
  return G_VALUE_HOLDS_BOOLEAN(&value) ? g_value_get_boolean(&value) : g_value_get_int(&value);
}

void SetControlValue(int id, int control_value, GValue& value) {
  if (quorlin_control(id)->is_switch) {
    g_value_set_boolean(&value, control_value != 0);
  } else {
    g_value_set_int(&value, control_value);
  }
}

}  // namespace quorlin::gst

// Runs a pipeline with one property of one of its elements animated by a
// GstController: linear between the keyframes given, as absolute values.
//   ramp PIPELINE ELEMENT PROPERTY NANOSECONDS=VALUE...
// Exits 0 at the end of the stream, 1 on an error, which it prints.
#include <gst/controller/gstdirectcontrolbinding.h>
#include <gst/controller/gstinterpolationcontrolsource.h>
#include <gst/gst.h>

#include <cstdio>

namespace {

int fail(const char* what) {
  std::fprintf(stderr, "ramp: %s\n", what);
  return 1;
}

int run(GstElement* pipeline) {
  GstBus* bus = gst_element_get_bus(pipeline);
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstMessage* message =
      gst_bus_timed_pop_filtered(bus, GST_CLOCK_TIME_NONE, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  int status = 0;
  if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    status = fail(error->message);
    g_error_free(error);
  }
  gst_message_unref(message);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(bus);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  gst_init(&argc, &argv);
  if (argc < 5) return fail("usage: ramp PIPELINE ELEMENT PROPERTY NANOSECONDS=VALUE...");
  GError* error = nullptr;
  GstElement* pipeline = gst_parse_launch(argv[1], &error);
  if (!pipeline) return fail(error->message);
  GstElement* element = gst_bin_get_by_name(GST_BIN(pipeline), argv[2]);
  if (!element) return fail("no such element");
  GstControlSource* source = gst_interpolation_control_source_new();
  g_object_set(source, "mode", GST_INTERPOLATION_MODE_LINEAR, nullptr);
  for (int i = 4; i < argc; ++i) {
    char* value = nullptr;
    const GstClockTime time = g_ascii_strtoull(argv[i], &value, 10);
    if (*value != '=') return fail("a keyframe is NANOSECONDS=VALUE");
    gst_timed_value_control_source_set(GST_TIMED_VALUE_CONTROL_SOURCE(source), time, g_ascii_strtod(value + 1, nullptr));
  }
  if (!gst_object_add_control_binding(GST_OBJECT(element),
                                      gst_direct_control_binding_new_absolute(GST_OBJECT(element), argv[3], source))) {
    return fail("the property cannot be animated");
  }
  const int status = run(pipeline);
  gst_object_unref(source);
  gst_object_unref(element);
  gst_object_unref(pipeline);
  return status;
}

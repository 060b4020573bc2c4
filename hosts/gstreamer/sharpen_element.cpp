#include "hosts/gstreamer/sharpen_element.h"

#include "hosts/gstreamer/properties.h"
#include "hosts/gstreamer/video_planes.h"
#include "quorlin/quorlin.h"

struct _GstQuorlinSharpen {
  GstVideoFilter parent;
  // Set by any thread through the properties, read once a frame: guarded by
  // the object lock.
  QuorlinSettings controls;  // the ten controls; no other field is read
  bool interlace_set;        // the interlace property was set: the frames' interlacing is not used
  bool grey;                 // the negotiated format has luma alone
  int threads;
  // The streaming thread's alone, from start to stop.
  QuorlinFilter* filter;
  bool full_range;
};

G_DEFINE_TYPE(GstQuorlinSharpen, gst_quorlin_sharpen, GST_TYPE_VIDEO_FILTER)

namespace {

using namespace quorlin::gst;

// Nothing can change: no strength to sharpen with, and no limit mode, whose
// bounds move samples even where none is sharpened (a negative limit pulls
// every sample into a narrowed range).
bool LeavesUntouched(const QuorlinSettings& controls, bool grey) {
  const bool luma_only = controls.luma_only || grey;
  return !controls.limit_mode && controls.luma_strength == 0 && (luma_only || controls.chroma_strength == 0);
}

void UpdatePassthrough(GstQuorlinSharpen* self) {
  GST_OBJECT_LOCK(self);
  const bool untouched = LeavesUntouched(self->controls, self->grey);
  GST_OBJECT_UNLOCK(self);
  gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(self), untouched);
}

// A control's id or the threads property; any other id is warned of.
bool KnownProperty(GObject* object, guint property, GParamSpec* pspec) {
  if (ControlOf(property) >= 0 || property == kThreads) return true;
  G_OBJECT_WARN_INVALID_PROPERTY_ID(object, property, pspec);
  return false;
}

void SetProperty(GObject* object, guint property, const GValue* value, GParamSpec* pspec) {
  if (!KnownProperty(object, property, pspec)) return;
  GstQuorlinSharpen* self = GST_QUORLIN_SHARPEN(object);
  const int id = ControlOf(property);
  GST_OBJECT_LOCK(self);
  if (id < 0) {
    self->threads = g_value_get_int(value);
  } else {
    *quorlin_setting(&self->controls, id) = ControlValue(*value);
    self->interlace_set |= id == QUORLIN_INTERLACE;
  }
  GST_OBJECT_UNLOCK(self);
  UpdatePassthrough(self);
}

void GetProperty(GObject* object, guint property, GValue* value, GParamSpec* pspec) {
  if (!KnownProperty(object, property, pspec)) return;
  GstQuorlinSharpen* self = GST_QUORLIN_SHARPEN(object);
  const int id = ControlOf(property);
  GST_OBJECT_LOCK(self);
  if (id < 0) {
    g_value_set_int(value, self->threads);
  } else {
    SetControlValue(id, *quorlin_setting(&self->controls, id), *value);
  }
  GST_OBJECT_UNLOCK(self);
}

gboolean Start(GstBaseTransform* transform) {
  GstQuorlinSharpen* self = GST_QUORLIN_SHARPEN(transform);
  QuorlinSettings settings;
  quorlin_default_settings(&settings, QUORLIN_API_VERSION);
  GST_OBJECT_LOCK(self);
  settings.threads = self->threads;
  GST_OBJECT_UNLOCK(self);
  const QuorlinStatus status = quorlin_filter_new(&self->filter, &settings);
  if (status == QUORLIN_OK) return TRUE;
  GST_ELEMENT_ERROR(self, RESOURCE, FAILED, ("Cannot make the filter: %s", quorlin_status_string(status)), (nullptr));
  return FALSE;
}

gboolean Stop(GstBaseTransform* transform) {
  quorlin_filter_free(&GST_QUORLIN_SHARPEN(transform)->filter);
  return TRUE;
}

// Brings animated properties to their values at the buffer's stream time.
void BeforeTransform(GstBaseTransform* transform, GstBuffer* buffer) {
  const GstClockTime stream_time =
      gst_segment_to_stream_time(&transform->segment, GST_FORMAT_TIME, GST_BUFFER_TIMESTAMP(buffer));
  if (GST_CLOCK_TIME_IS_VALID(stream_time)) gst_object_sync_values(GST_OBJECT(transform), stream_time);
}

gboolean SetInfo(GstVideoFilter* filter, GstCaps*, GstVideoInfo* in_info, GstCaps*, GstVideoInfo*) {
  GstQuorlinSharpen* self = GST_QUORLIN_SHARPEN(filter);
  self->full_range = IsFullRange(*in_info);
  GST_OBJECT_LOCK(self);
  self->grey = IsGrey(*in_info);
  GST_OBJECT_UNLOCK(self);
  UpdatePassthrough(self);
  return TRUE;
}

// The frame's controls: interlaced frames are blurred field by field unless
// the property says otherwise, and grey frames have luma alone.
QuorlinSettings FrameControls(GstQuorlinSharpen* self, const GstVideoFrame& frame) {
  GST_OBJECT_LOCK(self);
  QuorlinSettings controls = self->controls;
  const bool interlace_set = self->interlace_set;
  GST_OBJECT_UNLOCK(self);
  if (!interlace_set) controls.interlace = GST_VIDEO_FRAME_IS_INTERLACED(&frame);
  if (IsGrey(frame.info)) controls.luma_only = 1;
  return controls;
}

GstFlowReturn TransformFrameIp(GstVideoFilter* filter, GstVideoFrame* frame) {
  GstQuorlinSharpen* self = GST_QUORLIN_SHARPEN(filter);
  QuorlinPicture picture{};
  picture.version = QUORLIN_API_VERSION;
  picture.kind = QUORLIN_PICTURE_PLANES;
  picture.planes = PlanesOf(*frame, self->full_range);
  const QuorlinSettings controls = FrameControls(self, *frame);
  const QuorlinStatus status = quorlin_filter_apply(self->filter, &picture, &controls);
  if (status == QUORLIN_OK) return GST_FLOW_OK;
  GST_ELEMENT_ERROR(self, STREAM, FAILED,
                    ("Cannot sharpen a %dx%d frame: %s", picture.planes.width, picture.planes.height,
                     quorlin_status_string(status)),
                    (nullptr));
  return GST_FLOW_ERROR;
}

void AddPadTemplates(GstElementClass* klass) {
  GstCaps* caps = AcceptedCaps();
  gst_element_class_add_pad_template(klass, gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, caps));
  gst_element_class_add_pad_template(klass, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, caps));
  gst_caps_unref(caps);
}

}  // namespace

static void gst_quorlin_sharpen_class_init(GstQuorlinSharpenClass* klass) {
  GObjectClass* object_class = G_OBJECT_CLASS(klass);
  object_class->set_property = SetProperty;
  object_class->get_property = GetProperty;
  InstallProperties(object_class);

  GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
  gst_element_class_set_static_metadata(
      element_class, "Quorlin sharpen", "Filter/Effect/Video",
      "Bit-exact unsharp mask with a threshold and a halo-free limit mode, on YUV and grey video of 8 to 16 bits",
      "the Quorlin developers");
  AddPadTemplates(element_class);

  GstBaseTransformClass* transform_class = GST_BASE_TRANSFORM_CLASS(klass);
  transform_class->start = Start;
  transform_class->stop = Stop;
  transform_class->before_transform = BeforeTransform;
  // In passthrough the frames are not to be mapped, nor looked at.
  transform_class->transform_ip_on_passthrough = FALSE;

  GstVideoFilterClass* filter_class = GST_VIDEO_FILTER_CLASS(klass);
  filter_class->set_info = SetInfo;
  filter_class->transform_frame_ip = TransformFrameIp;
}

static void gst_quorlin_sharpen_init(GstQuorlinSharpen* self) {
  quorlin_default_settings(&self->controls, QUORLIN_API_VERSION);
}

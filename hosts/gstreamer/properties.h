// The element's properties: the library's ten controls, each named as the
// command line's option, with the editor's range and default and animatable
// by a GstController, and the worker threads.
#pragma once

#include <glib-object.h>

#include "quorlin/quorlin.h"

namespace quorlin::gst {

// Property ids: control `id` is kFirstControl + id, threads follows them.
inline constexpr guint kFirstControl = 1;
inline constexpr guint kThreads = kFirstControl + QUORLIN_CONTROL_COUNT;
inline constexpr int kMaxThreads = 256;

// Walks the control table: a switch becomes a boolean, any other control an
// integer.
void InstallProperties(GObjectClass* klass);

// The control a property id sets, or -1.
int ControlOf(guint property);

// A control's value from its property's GValue, and back.
int ControlValue(const GValue& value);
void SetControlValue(int id, int control_value, GValue& value);

}  // namespace quorlin::gst

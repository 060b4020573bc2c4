// The filter's definition as the host reads it, made from the library's
// controls at the host's first call, with their labels in the host's code
// page.
#include "hosts/aviutl/filter_table.h"

#include "hosts/aviutl/frame_proc.h"
#include "hosts/aviutl/shift_jis.h"
#include "quorlin/quorlin.h"

namespace {

static_assert(int{kTrackCount} == int{QUORLIN_INTERLACE} && int{kTrackCount} + int{kCheckCount} == int{QUORLIN_CONTROL_COUNT},
              "the track bars are the library's first controls, the check boxes the rest");

// 0x00040000: the host reads `information` only when this bit is set.
constexpr int kFlagExInformation = 0x00040000;

// Longer than any label in code page 932.
constexpr int kLabelBytes = 32;

// The host's record points at writable arrays.
char labels[QUORLIN_CONTROL_COUNT][kLabelBytes];
const char* track_names[kTrackCount];
int track_defaults[kTrackCount];
int track_minima[kTrackCount];
int track_maxima[kTrackCount];
const char* check_names[kCheckCount];
int check_defaults[kCheckCount];

// Every field not named here is zero.
constinit FILTER_DLL filter_table = {
    .flag = kFlagExInformation,
    .name = "Quorlin",
    .track_n = kTrackCount,
    .track_name = track_names,
    .track_default = track_defaults,
    .track_s = track_minima,
    .track_e = track_maxima,
    .check_n = kCheckCount,
    .check_name = check_names,
    .check_default = check_defaults,
    .func_proc = FrameProc,
    // "Quorlin SIMDフィルタ version 0.01" in code page 932
    .information = "Quorlin SIMD\x83\x74\x83\x42\x83\x8b\x83\x5e version 0.01",
};

FILTER_DLL* Filled() {
  int track = 0, check = 0;
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
    const QuorlinControl& c = *quorlin_control(id);
    ToShiftJis(c.editor_name, labels[id], kLabelBytes);
    if (c.is_switch) {
      check_names[check] = labels[id];
      check_defaults[check++] = c.default_value;
    } else {
      track_names[track] = labels[id];
      track_defaults[track] = c.default_value;
      track_minima[track] = c.minimum;
      track_maxima[track++] = c.maximum;
    }
  }
  return &filter_table;
}

}  // namespace

FILTER_DLL* GetFilterTable(void) {
  // Filled once, whichever thread asks first.
  static FILTER_DLL* const table = Filled();
  return table;
}

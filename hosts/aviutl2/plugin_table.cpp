#include "hosts/aviutl2/plugin_table.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cmath>

#include "hosts/aviutl2/video_proc.h"

namespace {

// The library's controls: track bars up to QUORLIN_INTERLACE, check boxes
// from there.
constexpr int kTrackCount = QUORLIN_INTERLACE;
constexpr int kCheckCount = QUORLIN_CONTROL_COUNT - kTrackCount;

// Longer than any label in UTF-16 units.
constexpr int kLabelUnits = 32;

// The host reads the items and writes their values; made from the library's
// control table when the module is loaded, before the host can see them.
struct Items {
  wchar_t names[QUORLIN_CONTROL_COUNT][kLabelUnits];  // the library's UTF-8 labels in UTF-16
  TrackItem tracks[kTrackCount];
  CheckItem checks[kCheckCount];
  void* list[QUORLIN_CONTROL_COUNT + 1];

  Items() {
    for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
      if (!MultiByteToWideChar(CP_UTF8, 0, quorlin_control(id)->editor_name, -1, names[id], kLabelUnits)) {
        names[id][0] = L'\0';
      }
    }
    void** next = list;
    for (int id = 0; id < kTrackCount; ++id) {
      const QuorlinControl& c = *quorlin_control(id);
      tracks[id] = {L"track", names[id], double(c.default_value), double(c.minimum), double(c.maximum), 1.0};
      *next++ = &tracks[id];
    }
    for (int i = 0; i < kCheckCount; ++i) {
      checks[i] = {L"check", names[kTrackCount + i], quorlin_control(kTrackCount + i)->default_value != 0};
      *next++ = &checks[i];
    }
    *next = nullptr;
  }
};

Items items;

FilterPluginTable table = {
    .flag = kFilterVideo | kFilterObject,
    .name = L"Quorlin",
    .label = nullptr,
    .information = L"Quorlin SIMDフィルタ version 0.01",
    .items = items.list,
    .func_proc_video = ProcVideoFrame,
    .func_proc_audio = nullptr,
};

}  // namespace

int TrackValue(const QuorlinControl& control, double value, int current) {
  if (!std::isfinite(value)) return current;
  return int(std::lround(std::clamp(value, double(control.minimum), double(control.maximum))));
}

void ReadControls(QuorlinSettings& settings) {
  for (int id = 0; id < kTrackCount; ++id) {
    int& setting = *quorlin_setting(&settings, id);
    setting = TrackValue(*quorlin_control(id), items.tracks[id].value, setting);
  }
  for (int i = 0; i < kCheckCount; ++i) *quorlin_setting(&settings, kTrackCount + i) = items.checks[i].value;
}

FilterPluginTable* GetFilterPluginTable(void) { return &table; }

#include "hosts/aviutl2/plugin_table.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cmath>

#include "hosts/aviutl2/video_proc.h"

namespace {

// Longer than any label in UTF-16 units.
constexpr int kLabelUnits = 32;

// The host reads the items and writes their values; made from the library's
// control table when the module is loaded, before the host can see them.
struct Items {
  wchar_t names[QUORLIN_CONTROL_COUNT][kLabelUnits];  // the library's UTF-8 labels in UTF-16
  // The library's sliders are track bars, its switches check boxes: each
  // array has room for every control.
  TrackItem tracks[QUORLIN_CONTROL_COUNT];
  CheckItem checks[QUORLIN_CONTROL_COUNT];
  void* list[QUORLIN_CONTROL_COUNT + 1];

  Items() {
    for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
      if (!MultiByteToWideChar(CP_UTF8, 0, quorlin_control(id)->editor_name, -1, names[id], kLabelUnits)) {
        names[id][0] = L'\0';
      }
    }
    void** next = list;
    int track = 0, check = 0;
    for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
      const QuorlinControl& c = *quorlin_control(id);
      if (c.is_switch) {
        checks[check] = {L"check", names[id], c.default_value != 0};
        *next++ = &checks[check++];
      } else {
        tracks[track] = {L"track", names[id], double(c.default_value), double(c.minimum), double(c.maximum), 1.0};
        *next++ = &tracks[track++];
      }
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
    .func_create = nullptr,
    .func_destroy = nullptr,
};

}  // namespace

int TrackValue(const QuorlinControl& control, double value, int current) {
  if (!std::isfinite(value)) return current;
  return int(std::lround(std::clamp(value, double(control.minimum), double(control.maximum))));
}

void ReadControls(QuorlinSettings& settings) {
  int track = 0, check = 0;
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
    const QuorlinControl& c = *quorlin_control(id);
    int& setting = *quorlin_setting(&settings, id);
    setting = c.is_switch ? items.checks[check++].value : TrackValue(c, items.tracks[track++].value, setting);
  }
}

FilterPluginTable* GetFilterPluginTable(void) { return &table; }

// The 64-bit editor's records, as its plug-in interface lays them out, and
// the plug-in's entry point. Strings are UTF-16 (wchar_t is 16 bits on
// Windows). Every record is shared by the host and the plug-in: the host
// writes the items' current values before each call.
#pragma once

#include <cstddef>
#include <cstdint>

#define QUORLIN_AUF2_EXPORT extern "C" __declspec(dllexport)

struct PixelRGBA {
  uint8_t r, g, b, a;
};

struct SceneInfo {
  int width, height;
  int rate, scale;
  int sample_rate;
};

// The object the filter is applied to; the host's record goes on with fields
// a filter does not read.
struct ObjectInfo {
  int64_t id;
  int frame, frame_total;
  double time, time_total;
  int width, height;  // of the image get_image_data copies
};

// One call's frame. The host's record goes on with fields a filter does not
// read.
struct ProcVideo {
  const SceneInfo* scene;
  const ObjectInfo* object;
  // Copies the object's image, width x height pixels, rows top to bottom
  // with no padding, into the buffer.
  void (*get_image_data)(PixelRGBA* buffer);
  // Replaces the object's image with width x height pixels from the buffer.
  void (*set_image_data)(const PixelRGBA* buffer, int width, int height);
};

struct TrackItem {
  const wchar_t* type;  // L"track"
  const wchar_t* name;
  double value;  // the current value; the default until the host writes one
  double min, max, step;
};

struct CheckItem {
  const wchar_t* type;  // L"check"
  const wchar_t* name;
  bool value;
};

// 1: a video filter; 8: may also be applied to what lies beneath it, as a
// filter object.
enum : int { kFilterVideo = 1, kFilterObject = 8 };

struct FilterPluginTable {
  int flag;
  const wchar_t* name;
  const wchar_t* label;  // the menu category; null for the host's default
  const wchar_t* information;
  void** items;  // TrackItem and CheckItem records, null-terminated
  bool (*func_proc_video)(ProcVideo* video);
  bool (*func_proc_audio)(void* audio);
  // Data of each effect the filter is applied to: called only when flag 16
  // is set, which this plug-in leaves clear (both null).
  void* (*func_create)(int64_t effect_id);
  void (*func_destroy)(int64_t effect_id, void* userdata);
};

static_assert(sizeof(PixelRGBA) == 4, "the host's pixel is 4 bytes: r, g, b, a");
#if defined(__x86_64__) || defined(_M_X64)
static_assert(offsetof(ObjectInfo, width) == 32 && offsetof(ObjectInfo, height) == 36,
              "ObjectInfo must match the host's 64-bit layout");
static_assert(offsetof(ProcVideo, object) == 8 && offsetof(ProcVideo, get_image_data) == 16 &&
                  offsetof(ProcVideo, set_image_data) == 24,
              "ProcVideo must match the host's 64-bit layout");
static_assert(offsetof(TrackItem, value) == 16 && offsetof(TrackItem, step) == 40 && sizeof(TrackItem) == 48 &&
                  offsetof(CheckItem, value) == 16,
              "the items must match the host's 64-bit layout");
static_assert(offsetof(FilterPluginTable, name) == 8 && offsetof(FilterPluginTable, items) == 32 &&
                  offsetof(FilterPluginTable, func_proc_video) == 40 &&
                  offsetof(FilterPluginTable, func_proc_audio) == 48 &&
                  offsetof(FilterPluginTable, func_create) == 56 && offsetof(FilterPluginTable, func_destroy) == 64 &&
                  sizeof(FilterPluginTable) == 72,
              "FilterPluginTable must match the host's 64-bit layout");
#endif

QUORLIN_AUF2_EXPORT FilterPluginTable* GetFilterPluginTable(void);

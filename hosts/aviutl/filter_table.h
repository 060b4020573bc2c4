// The host's records, as the editor lays them out, and the filter's entry
// points. The editor is a 32-bit program: every field there is 4 bytes. A
// 64-bit build keeps the same fields in the same order with natural alignment.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define QUORLIN_EXPORT extern "C" __declspec(dllexport)
#else
#define QUORLIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

struct PIXEL_YC {
  int16_t y;
  int16_t cb;
  int16_t cr;
};
static_assert(sizeof(PIXEL_YC) == 6, "the host's pixel is three packed 16-bit samples");

struct FILTER;
struct FILTER_PROC_INFO;
using FilterProc = int (*)(FILTER* fp, FILTER_PROC_INFO* fpip);

// The definition record a filter hands the host. FILTER, the record the host
// passes back on every frame, shares this layout.
struct FILTER_DLL {
  int flag{};
  int x{}, y{};  // window size
  const char* name{};
  int track_n{};
  const char** track_name{};
  int* track_default{};
  int* track_s{};
  int* track_e{};
  int check_n{};
  const char** check_name{};
  int* check_default{};
  FilterProc func_proc{};
  void* func_init{};
  void* func_exit{};
  void* func_update{};
  void* func_WndProc{};
  int* track{};  // host-owned current values
  int* check{};
  void* ex_data_ptr{};
  int ex_data_size{};
  const char* information{};
  void* reserved[13]{};  // later hooks and host fields; the filter leaves them zero
};
struct FILTER : FILTER_DLL {};

struct FILTER_PROC_INFO {
  int flag;
  PIXEL_YC* ycp_edit;
  PIXEL_YC* ycp_temp;
  int w, h;
  int max_w, max_h;
};

#if defined(__i386__) || defined(_M_IX86)
static_assert(offsetof(FILTER_DLL, flag) == 0 && offsetof(FILTER_DLL, x) == 4 &&
              offsetof(FILTER_DLL, y) == 8 && offsetof(FILTER_DLL, name) == 12 &&
              offsetof(FILTER_DLL, track_n) == 16 && offsetof(FILTER_DLL, track_name) == 20 &&
              offsetof(FILTER_DLL, track_default) == 24 && offsetof(FILTER_DLL, track_s) == 28 &&
              offsetof(FILTER_DLL, track_e) == 32 && offsetof(FILTER_DLL, check_n) == 36 &&
              offsetof(FILTER_DLL, check_name) == 40 && offsetof(FILTER_DLL, check_default) == 44 &&
              offsetof(FILTER_DLL, func_proc) == 48 && offsetof(FILTER_DLL, func_init) == 52 &&
              offsetof(FILTER_DLL, func_exit) == 56 && offsetof(FILTER_DLL, func_update) == 60 &&
              offsetof(FILTER_DLL, func_WndProc) == 64 && offsetof(FILTER_DLL, track) == 68 &&
              offsetof(FILTER_DLL, check) == 72 && offsetof(FILTER_DLL, ex_data_ptr) == 76 &&
              offsetof(FILTER_DLL, ex_data_size) == 80 && offsetof(FILTER_DLL, information) == 84 &&
              sizeof(FILTER_DLL) == 140,
              "FILTER_DLL must match the host's 32-bit layout");
static_assert(offsetof(FILTER, track) == 68 && offsetof(FILTER, check) == 72,
              "FILTER must match the host's 32-bit layout");
static_assert(offsetof(FILTER_PROC_INFO, flag) == 0 && offsetof(FILTER_PROC_INFO, ycp_edit) == 4 &&
              offsetof(FILTER_PROC_INFO, ycp_temp) == 8 && offsetof(FILTER_PROC_INFO, w) == 12 &&
              offsetof(FILTER_PROC_INFO, h) == 16 && offsetof(FILTER_PROC_INFO, max_w) == 20 &&
              offsetof(FILTER_PROC_INFO, max_h) == 24,
              "FILTER_PROC_INFO must match the host's 32-bit layout");
#endif

// Track-bar and check-box positions in the host's track and check arrays:
// the library's controls in the same order, track bars first.
enum TrackIndex { kTrackRadius, kTrackLumaStrength, kTrackLumaThreshold, kTrackLumaLimit,
                  kTrackChromaStrength, kTrackChromaThreshold, kTrackChromaLimit, kTrackCount };
enum CheckIndex { kCheckInterlace, kCheckLumaOnly, kCheckLimit, kCheckCount };

QUORLIN_EXPORT FILTER_DLL* GetFilterTable(void);

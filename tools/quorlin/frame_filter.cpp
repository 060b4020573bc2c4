#include "tools/quorlin/frame_filter.h"

// The host passes its own copy of the filter's record, pointing at the current
// control values, and a frame record whose buffer is exactly the picture.
int FilterFrame(const FILTER_DLL& table, std::vector<int>& track, std::vector<int>& check,
                PIXEL_YC* frame, int32_t width, int32_t height) {
  FILTER filter{table};
  filter.track = track.data();
  filter.check = check.data();
  FILTER_PROC_INFO info{};
  info.ycp_edit = frame;
  info.w = info.max_w = width;
  info.h = info.max_h = height;
  return table.func_proc(&filter, &info);
}

#include "hosts/aviutl/frame_proc.h"

#include <cstdint>

#include "hosts/module_filter.h"

static_assert(sizeof(PIXEL_YC) == sizeof(QuorlinPixel) && offsetof(PIXEL_YC, y) == offsetof(QuorlinPixel, y) &&
                  offsetof(PIXEL_YC, cb) == offsetof(QuorlinPixel, cb) &&
                  offsetof(PIXEL_YC, cr) == offsetof(QuorlinPixel, cr),
              "the host's pixel is the library's");

namespace {

// The track bars take the library's sliders in order, the check boxes its
// switches.
QuorlinSettings ControlsOf(const FILTER& fp) {
  QuorlinSettings controls;
  quorlin_default_settings(&controls, QUORLIN_API_VERSION);
  int track = 0, check = 0;
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id)
    *quorlin_setting(&controls, id) = quorlin_control(id)->is_switch ? fp.check[check++] : fp.track[track++];
  return controls;
}

}  // namespace

int FrameProc(FILTER* fp, FILTER_PROC_INFO* fpip) { return FrameProcWith(ModuleFilter(), fp, fpip); }

int FrameProcWith(QuorlinFilter* filter, FILTER* fp, FILTER_PROC_INFO* fpip) {
  if (!fp || !fpip || !fp->track || !fp->check) return 0;
  if (fpip->w <= 0 || fpip->h <= 0) return 1;
  if (!filter) return 0;
  if (!fpip->ycp_edit || fpip->max_w < fpip->w || fpip->max_h < fpip->h) return 0;
  // The host describes its buffer's byte size in a 32-bit int.
  if (int64_t{fpip->max_w} * fpip->max_h * int64_t{sizeof(PIXEL_YC)} > INT32_MAX) return 0;
  // The library clamps the controls as the host may not have.
  const QuorlinSettings controls = ControlsOf(*fp);
  QuorlinPicture picture{};
  picture.version = QUORLIN_API_VERSION;
  picture.kind = QUORLIN_PICTURE_FRAME;
  picture.frame = {reinterpret_cast<QuorlinPixel*>(fpip->ycp_edit), fpip->w, fpip->h, fpip->max_w};
  return quorlin_filter_apply(filter, &picture, &controls) == QUORLIN_OK ? 1 : 0;
}

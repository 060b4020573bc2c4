#include "hosts/aviutl/frame_proc.h"

#include <cstdint>
#include <new>

#include "quorlin/quorlin.h"

static_assert(sizeof(PIXEL_YC) == sizeof(QuorlinPixel) && offsetof(PIXEL_YC, y) == offsetof(QuorlinPixel, y) &&
                  offsetof(PIXEL_YC, cb) == offsetof(QuorlinPixel, cb) &&
                  offsetof(PIXEL_YC, cr) == offsetof(QuorlinPixel, cr),
              "the host's pixel is the library's");

namespace {

// Never destroyed: the process may exit while a frame still runs on another
// of the editor's threads.
FilterPool& Pool() {
  alignas(FilterPool) static unsigned char storage[sizeof(FilterPool)];
  static FilterPool* const pool = new (storage) FilterPool(nullptr);
  return *pool;
}

}  // namespace

int FrameProc(FILTER* fp, FILTER_PROC_INFO* fpip) { return FrameProcWith(Pool(), fp, fpip); }

int FrameProcWith(FilterPool& pool, FILTER* fp, FILTER_PROC_INFO* fpip) {
  if (!fp || !fpip || !fp->track || !fp->check) return 0;
  // The library takes the controls in the host's units and clamps them as
  // the host may not have; one worker per processor.
  QuorlinSettings settings;
  quorlin_default_settings(&settings, QUORLIN_API_VERSION);
  for (int i = 0; i < kTrackCount; ++i) *quorlin_setting(&settings, i) = fp->track[i];
  for (int i = 0; i < kCheckCount; ++i) *quorlin_setting(&settings, kTrackCount + i) = fp->check[i];

  if (fpip->w <= 0 || fpip->h <= 0) return 1;
  if (!fpip->ycp_edit || fpip->max_w < fpip->w || fpip->max_h < fpip->h) return 0;
  // The host describes its buffer's byte size in a 32-bit int.
  if (int64_t{fpip->max_w} * fpip->max_h * int64_t{sizeof(PIXEL_YC)} > INT32_MAX) return 0;
  const QuorlinFrame frame{reinterpret_cast<QuorlinPixel*>(fpip->ycp_edit), fpip->w, fpip->h, fpip->max_w};
  return pool.Sharpen(settings, frame) == QUORLIN_OK ? 1 : 0;
}

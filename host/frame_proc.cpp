#include "host/frame_proc.h"

#include <algorithm>

#include "combine/sharpen.h"
#include "planes/planes.h"

namespace {

// Clamps in 64 bits so that no track value, however large, wraps around.
int32_t Clamp(int64_t v, int64_t lo, int64_t hi) { return static_cast<int32_t>(std::clamp(v, lo, hi)); }

}  // namespace

SharpenParams MakeSharpenParams(const int* track, const int* check) {
  SharpenParams p;
  p.radius = Clamp(track[kTrackRadius], 1, 10);
  p.luma_strength = Clamp(track[kTrackLumaStrength], 0, 256);
  p.luma_threshold = Clamp(2 * int64_t{track[kTrackLumaThreshold]}, 0, 1024);
  p.luma_limit = Clamp(track[kTrackLumaLimit], -32, 32) * 16;
  p.chroma_strength = Clamp(track[kTrackChromaStrength], 0, 256);
  p.chroma_threshold = Clamp(2 * int64_t{track[kTrackChromaThreshold]}, 0, 1024);
  p.chroma_limit = Clamp(track[kTrackChromaLimit], -32, 32) * 16;
  p.interlace = check[kCheckInterlace] != 0;
  return p;
}

Pipeline SelectPipeline(bool luma_only, bool limit_mode) {
  if (luma_only) return limit_mode ? Pipeline::SharpenYLimited : Pipeline::SharpenY;
  return limit_mode ? Pipeline::SharpenYCLimited : Pipeline::SharpenYC;
}

int FrameProc(FILTER* fp, FILTER_PROC_INFO* fpip) {
  if (!fp || !fpip || !fp->track || !fp->check) return 0;
  const SharpenParams params = MakeSharpenParams(fp->track, fp->check);
  const bool luma_only = fp->check[kCheckLumaOnly] != 0;
  const bool limit_mode = fp->check[kCheckLimit] != 0;

  const int w = fpip->w;
  const int h = fpip->h;
  if (w <= 0 || h <= 0) return 1;
  if (!fpip->ycp_edit || fpip->max_w < w || fpip->max_h < h) return 0;
  const int64_t bytes = int64_t{fpip->max_w} * fpip->max_h * int64_t{sizeof(PIXEL_YC)};
  if (bytes > INT32_MAX) return 0;
  CPixels frame(fpip->ycp_edit, fpip->max_w, w, h, static_cast<int32_t>(bytes));

  switch (SelectPipeline(luma_only, limit_mode)) {
    case Pipeline::SharpenY:
      return SharpenY(frame, params.radius, params.luma_strength, params.luma_threshold,
                      params.interlace) ? 1 : 0;
    case Pipeline::SharpenYC:
      return SharpenYC(frame, params.radius, params.luma_strength, params.chroma_strength, params.luma_threshold,
                       params.chroma_threshold, params.interlace) ? 1 : 0;
    case Pipeline::SharpenYLimited:
      return SharpenYLimited(frame, params.radius, params.luma_strength, params.luma_threshold, params.luma_limit,
                             params.interlace) ? 1 : 0;
    case Pipeline::SharpenYCLimited:
      return SharpenYCLimited(frame, params.radius, params.luma_strength, params.chroma_strength, params.luma_limit,
                              params.chroma_limit, params.luma_threshold, params.chroma_threshold, params.interlace)
                 ? 1 : 0;
  }
  return 0;
}

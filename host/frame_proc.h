// The frame procedure: control values in, one pipeline run on the frame.
#pragma once

#include "host/filter_table.h"

// Control values clamped and scaled into the units the pipelines work in.
struct SharpenParams {
  int32_t radius;            // 1..10
  int32_t luma_strength;     // 0..256, in 1/256 of the difference
  int32_t luma_threshold;    // 0..1024, sample units
  int32_t luma_limit;        // -512..512, sample units
  int32_t chroma_strength;   // 0..256
  int32_t chroma_threshold;  // 0..1024
  int32_t chroma_limit;      // -512..512
  bool interlace;
};

SharpenParams MakeSharpenParams(const int* track, const int* check);

enum class Pipeline { SharpenY, SharpenYLimited, SharpenYC, SharpenYCLimited };
Pipeline SelectPipeline(bool luma_only, bool limit_mode);

// Returns 1 when the frame was processed (or there was nothing to do) and 0,
// with the frame untouched, when the records are unusable or working memory
// could not be had.
int FrameProc(FILTER* fp, FILTER_PROC_INFO* fpip);

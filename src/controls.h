// The filter's controls, in one table: the editor's labels, ranges and
// defaults, the command line's option names, and how the filter clamps and
// scales each value. Every host makes its own controls from it.
#pragma once

#include <cstddef>

#include "engine/sharpen.h"
#include "quorlin/quorlin.h"

namespace quorlin {

struct Control {
  QuorlinControl control;
  size_t offset;  // of the field of QuorlinSettings it sets
};

// Labels in UTF-8; each host puts them in its own encoding. A value v becomes
// clamp(v * scale, clamp minimum, clamp maximum) in 64 bits: thresholds are
// doubled, then clamped to 1024; limits are 16 times a value clamped to
// -32..32 (the chroma limit too, although its track bar starts at 0).
inline constexpr Control kControls[QUORLIN_CONTROL_COUNT] = {
    {{"radius", "ぼかし幅", "blur radius, in pixels",
      0, 1, 10, 2, 1, 10, 1}, offsetof(QuorlinSettings, radius)},
    {{"luma-strength", "明強度",
      "adds N/256 of each luma sample's difference from its blur", 0, 0, 256, 64, 0, 256, 1},
     offsetof(QuorlinSettings, luma_strength)},
    {{"luma-threshold", "明閾値",
      "luma differences of 2N or less (white is 4096) stay as they are", 0, 0, 500, 0, 0, 1024, 2},
     offsetof(QuorlinSettings, luma_threshold)},
    {{"luma-limit", "明Limit",
      "in limit mode: luma may leave its 3x3 neighbourhood's range by 16N (narrower when negative)",
      0, -32, 32, 0, -512, 512, 16}, offsetof(QuorlinSettings, luma_limit)},
    {{"chroma-strength", "色強度",
      "unless luma only: adds N/256 of each Cb and Cr sample's difference from its blur", 0, 0, 256, 32, 0,
      256, 1}, offsetof(QuorlinSettings, chroma_strength)},
    {{"chroma-threshold", "色閾値",
      "unless luma only: chroma differences of 2N or less stay as they are", 0, 0, 500, 0, 0, 1024, 2},
     offsetof(QuorlinSettings, chroma_threshold)},
    {{"chroma-limit", "色Limit",
      "in limit mode, unless luma only: chroma may leave its 3x3 range by 16N", 0, 0, 32, 0, -512, 512, 16},
     offsetof(QuorlinSettings, chroma_limit)},
    {{"interlace",
      "インターレース処理",
      "blur and bound the two fields of the picture separately", 1, 0, 1, 0, 0, 1, 1},
     offsetof(QuorlinSettings, interlace)},
    {{"luma-only", "輝度のみ",
      "sharpen luma only; off sharpens Cb and Cr too", 1, 0, 1, 1, 0, 1, 1},
     offsetof(QuorlinSettings, luma_only)},
    {{"limit", "制限値あり",
      "hold every sharpened sample inside its widened 3x3 range", 1, 0, 1, 0, 0, 1, 1},
     offsetof(QuorlinSettings, limit_mode)},
};

// The clamped and scaled controls of `settings`, to run with `kernels`.
SharpenParams MakeSharpenParams(const QuorlinSettings& settings, const Kernels& kernels);

// A caller's settings as this library's struct: the fields of the caller's
// version, and the defaults for any its version lacks. False for a null
// pointer or another major version.
bool ReadSettings(const QuorlinSettings* given, QuorlinSettings& settings);
// The ten controls of a caller's settings, and the defaults for every other
// field, which is not read. False as for ReadSettings.
bool ReadControls(const QuorlinSettings* given, QuorlinSettings& settings);

}  // namespace quorlin

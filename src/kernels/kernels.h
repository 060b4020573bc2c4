// The row kernels as a table of functions, one table per instruction set
// level, filled once; the engine and the conversions call through it. C runs
// on every processor and is the whole table off x86; on x86 SSE2 runs
// everywhere, and AVX2 is used where the processor and the operating system
// support it. Every level gives the same samples.
#pragma once

#include "kernels/box_blur.h"
#include "kernels/code_rows.h"
#include "kernels/combine.h"
#include "kernels/envelope.h"
#include "kernels/frame_rows.h"
#include "kernels/plain_rows.h"
#include "kernels/rgb_rows.h"

namespace quorlin {

enum class Isa { kC = QUORLIN_ISA_C, kSse2 = QUORLIN_ISA_SSE2, kAvx2 = QUORLIN_ISA_AVX2 };

// The levels from the lowest: a processor that runs one runs those before it.
inline constexpr Isa kLevels[] = {Isa::kC, Isa::kSse2, Isa::kAvx2};

struct Kernels {
  Isa isa;
  const char* name;
  AddRowToSumsFn* add_row_to_sums;
  SlideSumsFn* slide_sums;
  BoxBlurRowFn* box_blur_row;
  EnvelopeRowFn* envelope_row;
  CombineRowFn* combine_row;
  LoadRowFn* load_row;
  StoreRowFn* store_row;
  PlainToSegmentsFn* plain_to_segments;
  SegmentsToPlainFn* segments_to_plain;
  CodesToValuesFn* codes_to_values;
  ValuesToCodesFn* values_to_codes;
  SpreadPairsFn* spread_pairs;
  BlockMeansFn* block_means;
  RgbToPlanesRowFn* rgb_to_planes_row;
  PlanesToRgbRowFn* planes_to_rgb_row;
};

// The highest level this processor and its operating system run.
Isa SupportedIsa();
// The level to use: the highest supported, lowered (never raised) by a
// request (QUORLIN_ISA_BEST for none) and by the environment variable
// QUORLIN_ISA ("c", "sse2" or "avx2" in any case; any other value is
// ignored).
Isa ChosenIsa(int requested);
const Kernels& KernelsFor(Isa isa);

}  // namespace quorlin

// Rows of one YUV channel's codes and the editor's values, exact to the
// rules of convert/yuv_yc.h: values = DivRound((code - offset) * A, D) and
// back, with A / D the channel's editor and code spans in lowest terms. A is
// always a power of two (the spans are 4096 or 2048 against 219, 112 or
// 2^depth - 1 times a power of two), so the way back divides by shifting,
// and the way in divides by D with a 64-bit multiply-high, or, where that
// cannot go wrong, multiplies by A / D in floating point.
#pragma once

#include <cstddef>
#include <cstdint>

#include "convert/yuv_yc.h"

namespace quorlin {

struct CodeRowParams {
  int wide;             // 2-byte codes (depth above 8)
  int offset;
  int a_shift;          // A = 2^a_shift
  uint32_t d;           // D
  uint32_t magic;       // floor(x / 2D) = (x * magic) >> magic_shift for x < 2^30
  int magic_shift;
  int max_code;
  bool keep_original;   // codes are finer than values: an unchanged value keeps its code
  float ratio;          // A / D, rounded, where a float product rounds every code right
};

CodeRowParams MakeCodeRowParams(const CodeScale& scale);

// values[x] = the value of codes[x] for x < n; codes are bytes or 16-bit
// words as p.wide says, and codes above max_code read as max_code.
using CodesToValuesFn = void(const void* codes, int n, const CodeRowParams& p, int16_t* values);
// codes[x] = the code of values[x], given the sample's original code; codes
// may be `original` itself.
using ValuesToCodesFn = void(const int16_t* values, const void* original, int n, const CodeRowParams& p, void* codes);
// out[x] = in[x / 2] for x < n: 4:2:0 chroma over its block's columns.
using SpreadPairsFn = void(const int16_t* in, int n, int16_t* out);
// means[c] = DivRound of the sum of top[2c], top[2c + 1], bottom[2c] and
// bottom[2c + 1] by their count, for c < ceil(n / 2), where n is the row's
// width: columns at or beyond n, and the bottom row when null, are not in the
// block. means may be top.
using BlockMeansFn = void(const int16_t* top, const int16_t* bottom, int n, int16_t* means);

namespace c {
CodesToValuesFn CodesToValues;
ValuesToCodesFn ValuesToCodes;
SpreadPairsFn SpreadPairs;
BlockMeansFn BlockMeans;
}  // namespace c
namespace sse2 {
CodesToValuesFn CodesToValues;
ValuesToCodesFn ValuesToCodes;
SpreadPairsFn SpreadPairs;
BlockMeansFn BlockMeans;
}  // namespace sse2
namespace avx2 {
CodesToValuesFn CodesToValues;
ValuesToCodesFn ValuesToCodes;
SpreadPairsFn SpreadPairs;
BlockMeansFn BlockMeans;
}  // namespace avx2

}  // namespace quorlin

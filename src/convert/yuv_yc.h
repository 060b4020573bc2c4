// YUV planes' codes and the editor's YC values, one channel at a time:
//   value = DivRound((code - offset) * editor_span, code_span)
//   code  = clamp(DivRound(value * code_span, editor_span) + offset, 0, max)
// with DivRound rounding to nearest, halves away from zero. Limited range
// maps Y 16..235 to 0..4096 and Cb, Cr 16..240 to -2048..2048 at 8 bits,
// scaled by 2^(depth - 8) above; full range maps Y 0..2^depth - 1 to
// 0..4096 and Cb, Cr around 2^(depth - 1) alike (±0.5 of full scale is
// ±2048). Going back, a sample whose value the filter left as its original
// code reads gets that code again, so an untouched frame comes back bit for
// bit even where the editor's precision is coarser than the codes' (above 12
// bits). These are the rules; the row kernels (kernels/code_rows.h) are held
// to them.
#pragma once

#include <cstdint>

#include "quorlin/quorlin.h"

namespace quorlin {

struct CodeScale {
  int depth;        // 8..16
  int offset;       // the code of value 0
  int editor_span;  // editor units per code_span codes
  int code_span;
  int max_code;     // 2^depth - 1
};

CodeScale LumaScale(int depth, bool full_range);
CodeScale ChromaScale(int depth, bool full_range);

int16_t ToEditor(const CodeScale& scale, uint16_t code);
// The code for editor value v of a sample whose code was `original`.
uint16_t ToCode(const CodeScale& scale, int v, uint16_t original);

}  // namespace quorlin

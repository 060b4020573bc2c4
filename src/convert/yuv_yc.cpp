#include "convert/yuv_yc.h"

#include <algorithm>

#include "convert/div_round.h"

namespace quorlin {

namespace {

uint16_t Clamped(int64_t code, const CodeScale& scale) {
  return uint16_t(std::clamp<int64_t>(code, 0, scale.max_code));
}

}  // namespace

CodeScale LumaScale(int depth, bool full_range) {
  const int unit = 1 << (depth - 8), max = (1 << depth) - 1;
  return full_range ? CodeScale{depth, 0, 4096, max, max} : CodeScale{depth, 16 * unit, 4096, 219 * unit, max};
}

CodeScale ChromaScale(int depth, bool full_range) {
  const int unit = 1 << (depth - 8), max = (1 << depth) - 1;
  return full_range ? CodeScale{depth, 128 * unit, 4096, max, max} : CodeScale{depth, 128 * unit, 2048, 112 * unit, max};
}

int16_t ToEditor(const CodeScale& scale, uint16_t code) {
  const int64_t n = std::min<int64_t>(code, scale.max_code) - scale.offset;
  return int16_t(DivRound(n * scale.editor_span, scale.code_span));
}

uint16_t ToCode(const CodeScale& scale, int v, uint16_t original) {
  if (ToEditor(scale, original) == v) return std::min<uint16_t>(original, uint16_t(scale.max_code));
  return Clamped(DivRound(int64_t{v} * scale.code_span, scale.editor_span) + scale.offset, scale);
}

}  // namespace quorlin

#include "kernels/code_rows.h"

#include <numeric>

namespace quorlin {

CodeRowParams MakeCodeRowParams(const CodeScale& scale) {
  const int g = std::gcd(scale.editor_span, scale.code_span);
  const int a = scale.editor_span / g;
  CodeRowParams p{};
  p.wide = scale.depth > 8;
  p.offset = scale.offset;
  while ((1 << p.a_shift) < a) ++p.a_shift;
  p.d = uint32_t(scale.code_span / g);
  // 2^magic_shift >= 2^30 * 2D keeps the multiply-high exact below 2^30.
  const uint64_t divisor = 2 * uint64_t{p.d};
  int log2_divisor = 0;
  while ((uint64_t{1} << log2_divisor) < divisor) ++log2_divisor;
  p.magic_shift = 30 + log2_divisor;
  p.magic = uint32_t(((uint64_t{1} << p.magic_shift) + divisor - 1) / divisor);
  p.max_code = scale.max_code;
  // Where a code step is smaller than an editor unit, several codes share a
  // value, and only the original code can bring an unchanged sample back.
  p.keep_original = scale.code_span >= scale.editor_span;
  p.ratio = p.d % 2 == 1 && p.d <= 255 ? float(double(1 << p.a_shift) / p.d) : 0.0f;
  return p;
}

}  // namespace quorlin

#include "kernels/code_rows.h"

#include <numeric>

#include "kernels/magic_divide.h"

namespace quorlin {

CodeRowParams MakeCodeRowParams(const CodeScale& scale) {
  const int g = std::gcd(scale.editor_span, scale.code_span);
  const int a = scale.editor_span / g;
  CodeRowParams p{};
  p.wide = scale.depth > 8;
  p.offset = scale.offset;
  while ((1 << p.a_shift) < a) ++p.a_shift;
  p.d = uint32_t(scale.code_span / g);
  const MagicDivisor by_2d = MagicDivisorFor(2 * uint64_t{p.d});
  p.magic = by_2d.magic;
  p.magic_shift = by_2d.shift;
  p.max_code = scale.max_code;
  // Where a code step is smaller than an editor unit, several codes share a
  // value, and only the original code can bring an unchanged sample back.
  p.keep_original = scale.code_span >= scale.editor_span;
  p.ratio = p.d % 2 == 1 && p.d <= 255 ? float(double(1 << p.a_shift) / p.d) : 0.0f;
  return p;
}

}  // namespace quorlin

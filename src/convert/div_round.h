// The conversions' one rounding: num / den to nearest, halves away from zero.
// The per-sample rules, the kernels' scalar ends of rows and the tests'
// models all round through it.
#pragma once

#include <cstdint>

namespace quorlin {

// den > 0.
constexpr int64_t DivRound(int64_t num, int64_t den) {
  return num >= 0 ? (2 * num + den) / (2 * den) : -((-2 * num + den) / (2 * den));
}

}  // namespace quorlin

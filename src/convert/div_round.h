// The conversions' one rounding: num / den to nearest, halves away from zero.
#pragma once

#include <cstdint>

namespace quorlin {

// den > 0.
constexpr int64_t DivRound(int64_t num, int64_t den) {
  return num >= 0 ? (2 * num + den) / (2 * den) : -((-2 * num + den) / (2 * den));
}

}  // namespace quorlin

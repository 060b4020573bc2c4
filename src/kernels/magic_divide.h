// Division by a constant as a multiply-high: floor(x / e) = (x * magic) >>
// shift for every x below 2^30, with shift = 30 + ceil(log2 e) and magic =
// ceil(2^shift / e). The error of magic is below 1 and x below 2^30, so x *
// (magic - 2^shift / e) / 2^shift stays below 2^30 / 2^shift <= 1 / e, too
// little to carry the quotient across a whole number. magic fits 32 bits.
#pragma once

#include <cstdint>

namespace quorlin {

struct MagicDivisor {
  uint32_t magic;
  int shift;
};

constexpr MagicDivisor MagicDivisorFor(uint64_t e) {
  int log2 = 0;
  while ((uint64_t{1} << log2) < e) ++log2;
  const int shift = 30 + log2;
  return {uint32_t(((uint64_t{1} << shift) + e - 1) / e), shift};
}

}  // namespace quorlin

// The code rows a sample at a time: the rules of convert/yuv_yc.h in the
// terms of CodeRowParams, and the ends of the vector levels' rows.
#include "kernels/code_rows.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "convert/div_round.h"

namespace quorlin::c {

namespace {

// Codes are bytes, or 16-bit words as kWide says.
template <bool kWide>
uint16_t LoadCode(const void* codes, int x, const CodeRowParams& p) {
  uint16_t code;
  if constexpr (kWide) {
    std::memcpy(&code, static_cast<const uint8_t*>(codes) + 2 * ptrdiff_t{x}, sizeof code);
  } else {
    code = static_cast<const uint8_t*>(codes)[x];
  }
  return std::min<uint16_t>(code, uint16_t(p.max_code));
}

template <bool kWide>
void StoreCode(void* codes, int x, int code) {
  if constexpr (kWide) {
    const auto word = uint16_t(code);
    std::memcpy(static_cast<uint8_t*>(codes) + 2 * ptrdiff_t{x}, &word, sizeof word);
  } else {
    static_cast<uint8_t*>(codes)[x] = uint8_t(code);
  }
}

// sign(n) * floor((2|n|A + D) / 2D): n * A / D rounded half away from zero,
// the quotient as a multiply-high (2|n|A + D stays below 2^30).
int16_t Value(int code, const CodeRowParams& p) {
  const int n = code - p.offset;
  const uint32_t x = (uint32_t(std::abs(n)) << (p.a_shift + 1)) + p.d;
  const auto q = int((uint64_t{x} * p.magic) >> p.magic_shift);
  return int16_t(n < 0 ? -q : q);
}

// sign(v) * round(|v| D / A) + offset, clamped to the codes: A / 2 is added
// before the shift (nothing where A is 1).
int Code(int value, const CodeRowParams& p) {
  const int64_t product = std::abs(int64_t{value}) * p.d;
  const int64_t q = (product + ((int64_t{1} << p.a_shift) >> 1)) >> p.a_shift;
  return int(std::clamp<int64_t>((value < 0 ? -q : q) + p.offset, 0, p.max_code));
}

template <bool kWide>
void CodesToValuesAs(const void* codes, int n, const CodeRowParams& p, int16_t* values) {
  for (int x = 0; x < n; ++x) values[x] = Value(LoadCode<kWide>(codes, x, p), p);
}

template <bool kWide, bool kKeepOriginal>
void ValuesToCodesAs(const int16_t* values, const void* original, int n, const CodeRowParams& p, void* codes) {
  for (int x = 0; x < n; ++x) {
    int code = Code(values[x], p);
    if constexpr (kKeepOriginal) {
      const int before = LoadCode<kWide>(original, x, p);
      if (Value(before, p) == values[x]) code = before;
    }
    StoreCode<kWide>(codes, x, code);
  }
}

}  // namespace

void CodesToValues(const void* codes, int n, const CodeRowParams& p, int16_t* values) {
  p.wide ? CodesToValuesAs<true>(codes, n, p, values) : CodesToValuesAs<false>(codes, n, p, values);
}

void ValuesToCodes(const int16_t* values, const void* original, int n, const CodeRowParams& p, void* codes) {
  if (p.keep_original) {
    return p.wide ? ValuesToCodesAs<true, true>(values, original, n, p, codes)
                  : ValuesToCodesAs<false, true>(values, original, n, p, codes);
  }
  p.wide ? ValuesToCodesAs<true, false>(values, original, n, p, codes)
         : ValuesToCodesAs<false, false>(values, original, n, p, codes);
}

void SpreadPairs(const int16_t* in, int n, int16_t* out) {
  for (int c = 0; 2 * c < n; ++c) {
    out[2 * c] = in[c];
    if (2 * c + 1 < n) out[2 * c + 1] = in[c];
  }
}

namespace {

// Whole blocks first, with a count the compiler knows, then the last column.
template <int kRows>
void BlockMeansOf(const int16_t* top, const int16_t* bottom, int n, int16_t* means) {
  auto sample = [&](int x) { return kRows == 2 ? top[x] + bottom[x] : int{top[x]}; };
  int c = 0;
  for (; 2 * c + 1 < n; ++c) means[c] = int16_t(DivRound(sample(2 * c) + sample(2 * c + 1), 2 * kRows));
  if (2 * c < n) means[c] = int16_t(DivRound(sample(2 * c), kRows));
}

}  // namespace

void BlockMeans(const int16_t* top, const int16_t* bottom, int n, int16_t* means) {
  bottom ? BlockMeansOf<2>(top, bottom, n, means) : BlockMeansOf<1>(top, bottom, n, means);
}

}  // namespace quorlin::c

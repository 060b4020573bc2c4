// The code-row kernels at 256 bits, exact to the SSE2 ones (see
// code_rows_sse2.cpp for the arithmetic): codes to values by a float product
// where it rounds every code right, else by the multiply-high divide; values
// to codes by one multiply-add where no original code is needed (12 bits and
// less), else by the exact products with the original kept where its value
// is unchanged; and the 4:2:0 spreads and means.
#include "kernels/code_rows.h"
#include "kernels/x86/avx2_util.h"

namespace quorlin::avx2 {

namespace {

// Sixteen codes widened to 16-bit lanes, those above the depth's largest
// lowered to it.
QUORLIN_FORCE_INLINE __m256i LoadCodes(const void* codes, int x, const CodeRowParams& p, __m256i max_code) {
  if (!p.wide) return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(static_cast<const uint8_t*>(codes) + x)));
  return _mm256_min_epu16(LoadUnaligned(static_cast<const uint8_t*>(codes) + 2 * ptrdiff_t{x}), max_code);
}

// Lanes 0..3 | 4..7 of a and b packed to 16 bits in the order a, b.
QUORLIN_FORCE_INLINE __m256i PackInOrder(__m256i a, __m256i b) {
  return _mm256_permute4x64_epi64(_mm256_packs_epi32(a, b), _MM_SHUFFLE(3, 1, 2, 0));
}

struct ValueVectors {
  __m256i offset, d, magic, max_code;
  __m128i a_shift, magic_shift;
  __m256 ratio;
  bool by_ratio;
  explicit ValueVectors(const CodeRowParams& p)
      : offset(_mm256_set1_epi32(p.offset)),
        d(_mm256_set1_epi32(int(p.d))),
        magic(_mm256_set1_epi32(int(p.magic))),
        max_code(_mm256_set1_epi16(int16_t(p.max_code))),
        a_shift(_mm_cvtsi32_si128(p.a_shift + 1)),
        magic_shift(_mm_cvtsi32_si128(p.magic_shift)),
        ratio(_mm256_set1_ps(p.ratio)),
        by_ratio(p.ratio != 0) {}
};

// Eight codes (32-bit lanes) to values: n * A / D rounded half away from
// zero, in floats where that is exact, else sign(n) * floor((2|n|A + D) / 2D).
QUORLIN_FORCE_INLINE __m256i Values8(__m256i codes, const ValueVectors& k) {
  const __m256i n = _mm256_sub_epi32(codes, k.offset);
  if (k.by_ratio) {
    const __m256 t = _mm256_mul_ps(_mm256_cvtepi32_ps(n), k.ratio);
    const __m256 half = _mm256_or_ps(_mm256_and_ps(t, _mm256_set1_ps(-0.0f)), _mm256_set1_ps(0.5f));
    return _mm256_cvttps_epi32(_mm256_add_ps(t, half));
  }
  const __m256i x = _mm256_add_epi32(_mm256_sll_epi32(_mm256_abs_epi32(n), k.a_shift), k.d);
  return _mm256_sign_epi32(DivideByMagic(x, k.magic, k.magic_shift), n);
}

// Sixteen codes (16-bit lanes) to sixteen values, in order.
QUORLIN_FORCE_INLINE __m256i Values16(__m256i codes, const ValueVectors& k) {
  const __m256i lo = Values8(_mm256_cvtepu16_epi32(_mm256_castsi256_si128(codes)), k);
  const __m256i hi = Values8(_mm256_cvtepu16_epi32(_mm256_extracti128_si256(codes, 1)), k);
  return PackInOrder(lo, hi);
}

// Eight values' magnitudes times D (32-bit lanes) and their signs to codes:
// sign(v) * round(|v| D / A) + offset, clamped to 0..max.
QUORLIN_FORCE_INLINE __m256i Codes8(__m256i products, __m256i sign, __m256i half_a, __m128i a_shift, __m256i offset,
                                    __m256i max_code) {
  const __m256i q = _mm256_srl_epi32(_mm256_add_epi32(products, half_a), a_shift);
  const __m256i code = _mm256_add_epi32(_mm256_sub_epi32(_mm256_xor_si256(q, sign), sign), offset);
  return _mm256_min_epi32(_mm256_max_epi32(code, _mm256_setzero_si256()), max_code);
}

void StoreCodes(void* codes, int x, const CodeRowParams& p, __m256i result) {
  if (p.wide) {
    StoreUnaligned(static_cast<uint8_t*>(codes) + 2 * ptrdiff_t{x}, result);
  } else {
    const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(result, result), _MM_SHUFFLE(3, 1, 2, 0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(static_cast<uint8_t*>(codes) + x), _mm256_castsi256_si128(bytes));
  }
}

}  // namespace

void CodesToValues(const void* codes, int n, const CodeRowParams& p, int16_t* values) {
  const ValueVectors k(p);
  int x = 0;
  for (; x + 16 <= n; x += 16) StoreUnaligned(values + x, Values16(LoadCodes(codes, x, p, k.max_code), k));
  const int sample = p.wide ? 2 : 1;
  sse2::CodesToValues(static_cast<const uint8_t*>(codes) + ptrdiff_t{x} * sample, n - x, p, values + x);
}

void ValuesToCodes(const int16_t* values, const void* original, int n, const CodeRowParams& p, void* codes) {
  const ValueVectors k(p);
  int x = 0;
  if (!p.keep_original && p.d < 32768 && p.a_shift > 0) {
    // floor((D v + A/2 - [v < 0]) / A) + offset (see NearestCodes8 in
    // code_rows_sse2.cpp); the in-lane unpacks and the in-lane pack undo
    // each other's order.
    const __m256i d_one = _mm256_set1_epi32(int(p.d) | 1 << 16);
    const __m256i bias = _mm256_set1_epi32((1 << (p.a_shift - 1)) + (p.offset << p.a_shift));
    const __m128i a_shift = _mm_cvtsi32_si128(p.a_shift);
    for (; x + 16 <= n; x += 16) {
      const __m256i v = LoadUnaligned(values + x);
      const __m256i negative = _mm256_srai_epi16(v, 15);
      const __m256i lo = _mm256_sra_epi32(_mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(v, negative), d_one), bias), a_shift);
      const __m256i hi = _mm256_sra_epi32(_mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(v, negative), d_one), bias), a_shift);
      StoreCodes(codes, x, p, _mm256_min_epi16(_mm256_max_epi16(_mm256_packs_epi32(lo, hi), _mm256_setzero_si256()), k.max_code));
    }
  }
  const __m256i d16 = _mm256_set1_epi16(int16_t(p.d));
  const __m256i half_a = _mm256_set1_epi32(p.a_shift ? 1 << (p.a_shift - 1) : 0);
  const __m128i a_shift = _mm_cvtsi32_si128(p.a_shift);
  const __m256i max_code32 = _mm256_set1_epi32(p.max_code);
  for (; x + 16 <= n; x += 16) {
    const __m256i v = LoadUnaligned(values + x);
    const __m256i sign16 = _mm256_srai_epi16(v, 15);
    const __m256i magnitude = _mm256_abs_epi16(v);  // 32768 as unsigned
    // |v| * D in 32 bits, in-lane order; the pack below restores it.
    const __m256i lo = _mm256_mullo_epi16(magnitude, d16);
    const __m256i hi = _mm256_mulhi_epu16(magnitude, d16);
    const __m256i codes_lo = Codes8(_mm256_unpacklo_epi16(lo, hi), _mm256_unpacklo_epi16(sign16, sign16), half_a,
                                    a_shift, k.offset, max_code32);
    const __m256i codes_hi = Codes8(_mm256_unpackhi_epi16(lo, hi), _mm256_unpackhi_epi16(sign16, sign16), half_a,
                                    a_shift, k.offset, max_code32);
    __m256i result = _mm256_packus_epi32(codes_lo, codes_hi);  // codes are 0..65535 already
    if (p.keep_original) {
      const __m256i before = LoadCodes(original, x, p, k.max_code);
      result = _mm256_blendv_epi8(result, before, _mm256_cmpeq_epi16(Values16(before, k), v));
    }
    StoreCodes(codes, x, p, result);
  }
  const int sample = p.wide ? 2 : 1;
  sse2::ValuesToCodes(values + x, static_cast<const uint8_t*>(original) + ptrdiff_t{x} * sample, n - x, p,
                      static_cast<uint8_t*>(codes) + ptrdiff_t{x} * sample);
}

void SpreadPairs(const int16_t* in, int n, int16_t* out) {
  int x = 0;
  for (; x + 32 <= n; x += 32) {
    const __m256i v = LoadUnaligned(in + x / 2);
    const __m256i lo = _mm256_unpacklo_epi16(v, v), hi = _mm256_unpackhi_epi16(v, v);
    StoreUnaligned(out + x, _mm256_permute2x128_si256(lo, hi, 0x20));
    StoreUnaligned(out + x + 16, _mm256_permute2x128_si256(lo, hi, 0x31));
  }
  sse2::SpreadPairs(in + x / 2, n - x, out + x);
}

void BlockMeans(const int16_t* top, const int16_t* bottom, int n, int16_t* means) {
  const int rows = bottom ? 2 : 1;
  const __m256i ones = _mm256_set1_epi16(1);
  const __m256i half = _mm256_set1_epi32(rows);  // half the count of 2 or 4
  const __m128i shift = _mm_cvtsi32_si128(rows);
  auto mean = [&](__m256i sum) {
    const __m256i sign = _mm256_srai_epi32(sum, 31);
    const __m256i magnitude = _mm256_sub_epi32(_mm256_xor_si256(sum, sign), sign);
    const __m256i q = _mm256_srl_epi32(_mm256_add_epi32(magnitude, half), shift);
    return _mm256_sub_epi32(_mm256_xor_si256(q, sign), sign);
  };
  int c = 0;
  // Thirty-two columns make sixteen whole blocks.
  for (; 2 * c + 32 <= n; c += 16) {
    __m256i lo = _mm256_madd_epi16(LoadUnaligned(top + 2 * c), ones);
    __m256i hi = _mm256_madd_epi16(LoadUnaligned(top + 2 * c + 16), ones);
    if (bottom) {
      lo = _mm256_add_epi32(lo, _mm256_madd_epi16(LoadUnaligned(bottom + 2 * c), ones));
      hi = _mm256_add_epi32(hi, _mm256_madd_epi16(LoadUnaligned(bottom + 2 * c + 16), ones));
    }
    StoreUnaligned(means + c, PackInOrder(mean(lo), mean(hi)));
  }
  sse2::BlockMeans(top + 2 * c, bottom ? bottom + 2 * c : nullptr, n - 2 * c, means + c);
}

}  // namespace quorlin::avx2

#include "kernels/code_rows.h"

#include "kernels/x86/sse2_util.h"

namespace quorlin::sse2 {

namespace {

// Eight codes widened to 16-bit lanes, those above the depth's largest
// lowered to it.
QUORLIN_FORCE_INLINE __m128i LoadCodes(const void* codes, int x, const CodeRowParams& p, __m128i max_code) {
  if (!p.wide) {
    const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(static_cast<const uint8_t*>(codes) + x));
    return _mm_unpacklo_epi8(bytes, _mm_setzero_si128());
  }
  // Unsigned minimum through the signed one, both sides moved by 2^15.
  const __m128i flip = _mm_set1_epi16(int16_t(0x8000));
  const __m128i words = LoadUnaligned(static_cast<const uint8_t*>(codes) + 2 * ptrdiff_t{x});
  return _mm_xor_si128(_mm_min_epi16(_mm_xor_si128(words, flip), _mm_xor_si128(max_code, flip)), flip);
}

// Four codes (32-bit lanes) to values: sign(n) * floor((2|n|A + D) / 2D).
QUORLIN_FORCE_INLINE __m128i Values4(__m128i codes, __m128i offset, __m128i a_shift, __m128i d, __m128i magic,
                                     __m128i magic_shift) {
  const __m128i n = _mm_sub_epi32(codes, offset);
  const __m128i sign = _mm_srai_epi32(n, 31);
  const __m128i magnitude = _mm_sub_epi32(_mm_xor_si128(n, sign), sign);
  const __m128i x = _mm_add_epi32(_mm_sll_epi32(magnitude, a_shift), d);
  const __m128i q = DivideByMagic(x, magic, magic_shift);
  return _mm_sub_epi32(_mm_xor_si128(q, sign), sign);
}

// Four codes to values as n * A / D rounded half away from zero, in floats:
// exact where D is odd (no value is a half) and at most 255, for then every
// value lies 1/510 or more from a half, and the float error of |value| <
// 4600 stays below 10^-3.
QUORLIN_FORCE_INLINE __m128i RoundedValues4(__m128i codes, __m128i offset, __m128 ratio) {
  const __m128 t = _mm_mul_ps(_mm_cvtepi32_ps(_mm_sub_epi32(codes, offset)), ratio);
  const __m128 half = _mm_or_ps(_mm_and_ps(t, _mm_set1_ps(-0.0f)), _mm_set1_ps(0.5f));
  return _mm_cvttps_epi32(_mm_add_ps(t, half));
}

struct ValueVectors {
  __m128i offset, a_shift, d, magic, magic_shift, max_code;
  __m128 ratio;
  bool by_ratio;
  explicit ValueVectors(const CodeRowParams& p)
      : offset(_mm_set1_epi32(p.offset)),
        a_shift(_mm_cvtsi32_si128(p.a_shift + 1)),
        d(_mm_set1_epi32(int(p.d))),
        magic(_mm_set1_epi32(int(p.magic))),
        magic_shift(_mm_cvtsi32_si128(p.magic_shift)),
        max_code(_mm_set1_epi16(int16_t(p.max_code))),
        ratio(_mm_set1_ps(p.ratio)),
        by_ratio(p.ratio != 0) {}
};

// Eight codes (16-bit lanes) to eight values.
QUORLIN_FORCE_INLINE __m128i Values8(__m128i codes, const ValueVectors& k) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i codes_lo = _mm_unpacklo_epi16(codes, zero), codes_hi = _mm_unpackhi_epi16(codes, zero);
  if (k.by_ratio) return _mm_packs_epi32(RoundedValues4(codes_lo, k.offset, k.ratio), RoundedValues4(codes_hi, k.offset, k.ratio));
  const __m128i lo = Values4(codes_lo, k.offset, k.a_shift, k.d, k.magic, k.magic_shift);
  const __m128i hi = Values4(codes_hi, k.offset, k.a_shift, k.d, k.magic, k.magic_shift);
  return _mm_packs_epi32(lo, hi);
}

// Eight values to codes where D < 2^15 and no original code is needed:
// floor((D v + A/2 - [v < 0]) / A) + offset is D v / A rounded half away from
// zero, plus the offset; one multiply-add makes D v - [v < 0].
QUORLIN_FORCE_INLINE __m128i NearestCodes8(__m128i v, __m128i d_one, __m128i bias, __m128i a_shift,
                                           __m128i max_code) {
  const __m128i negative = _mm_srai_epi16(v, 15);
  const __m128i lo = _mm_sra_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(v, negative), d_one), bias), a_shift);
  const __m128i hi = _mm_sra_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(v, negative), d_one), bias), a_shift);
  // Codes of 12 bits and less: signed 16-bit lanes hold them.
  return _mm_min_epi16(_mm_max_epi16(_mm_packs_epi32(lo, hi), _mm_setzero_si128()), max_code);
}

// Four values (32-bit lanes, their magnitudes' products with D given) to
// codes: sign(v) * round(|v| D / A) + offset, clamped to 0..max.
QUORLIN_FORCE_INLINE __m128i Codes4(__m128i products, __m128i sign, __m128i half_a, __m128i a_shift, __m128i offset,
                                    __m128i max_code) {
  const __m128i q = _mm_srl_epi32(_mm_add_epi32(products, half_a), a_shift);
  const __m128i code = _mm_add_epi32(_mm_sub_epi32(_mm_xor_si128(q, sign), sign), offset);
  const __m128i non_negative = _mm_andnot_si128(_mm_srai_epi32(code, 31), code);
  const __m128i above = _mm_cmpgt_epi32(non_negative, max_code);
  return _mm_or_si128(_mm_andnot_si128(above, non_negative), _mm_and_si128(above, max_code));
}

}  // namespace

void CodesToValues(const void* codes, int n, const CodeRowParams& p, int16_t* values) {
  const ValueVectors k(p);
  int x = 0;
  for (; x + 8 <= n; x += 8) _mm_storeu_si128(reinterpret_cast<__m128i*>(values + x), Values8(LoadCodes(codes, x, p, k.max_code), k));
  const int sample = p.wide ? 2 : 1;
  c::CodesToValues(static_cast<const uint8_t*>(codes) + ptrdiff_t{x} * sample, n - x, p, values + x);
}

void ValuesToCodes(const int16_t* values, const void* original, int n, const CodeRowParams& p, void* codes) {
  const ValueVectors k(p);
  int x = 0;
  if (!p.keep_original && p.d < 32768 && p.a_shift > 0) {
    const __m128i d_one = _mm_set1_epi32(int(p.d) | 1 << 16);
    const __m128i bias = _mm_set1_epi32((p.a_shift ? 1 << (p.a_shift - 1) : 0) + (p.offset << p.a_shift));
    const __m128i a_shift = _mm_cvtsi32_si128(p.a_shift);
    for (; x + 8 <= n; x += 8) {
      const __m128i result = NearestCodes8(LoadUnaligned(values + x), d_one, bias, a_shift, k.max_code);
      if (p.wide) {
        StoreUnaligned(static_cast<uint8_t*>(codes) + 2 * ptrdiff_t{x}, result);
      } else {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(static_cast<uint8_t*>(codes) + x), _mm_packus_epi16(result, result));
      }
    }
  }
  const __m128i d16 = _mm_set1_epi16(int16_t(p.d));
  const __m128i half_a = _mm_set1_epi32(p.a_shift ? 1 << (p.a_shift - 1) : 0);
  const __m128i a_shift = _mm_cvtsi32_si128(p.a_shift);
  const __m128i max_code32 = _mm_set1_epi32(p.max_code);
  const __m128i flip16 = _mm_set1_epi16(int16_t(0x8000));
  const __m128i flip32 = _mm_set1_epi32(0x8000);
  for (; x + 8 <= n; x += 8) {
    const __m128i v = LoadUnaligned(values + x);
    const __m128i sign16 = _mm_srai_epi16(v, 15);
    const __m128i magnitude = _mm_sub_epi16(_mm_xor_si128(v, sign16), sign16);  // 32768 as unsigned
    // |v| * D in 32 bits: D fits 16 bits and |v| at most 2^15.
    const __m128i lo = _mm_mullo_epi16(magnitude, d16);
    const __m128i hi = _mm_mulhi_epu16(magnitude, d16);
    const __m128i codes_lo = Codes4(_mm_unpacklo_epi16(lo, hi), _mm_unpacklo_epi16(sign16, sign16), half_a, a_shift,
                                    k.offset, max_code32);
    const __m128i codes_hi = Codes4(_mm_unpackhi_epi16(lo, hi), _mm_unpackhi_epi16(sign16, sign16), half_a, a_shift,
                                    k.offset, max_code32);
    // Codes up to 65535 packed to 16 bits through a signed pack, moved by 2^15.
    __m128i result = _mm_xor_si128(
        _mm_packs_epi32(_mm_sub_epi32(codes_lo, flip32), _mm_sub_epi32(codes_hi, flip32)), flip16);
    if (p.keep_original) {
      const __m128i before = LoadCodes(original, x, p, k.max_code);
      const __m128i unchanged = _mm_cmpeq_epi16(Values8(before, k), v);
      result = _mm_or_si128(_mm_and_si128(unchanged, before), _mm_andnot_si128(unchanged, result));
    }
    if (p.wide) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(static_cast<uint8_t*>(codes) + 2 * ptrdiff_t{x}), result);
    } else {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(static_cast<uint8_t*>(codes) + x), _mm_packus_epi16(result, result));
    }
  }
  const int sample = p.wide ? 2 : 1;
  c::ValuesToCodes(values + x, static_cast<const uint8_t*>(original) + ptrdiff_t{x} * sample, n - x, p,
                   static_cast<uint8_t*>(codes) + ptrdiff_t{x} * sample);
}

void SpreadPairs(const int16_t* in, int n, int16_t* out) {
  int x = 0;
  for (; x + 16 <= n; x += 16) {
    const __m128i v = LoadUnaligned(in + x / 2);
    StoreUnaligned(out + x, _mm_unpacklo_epi16(v, v));
    StoreUnaligned(out + x + 8, _mm_unpackhi_epi16(v, v));
  }
  c::SpreadPairs(in + x / 2, n - x, out + x);
}

void BlockMeans(const int16_t* top, const int16_t* bottom, int n, int16_t* means) {
  const int rows = bottom ? 2 : 1;
  const __m128i ones = _mm_set1_epi16(1);
  const __m128i half = _mm_set1_epi32(rows);  // half the count of 2 or 4
  const __m128i shift = _mm_cvtsi32_si128(rows);
  int c = 0;
  // Sixteen columns make eight whole blocks.
  for (; 2 * c + 16 <= n; c += 8) {
    __m128i lo = _mm_madd_epi16(LoadUnaligned(top + 2 * c), ones);
    __m128i hi = _mm_madd_epi16(LoadUnaligned(top + 2 * c + 8), ones);
    if (bottom) {
      lo = _mm_add_epi32(lo, _mm_madd_epi16(LoadUnaligned(bottom + 2 * c), ones));
      hi = _mm_add_epi32(hi, _mm_madd_epi16(LoadUnaligned(bottom + 2 * c + 8), ones));
    }
    auto mean = [&](__m128i sum) {
      const __m128i sign = _mm_srai_epi32(sum, 31);
      const __m128i magnitude = _mm_sub_epi32(_mm_xor_si128(sum, sign), sign);
      const __m128i q = _mm_srl_epi32(_mm_add_epi32(magnitude, half), shift);
      return _mm_sub_epi32(_mm_xor_si128(q, sign), sign);
    };
    _mm_storeu_si128(reinterpret_cast<__m128i*>(means + c), _mm_packs_epi32(mean(lo), mean(hi)));
  }
  c::BlockMeans(top + 2 * c, bottom ? bottom + 2 * c : nullptr, n - 2 * c, means + c);
}

}  // namespace quorlin::sse2

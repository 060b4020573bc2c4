#include "combine/combine.h"

#include "planes/vectors.h"

namespace {

// in - blur where |in - blur| > threshold, else 0.
QUORLIN_FORCE_INLINE __m128i MaskedDifference(__m128i in, __m128i blur, __m128i threshold) {
  const __m128i diff = _mm_sub_epi16(in, blur);
  const __m128i magnitude = _mm_max_epi16(diff, _mm_sub_epi16(_mm_setzero_si128(), diff));
  return _mm_and_si128(diff, _mm_cmpgt_epi16(magnitude, threshold));
}

// in + floor(diff * strength / 256) as 32-bit lanes: the exact product from
// its low and high halves, added to in (sign-extended) shifted up by 8.
QUORLIN_FORCE_INLINE void Sharpen32(__m128i in, __m128i diff, __m128i strength, __m128i& lo, __m128i& hi) {
  const __m128i product_lo = _mm_mullo_epi16(diff, strength);
  const __m128i product_hi = _mm_mulhi_epi16(diff, strength);
  const __m128i in_lo = _mm_srai_epi32(_mm_unpacklo_epi16(in, in), 16);
  const __m128i in_hi = _mm_srai_epi32(_mm_unpackhi_epi16(in, in), 16);
  lo = _mm_srai_epi32(_mm_add_epi32(_mm_slli_epi32(in_lo, 8), _mm_unpacklo_epi16(product_lo, product_hi)), 8);
  hi = _mm_srai_epi32(_mm_add_epi32(_mm_slli_epi32(in_hi, 8), _mm_unpackhi_epi16(product_lo, product_hi)), 8);
}

// The low 16 bits of each 32-bit lane.
QUORLIN_FORCE_INLINE __m128i Wrap16(__m128i lo, __m128i hi) {
  return _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(lo, 16), 16), _mm_srai_epi32(_mm_slli_epi32(hi, 16), 16));
}

template <Bound kBound>
void CombineRowAs(const int16_t* in, const int16_t* blur, const int16_t* lo_e, const int16_t* hi_e, int width,
                  ChannelParams params, int16_t* out) {
  const __m128i strength = _mm_set1_epi16(params.strength);
  const __m128i threshold = _mm_set1_epi16(params.threshold);
  const __m128i limit = _mm_set1_epi16(params.limit);
  for (int x = 0; x < width; x += 8) {
    const __m128i sample = Load(in + x);
    __m128i lo, hi;
    Sharpen32(sample, MaskedDifference(sample, Load(blur + x), threshold), strength, lo, hi);
    __m128i result = kBound == Bound::Saturated ? _mm_packs_epi32(lo, hi) : Wrap16(lo, hi);
    if constexpr (kBound != Bound::None) {
      const __m128i lower = _mm_sub_epi16(Load(lo_e + x), limit);
      const __m128i upper = _mm_add_epi16(Load(hi_e + x), limit);
      result = _mm_min_epi16(_mm_max_epi16(result, lower), upper);
    }
    Store(out + x, result);
  }
}

}  // namespace

void CombineRow(const int16_t* in, const int16_t* blur, const int16_t* lo, const int16_t* hi, int width,
                ChannelParams params, Bound bound, int16_t* out) {
  switch (bound) {
    case Bound::None: return CombineRowAs<Bound::None>(in, blur, lo, hi, width, params, out);
    case Bound::Wrapped: return CombineRowAs<Bound::Wrapped>(in, blur, lo, hi, width, params, out);
    case Bound::Saturated: return CombineRowAs<Bound::Saturated>(in, blur, lo, hi, width, params, out);
  }
}

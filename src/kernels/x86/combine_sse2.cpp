#include "kernels/combine.h"

#include "kernels/x86/sse2_util.h"

namespace quorlin::sse2 {

namespace {

// in - blur where |in - blur| > threshold, else 0.
QUORLIN_FORCE_INLINE __m128i MaskedDifference(__m128i in, __m128i blur, __m128i threshold) {
  const __m128i diff = _mm_sub_epi16(in, blur);
  const __m128i magnitude = _mm_max_epi16(diff, _mm_sub_epi16(_mm_setzero_si128(), diff));
  return _mm_and_si128(diff, _mm_cmpgt_epi16(magnitude, threshold));
}

// floor(diff * strength / 256): with |diff| <= 32768 and strength <= 256 the
// product has at most 24 bits, so the quotient fits 16 bits exactly; it is
// the product's high half shifted up by 8 joined with its low half shifted
// down by 8.
QUORLIN_FORCE_INLINE __m128i Correction(__m128i diff, __m128i strength) {
  const __m128i product_lo = _mm_mullo_epi16(diff, strength);
  const __m128i product_hi = _mm_mulhi_epi16(diff, strength);
  return _mm_or_si128(_mm_slli_epi16(product_hi, 8), _mm_srli_epi16(product_lo, 8));
}

template <Bound kBound>
void CombineRowAs(const int16_t* in, const int16_t* blur, const int16_t* lo_e, const int16_t* hi_e, int width,
                  ChannelParams params, int16_t* out) {
  const __m128i strength = _mm_set1_epi16(params.strength);
  const __m128i threshold = _mm_set1_epi16(params.threshold);
  const __m128i limit = _mm_set1_epi16(params.limit);
  for (int x = 0; x < width; x += 8) {
    const __m128i sample = Load(in + x);
    const __m128i correction = Correction(MaskedDifference(sample, Load(blur + x), threshold), strength);
    // in + correction is at most 17 bits: saturating or wrapping it is exact.
    __m128i result = kBound == Bound::Saturated ? _mm_adds_epi16(sample, correction)
                                                : _mm_add_epi16(sample, correction);
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
  WithBound(bound, [&](auto kBound) { CombineRowAs<kBound>(in, blur, lo, hi, width, params, out); });
}

}  // namespace quorlin::sse2

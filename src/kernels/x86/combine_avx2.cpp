#include "kernels/combine.h"
#include "kernels/x86/avx2_util.h"

namespace quorlin::avx2 {

namespace {

// in - blur where |in - blur| > threshold, else 0: |-32768| stays -32768,
// above no threshold.
QUORLIN_FORCE_INLINE __m256i MaskedDifference(__m256i in, __m256i blur, __m256i threshold) {
  const __m256i diff = _mm256_sub_epi16(in, blur);
  return _mm256_and_si256(diff, _mm256_cmpgt_epi16(_mm256_abs_epi16(diff), threshold));
}

// floor(diff * strength / 256), exact in 16 bits (see combine_sse2.cpp).
QUORLIN_FORCE_INLINE __m256i Correction(__m256i diff, __m256i strength) {
  const __m256i product_lo = _mm256_mullo_epi16(diff, strength);
  const __m256i product_hi = _mm256_mulhi_epi16(diff, strength);
  return _mm256_or_si256(_mm256_slli_epi16(product_hi, 8), _mm256_srli_epi16(product_lo, 8));
}

template <Bound kBound>
void CombineRowAs(const int16_t* in, const int16_t* blur, const int16_t* lo_e, const int16_t* hi_e, int width,
                  ChannelParams params, int16_t* out) {
  const __m256i strength = _mm256_set1_epi16(params.strength);
  const __m256i threshold = _mm256_set1_epi16(params.threshold);
  const __m256i limit = _mm256_set1_epi16(params.limit);
  // The sample rows start their margins on 16-byte boundaries only.
  for (int x = 0; x < width; x += 16) {
    const __m256i sample = LoadUnaligned(in + x);
    const __m256i correction = Correction(MaskedDifference(sample, Load(blur + x), threshold), strength);
    __m256i result = kBound == Bound::Saturated ? _mm256_adds_epi16(sample, correction)
                                                : _mm256_add_epi16(sample, correction);
    if constexpr (kBound != Bound::None) {
      const __m256i lower = _mm256_sub_epi16(Load(lo_e + x), limit);
      const __m256i upper = _mm256_add_epi16(Load(hi_e + x), limit);
      result = _mm256_min_epi16(_mm256_max_epi16(result, lower), upper);
    }
    Store(out + x, result);
  }
}

}  // namespace

void CombineRow(const int16_t* in, const int16_t* blur, const int16_t* lo, const int16_t* hi, int width,
                ChannelParams params, Bound bound, int16_t* out) {
  WithBound(bound, [&](auto kBound) { CombineRowAs<kBound>(in, blur, lo, hi, width, params, out); });
}

}  // namespace quorlin::avx2

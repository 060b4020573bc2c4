#include "blur/box_blur.h"

#include "planes/vectors.h"

namespace {

// Sign-extends eight 16-bit samples into two vectors of four 32-bit lanes.
QUORLIN_FORCE_INLINE void Widen(__m128i v, __m128i& lo, __m128i& hi) {
  lo = _mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16);
  hi = _mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16);
}

// (sum * F) >> 16 in 16 bits: with sum = hi * 65536 + lo (lo unsigned),
// that is hi * F + ((lo * F) >> 16), and only its low 16 bits are kept.
QUORLIN_FORCE_INLINE __m128i Scale(__m128i sums_lo, __m128i sums_hi, __m128i factor) {
  const __m128i high = _mm_packs_epi32(_mm_srai_epi32(sums_lo, 16), _mm_srai_epi32(sums_hi, 16));
  const __m128i low = _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(sums_lo, 16), 16),
                                      _mm_srai_epi32(_mm_slli_epi32(sums_hi, 16), 16));
  return _mm_add_epi16(_mm_mullo_epi16(high, factor), _mm_mulhi_epu16(low, factor));
}

}  // namespace

void AddRowToSums(int32_t* sums, const int16_t* row, const Segments& seg) {
  const int n = seg.Extended() * Segments::kLanes;
  for (int k = 0; k < n; k += 8) {
    __m128i lo, hi;
    Widen(Load(row + k), lo, hi);
    Store(sums + k, _mm_add_epi32(Load(sums + k), lo));
    Store(sums + k + 4, _mm_add_epi32(Load(sums + k + 4), hi));
  }
}

void SlideSums(int32_t* sums, const int16_t* entering, const int16_t* leaving, const Segments& seg) {
  const int n = seg.Extended() * Segments::kLanes;
  for (int k = 0; k < n; k += 8) {
    __m128i in_lo, in_hi, out_lo, out_hi;
    Widen(Load(entering + k), in_lo, in_hi);
    Widen(Load(leaving + k), out_lo, out_hi);
    Store(sums + k, _mm_add_epi32(Load(sums + k), _mm_sub_epi32(in_lo, out_lo)));
    Store(sums + k + 4, _mm_add_epi32(Load(sums + k + 4), _mm_sub_epi32(in_hi, out_hi)));
  }
}

void BoxBlurRow(const int32_t* column_sums, const Segments& seg, int16_t* out) {
  const int r = seg.reach;
  // Vector i of the row (without margins) starts at column_sums + (i + r) * 8.
  const int32_t* sums = column_sums + r * Segments::kLanes;
  __m128i lo = _mm_setzero_si128(), hi = _mm_setzero_si128();
  for (int k = -r; k <= r; ++k) {
    lo = _mm_add_epi32(lo, Load(sums + k * 8));
    hi = _mm_add_epi32(hi, Load(sums + k * 8 + 4));
  }
  const __m128i factor = _mm_set1_epi16(static_cast<int16_t>(BoxFactor(r)));
  for (int i = 0;; ++i) {
    Store(out + i * 8, Scale(lo, hi, factor));
    if (i + 1 == seg.length) break;
    // Window sums wrap in 32 bits exactly as the true sums would; they never
    // leave the 32-bit range for 16-bit samples.
    const int32_t* entering = sums + (i + r + 1) * 8;
    const int32_t* leaving = sums + (i - r) * 8;
    lo = _mm_add_epi32(lo, _mm_sub_epi32(Load(entering), Load(leaving)));
    hi = _mm_add_epi32(hi, _mm_sub_epi32(Load(entering + 4), Load(leaving + 4)));
  }
}

#include "kernels/box_blur.h"

#include "kernels/x86/sse2_util.h"

namespace quorlin::sse2 {

namespace {

// Sign-extends eight 16-bit samples into two vectors of four 32-bit lanes.
QUORLIN_FORCE_INLINE void Widen(__m128i v, __m128i& lo, __m128i& hi) {
  lo = _mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16);
  hi = _mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16);
}

// entering - leaving for eight pairs of 16-bit samples, exact in two
// vectors of four 32-bit lanes: multiply-add of each (entering, leaving)
// pair by (1, -1).
QUORLIN_FORCE_INLINE void Difference(__m128i entering, __m128i leaving, __m128i& lo, __m128i& hi) {
  const __m128i plus_minus = _mm_set1_epi32(0xFFFF0001);
  lo = _mm_madd_epi16(_mm_unpacklo_epi16(entering, leaving), plus_minus);
  hi = _mm_madd_epi16(_mm_unpackhi_epi16(entering, leaving), plus_minus);
}

// (sum * F) >> 16 in 16 bits: with sum = hi * 65536 + lo (lo unsigned),
// that is hi * F + ((lo * F) >> 16), and only its low 16 bits are kept, so
// the halves of the sums are split apart and multiplied in 16-bit lanes.
QUORLIN_FORCE_INLINE __m128i Scale(__m128i sums_lo, __m128i sums_hi, __m128i factor) {
  // Three rounds of unpacking sort the sixteen halves into low, then high.
  const __m128i a = _mm_unpacklo_epi16(sums_lo, sums_hi);
  const __m128i b = _mm_unpackhi_epi16(sums_lo, sums_hi);
  const __m128i c = _mm_unpacklo_epi16(a, b);
  const __m128i d = _mm_unpackhi_epi16(a, b);
  const __m128i low = _mm_unpacklo_epi16(c, d);
  const __m128i high = _mm_unpackhi_epi16(c, d);
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
    __m128i lo, hi;
    Difference(Load(entering + k), Load(leaving + k), lo, hi);
    Store(sums + k, _mm_add_epi32(Load(sums + k), lo));
    Store(sums + k + 4, _mm_add_epi32(Load(sums + k + 4), hi));
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
  const int length = seg.length;  // read once: to the compiler the stores might change seg
  for (int i = 0;; ++i) {
    Store(out + i * 8, Scale(lo, hi, factor));
    if (i + 1 == length) break;
    // Window sums wrap in 32 bits exactly as the true sums would; they never
    // leave the 32-bit range for 16-bit samples.
    const int32_t* entering = sums + (i + r + 1) * 8;
    const int32_t* leaving = sums + (i - r) * 8;
    lo = _mm_add_epi32(lo, _mm_sub_epi32(Load(entering), Load(leaving)));
    hi = _mm_add_epi32(hi, _mm_sub_epi32(Load(entering + 4), Load(leaving + 4)));
  }
}

}  // namespace quorlin::sse2

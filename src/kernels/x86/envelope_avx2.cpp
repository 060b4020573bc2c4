#include "kernels/envelope.h"
#include "kernels/x86/avx2_util.h"

namespace quorlin::avx2 {

void EnvelopeRow(const int16_t* above, const int16_t* centre, const int16_t* below, const Segments& seg,
                 bool complete, int16_t* lo, int16_t* hi) {
  const ptrdiff_t start = ptrdiff_t(seg.reach) * Segments::kLanes;
  above += start;
  centre += start;
  below += start;
  // Column extremes of vectors i, i + 1 in one register; the neighbours'
  // pairs (i - 1, i) and (i + 1, i + 2) are made from two such registers.
  // Rows of odd length take one vector more, within their padding.
  auto column_lo = [&](int i) {
    return _mm256_min_epi16(_mm256_min_epi16(LoadUnaligned(above + i * 8), LoadUnaligned(centre + i * 8)),
                            LoadUnaligned(below + i * 8));
  };
  auto column_hi = [&](int i) {
    return _mm256_max_epi16(_mm256_max_epi16(LoadUnaligned(above + i * 8), LoadUnaligned(centre + i * 8)),
                            LoadUnaligned(below + i * 8));
  };
  // Before the first pair only vector -1 is in the row's margin.
  auto low_half = [](const int16_t* row) { return _mm256_castsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(row))); };
  const __m256i above_left = low_half(above - 8), centre_left = low_half(centre - 8), below_left = low_half(below - 8);
  __m256i lo_before = _mm256_permute2x128_si256(
      _mm256_min_epi16(_mm256_min_epi16(above_left, centre_left), below_left), _mm256_setzero_si256(), 0x02);
  __m256i hi_before = _mm256_permute2x128_si256(
      _mm256_max_epi16(_mm256_max_epi16(above_left, centre_left), below_left), _mm256_setzero_si256(), 0x02);
  __m256i lo_pair = column_lo(0), hi_pair = column_hi(0);
  const int length = seg.length;  // read once: to the compiler the stores might change seg
  for (int i = 0; i < length; i += 2) {
    const __m256i lo_after = column_lo(i + 2), hi_after = column_hi(i + 2);
    const __m256i lo_left = _mm256_permute2x128_si256(lo_before, lo_pair, 0x21);
    const __m256i lo_right = _mm256_permute2x128_si256(lo_pair, lo_after, 0x21);
    const __m256i hi_left = _mm256_permute2x128_si256(hi_before, hi_pair, 0x21);
    const __m256i hi_right = _mm256_permute2x128_si256(hi_pair, hi_after, 0x21);
    Store(lo + i * 8, _mm256_min_epi16(_mm256_min_epi16(lo_left, lo_pair), lo_right));
    Store(hi + i * 8, _mm256_max_epi16(_mm256_max_epi16(hi_left, hi_pair), hi_right));
    lo_before = lo_pair;
    lo_pair = lo_after;
    hi_before = hi_pair;
    hi_pair = hi_after;
  }
  if (complete) CopyBorderColumns(seg, lo, hi);
}

}  // namespace quorlin::avx2

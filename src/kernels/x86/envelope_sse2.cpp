#include "kernels/envelope.h"

#include "kernels/x86/sse2_util.h"

namespace quorlin::sse2 {

void EnvelopeRow(const int16_t* above, const int16_t* centre, const int16_t* below, const Segments& seg,
                 bool complete, int16_t* lo, int16_t* hi) {
  const ptrdiff_t start = ptrdiff_t(seg.reach) * Segments::kLanes;
  above += start;
  centre += start;
  below += start;
  // Column extremes of vectors i - 1, i, i + 1, rolled along the row.
  auto column_lo = [&](int i) {
    return _mm_min_epi16(_mm_min_epi16(Load(above + i * 8), Load(centre + i * 8)), Load(below + i * 8));
  };
  auto column_hi = [&](int i) {
    return _mm_max_epi16(_mm_max_epi16(Load(above + i * 8), Load(centre + i * 8)), Load(below + i * 8));
  };
  __m128i lo_left = column_lo(-1), lo_mid = column_lo(0);
  __m128i hi_left = column_hi(-1), hi_mid = column_hi(0);
  const int length = seg.length;  // read once: to the compiler the stores might change seg
  for (int i = 0; i < length; ++i) {
    const __m128i lo_right = column_lo(i + 1), hi_right = column_hi(i + 1);
    Store(lo + i * 8, _mm_min_epi16(_mm_min_epi16(lo_left, lo_mid), lo_right));
    Store(hi + i * 8, _mm_max_epi16(_mm_max_epi16(hi_left, hi_mid), hi_right));
    lo_left = lo_mid;
    lo_mid = lo_right;
    hi_left = hi_mid;
    hi_mid = hi_right;
  }
  if (complete) CopyBorderColumns(seg, lo, hi);
}

}  // namespace quorlin::sse2

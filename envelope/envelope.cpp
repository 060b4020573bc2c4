#include "envelope/envelope.h"

#include "planes/vectors.h"

void EnvelopeRow(const int16_t* above, const int16_t* centre, const int16_t* below, int width, bool complete,
                 int16_t* lo, int16_t* hi) {
  for (int x = 0; x < width; x += 8) {
    // Column extremes first, then across the three columns.
    const __m128i a = LoadUnaligned(above + x - 1), b = LoadUnaligned(centre + x - 1), c = LoadUnaligned(below + x - 1);
    const __m128i d = Load(above + x), e = Load(centre + x), f = Load(below + x);
    const __m128i g = LoadUnaligned(above + x + 1), h = LoadUnaligned(centre + x + 1), i = LoadUnaligned(below + x + 1);
    const __m128i left_lo = _mm_min_epi16(_mm_min_epi16(a, b), c);
    const __m128i mid_lo = _mm_min_epi16(_mm_min_epi16(d, e), f);
    const __m128i right_lo = _mm_min_epi16(_mm_min_epi16(g, h), i);
    const __m128i left_hi = _mm_max_epi16(_mm_max_epi16(a, b), c);
    const __m128i mid_hi = _mm_max_epi16(_mm_max_epi16(d, e), f);
    const __m128i right_hi = _mm_max_epi16(_mm_max_epi16(g, h), i);
    Store(lo + x, _mm_min_epi16(_mm_min_epi16(left_lo, mid_lo), right_lo));
    Store(hi + x, _mm_max_epi16(_mm_max_epi16(left_hi, mid_hi), right_hi));
  }
  if (complete) {
    lo[0] = lo[1];
    hi[0] = hi[1];
    lo[width - 1] = lo[width - 2];
    hi[width - 1] = hi[width - 2];
  }
}

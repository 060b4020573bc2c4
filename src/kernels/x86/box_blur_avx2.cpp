#include "kernels/box_blur.h"
#include "kernels/x86/avx2_util.h"

namespace quorlin::avx2 {

namespace {

// One vector of the layout is eight 16-bit samples, whose 32-bit sums fill a
// 256-bit register.
QUORLIN_FORCE_INLINE __m256i Widened(const int16_t* samples) {
  return _mm256_cvtepi16_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(samples)));
}

// (S * F) >> 16 in 16 bits for the window sums a and b of two neighbouring
// vectors: with S = hi * 65536 + lo (lo unsigned), that is hi * F + ((lo *
// F) >> 16), of which only the low 16 bits are kept; the halves are sorted
// apart by a byte shuffle and multiplied in 16-bit lanes. Returns the two
// vectors' samples, a's first.
QUORLIN_FORCE_INLINE __m256i Scale(__m256i a, __m256i b, __m256i factor) {
  // In each 128-bit half: the four sums' low halves, then their high halves.
  const __m256i split = _mm256_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15,
                                         0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15);
  const __m256i sa = _mm256_shuffle_epi8(a, split), sb = _mm256_shuffle_epi8(b, split);
  const __m256i low = _mm256_unpacklo_epi64(sa, sb), high = _mm256_unpackhi_epi64(sa, sb);
  const __m256i result = _mm256_add_epi16(_mm256_mullo_epi16(high, factor), _mm256_mulhi_epu16(low, factor));
  // a0..3 b0..3 | a4..7 b4..7 into a0..7 | b0..7.
  return _mm256_permute4x64_epi64(result, _MM_SHUFFLE(3, 1, 2, 0));
}

}  // namespace

void AddRowToSums(int32_t* sums, const int16_t* row, const Segments& seg) {
  const int n = seg.Extended() * Segments::kLanes;
  for (int k = 0; k < n; k += 8) Store(sums + k, _mm256_add_epi32(Load(sums + k), Widened(row + k)));
}

void SlideSums(int32_t* sums, const int16_t* entering, const int16_t* leaving, const Segments& seg) {
  const int n = seg.Extended() * Segments::kLanes;
  for (int k = 0; k < n; k += 8) {
    const __m256i change = _mm256_sub_epi32(Widened(entering + k), Widened(leaving + k));
    Store(sums + k, _mm256_add_epi32(Load(sums + k), change));
  }
}

void BoxBlurRow(const int32_t* column_sums, const Segments& seg, int16_t* out) {
  const int r = seg.reach;
  // Vector i of the row (without margins) starts at column_sums + (i + r) * 8.
  const int32_t* sums = column_sums + r * Segments::kLanes;
  __m256i window = _mm256_setzero_si256();
  for (int k = -r; k <= r; ++k) window = _mm256_add_epi32(window, Load(sums + k * 8));
  const __m256i factor = _mm256_set1_epi16(static_cast<int16_t>(BoxFactor(r)));
  // Window sums wrap in 32 bits exactly as the true sums would; they never
  // leave the 32-bit range for 16-bit samples. Two vectors at a time: a
  // row of odd length gets one more, within its padding.
  auto slide = [&](__m256i w, int i) {
    return _mm256_add_epi32(w, _mm256_sub_epi32(Load(sums + (i + r + 1) * 8), Load(sums + (i - r) * 8)));
  };
  const int length = seg.length;  // read once: to the compiler the stores might change seg
  for (int i = 0; i < length; i += 2) {
    const __m256i next = slide(window, i);
    Store(out + i * 8, Scale(window, next, factor));
    window = slide(next, i + 1);
  }
}

}  // namespace quorlin::avx2

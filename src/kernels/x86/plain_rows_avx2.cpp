#include "kernels/plain_rows.h"
#include "kernels/x86/avx2_util.h"

namespace quorlin::avx2 {

// Sixteen vectors at a time: sixteen samples of each segment to a register,
// and an 8 x 8 transpose in each half (see frame_rows_avx2.cpp).
void PlainToSegments(const int16_t* plain, const Segments& seg, int16_t* out) {
  const ptrdiff_t length = seg.length;
  const int end = PaddedVectors(seg) - seg.reach;
  for (int i = -seg.reach; i < end; i += 16, out += 128) {
    __m256i v[8];
    for (int s = 0; s < 8; ++s) v[s] = LoadUnaligned(plain + s * length + i);
    Transpose8x8(v);
    // v[k] holds vectors k and 8 + k of the group.
    for (int k = 0; k < 8; k += 2) {
      Store(out + k * 8, _mm256_permute2x128_si256(v[k], v[k + 1], 0x20));
      Store(out + (8 + k) * 8, _mm256_permute2x128_si256(v[k], v[k + 1], 0x31));
    }
  }
}

void SegmentsToPlain(const int16_t* in, const Segments& seg, int16_t* plain) {
  const ptrdiff_t length = seg.length;
  // A group that runs past the segment's end writes over the next segment's
  // first columns; that group goes first, so that those columns are written
  // again, rightly, by the groups after it (or, within the group, by the
  // next segment's store).
  auto group = [&](int i) {
    __m256i v[8];
    for (int k = 0; k < 8; k += 2) {
      const __m256i low = Load(in + (i + k) * 8), high = Load(in + (i + 8 + k) * 8);
      v[k] = _mm256_permute2x128_si256(low, high, 0x20);
      v[k + 1] = _mm256_permute2x128_si256(low, high, 0x31);
    }
    Transpose8x8(v);
    for (int s = 0; s < 8; ++s) StoreUnaligned(plain + s * length + i, v[s]);
  };
  const int last = (seg.length - 1) / 16 * 16;
  group(last);
  for (int i = 0; i < last; i += 16) group(i);
}

}  // namespace quorlin::avx2

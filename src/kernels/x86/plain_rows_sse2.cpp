#include "kernels/plain_rows.h"

#include <cstddef>

#include "kernels/x86/sse2_util.h"

namespace quorlin::sse2 {

void PlainToSegments(const int16_t* plain, const Segments& seg, int16_t* out) {
  const ptrdiff_t length = seg.length;
  const int end = PaddedVectors(seg) - seg.reach;
  for (int i = -seg.reach; i < end; i += 8, out += 64) {
    __m128i v[8];
    for (int s = 0; s < 8; ++s) v[s] = LoadUnaligned(plain + s * length + i);
    Transpose8x8(v);
    for (int k = 0; k < 8; ++k) Store(out + 8 * k, v[k]);
  }
}

void SegmentsToPlain(const int16_t* in, const Segments& seg, int16_t* plain) {
  const ptrdiff_t length = seg.length;
  // A group that runs past the segment's end writes over the next segment's
  // first columns; that group goes first, so that those columns are written
  // again, rightly, by the groups after it (or, within the group, by the
  // next segment's store).
  auto group = [&](int i) {
    __m128i v[8];
    for (int k = 0; k < 8; ++k) v[k] = Load(in + 8 * (i + k));
    Transpose8x8(v);
    for (int s = 0; s < 8; ++s) StoreUnaligned(plain + s * length + i, v[s]);
  };
  const int last = (seg.length - 1) / 8 * 8;
  group(last);
  for (int i = 0; i < last; i += 8) group(i);
}

}  // namespace quorlin::sse2

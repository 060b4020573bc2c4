// Luma envelope: two output pixels per vector minimum and maximum, the two
// middle columns of their windows shared.
#include <emmintrin.h>

#include <algorithm>
#include <cstring>

#include "envelope/envelope.h"

namespace {

inline int16_t Min3(int16_t a, int16_t b, int16_t c) { return std::min(std::min(a, b), c); }
inline int16_t Max3(int16_t a, int16_t b, int16_t c) { return std::max(std::max(a, b), c); }

void CopyRow(CSPixel_s16& plane, int to, int from, int W) {
  std::memcpy(plane.Row(to), plane.Row(from), sizeof(int16_t) * size_t(W));
}

void CopyLeftColumn(CSPixel_s16& plane, int H) {
  for (int y = 0; y < H; ++y) plane.Row(y)[0] = plane.Row(y)[1];
}

void SmallFrameEnvelopeY(const CPixels& frame, CSPixel_s16& minPlane, CSPixel_s16& maxPlane, int d) {
  ClippedEnvelope(frame, d, [&](int x, int y, PIXEL_YC lo, PIXEL_YC hi) {
    minPlane.Row(y)[x] = lo.y;
    maxPlane.Row(y)[x] = hi.y;
  });
}

}  // namespace

void EnvelopeYRow(const CPixels& frame, CSPixel_s16& minPlane, CSPixel_s16& maxPlane, int y, int d) {
  const int W = frame.width;
  const PIXEL_YC* up = frame.Row(y - d);
  const PIXEL_YC* mid = frame.Row(y);
  const PIXEL_YC* down = frame.Row(y + d);
  int16_t* lo = minPlane.Row(y);
  int16_t* hi = maxPlane.Row(y);
  int x = 1;
  for (; x + 1 <= W - 2; x += 2) {
    // Lanes 0-1 hold column x-1, lanes 2-4 columns x and x+1, lanes 5-6
    // column x+2, each over the three rows once A and B are combined.
    const __m128i a = _mm_set_epi16(0, down[x + 2].y, up[x + 2].y, down[x].y, up[x + 1].y, up[x].y, down[x - 1].y,
                                    up[x - 1].y);
    const __m128i b = _mm_set_epi16(0, mid[x + 2].y, mid[x + 2].y, down[x + 1].y, mid[x + 1].y, mid[x].y,
                                    mid[x - 1].y, mid[x - 1].y);
    alignas(16) int16_t m[8], big[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(m), _mm_min_epi16(a, b));
    _mm_store_si128(reinterpret_cast<__m128i*>(big), _mm_max_epi16(a, b));
    const int16_t mid_min = Min3(m[2], m[3], m[4]);
    const int16_t mid_max = Max3(big[2], big[3], big[4]);
    lo[x] = Min3(m[0], m[1], mid_min);
    lo[x + 1] = Min3(mid_min, m[5], m[6]);
    hi[x] = Max3(big[0], big[1], mid_max);
    hi[x + 1] = Max3(mid_max, big[5], big[6]);
  }
  if (x == W - 2) {
    int16_t mn = mid[x].y, mx = mid[x].y;
    for (const PIXEL_YC* row : {up, mid, down}) {
      for (int col = x - 1; col <= x + 1; ++col) {
        mn = std::min(mn, row[col].y);
        mx = std::max(mx, row[col].y);
      }
    }
    lo[x] = mn;
    hi[x] = mx;
  }
  lo[W - 1] = lo[W - 2];
  hi[W - 1] = hi[W - 2];
}

void EnvelopeY(const CPixels& frame, CSPixel_s16& minPlane, CSPixel_s16& maxPlane, bool interlace) {
  if (interlace) {
    EnvelopeYInterlaced(frame, minPlane, maxPlane);
    return;
  }
  const int W = frame.width;
  const int H = frame.height;
  if (!EnvelopeFitsFrame(W, H, false)) {
    SmallFrameEnvelopeY(frame, minPlane, maxPlane, 1);
    return;
  }
#pragma omp parallel for schedule(static)
  for (int y = 1; y <= H - 2; ++y) EnvelopeYRow(frame, minPlane, maxPlane, y, 1);
  for (CSPixel_s16* plane : {&minPlane, &maxPlane}) {
    CopyRow(*plane, 0, 1, W);
    CopyRow(*plane, H - 1, H - 2, W);
  }
  CopyLeftColumn(minPlane, H);
  CopyLeftColumn(maxPlane, H);
}

void EnvelopeYInterlaced(const CPixels& frame, CSPixel_s16& minPlane, CSPixel_s16& maxPlane) {
  const int W = frame.width;
  const int H = frame.height;
  if (!EnvelopeFitsFrame(W, H, true)) {
    SmallFrameEnvelopeY(frame, minPlane, maxPlane, 2);
    return;
  }
  // Each field's rows take their neighbours two rows away, so each loop
  // visits one field.
#pragma omp parallel for schedule(static)
  for (int y = 2; y <= H - 3; y += 2) EnvelopeYRow(frame, minPlane, maxPlane, y, 2);
#pragma omp parallel for schedule(static)
  for (int y = 3; y <= H - 3; y += 2) EnvelopeYRow(frame, minPlane, maxPlane, y, 2);
  for (CSPixel_s16* plane : {&minPlane, &maxPlane}) {
    CopyRow(*plane, 0, 2, W);
    CopyRow(*plane, 1, 3, W);
    CopyRow(*plane, H - 1, H - 3, W);
    CopyRow(*plane, H - 2, H - 4, W);
  }
  CopyLeftColumn(minPlane, H);
  CopyLeftColumn(maxPlane, H);
}

// YC envelope: one pixel's 27 samples in four vectors, laid out so that five
// vector minima (and maxima) leave each channel's extremum in one lane.
#include <emmintrin.h>

#include <algorithm>
#include <cstring>

#include "envelope/envelope.h"

namespace {

// Neutral lanes for the minimum and the maximum in lanes 0 and 1, which
// the third and fourth gather vectors leave empty.
alignas(16) const int16_t kMinPad[8] = {32767, 32767, 0, 0, 0, 0, 0, 0};
alignas(16) const int16_t kMaxPad[8] = {-32768, -32768, 0, 0, 0, 0, 0, 0};

inline __m128i Load(const int16_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }

void CopyRow(CPixels& plane, int to, int from, int w) {
  std::memcpy(plane.Row(to), plane.Row(from), sizeof(PIXEL_YC) * size_t(w));
}

// Minimum and maximum of each channel over the 3x3 window of (x, y).
void Extremum(const PIXEL_YC* up, const PIXEL_YC* mid, const PIXEL_YC* down, int x, __m128i min_pad, __m128i max_pad,
              PIXEL_YC& lo, PIXEL_YC& hi) {
  const PIXEL_YC &u = up[x], &ul = up[x - 1], &ur = up[x + 1];
  const PIXEL_YC &c = mid[x], &l = mid[x - 1], &r = mid[x + 1];
  const PIXEL_YC &d = down[x], &dl = down[x - 1], &dr = down[x + 1];
  const __m128i s1 = _mm_set_epi16(l.y, l.cr, l.cb, r.y, r.cr, r.cb, u.y, u.cr);
  const __m128i s2 = _mm_set_epi16(ur.y, ur.cr, ur.cb, d.y, d.cr, d.cb, dl.y, dl.cr);
  const __m128i s3 = _mm_set_epi16(ul.y, ul.cr, ul.cb, c.y, c.cr, u.cb, 0, 0);
  const __m128i s4 = _mm_set_epi16(dr.y, dr.cr, dr.cb, c.y, c.cr, dl.cb, 0, 0);
  alignas(16) int16_t p[8], q[8];
  _mm_store_si128(reinterpret_cast<__m128i*>(p),
                  _mm_min_epi16(_mm_min_epi16(s1, s2), _mm_or_si128(_mm_min_epi16(s3, s4), min_pad)));
  _mm_store_si128(reinterpret_cast<__m128i*>(q),
                  _mm_max_epi16(_mm_max_epi16(s1, s2), _mm_or_si128(_mm_max_epi16(s3, s4), max_pad)));
  // Lanes 0, 1, 2 of the minima and 4, 5, 6 of the maxima end as Cr, Y, Cb.
  const __m128i t1 = _mm_set_epi16(0, q[2], q[1], q[0], 0, p[2], p[1], p[0]);
  const __m128i t2 = _mm_set_epi16(0, q[5], q[4], q[3], 0, p[5], p[4], p[3]);
  const __m128i t3 = _mm_set_epi16(0, c.cb, q[7], q[6], 0, c.cb, p[7], p[6]);
  alignas(16) int16_t mn[8], mx[8];
  _mm_store_si128(reinterpret_cast<__m128i*>(mn), _mm_min_epi16(t1, _mm_min_epi16(t2, t3)));
  _mm_store_si128(reinterpret_cast<__m128i*>(mx), _mm_max_epi16(t1, _mm_max_epi16(t2, t3)));
  lo = {mn[1], mn[2], mn[0]};
  hi = {mx[5], mx[6], mx[4]};
}

}  // namespace

void EnvelopeYCRow(const CPixels& frame, CPixels& minPlane, CPixels& maxPlane, int y, int v, const int16_t* minPad,
                   const int16_t* maxPad) {
  const int w = frame.width;
  const __m128i min_pad = Load(minPad);
  const __m128i max_pad = Load(maxPad);
  PIXEL_YC* lo = minPlane.Row(y);
  PIXEL_YC* hi = maxPlane.Row(y);
  for (int x = 1; x <= w - 2; ++x) Extremum(frame.Row(y - v), frame.Row(y), frame.Row(y + v), x, min_pad, max_pad, lo[x], hi[x]);
  lo[w - 1] = lo[w - 2];
  hi[w - 1] = hi[w - 2];
  lo[0] = lo[1];
  hi[0] = hi[1];
}

void EnvelopeYC(const CPixels& frame, CPixels& minPlane, CPixels& maxPlane, bool interlaced) {
  if (interlaced) {
    EnvelopeYCInterlaced(frame, minPlane, maxPlane);
    return;
  }
  const int w = maxPlane.width;
  const int h = maxPlane.height;
  if (!EnvelopeFitsFrame(w, h, false)) {
    ClippedEnvelope(frame, 1, [&](int x, int y, PIXEL_YC mn, PIXEL_YC mx) {
      minPlane.Row(y)[x] = mn;
      maxPlane.Row(y)[x] = mx;
    });
    return;
  }
  alignas(16) int16_t pads[2][8];
  std::copy(kMinPad, kMinPad + 8, pads[0]);
  std::copy(kMaxPad, kMaxPad + 8, pads[1]);
#pragma omp parallel for schedule(static)
  for (int y = 1; y <= h - 2; ++y) EnvelopeYCRow(frame, minPlane, maxPlane, y, 1, pads[0], pads[1]);
  CopyRow(minPlane, 0, 1, w);
  CopyRow(maxPlane, 0, 1, w);
  CopyRow(minPlane, h - 1, h - 2, w);
  CopyRow(maxPlane, h - 1, h - 2, w);
}

void EnvelopeYCInterlaced(const CPixels& frame, CPixels& minPlane, CPixels& maxPlane) {
  const int w = maxPlane.width;
  const int h = maxPlane.height;
  if (!EnvelopeFitsFrame(w, h, true)) {
    ClippedEnvelope(frame, 2, [&](int x, int y, PIXEL_YC mn, PIXEL_YC mx) {
      minPlane.Row(y)[x] = mn;
      maxPlane.Row(y)[x] = mx;
    });
    return;
  }
#pragma omp parallel for schedule(static)
  for (int y = 2; y <= h - 3; y += 2) EnvelopeYCRow(frame, minPlane, maxPlane, y, 2, kMinPad, kMaxPad);
#pragma omp parallel for schedule(static)
  for (int y = 3; y <= h - 3; y += 2) EnvelopeYCRow(frame, minPlane, maxPlane, y, 2, kMinPad, kMaxPad);
  for (auto [to, from] : {std::pair{0, 2}, {1, 3}, {h - 1, h - 3}, {h - 2, h - 4}}) {
    CopyRow(minPlane, to, from, w);
    CopyRow(maxPlane, to, from, w);
  }
}

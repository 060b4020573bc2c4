// YC box blur: the luma scheme run on 16-byte cells that hold one pixel's
// three channel sums, so that each running-sum step is one vector add and
// one vector subtract for all three channels.
#include <emmintrin.h>
#include <omp.h>

#include "blur/box_blur.h"

namespace {

inline __m128i LoadCell(const CellS32* c) { return _mm_load_si128(reinterpret_cast<const __m128i*>(c)); }
inline void StoreCell(CellS32* c, __m128i v) { _mm_store_si128(reinterpret_cast<__m128i*>(c), v); }

// A pixel as a cell: (Y, Cr, Cb, 0), each sample sign-extended.
inline __m128i PixelCell(const PIXEL_YC& p) { return _mm_set_epi32(0, p.cb, p.cr, p.y); }

// (r * Y, r * Cr, r * Cb, 0): the left edge replicated r times.
inline __m128i TimesRadius(__m128i cell, int radius) {
  const __m128i r = _mm_set1_epi32(radius);
  const __m128i even = _mm_mul_epu32(cell, r);
  const __m128i odd = _mm_mul_epu32(_mm_srli_si128(cell, 4), r);
  return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(3, 1, 2, 0)),
                            _mm_shuffle_epi32(odd, _MM_SHUFFLE(3, 1, 2, 0)));
}

// Each lane's window sum times F, shifted down by 16: the blurred sample in
// the low 16 bits of each 32-bit lane.
inline __m128i ScaleCell(__m128i sums, __m128i factor) {
  const __m128i even = _mm_mul_epu32(sums, factor);
  const __m128i odd = _mm_mul_epu32(_mm_srli_si128(sums, 4), factor);
  const __m128i products = _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(3, 1, 2, 0)),
                                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(3, 1, 2, 0)));
  return _mm_srai_epi32(products, 16);
}

inline void StoreBlurred(PIXEL_YC* p, __m128i scaled) {
  p->y = static_cast<int16_t>(_mm_extract_epi16(scaled, 0));
  p->cr = static_cast<int16_t>(_mm_extract_epi16(scaled, 2));
  p->cb = static_cast<int16_t>(_mm_extract_epi16(scaled, 4));
}

// Scales a column's cell sums (contiguous) and stores them down column dst.
void ScaleColumnYC(const CellS32* sums, int H, int32_t factor, PIXEL_YC* dst, ptrdiff_t dst_pitch) {
  const __m128i factor_x4 = _mm_set1_epi32(factor);
  int y = 0;
  for (; y + 8 <= H; y += 8) {
    for (int k = 0; k < 8; ++k) StoreBlurred(dst + (y + k) * dst_pitch, ScaleCell(LoadCell(sums + y + k), factor_x4));
  }
  for (; y < H; ++y) StoreBlurred(dst + y * dst_pitch, ScaleCell(LoadCell(sums + y), factor_x4));
}

// Window sums of a line of any length: lines shorter than the window take
// the clamped-window sums lane by lane.
template <typename Get>
void ShortLineYC(int n, int radius, Get cell, CellS32* out, ptrdiff_t out_stride) {
  for (CellS32* o = out; o != out + n * out_stride; o += out_stride) o->zero = 0;
  ClampedWindowSums(n, radius, [&](int i) { return cell(i).y; }, [&](int i, int32_t s) { out[i * out_stride].y = s; });
  ClampedWindowSums(n, radius, [&](int i) { return cell(i).cr; }, [&](int i, int32_t s) { out[i * out_stride].cr = s; });
  ClampedWindowSums(n, radius, [&](int i) { return cell(i).cb; }, [&](int i, int32_t s) { out[i * out_stride].cb = s; });
}

void SumLine4(const CellS32* in, ptrdiff_t in_stride, CellS32* out, ptrdiff_t out_stride, int n, int radius,
              LineSplit split) {
  if (FillsWindow(n, radius)) {
    RunningSum4(out, in, in_stride, out_stride, radius, radius * in_stride, split.steadyEight, split.steadyRest);
    return;
  }
  ShortLineYC(n, radius, [&](int i) { return in[i * in_stride]; }, out, out_stride);
}

CPixels_s32 MakeColumnScratchYC(int H) { return CPixels_s32(H, omp_get_max_threads(), H); }

}  // namespace

void RunningSum4(CellS32* out, const CellS32* in, ptrdiff_t inStride, ptrdiff_t outStride, int radius,
                 ptrdiff_t radiusStride, int steadyEight, int steadyRest) {
  const __m128i first = LoadCell(in);
  __m128i sum = TimesRadius(first, radius);
  for (int k = 0; k <= radius; ++k) sum = _mm_add_epi32(sum, LoadCell(in + k * inStride));
  StoreCell(out, sum);
  CellS32* o = out + outStride;

  // add walks q[j + r], sub walks q[j - r - 1].
  const CellS32* add = in + radiusStride + inStride;
  for (int j = 1; j <= radius; ++j, add += inStride, o += outStride) {
    sum = _mm_add_epi32(_mm_sub_epi32(sum, first), LoadCell(add));
    StoreCell(o, sum);
  }
  const CellS32* sub = in;
  for (int i = 0; i < steadyEight; i += 8) {
    for (int k = 0; k < 8; ++k, add += inStride, sub += inStride, o += outStride) {
      sum = _mm_add_epi32(_mm_sub_epi32(sum, LoadCell(sub)), LoadCell(add));
      StoreCell(o, sum);
    }
  }
  for (int i = 0; i < steadyRest; ++i, add += inStride, sub += inStride, o += outStride) {
    sum = _mm_add_epi32(_mm_sub_epi32(sum, LoadCell(sub)), LoadCell(add));
    StoreCell(o, sum);
  }
  // add now stands one past the line: the last cell replicates.
  const __m128i last = LoadCell(add - inStride);
  for (int j = 0; j < radius; ++j, sub += inStride, o += outStride) {
    sum = _mm_add_epi32(_mm_sub_epi32(sum, LoadCell(sub)), last);
    StoreCell(o, sum);
  }
}

void HorizontalSumsYC(const CPixels& src, CPixels_s32& sums, int radius) {
  const int W = src.width;
  const int H = src.height;
  const LineSplit split = SplitLine(W, radius);
#pragma omp parallel for schedule(static, 1)
  for (int y = 0; y < H; ++y) {
    const PIXEL_YC* p = src.Row(y);
    CellS32* S = sums.Row(y);
    if (!FillsWindow(W, radius)) {
      ShortLineYC(W, radius, [&](int i) { return CellS32{p[i].y, p[i].cr, p[i].cb, 0}; }, S, 1);
      continue;
    }
    const __m128i first = PixelCell(p[0]);
    __m128i sum = TimesRadius(first, radius);
    for (int k = 0; k <= radius; ++k) sum = _mm_add_epi32(sum, PixelCell(p[k]));
    StoreCell(S, sum);
    int x = 1;
    for (; x <= radius; ++x) {
      sum = _mm_add_epi32(_mm_sub_epi32(sum, first), PixelCell(p[x + radius]));
      StoreCell(S + x, sum);
    }
    for (const int end = x + split.steadyEight; x < end; x += 8) {
      for (int k = 0; k < 8; ++k) {
        sum = _mm_add_epi32(_mm_sub_epi32(sum, PixelCell(p[x + k - radius - 1])), PixelCell(p[x + k + radius]));
        StoreCell(S + x + k, sum);
      }
    }
    for (const int end = x + split.steadyRest; x < end; ++x) {
      sum = _mm_add_epi32(_mm_sub_epi32(sum, PixelCell(p[x - radius - 1])), PixelCell(p[x + radius]));
      StoreCell(S + x, sum);
    }
    const __m128i last = PixelCell(p[W - 1]);
    for (; x < W; ++x) {
      sum = _mm_add_epi32(_mm_sub_epi32(sum, PixelCell(p[x - radius - 1])), last);
      StoreCell(S + x, sum);
    }
  }
}

bool VerticalBlurYC(int W, int H, const CPixels_s32& sums, CPixels& dst, int radius) {
  CPixels_s32 scratch = MakeColumnScratchYC(H);
  if (!scratch.data) return false;
  const int32_t factor = BoxFactor(radius);
  const LineSplit split = SplitLine(H, radius);
#pragma omp parallel for schedule(static, 1)
  for (int x = 0; x < W; ++x) {
    CellS32* line = scratch.Row(omp_get_thread_num());
    SumLine4(sums.data + x, sums.pitch, line, 1, H, radius, split);
    ScaleColumnYC(line, H, factor, dst.data + x, dst.pitch);
  }
  return true;
}

bool VerticalBlurYCInterlaced(int W, int H, const CPixels_s32& sums, CPixels& dst, int radius) {
  CPixels_s32 scratch = MakeColumnScratchYC(H);
  if (!scratch.data) return false;
  const int32_t factor = BoxFactor(radius);
  // Each field is its own line; the sums go back interleaved so that
  // scratch cell y belongs to row y.
  const int rows0 = (H + 1) / 2;
  const int rows1 = H / 2;
  const LineSplit split0 = SplitLine(rows0, radius);
  const LineSplit split1 = SplitLine(rows1, radius);
  const ptrdiff_t field_stride = 2 * ptrdiff_t{sums.pitch};
#pragma omp parallel for schedule(static, 1)
  for (int x = 0; x < W; ++x) {
    CellS32* line = scratch.Row(omp_get_thread_num());
    SumLine4(sums.data + x, field_stride, line, 2, rows0, radius, split0);
    if (rows1 > 0) SumLine4(sums.data + sums.pitch + x, field_stride, line + 1, 2, rows1, radius, split1);
    ScaleColumnYC(line, H, factor, dst.data + x, dst.pitch);
  }
  return true;
}

bool BoxBlurYC(const CPixels& src, CPixels& dst, int radius, bool interlaced) {
  const int W = src.width;
  const int H = src.height;
  CPixels_s32 sums(W, H, YCSumPitch(W));
  if (!sums.data) return false;
  HorizontalSumsYC(src, sums, radius);
  return interlaced ? VerticalBlurYCInterlaced(W, H, sums, dst, radius) : VerticalBlurYC(W, H, sums, dst, radius);
}

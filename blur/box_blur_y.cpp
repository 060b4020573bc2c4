// Luma box blur: 32-bit window sums along each row, then down each column
// into a per-thread scratch line, then scaled back to 16-bit samples.
#include <emmintrin.h>
#include <omp.h>

#include "blur/box_blur.h"

namespace {

inline __m128i Gather4(const int32_t* p, ptrdiff_t stride) {
  return _mm_set_epi32(p[3 * stride], p[2 * stride], p[stride], p[0]);
}

// b = (V * F) >> 16 on the low 32 bits of the product. The unsigned 64-bit
// multiply of the even lanes gives the same low 32 bits as a signed one.
inline __m128i ScaleSums(__m128i sums, __m128i factor) {
  const __m128i even = _mm_mul_epu32(sums, factor);
  const __m128i odd = _mm_mul_epu32(_mm_srli_si128(sums, 4), factor);
  const __m128i products = _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(3, 1, 2, 0)),
                                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(3, 1, 2, 0)));
  return _mm_srai_epi32(products, 16);
}

inline int16_t ScaleSum(int32_t sum, int32_t factor) {
  const int32_t product = static_cast<int32_t>(static_cast<uint32_t>(sum) * static_cast<uint32_t>(factor));
  return static_cast<int16_t>(product >> 16);
}

// Scales the column's window sums (contiguous, 16-byte aligned) and stores
// them down column dst, dst_pitch samples apart.
void ScaleColumn(const int32_t* sums, int H, int32_t factor, int16_t* dst, ptrdiff_t dst_pitch) {
  const __m128i factor_x4 = _mm_set1_epi32(factor);
  int y = 0;
  for (; y + 8 <= H; y += 8) {
    const __m128i lo = ScaleSums(_mm_load_si128(reinterpret_cast<const __m128i*>(sums + y)), factor_x4);
    const __m128i hi = ScaleSums(_mm_load_si128(reinterpret_cast<const __m128i*>(sums + y + 4)), factor_x4);
    int16_t* out = dst + y * dst_pitch;
    out[0 * dst_pitch] = static_cast<int16_t>(_mm_extract_epi16(lo, 0));
    out[1 * dst_pitch] = static_cast<int16_t>(_mm_extract_epi16(lo, 2));
    out[2 * dst_pitch] = static_cast<int16_t>(_mm_extract_epi16(lo, 4));
    out[3 * dst_pitch] = static_cast<int16_t>(_mm_extract_epi16(lo, 6));
    out[4 * dst_pitch] = static_cast<int16_t>(_mm_extract_epi16(hi, 0));
    out[5 * dst_pitch] = static_cast<int16_t>(_mm_extract_epi16(hi, 2));
    out[6 * dst_pitch] = static_cast<int16_t>(_mm_extract_epi16(hi, 4));
    out[7 * dst_pitch] = static_cast<int16_t>(_mm_extract_epi16(hi, 6));
  }
  for (; y < H; ++y) dst[y * dst_pitch] = ScaleSum(sums[y], factor);
}

// Window sums of one strided line of n values, whatever its length.
void SumLine1(const int32_t* in, ptrdiff_t in_stride, int32_t* out, ptrdiff_t out_stride, int n, int radius,
              LineSplit split) {
  if (FillsWindow(n, radius)) {
    RunningSum1(in, in_stride, out, out_stride, radius, radius * in_stride, split.steadyEight, split.steadyRest);
    return;
  }
  ClampedWindowSums(
      n, radius, [&](int i) { return in[i * in_stride]; }, [&](int i, int32_t s) { out[i * out_stride] = s; });
}

// One scratch row per thread of the runtime, each long enough for a column.
CSPixel_s32 MakeColumnScratch(int H) {
  return CSPixel_s32(H, omp_get_max_threads(), RoundUp(H, 4));
}

}  // namespace

void RunningSum1(const int32_t* in, ptrdiff_t inStride, int32_t* out, ptrdiff_t outStride, int radius,
                 ptrdiff_t radiusStride, int steadyEight, int steadyRest) {
  const int32_t first = in[0];
  int32_t sum = radius * first;
  for (int k = 0; k <= radius; ++k) sum += in[k * inStride];
  out[0] = sum;
  int32_t* o = out + outStride;

  // add walks q[j + r], sub walks q[j - r - 1].
  const int32_t* add = in + radiusStride + inStride;
  for (int j = 1; j <= radius; ++j, add += inStride, o += outStride) {
    sum += *add - first;
    *o = sum;
  }
  const int32_t* sub = in;
  for (int i = 0; i < steadyEight; i += 8) {
    alignas(16) int32_t diffs[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(diffs),
                    _mm_sub_epi32(Gather4(add, inStride), Gather4(sub, inStride)));
    _mm_store_si128(reinterpret_cast<__m128i*>(diffs + 4),
                    _mm_sub_epi32(Gather4(add + 4 * inStride, inStride), Gather4(sub + 4 * inStride, inStride)));
    for (int k = 0; k < 8; ++k, o += outStride) {
      sum += diffs[k];
      *o = sum;
    }
    add += 8 * inStride;
    sub += 8 * inStride;
  }
  for (int i = 0; i < steadyRest; ++i, add += inStride, sub += inStride, o += outStride) {
    sum += *add - *sub;
    *o = sum;
  }
  // add now stands one past the line: the last value replicates.
  const int32_t last = *(add - inStride);
  for (int j = 0; j < radius; ++j, sub += inStride, o += outStride) {
    sum += last - *sub;
    *o = sum;
  }
}

void HorizontalSumsY(const CPixels& src, CSPixel_s32& sums, int radius) {
  const int W = src.width;
  const int H = src.height;
  const LineSplit split = SplitLine(W, radius);
#pragma omp parallel for schedule(static, 1)
  for (int y = 0; y < H; ++y) {
    const PIXEL_YC* p = src.Row(y);
    int32_t* S = sums.Row(y);
    if (!FillsWindow(W, radius)) {
      ClampedWindowSums(
          W, radius, [&](int i) { return int32_t{p[i].y}; }, [&](int i, int32_t s) { S[i] = s; });
      continue;
    }
    int32_t sum = radius * int32_t{p[0].y};
    for (int k = 0; k <= radius; ++k) sum += p[k].y;
    S[0] = sum;
    int x = 1;
    for (; x <= radius; ++x) S[x] = sum += p[x + radius].y - p[0].y;
    for (const int end = x + split.steadyEight; x < end; x += 8) {
      for (int k = 0; k < 8; ++k) S[x + k] = sum += p[x + k + radius].y - p[x + k - radius - 1].y;
    }
    for (const int end = x + split.steadyRest; x < end; ++x) S[x] = sum += p[x + radius].y - p[x - radius - 1].y;
    for (; x < W; ++x) S[x] = sum += p[W - 1].y - p[x - radius - 1].y;
  }
}

bool VerticalBlurY(int W, int H, const CSPixel_s32& sums, CSPixel_s16& dst, int radius) {
  CSPixel_s32 scratch = MakeColumnScratch(H);
  if (!scratch.data) return false;
  const int32_t factor = BoxFactor(radius);
  const LineSplit split = SplitLine(H, radius);
#pragma omp parallel for schedule(static, 1)
  for (int x = 0; x < W; ++x) {
    int32_t* line = scratch.Row(omp_get_thread_num());
    SumLine1(sums.data + x, sums.pitch, line, 1, H, radius, split);
    ScaleColumn(line, H, factor, dst.data + x, dst.pitch);
  }
  return true;
}

bool VerticalBlurYInterlaced(int W, int H, const CSPixel_s32& sums, CSPixel_s16& dst, int radius) {
  CSPixel_s32 scratch = MakeColumnScratch(H);
  if (!scratch.data) return false;
  const int32_t factor = BoxFactor(radius);
  // Each field is its own line: even rows, then odd rows, both written back
  // interleaved so that scratch value y belongs to row y.
  const int rows0 = (H + 1) / 2;
  const int rows1 = H / 2;
  const LineSplit split0 = SplitLine(rows0, radius);
  const LineSplit split1 = SplitLine(rows1, radius);
  const ptrdiff_t field_stride = 2 * ptrdiff_t{sums.pitch};
#pragma omp parallel for schedule(static, 1)
  for (int x = 0; x < W; ++x) {
    int32_t* line = scratch.Row(omp_get_thread_num());
    SumLine1(sums.data + x, field_stride, line, 2, rows0, radius, split0);
    if (rows1 > 0) SumLine1(sums.data + sums.pitch + x, field_stride, line + 1, 2, rows1, radius, split1);
    ScaleColumn(line, H, factor, dst.data + x, dst.pitch);
  }
  return true;
}

bool BoxBlurY(const CPixels& src, CSPixel_s16& dst, int radius, bool interlaced) {
  const int W = src.width;
  const int H = src.height;
  CSPixel_s32 sums(W, H, RoundUp(W, 4));
  if (!sums.data) return false;
  HorizontalSumsY(src, sums, radius);
  return interlaced ? VerticalBlurYInterlaced(W, H, sums, dst, radius) : VerticalBlurY(W, H, sums, dst, radius);
}

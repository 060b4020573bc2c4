#include "kernels/rgb_rows.h"

#include <cstring>

#include "convert/rgb_yc.h"
#include "kernels/magic_divide.h"
#include "kernels/rgb_constants.h"
#include "kernels/x86/sse2_util.h"

namespace quorlin::sse2 {

namespace {

// floor(x / e) for four x below 2^30.
struct Divisor {
  __m128i magic, shift;
  explicit Divisor(uint32_t e)
      : magic(_mm_set1_epi32(int(MagicDivisorFor(e).magic))), shift(_mm_cvtsi32_si128(MagicDivisorFor(e).shift)) {}
  __m128i Divide(__m128i x) const { return DivideByMagic(x, magic, shift); }
};

// c0 * p[0] + c1 * p[1] + c2 * p[2] for four pixels of four 16-bit lanes
// each, two pixels in each of lo and hi.
QUORLIN_FORCE_INLINE __m128i Weighted(__m128i lo, __m128i hi, __m128i coefficients) {
  const __m128 a = _mm_castsi128_ps(_mm_madd_epi16(lo, coefficients));
  const __m128 b = _mm_castsi128_ps(_mm_madd_epi16(hi, coefficients));
  return _mm_add_epi32(_mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0))),
                       _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1))));
}

// Two pixels' weights for the R, G and B lanes of each, 0 for the fourth.
QUORLIN_FORCE_INLINE __m128i PixelWeights(const int16_t (&w)[3]) {
  return _mm_setr_epi16(w[0], w[1], w[2], 0, w[0], w[1], w[2], 0);
}

// The rules' quotients in lowest terms (kernels/rgb_constants.h), 2048
// divisors added to the numerators of Cb and Cr and taken off again.
struct ToYc {
  __m128i y_weights = PixelWeights(rgb::kYWeights);
  __m128i cb_weights = PixelWeights(rgb::kCbWeights);
  __m128i cr_weights = PixelWeights(rgb::kCrWeights);
  __m128i y_half = _mm_set1_epi32(int(rgb::kY.Half()));
  __m128i cb_half = _mm_set1_epi32(int(rgb::kCb.Half() + rgb::kChromaBias * rgb::kCb.divisor));
  __m128i cr_half = _mm_set1_epi32(int(rgb::kCr.Half() + rgb::kChromaBias * rgb::kCr.divisor));
  __m128i offset = _mm_set1_epi32(int(rgb::kChromaBias));
  Divisor y_d{uint32_t(rgb::kY.divisor)}, cb_d{uint32_t(rgb::kCb.divisor)}, cr_d{uint32_t(rgb::kCr.divisor)};

  // Y, Cb or Cr of four pixels in 32-bit lanes, from their samples in
  // 16-bit lanes (R, G, B and any fourth), two pixels in each of lo and hi.
  __m128i Y(__m128i lo, __m128i hi) const {
    return y_d.Divide(_mm_add_epi32(_mm_slli_epi32(Weighted(lo, hi, y_weights), rgb::kY.shift), y_half));
  }
  __m128i Cb(__m128i lo, __m128i hi) const {
    const __m128i x = _mm_add_epi32(_mm_slli_epi32(Weighted(lo, hi, cb_weights), rgb::kCb.shift), cb_half);
    return _mm_sub_epi32(cb_d.Divide(x), offset);
  }
  __m128i Cr(__m128i lo, __m128i hi) const {
    const __m128i x = _mm_add_epi32(_mm_slli_epi32(Weighted(lo, hi, cr_weights), rgb::kCr.shift), cr_half);
    return _mm_sub_epi32(cr_d.Divide(x), offset);
  }
};

// Four pixels' samples in 16-bit lanes, two pixels in each of lo and hi, a
// pixel's fourth lane (alpha, or whatever lies there) to be weighted 0.
// Three-byte pixels are read as bytes 0..7 and 4..11, nothing beyond them.
QUORLIN_FORCE_INLINE void LoadFour(const uint8_t* rgb, int channels, __m128i& lo, __m128i& hi) {
  const __m128i zero = _mm_setzero_si128();
  if (channels == 4) {
    const __m128i rgba = LoadUnaligned(rgb);
    lo = _mm_unpacklo_epi8(rgba, zero), hi = _mm_unpackhi_epi8(rgba, zero);
    return;
  }
  const __m128i first = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rgb)), zero);
  const __m128i last = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rgb + 4)), zero);
  // first holds bytes 0..7: pixel 0 in lanes 0..2, pixel 1 in 3..5; last
  // bytes 4..11: pixel 2 in lanes 2..4, pixel 3 in 5..7.
  lo = _mm_unpacklo_epi64(first, _mm_srli_si128(first, 6));
  hi = _mm_unpacklo_epi64(_mm_srli_si128(last, 4), _mm_srli_si128(last, 10));
}

// Writes four pixels' RGB0 bytes: with four channels keeping each pixel's
// fourth byte, with three exactly twelve bytes.
QUORLIN_FORCE_INLINE void StoreFour(__m128i rgb0, int channels, uint8_t* rgb) {
  if (channels == 4) {
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    StoreUnaligned(rgb, _mm_or_si128(rgb0, _mm_and_si128(LoadUnaligned(rgb), alpha)));
    return;
  }
  alignas(16) uint8_t bytes[16];
  Store(bytes, rgb0);
  for (int i = 0; i < 4; ++i) std::memcpy(rgb + 3 * i, bytes + 4 * i, 3);
}

struct ToRgb {
  // R and B: floor((51 t + 409600) / 819200), t held within its bounds, the
  // divisor a shift and a 16-bit reciprocal multiply; G in doubles (see
  // kernels/rgb_constants.h).
  __m128i r_weights = _mm_set1_epi32(int(rgb::Rules::kUnit | rgb::Rules::kCrToR << 16));
  __m128i b_weights = _mm_set1_epi32(int(rgb::Rules::kUnit | rgb::Rules::kCbToB << 16));
  __m128i low = _mm_set1_epi32(int(rgb::kRbLow)), high = _mm_set1_epi32(int(rgb::kRbHigh));
  __m128i half = _mm_set1_epi32(int(rgb::kRbHalf));
  __m128i reciprocal = _mm_set1_epi16(int16_t(rgb::kRbReciprocal));
  __m128d g_y = _mm_set1_pd(rgb::kGY), g_cr = _mm_set1_pd(rgb::kGCr), g_cb = _mm_set1_pd(rgb::kGCb);
  __m128d g_half = _mm_set1_pd(rgb::kGHalf), g_reciprocal = _mm_set1_pd(rgb::kGReciprocal);

  // floor((51 t + 409600) / 2^15), at least 0, for four pairs (Y, C).
  __m128i Scaled(__m128i y_c, __m128i weights) const {
    __m128i t = _mm_madd_epi16(y_c, weights);
    const __m128i below = _mm_cmplt_epi32(t, low), above = _mm_cmpgt_epi32(t, high);
    t = _mm_or_si128(_mm_andnot_si128(_mm_or_si128(below, above), t),
                     _mm_or_si128(_mm_and_si128(below, low), _mm_and_si128(above, high)));
    // 51 t as (32 + 16 + 2 + 1) t: SSE2 has no 32-bit multiply.
    static_assert(rgb::kRbTimes == 32 + 16 + 2 + 1);
    const __m128i t51 = _mm_add_epi32(_mm_add_epi32(_mm_slli_epi32(t, 5), _mm_slli_epi32(t, 4)),
                                      _mm_add_epi32(_mm_slli_epi32(t, 1), t));
    const __m128i x = _mm_add_epi32(t51, half);
    return _mm_srli_epi32(_mm_andnot_si128(_mm_srai_epi32(x, 31), x), rgb::kRbShift);
  }

  // Two pixels' G from their Y, Cr and Cb in the low two 32-bit lanes.
  __m128i Green2(__m128i y, __m128i cr, __m128i cb) const {
    const __m128d t = _mm_sub_pd(_mm_sub_pd(_mm_mul_pd(_mm_cvtepi32_pd(y), g_y), _mm_mul_pd(_mm_cvtepi32_pd(cr), g_cr)),
                                 _mm_mul_pd(_mm_cvtepi32_pd(cb), g_cb));
    return _mm_cvttpd_epi32(_mm_mul_pd(_mm_add_pd(t, g_half), g_reciprocal));
  }

  // Four pixels (Y, Cb, Cr in 16-bit lanes 0..3) to RGB0 bytes.
  __m128i Convert(__m128i y, __m128i cb, __m128i cr) const {
    // R and B of the four pixels side by side, divided by the odd factor
    // together.
    const __m128i r_b = _mm_packs_epi32(Scaled(_mm_unpacklo_epi16(y, cr), r_weights),
                                        Scaled(_mm_unpacklo_epi16(y, cb), b_weights));
    const __m128i rb = _mm_srli_epi16(_mm_mulhi_epu16(r_b, reciprocal), rgb::kRbReciprocalShift - 16);
    const __m128i y32 = _mm_srai_epi32(_mm_unpacklo_epi16(y, y), 16);
    const __m128i cb32 = _mm_srai_epi32(_mm_unpacklo_epi16(cb, cb), 16);
    const __m128i cr32 = _mm_srai_epi32(_mm_unpacklo_epi16(cr, cr), 16);
    auto upper = [](__m128i v) { return _mm_shuffle_epi32(v, _MM_SHUFFLE(3, 2, 3, 2)); };
    const __m128i g = _mm_unpacklo_epi64(Green2(y32, cr32, cb32), Green2(upper(y32), upper(cr32), upper(cb32)));
    // Saturating packs clamp to 0..255: R0..3 G0..3 B0..3, then interleaved.
    const __m128i g16 = _mm_packs_epi32(g, g);
    const __m128i bytes = _mm_packus_epi16(_mm_unpacklo_epi64(rb, g16), _mm_unpackhi_epi64(rb, rb));
    const __m128i rg = _mm_unpacklo_epi8(bytes, _mm_srli_si128(bytes, 4));
    const __m128i b0 = _mm_unpacklo_epi8(_mm_srli_si128(bytes, 8), _mm_setzero_si128());
    return _mm_unpacklo_epi16(rg, b0);
  }
};

// With Cb and Cr as 8-bit RGB converts to (within +-2048), each channel of
// the way back is Y scaled plus a term of Cb and Cr alone, in 16-bit lanes,
// eight pixels at a time (see kernels/rgb_constants.h).
struct LumaToRgb {
  __m128i y_low = _mm_set1_epi16(rgb::kNaturalYLow), y_high = _mm_set1_epi16(rgb::kNaturalYHigh);
  __m128i scaled_255 = _mm_set1_epi16(rgb::kTop * rgb::kOver4096), times_255 = _mm_set1_epi16(rgb::kTop);
  __m128i below_4096 = _mm_set1_epi16(4095), one = _mm_set1_epi16(1);
  __m128i r_scaled = _mm_set1_epi16(rgb::kRWhole * rgb::kOver4096), r_times = _mm_set1_epi16(rgb::kRWhole);
  __m128i fifty = _mm_set1_epi16(50), r_bias = _mm_set1_epi16(rgb::kRBias);
  __m128i hundredth = _mm_set1_epi16(int16_t(rgb::kRHundredth)), r_constant = _mm_set1_epi16(rgb::kRConstant);
  __m128i b_scaled = _mm_set1_epi16(rgb::kBWhole * rgb::kOver4096), b_times = _mm_set1_epi16(rgb::kBWhole);
  __m128i seven = _mm_set1_epi16(rgb::kBSevenths), b_bias = _mm_set1_epi16(rgb::kBBias);
  __m128i fiftieth = _mm_set1_epi16(rgb::kBFiftieth), b_constant = _mm_set1_epi16(rgb::kBConstant);
  __m128i g_cr_scaled = _mm_set1_epi16(-rgb::kNaturalGCr.whole * rgb::kOver4096);
  __m128i g_cr_times = _mm_set1_epi16(-rgb::kNaturalGCr.whole);
  __m128i g_cb_scaled = _mm_set1_epi16(-rgb::kNaturalGCb.whole * rgb::kOver4096);
  __m128i g_cb_times = _mm_set1_epi16(-rgb::kNaturalGCb.whole);
  __m128i g_weights = _mm_set1_epi32(int((-rgb::kNaturalGCr.rest & 0xFFFF) | -rgb::kNaturalGCb.rest << 16));
  __m128i g_bias = _mm_set1_epi32(int(rgb::kGBiasDivisors * rgb::kGEUnit));
  __m128i g_constant = _mm_set1_epi16(rgb::kGConstant);
  Divisor g_d{uint32_t(rgb::kGEUnit)};

  // The channels (before clamping) of eight pixels from Y, Cb and Cr.
  void Convert(__m128i y, __m128i cb, __m128i cr, __m128i& r, __m128i& g, __m128i& b) const {
    const __m128i held = _mm_min_epi16(_mm_max_epi16(y, y_low), y_high);
    const __m128i q = _mm_mulhi_epi16(held, scaled_255);
    const __m128i rest = _mm_and_si128(_mm_mullo_epi16(held, times_255), below_4096);
    auto channel = [&](__m128i a, __m128i w) {
      return _mm_add_epi16(_mm_add_epi16(q, a), _mm_srai_epi16(_mm_add_epi16(w, rest), 12));
    };
    auto low_bits = [&](__m128i c, __m128i times) { return _mm_and_si128(_mm_mullo_epi16(c, times), below_4096); };

    const __m128i odd = _mm_mullo_epi16(_mm_and_si128(cr, one), fifty);
    const __m128i r_hundreds =
        _mm_srli_epi16(_mm_mulhi_epu16(_mm_add_epi16(_mm_add_epi16(cr, odd), r_bias), hundredth), 6);
    const __m128i r_w = _mm_add_epi16(_mm_add_epi16(low_bits(cr, r_times), _mm_srai_epi16(cr, 1)),
                                      _mm_add_epi16(r_hundreds, r_constant));
    r = channel(_mm_mulhi_epi16(cr, r_scaled), r_w);

    const __m128i b_fiftieths =
        _mm_srli_epi16(_mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(cb, seven), b_bias), fiftieth), 4);
    const __m128i b_w = _mm_add_epi16(_mm_add_epi16(low_bits(cb, b_times), cb), _mm_sub_epi16(b_constant, b_fiftieths));
    b = channel(_mm_mulhi_epi16(cb, b_scaled), b_w);

    auto quotient = [&](__m128i cr_cb) { return g_d.Divide(_mm_add_epi32(_mm_madd_epi16(cr_cb, g_weights), g_bias)); };
    const __m128i g_quotient =
        _mm_packs_epi32(quotient(_mm_unpacklo_epi16(cr, cb)), quotient(_mm_unpackhi_epi16(cr, cb)));
    const __m128i g_w = _mm_add_epi16(_mm_add_epi16(low_bits(cr, g_cr_times), low_bits(cb, g_cb_times)),
                                      _mm_add_epi16(g_quotient, g_constant));
    g = channel(_mm_add_epi16(_mm_mulhi_epi16(cr, g_cr_scaled), _mm_mulhi_epi16(cb, g_cb_scaled)), g_w);
  }
};

}  // namespace

void RgbToPlanesRow(const uint8_t* rgb, int channels, int n, int16_t* y, int16_t* cb, int16_t* cr) {
  const ToYc k;
  int x = 0;
  for (; x + 8 <= n; x += 8, rgb += 8 * channels) {
    __m128i lo0, hi0, lo1, hi1;
    LoadFour(rgb, channels, lo0, hi0);
    LoadFour(rgb + 4 * channels, channels, lo1, hi1);
    StoreUnaligned(y + x, _mm_packs_epi32(k.Y(lo0, hi0), k.Y(lo1, hi1)));
    if (!cb) continue;
    StoreUnaligned(cb + x, _mm_packs_epi32(k.Cb(lo0, hi0), k.Cb(lo1, hi1)));
    StoreUnaligned(cr + x, _mm_packs_epi32(k.Cr(lo0, hi0), k.Cr(lo1, hi1)));
  }
  for (; x < n; ++x, rgb += channels) {
    const QuorlinPixel p = RgbToYc({rgb[0], rgb[1], rgb[2]});
    y[x] = p.y;
    if (cb) cb[x] = p.cb, cr[x] = p.cr;
  }
}

namespace {

// Eight pixels' channels as their R, G, B bytes, clamped by the packs.
QUORLIN_FORCE_INLINE void StoreEight(__m128i r, __m128i g, __m128i b, int channels, uint8_t* rgb) {
  const __m128i rg = _mm_packus_epi16(r, g);
  const __m128i pairs = _mm_unpacklo_epi8(rg, _mm_srli_si128(rg, 8));
  const __m128i blue = _mm_unpacklo_epi8(_mm_packus_epi16(b, b), _mm_setzero_si128());
  StoreFour(_mm_unpacklo_epi16(pairs, blue), channels, rgb);
  StoreFour(_mm_unpackhi_epi16(pairs, blue), channels, rgb + 4 * channels);
}

// Eight pixels at a time: Cb and Cr from the RGB bytes, then the channels
// from those and Y.
void LumaToRgbRow(const int16_t* y, int n, int channels, uint8_t* rgb) {
  const ToYc to_yc;
  const LumaToRgb to_rgb;
  int x = 0;
  for (; x + 8 <= n; x += 8, rgb += 8 * channels) {
    __m128i lo0, hi0, lo1, hi1;
    LoadFour(rgb, channels, lo0, hi0);
    LoadFour(rgb + 4 * channels, channels, lo1, hi1);
    const __m128i cb = _mm_packs_epi32(to_yc.Cb(lo0, hi0), to_yc.Cb(lo1, hi1));
    const __m128i cr = _mm_packs_epi32(to_yc.Cr(lo0, hi0), to_yc.Cr(lo1, hi1));
    __m128i r, g, b;
    to_rgb.Convert(LoadUnaligned(y + x), cb, cr, r, g, b);
    StoreEight(r, g, b, channels, rgb);
  }
  for (; x < n; ++x, rgb += channels) {
    const QuorlinPixel p = RgbToYc({rgb[0], rgb[1], rgb[2]});
    const Rgb8 c = YcToRgb({y[x], p.cb, p.cr});
    rgb[0] = c.r, rgb[1] = c.g, rgb[2] = c.b;
  }
}

// Whether every Cb and Cr is within -2048..2048, as LumaToRgb needs.
QUORLIN_FORCE_INLINE bool Natural(__m128i cb, __m128i cr) {
  const __m128i top = _mm_set1_epi16(2048), bottom = _mm_set1_epi16(-2048);
  const __m128i outside = _mm_or_si128(_mm_or_si128(_mm_cmpgt_epi16(cb, top), _mm_cmplt_epi16(cb, bottom)),
                                       _mm_or_si128(_mm_cmpgt_epi16(cr, top), _mm_cmplt_epi16(cr, bottom)));
  return _mm_movemask_epi8(outside) == 0;
}

}  // namespace

// Eight pixels at a time: in 16-bit lanes as luma alone does when the
// chroma is natural, as it nearly always is, else four at a time in 32-bit
// lanes and doubles.
void PlanesToRgbRow(const int16_t* y, const int16_t* cb, const int16_t* cr, int n, int channels, uint8_t* rgb) {
  if (!cb) return LumaToRgbRow(y, n, channels, rgb);
  const ToRgb to_rgb;
  const LumaToRgb natural_to_rgb;
  auto four = [](const int16_t* samples) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(samples)); };
  int x = 0;
  for (; x + 8 <= n; x += 8, rgb += 8 * channels) {
    const __m128i blue_difference = LoadUnaligned(cb + x), red_difference = LoadUnaligned(cr + x);
    if (Natural(blue_difference, red_difference)) {
      __m128i r, g, b;
      natural_to_rgb.Convert(LoadUnaligned(y + x), blue_difference, red_difference, r, g, b);
      StoreEight(r, g, b, channels, rgb);
      continue;
    }
    for (int half = 0; half < 8; half += 4) {
      StoreFour(to_rgb.Convert(four(y + x + half), four(cb + x + half), four(cr + x + half)), channels,
                rgb + half * channels);
    }
  }
  for (; x < n; ++x, rgb += channels) {
    const Rgb8 c = YcToRgb({y[x], cb[x], cr[x]});
    rgb[0] = c.r, rgb[1] = c.g, rgb[2] = c.b;
  }
}

}  // namespace quorlin::sse2

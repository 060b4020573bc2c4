// Eight pixels at a time, four in each 128-bit half, with the arithmetic of
// rgb_rows_sse2.cpp, whose comments say why it is exact.
#include <cstring>

#include "kernels/magic_divide.h"
#include "kernels/rgb_constants.h"
#include "kernels/rgb_rows.h"
#include "kernels/x86/avx2_util.h"

namespace quorlin::avx2 {

namespace {

// floor(x / e) for eight x below 2^30.
struct Divisor {
  __m256i magic;
  __m128i shift;
  explicit Divisor(uint32_t e)
      : magic(Opaque(_mm256_set1_epi32(int(MagicDivisorFor(e).magic)))), shift(_mm_cvtsi32_si128(MagicDivisorFor(e).shift)) {}
  __m256i Divide(__m256i x) const { return DivideByMagic(x, magic, shift); }
};

// c0 * p[0] + c1 * p[1] + c2 * p[2] for eight pixels, in order: lo holds
// pixels 0, 1 | 4, 5 and hi 2, 3 | 6, 7.
QUORLIN_FORCE_INLINE __m256i Weighted(__m256i lo, __m256i hi, __m256i coefficients) {
  const __m256 a = _mm256_castsi256_ps(_mm256_madd_epi16(lo, coefficients));
  const __m256 b = _mm256_castsi256_ps(_mm256_madd_epi16(hi, coefficients));
  return _mm256_add_epi32(_mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0))),
                          _mm256_castps_si256(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1))));
}

// Four pixels' weights for the R, G and B lanes of each, 0 for the fourth.
QUORLIN_FORCE_INLINE __m256i PixelWeights(const int16_t (&w)[3]) {
  return _mm256_set1_epi64x(int64_t(uint16_t(w[0]) | uint64_t(uint16_t(w[1])) << 16 | uint64_t(uint16_t(w[2])) << 32));
}

struct ToYc {
  __m256i y_weights = PixelWeights(rgb::kYWeights);
  __m256i cb_weights = PixelWeights(rgb::kCbWeights);
  __m256i cr_weights = PixelWeights(rgb::kCrWeights);
  __m256i y_half = Opaque(_mm256_set1_epi32(int(rgb::kY.Half())));
  __m256i cb_half = Opaque(_mm256_set1_epi32(int(rgb::kCb.Half() + rgb::kChromaBias * rgb::kCb.divisor)));
  __m256i cr_half = Opaque(_mm256_set1_epi32(int(rgb::kCr.Half() + rgb::kChromaBias * rgb::kCr.divisor)));
  __m256i offset = Opaque(_mm256_set1_epi32(int(rgb::kChromaBias)));
  Divisor y_d{uint32_t(rgb::kY.divisor)}, cb_d{uint32_t(rgb::kCb.divisor)}, cr_d{uint32_t(rgb::kCr.divisor)};

  // Y, Cb or Cr of eight pixels in 32-bit lanes, in order, from their
  // samples in 16-bit lanes: pixels 0, 1 | 4, 5 in lo and 2, 3 | 6, 7 in hi.
  __m256i Y(__m256i lo, __m256i hi) const {
    return y_d.Divide(_mm256_add_epi32(_mm256_slli_epi32(Weighted(lo, hi, y_weights), rgb::kY.shift), y_half));
  }
  __m256i Cb(__m256i lo, __m256i hi) const {
    const __m256i x = _mm256_add_epi32(_mm256_slli_epi32(Weighted(lo, hi, cb_weights), rgb::kCb.shift), cb_half);
    return _mm256_sub_epi32(cb_d.Divide(x), offset);
  }
  __m256i Cr(__m256i lo, __m256i hi) const {
    const __m256i x = _mm256_add_epi32(_mm256_slli_epi32(Weighted(lo, hi, cr_weights), rgb::kCr.shift), cr_half);
    return _mm256_sub_epi32(cr_d.Divide(x), offset);
  }
};

// Eight pixels' samples in 16-bit lanes as ToYc takes them. Three-byte
// pixels are read as bytes 0..15 and 8..23, nothing beyond them, and spread
// to four bytes each, the fourth 0.
QUORLIN_FORCE_INLINE void LoadEight(const uint8_t* rgb, int channels, __m256i& lo, __m256i& hi) {
  __m256i rgba;
  if (channels == 4) {
    rgba = LoadUnaligned(rgb);
  } else {
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                            4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
    rgba = _mm256_shuffle_epi8(LoadHalves(rgb, rgb + 8), spread);
  }
  const __m256i zero = _mm256_setzero_si256();
  lo = _mm256_unpacklo_epi8(rgba, zero), hi = _mm256_unpackhi_epi8(rgba, zero);
}

// Sixteen results of eight 32-bit lanes each, in order, as 16-bit samples.
QUORLIN_FORCE_INLINE void StoreSixteen(int16_t* samples, __m256i first, __m256i second) {
  StoreUnaligned(samples, _mm256_permute4x64_epi64(_mm256_packs_epi32(first, second), _MM_SHUFFLE(3, 1, 2, 0)));
}

// Writes eight pixels' RGB0 bytes: with four channels keeping each pixel's
// fourth byte, with three exactly twenty-four bytes.
QUORLIN_FORCE_INLINE void StoreEight(__m256i rgb0, int channels, uint8_t* rgb) {
  if (channels == 4) {
    const __m256i alpha = _mm256_set1_epi32(int(0xFF000000u));
    StoreUnaligned(rgb, _mm256_or_si256(rgb0, _mm256_and_si256(LoadUnaligned(rgb), alpha)));
    return;
  }
  const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                        0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const __m256i packed = _mm256_shuffle_epi8(rgb0, pack);
  auto twelve = [](uint8_t* to, __m128i bytes) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(to), bytes);
    const uint32_t last = uint32_t(_mm_extract_epi32(bytes, 2));
    std::memcpy(to + 8, &last, 4);
  };
  twelve(rgb, _mm256_castsi256_si128(packed));
  twelve(rgb + 12, _mm256_extracti128_si256(packed, 1));
}

struct ToRgb {
  __m256i r_weights = Opaque(_mm256_set1_epi32(int(rgb::Rules::kUnit | rgb::Rules::kCrToR << 16)));
  __m256i b_weights = Opaque(_mm256_set1_epi32(int(rgb::Rules::kUnit | rgb::Rules::kCbToB << 16)));
  __m256i low = Opaque(_mm256_set1_epi32(int(rgb::kRbLow))), high = Opaque(_mm256_set1_epi32(int(rgb::kRbHigh)));
  __m256i half = Opaque(_mm256_set1_epi32(int(rgb::kRbHalf)));
  __m256i reciprocal = Opaque(_mm256_set1_epi32(int(rgb::kRbReciprocal)));
  __m256d g_y = Opaque(_mm256_set1_pd(rgb::kGY)), g_cr = Opaque(_mm256_set1_pd(rgb::kGCr));
  __m256d g_cb = Opaque(_mm256_set1_pd(rgb::kGCb));
  __m256d g_half = Opaque(_mm256_set1_pd(rgb::kGHalf)), g_reciprocal = Opaque(_mm256_set1_pd(rgb::kGReciprocal));

  // floor((51 t + 409600) / 819200) clamped below at 0, t = Y w0 + C w1 held
  // within its bounds, for eight (Y, C) pairs (see kernels/rgb_constants.h).
  __m256i RedOrBlue(__m256i y_c, __m256i weights) const {
    const __m256i t = _mm256_min_epi32(_mm256_max_epi32(_mm256_madd_epi16(y_c, weights), low), high);
    const __m256i t51 = _mm256_add_epi32(_mm256_add_epi32(_mm256_slli_epi32(t, 5), _mm256_slli_epi32(t, 4)),
                                         _mm256_add_epi32(_mm256_slli_epi32(t, 1), t));
    const __m256i u =
        _mm256_srli_epi32(_mm256_max_epi32(_mm256_add_epi32(t51, half), _mm256_setzero_si256()), rgb::kRbShift);
    // floor(u / 25) by the 16-bit reciprocal multiply of each lane's low
    // half, whose high half is 0.
    return _mm256_srli_epi32(_mm256_mulhi_epu16(u, reciprocal), rgb::kRbReciprocalShift - 16);
  }

  // Four pixels' G from their Y, Cr and Cb.
  __m128i Green4(__m128i y, __m128i cr, __m128i cb) const {
    const __m256d t = _mm256_sub_pd(_mm256_sub_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(y), g_y),
                                                  _mm256_mul_pd(_mm256_cvtepi32_pd(cr), g_cr)),
                                    _mm256_mul_pd(_mm256_cvtepi32_pd(cb), g_cb));
    return _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_add_pd(t, g_half), g_reciprocal));
  }

  // Eight pixels (Y, Cb, Cr in 16-bit lanes) to RGB0 bytes.
  __m256i Convert(__m128i y, __m128i cb, __m128i cr) const {
    const __m256i y_cr = _mm256_set_m128i(_mm_unpackhi_epi16(y, cr), _mm_unpacklo_epi16(y, cr));
    const __m256i y_cb = _mm256_set_m128i(_mm_unpackhi_epi16(y, cb), _mm_unpacklo_epi16(y, cb));
    const __m256i r = RedOrBlue(y_cr, r_weights), b = RedOrBlue(y_cb, b_weights);
    const __m256i y32 = _mm256_cvtepi16_epi32(y), cr32 = _mm256_cvtepi16_epi32(cr), cb32 = _mm256_cvtepi16_epi32(cb);
    const __m256i g = _mm256_set_m128i(
        Green4(_mm256_extracti128_si256(y32, 1), _mm256_extracti128_si256(cr32, 1), _mm256_extracti128_si256(cb32, 1)),
        Green4(_mm256_castsi256_si128(y32), _mm256_castsi256_si128(cr32), _mm256_castsi256_si128(cb32)));
    // In each half: R0..3 G0..3 B0..3, clamped to 0..255 by the packs, then
    // interleaved.
    const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(r, g), _mm256_packs_epi32(b, b));
    const __m256i rg = _mm256_unpacklo_epi8(bytes, _mm256_srli_si256(bytes, 4));
    const __m256i b0 = _mm256_unpacklo_epi8(_mm256_srli_si256(bytes, 8), _mm256_setzero_si256());
    return _mm256_unpacklo_epi16(rg, b0);
  }
};

struct LumaToRgb {
  __m256i y_low = Opaque(_mm256_set1_epi16(rgb::kNaturalYLow)), y_high = Opaque(_mm256_set1_epi16(rgb::kNaturalYHigh));
  __m256i scaled_255 = Opaque(_mm256_set1_epi16(rgb::kTop * rgb::kOver4096));
  __m256i times_255 = Opaque(_mm256_set1_epi16(rgb::kTop));
  __m256i below_4096 = Opaque(_mm256_set1_epi16(4095)), one = Opaque(_mm256_set1_epi16(1));
  __m256i r_scaled = Opaque(_mm256_set1_epi16(rgb::kRWhole * rgb::kOver4096));
  __m256i r_times = Opaque(_mm256_set1_epi16(rgb::kRWhole));
  __m256i fifty = Opaque(_mm256_set1_epi16(50)), r_bias = Opaque(_mm256_set1_epi16(rgb::kRBias));
  __m256i hundredth = Opaque(_mm256_set1_epi16(int16_t(rgb::kRHundredth)));
  __m256i r_constant = Opaque(_mm256_set1_epi16(rgb::kRConstant));
  __m256i b_scaled = Opaque(_mm256_set1_epi16(rgb::kBWhole * rgb::kOver4096));
  __m256i b_times = Opaque(_mm256_set1_epi16(rgb::kBWhole));
  __m256i seven = Opaque(_mm256_set1_epi16(rgb::kBSevenths)), b_bias = Opaque(_mm256_set1_epi16(rgb::kBBias));
  __m256i fiftieth = Opaque(_mm256_set1_epi16(rgb::kBFiftieth));
  __m256i b_constant = Opaque(_mm256_set1_epi16(rgb::kBConstant));
  __m256i g_cr_scaled = Opaque(_mm256_set1_epi16(-rgb::kNaturalGCr.whole * rgb::kOver4096));
  __m256i g_cr_times = Opaque(_mm256_set1_epi16(-rgb::kNaturalGCr.whole));
  __m256i g_cb_scaled = Opaque(_mm256_set1_epi16(-rgb::kNaturalGCb.whole * rgb::kOver4096));
  __m256i g_cb_times = Opaque(_mm256_set1_epi16(-rgb::kNaturalGCb.whole));
  __m256i g_weights =
      Opaque(_mm256_set1_epi32(int((-rgb::kNaturalGCr.rest & 0xFFFF) | -rgb::kNaturalGCb.rest << 16)));
  __m256i g_bias = Opaque(_mm256_set1_epi32(int(rgb::kGBiasDivisors * rgb::kGEUnit)));
  __m256i g_constant = Opaque(_mm256_set1_epi16(rgb::kGConstant));
  Divisor g_d{uint32_t(rgb::kGEUnit)};

  // The channels (before clamping) of sixteen pixels from Y, Cb and Cr, in
  // the same order in every vector.
  void Convert(__m256i y, __m256i cb, __m256i cr, __m256i& r, __m256i& g, __m256i& b) const {
    const __m256i held = _mm256_min_epi16(_mm256_max_epi16(y, y_low), y_high);
    const __m256i q = _mm256_mulhi_epi16(held, scaled_255);
    const __m256i rest = _mm256_and_si256(_mm256_mullo_epi16(held, times_255), below_4096);
    auto channel = [&](__m256i a, __m256i w) {
      return _mm256_add_epi16(_mm256_add_epi16(q, a), _mm256_srai_epi16(_mm256_add_epi16(w, rest), 12));
    };
    auto low_bits = [&](__m256i c, __m256i times) {
      return _mm256_and_si256(_mm256_mullo_epi16(c, times), below_4096);
    };

    const __m256i odd = _mm256_mullo_epi16(_mm256_and_si256(cr, one), fifty);
    const __m256i r_hundreds = _mm256_srli_epi16(
        _mm256_mulhi_epu16(_mm256_add_epi16(_mm256_add_epi16(cr, odd), r_bias), hundredth), 6);
    const __m256i r_w = _mm256_add_epi16(_mm256_add_epi16(low_bits(cr, r_times), _mm256_srai_epi16(cr, 1)),
                                         _mm256_add_epi16(r_hundreds, r_constant));
    r = channel(_mm256_mulhi_epi16(cr, r_scaled), r_w);

    const __m256i b_fiftieths = _mm256_srli_epi16(
        _mm256_mulhi_epu16(_mm256_add_epi16(_mm256_mullo_epi16(cb, seven), b_bias), fiftieth), 4);
    const __m256i b_w =
        _mm256_add_epi16(_mm256_add_epi16(low_bits(cb, b_times), cb), _mm256_sub_epi16(b_constant, b_fiftieths));
    b = channel(_mm256_mulhi_epi16(cb, b_scaled), b_w);

    auto quotient = [&](__m256i cr_cb) {
      return g_d.Divide(_mm256_add_epi32(_mm256_madd_epi16(cr_cb, g_weights), g_bias));
    };
    const __m256i g_quotient =
        _mm256_packs_epi32(quotient(_mm256_unpacklo_epi16(cr, cb)), quotient(_mm256_unpackhi_epi16(cr, cb)));
    const __m256i g_w = _mm256_add_epi16(_mm256_add_epi16(low_bits(cr, g_cr_times), low_bits(cb, g_cb_times)),
                                         _mm256_add_epi16(g_quotient, g_constant));
    g = channel(_mm256_add_epi16(_mm256_mulhi_epi16(cr, g_cr_scaled), _mm256_mulhi_epi16(cb, g_cb_scaled)), g_w);
  }
};

}  // namespace

void RgbToPlanesRow(const uint8_t* rgb, int channels, int n, int16_t* y, int16_t* cb, int16_t* cr) {
  const ToYc k;
  int x = 0;
  for (; x + 16 <= n; x += 16, rgb += 16 * channels) {
    __m256i lo0, hi0, lo1, hi1;
    LoadEight(rgb, channels, lo0, hi0);
    LoadEight(rgb + 8 * channels, channels, lo1, hi1);
    StoreSixteen(y + x, k.Y(lo0, hi0), k.Y(lo1, hi1));
    if (!cb) continue;
    StoreSixteen(cb + x, k.Cb(lo0, hi0), k.Cb(lo1, hi1));
    StoreSixteen(cr + x, k.Cr(lo0, hi0), k.Cr(lo1, hi1));
  }
  sse2::RgbToPlanesRow(rgb, channels, n - x, y + x, cb ? cb + x : nullptr, cr ? cr + x : nullptr);
}

namespace {

// Sixteen pixels' channels, in the order the packs leave them (0..3, 8..11 |
// 4..7, 12..15), as the R, G, B bytes of pixels 0..7 and 8..15 in order.
QUORLIN_FORCE_INLINE void StoreSixteenPixels(__m256i r, __m256i g, __m256i b, int channels, uint8_t* rgb) {
  const __m256i rg = _mm256_packus_epi16(r, g);
  const __m256i pairs = _mm256_unpacklo_epi8(rg, _mm256_srli_si256(rg, 8));
  const __m256i blue = _mm256_unpacklo_epi8(_mm256_packus_epi16(b, b), _mm256_setzero_si256());
  StoreEight(_mm256_unpacklo_epi16(pairs, blue), channels, rgb);
  StoreEight(_mm256_unpackhi_epi16(pairs, blue), channels, rgb + 8 * channels);
}

QUORLIN_FORCE_INLINE __m256i PacksOrder(__m256i v) { return _mm256_permute4x64_epi64(v, _MM_SHUFFLE(3, 1, 2, 0)); }

void LumaToRgbRow(const int16_t* y, int n, int channels, uint8_t* rgb) {
  const ToYc to_yc;
  const LumaToRgb to_rgb;
  int x = 0;
  for (; x + 16 <= n; x += 16, rgb += 16 * channels) {
    __m256i lo0, hi0, lo1, hi1;
    LoadEight(rgb, channels, lo0, hi0);
    LoadEight(rgb + 8 * channels, channels, lo1, hi1);
    const __m256i cb = _mm256_packs_epi32(to_yc.Cb(lo0, hi0), to_yc.Cb(lo1, hi1));
    const __m256i cr = _mm256_packs_epi32(to_yc.Cr(lo0, hi0), to_yc.Cr(lo1, hi1));
    __m256i r, g, b;
    to_rgb.Convert(PacksOrder(LoadUnaligned(y + x)), cb, cr, r, g, b);
    StoreSixteenPixels(r, g, b, channels, rgb);
  }
  sse2::PlanesToRgbRow(y + x, nullptr, nullptr, n - x, channels, rgb);
}

// Whether every Cb and Cr is within -2048..2048, as LumaToRgb needs.
QUORLIN_FORCE_INLINE bool Natural(__m256i cb, __m256i cr) {
  const __m256i bias = _mm256_set1_epi16(2048), top = _mm256_set1_epi16(4096);
  const __m256i most = _mm256_max_epu16(_mm256_add_epi16(cb, bias), _mm256_add_epi16(cr, bias));
  return _mm256_movemask_epi8(_mm256_cmpeq_epi16(_mm256_min_epu16(most, top), most)) == -1;
}

}  // namespace

// Sixteen pixels at a time: in 16-bit lanes as luma alone does when the
// chroma is natural, as it nearly always is, else eight at a time in 32-bit
// lanes and doubles.
void PlanesToRgbRow(const int16_t* y, const int16_t* cb, const int16_t* cr, int n, int channels, uint8_t* rgb) {
  if (!cb) return LumaToRgbRow(y, n, channels, rgb);
  const ToRgb to_rgb;
  const LumaToRgb natural_to_rgb;
  auto eight = [](const int16_t* samples) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples)); };
  int x = 0;
  for (; x + 16 <= n; x += 16, rgb += 16 * channels) {
    const __m256i blue_difference = LoadUnaligned(cb + x), red_difference = LoadUnaligned(cr + x);
    if (Natural(blue_difference, red_difference)) {
      __m256i r, g, b;
      natural_to_rgb.Convert(PacksOrder(LoadUnaligned(y + x)), PacksOrder(blue_difference),
                             PacksOrder(red_difference), r, g, b);
      StoreSixteenPixels(r, g, b, channels, rgb);
      continue;
    }
    for (int half = 0; half < 16; half += 8) {
      StoreEight(to_rgb.Convert(eight(y + x + half), eight(cb + x + half), eight(cr + x + half)), channels,
                 rgb + half * channels);
    }
  }
  sse2::PlanesToRgbRow(y + x, cb + x, cr + x, n - x, channels, rgb);
}

}  // namespace quorlin::avx2

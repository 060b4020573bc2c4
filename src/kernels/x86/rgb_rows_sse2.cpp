#include "kernels/rgb_rows.h"

#include <cstring>

#include "convert/rgb_yc.h"
#include "kernels/magic_divide.h"
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

// Y = DivRound(512 S, 31875), Cb = DivRound(1024 S, 112965) and Cr =
// DivRound(2048 S, 178755), the rules' fractions in lowest terms, are
// floor((2^k S + h) / d) with h = d / 2 rounded down: no quotient is a whole
// number and a half (2^(k+1) S is even, d odd), so rounding halves up is the
// rules' rounding. S is at least -225930 for Cb and -178755 for Cr (8-bit
// samples), so 2048 divisors added to the numerator keep it positive and
// below 2^30, and come off the quotient.
struct ToYc {
  __m128i y_weights = _mm_setr_epi16(299, 587, 114, 0, 299, 587, 114, 0);
  __m128i cb_weights = _mm_setr_epi16(-299, -587, 886, 0, -299, -587, 886, 0);
  __m128i cr_weights = _mm_setr_epi16(701, -587, -114, 0, 701, -587, -114, 0);
  __m128i y_half = _mm_set1_epi32(15937);
  __m128i cb_half = _mm_set1_epi32(56482 + 2048 * 112965), cr_half = _mm_set1_epi32(89377 + 2048 * 178755);
  __m128i offset = _mm_set1_epi32(2048);
  Divisor y_d{31875}, cb_d{112965}, cr_d{178755};

  // Y, Cb or Cr of four pixels in 32-bit lanes, from their samples in
  // 16-bit lanes (R, G, B and any fourth), two pixels in each of lo and hi.
  __m128i Y(__m128i lo, __m128i hi) const {
    return y_d.Divide(_mm_add_epi32(_mm_slli_epi32(Weighted(lo, hi, y_weights), 9), y_half));
  }
  __m128i Cb(__m128i lo, __m128i hi) const {
    const __m128i x = _mm_add_epi32(_mm_slli_epi32(Weighted(lo, hi, cb_weights), 10), cb_half);
    return _mm_sub_epi32(cb_d.Divide(x), offset);
  }
  __m128i Cr(__m128i lo, __m128i hi) const {
    const __m128i x = _mm_add_epi32(_mm_slli_epi32(Weighted(lo, hi, cr_weights), 11), cr_half);
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
  // R = clamp(DivRound(51 t, 819200)) with t = 1000 Y + 1402 Cr, B alike
  // with 1772 Cb. Whatever rounds below 0 clamps to 0, so the rounding can
  // be floor((51 t + 409600) / 819200) for every t; t is first held within
  // bounds past which the result clamps whatever it is, so that 51 t stays
  // in 32 bits; and 819200 is 2^15 * 25, a shift and a 16-bit reciprocal
  // multiply: floor(u / 25) = (u * 5243) >> 17 for u below 43690.
  __m128i r_weights = _mm_setr_epi16(1000, 1402, 1000, 1402, 1000, 1402, 1000, 1402);
  __m128i b_weights = _mm_setr_epi16(1000, 1772, 1000, 1772, 1000, 1772, 1000, 1772);
  __m128i low = _mm_set1_epi32(-8100), high = _mm_set1_epi32(4105000);
  __m128i half = _mm_set1_epi32(409600);
  __m128i fifth_of_fifth = _mm_set1_epi16(5243);
  // G = clamp(DivRound(255 t, 2404352000)) with t = 587000 Y - 419198 Cr -
  // 202008 Cb, in doubles, which hold 255 t exactly: floor((255 t + D/2 +
  // 1/2) / D), where the half keeps the quotient 1 / 2D, far beyond the
  // product's rounding, from a whole number; truncation differs from floor
  // only below 0, which clamps anyway.
  __m128d g_y = _mm_set1_pd(255.0 * 587000), g_cr = _mm_set1_pd(255.0 * 419198), g_cb = _mm_set1_pd(255.0 * 202008);
  __m128d g_half = _mm_set1_pd(1202176000.5), g_reciprocal = _mm_set1_pd(1 / 2404352000.0);

  // floor((51 t + 409600) / 2^15), at least 0, for four pairs (Y, C).
  __m128i Scaled(__m128i y_c, __m128i weights) const {
    __m128i t = _mm_madd_epi16(y_c, weights);
    const __m128i below = _mm_cmplt_epi32(t, low), above = _mm_cmpgt_epi32(t, high);
    t = _mm_or_si128(_mm_andnot_si128(_mm_or_si128(below, above), t),
                     _mm_or_si128(_mm_and_si128(below, low), _mm_and_si128(above, high)));
    // 51 t as (32 + 16 + 2 + 1) t: SSE2 has no 32-bit multiply.
    const __m128i t51 = _mm_add_epi32(_mm_add_epi32(_mm_slli_epi32(t, 5), _mm_slli_epi32(t, 4)),
                                      _mm_add_epi32(_mm_slli_epi32(t, 1), t));
    const __m128i x = _mm_add_epi32(t51, half);
    return _mm_srli_epi32(_mm_andnot_si128(_mm_srai_epi32(x, 31), x), 15);
  }

  // Two pixels' G from their Y, Cr and Cb in the low two 32-bit lanes.
  __m128i Green2(__m128i y, __m128i cr, __m128i cb) const {
    const __m128d t = _mm_sub_pd(_mm_sub_pd(_mm_mul_pd(_mm_cvtepi32_pd(y), g_y), _mm_mul_pd(_mm_cvtepi32_pd(cr), g_cr)),
                                 _mm_mul_pd(_mm_cvtepi32_pd(cb), g_cb));
    return _mm_cvttpd_epi32(_mm_mul_pd(_mm_add_pd(t, g_half), g_reciprocal));
  }

  // Four pixels (Y, Cb, Cr in 16-bit lanes 0..3) to RGB0 bytes.
  __m128i Convert(__m128i y, __m128i cb, __m128i cr) const {
    // R and B of the four pixels side by side, divided by 25 together.
    const __m128i r_b = _mm_packs_epi32(Scaled(_mm_unpacklo_epi16(y, cr), r_weights),
                                        Scaled(_mm_unpacklo_epi16(y, cb), b_weights));
    const __m128i rb = _mm_srli_epi16(_mm_mulhi_epu16(r_b, fifth_of_fifth), 1);
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
// the way back is floor((255 Y + E) / 4096), clamped to 0..255, where E
// depends on Cb and Cr alone: R = clamp(DivRound(51 (1000 Y + 1402 Cr),
// 819200)) is floor((51000 Y + 71502 Cr + 409600) / 819200), and 200 divides
// 51000 and 819200, so E = floor((71502 Cr + 409600) / 200); B likewise with
// 90372 Cb; for G, 117400 divides both 255 * 587000 * 10 / 51 and the
// divisor, so E = floor((240435200 - 51 (419198 Cr + 202008 Cb)) / 117400).
// (Below 0 the rules round halves the other way, but clamp to 0 anyway.)
// E splits into 4096 a + w with w small, and Y, held within bounds past
// which every channel clamps, into 255 Y = 4096 q + r, 0 <= r < 4096: then
// the channel is q + a + floor((w + r) / 4096), all in 16-bit lanes, eight
// pixels at a time.
struct LumaToRgb {
  __m128i y_low = _mm_set1_epi16(-4200), y_high = _mm_set1_epi16(8400);
  __m128i scaled_255 = _mm_set1_epi16(255 * 16), times_255 = _mm_set1_epi16(255);
  __m128i below_4096 = _mm_set1_epi16(4095), one = _mm_set1_epi16(1);
  // R: E = 2048 + 357 Cr + floor(51 Cr / 100), the last Cr >> 1 + floor((Cr
  // + 50 (Cr & 1)) / 100), taken as floor((v + 2100) / 100) - 21 for v + 2100
  // in 52..4198, where (x * 41944) >> 22 is floor(x / 100).
  __m128i r_scaled = _mm_set1_epi16(357 * 16), r_times = _mm_set1_epi16(357);
  __m128i fifty = _mm_set1_epi16(50), r_bias = _mm_set1_epi16(2100), hundredth = _mm_set1_epi16(int16_t(41944));
  __m128i r_constant = _mm_set1_epi16(2048 - 21);
  // B: E = 2048 + 451 Cb + floor(43 Cb / 50), the last Cb - floor((7 Cb +
  // 49) / 50), taken as floor((7 Cb + 14399) / 50) - 287 for 7 Cb + 14399
  // in 63..28735, where (x * 20972) >> 20 is floor(x / 50).
  __m128i b_scaled = _mm_set1_epi16(451 * 16), b_times = _mm_set1_epi16(451);
  __m128i seven = _mm_set1_epi16(7), b_bias = _mm_set1_epi16(14399), fiftieth = _mm_set1_epi16(20972);
  __m128i b_constant = _mm_set1_epi16(2048 + 287);
  // G: E = 2048 - 182 Cr - 88 Cb + floor((28792 Cb - 12298 Cr) / 117400),
  // the quotient taken with 717 divisors added (the numerator is within
  // +-84152320) in 32-bit lanes.
  __m128i g_cr_scaled = _mm_set1_epi16(-182 * 16), g_cr_times = _mm_set1_epi16(-182);
  __m128i g_cb_scaled = _mm_set1_epi16(-88 * 16), g_cb_times = _mm_set1_epi16(-88);
  __m128i g_weights = _mm_set1_epi32(int((-12298 & 0xFFFF) | 28792 << 16));
  __m128i g_bias = _mm_set1_epi32(717 * 117400);
  __m128i g_constant = _mm_set1_epi16(2048 - 717);
  Divisor g_d{117400};

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

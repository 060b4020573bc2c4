// Sixteen vectors of the layout at a time: for each segment, sixteen
// neighbouring pixels are loaded whole (eight per 128-bit half, three
// 16-byte pieces each), the luma is picked out of them by byte shuffles,
// and an 8 x 8 transpose in each half turns the eight segments' runs into
// sixteen vectors. Stores go the other way, for all three channels too. Each group lies inside its
// segments and the row, so nothing beyond a pixel is read or written; the
// vectors left over and the margins are the SSE2 kernels' part.
#include <array>

#include "kernels/frame_rows.h"
#include "kernels/x86/avx2_util.h"

namespace quorlin::avx2 {

namespace {

constexpr int kGroup = 16;  // vectors, and pixels of a segment, at a time

// A byte shuffle, the same in both halves, between eight pixels' samples
// (24 of them in three pieces of eight: sample k = 3 * pixel + channel) and
// one channel's eight samples in pixel order. Picking, output lane p takes
// sample 3p + c when it lies in `piece`; placing, piece position q takes
// lane (8 * piece + q) / 3 when that sample is of channel c.
constexpr std::array<int8_t, 32> ShuffleBytes(int c, int piece, bool placing) {
  std::array<int8_t, 32> bytes{};
  for (int half = 0; half < 2; ++half) {
    for (int lane = 0; lane < 8; ++lane) {
      int from = -1;
      if (!placing && (3 * lane + c) / 8 == piece) from = (3 * lane + c) % 8;
      if (placing && (8 * piece + lane) % 3 == c) from = (8 * piece + lane) / 3;
      const int at = 16 * half + 2 * lane;
      bytes[at] = int8_t(from < 0 ? 0x80 : 2 * from);
      bytes[at + 1] = int8_t(from < 0 ? 0x80 : 2 * from + 1);
    }
  }
  return bytes;
}

template <int kChannel, int kPiece, bool kPlacing>
QUORLIN_FORCE_INLINE __m256i Shuffle(__m256i v) {
  static constexpr std::array<int8_t, 32> kBytes = ShuffleBytes(kChannel, kPiece, kPlacing);
  return _mm256_shuffle_epi8(v, LoadUnaligned(kBytes.data()));
}

// The three pieces of sixteen pixels from `samples`: eight pixels per half.
struct Pieces {
  __m256i p[3];
};

QUORLIN_FORCE_INLINE Pieces LoadPieces(const int16_t* samples) {
  return {{LoadHalves(samples, samples + 24), LoadHalves(samples + 8, samples + 32),
           LoadHalves(samples + 16, samples + 40)}};
}

QUORLIN_FORCE_INLINE void StorePieces(int16_t* samples, const Pieces& pieces) {
  StoreHalves(samples, samples + 24, pieces.p[0]);
  StoreHalves(samples + 8, samples + 32, pieces.p[1]);
  StoreHalves(samples + 16, samples + 40, pieces.p[2]);
}

template <int kChannel>
QUORLIN_FORCE_INLINE __m256i Pick(const Pieces& pieces) {
  return _mm256_or_si256(_mm256_or_si256(Shuffle<kChannel, 0, false>(pieces.p[0]), Shuffle<kChannel, 1, false>(pieces.p[1])),
                         Shuffle<kChannel, 2, false>(pieces.p[2]));
}

// The luma of the sixteen pixels of each segment at vector `first`, into
// vectors first .. first + 15 of `out`.
QUORLIN_FORCE_INLINE void LoadLumaGroup(const int16_t* samples, ptrdiff_t segment_step, int16_t* out) {
  __m256i v[8];
  for (int s = 0; s < 8; ++s) v[s] = Pick<0>(LoadPieces(samples + s * segment_step));
  Transpose8x8(v);
  // v[k] holds vectors k and 8 + k of the group.
  for (int k = 0; k < 8; k += 2) {
    StoreUnaligned(out + k * 8, _mm256_permute2x128_si256(v[k], v[k + 1], 0x20));
    StoreUnaligned(out + (8 + k) * 8, _mm256_permute2x128_si256(v[k], v[k + 1], 0x31));
  }
}

// Vectors first .. first + 15 of `in`, one segment's sixteen samples to a
// register, in each half eight.
QUORLIN_FORCE_INLINE void Segmented(const int16_t* in, __m256i v[8]) {
  for (int k = 0; k < 8; k += 2) {
    const __m256i low = Load(in + k * 8), high = Load(in + (8 + k) * 8);
    v[k] = _mm256_permute2x128_si256(low, high, 0x20);
    v[k + 1] = _mm256_permute2x128_si256(low, high, 0x31);
  }
  Transpose8x8(v);
}

template <int kChannel>
QUORLIN_FORCE_INLINE __m256i Place(__m256i values, int piece) {
  switch (piece) {
    case 0: return Shuffle<kChannel, 0, true>(values);
    case 1: return Shuffle<kChannel, 1, true>(values);
    default: return Shuffle<kChannel, 2, true>(values);
  }
}

}  // namespace

void LoadRow(const QuorlinPixel* src, const Segments& seg, int channels, int16_t* const* rows) {
  // All three channels: SSE2's whole-pixel gather, which reads each pixel
  // once, measured faster than picking each channel from the pixels in turn.
  if (channels == 3) return sse2::LoadRow(src, seg, channels, rows);
  const int vectors = FullVectors(seg) / kGroup * kGroup;
  const ptrdiff_t segment_step = 3 * ptrdiff_t{seg.length};  // samples between segments
  const ptrdiff_t margin = ptrdiff_t{seg.reach} * Segments::kLanes;
  const int16_t* samples = reinterpret_cast<const int16_t*>(src);
  for (int first = 0; first < vectors; first += kGroup) {
    const int16_t* at = samples + 3 * ptrdiff_t{first};
    const ptrdiff_t to = margin + ptrdiff_t{first} * Segments::kLanes;
    LoadLumaGroup(at, segment_step, rows[0] + to);
  }
  sse2::LoadRowFrom(src, seg, channels, rows, vectors);
}

void StoreRow(const int16_t* const* rows, const Segments& seg, int channels, QuorlinPixel* dst) {
  const int vectors = FullVectors(seg) / kGroup * kGroup;
  const ptrdiff_t segment_step = 3 * ptrdiff_t{seg.length};
  int16_t* samples = reinterpret_cast<int16_t*>(dst);
  for (int first = 0; first < vectors; first += kGroup) {
    int16_t* at = samples + 3 * ptrdiff_t{first};
    const ptrdiff_t from = ptrdiff_t{first} * Segments::kLanes;
    __m256i y[8];
    Segmented(rows[0] + from, y);
    if (channels == 1) {
      // Luma into the pixels as they are: positions 0, 3, 6 of the first
      // piece, 1, 4, 7 of the second, 2, 5 of the third.
      for (int s = 0; s < 8; ++s) {
        Pieces pieces = LoadPieces(at + s * segment_step);
        pieces.p[0] = _mm256_blend_epi16(pieces.p[0], Place<0>(y[s], 0), 0x49);
        pieces.p[1] = _mm256_blend_epi16(pieces.p[1], Place<0>(y[s], 1), 0x92);
        pieces.p[2] = _mm256_blend_epi16(pieces.p[2], Place<0>(y[s], 2), 0x24);
        StorePieces(at + s * segment_step, pieces);
      }
      continue;
    }
    __m256i cb[8], cr[8];
    Segmented(rows[1] + from, cb);
    Segmented(rows[2] + from, cr);
    for (int s = 0; s < 8; ++s) {
      Pieces pieces;
      for (int piece = 0; piece < 3; ++piece) {
        pieces.p[piece] = _mm256_or_si256(_mm256_or_si256(Place<0>(y[s], piece), Place<1>(cb[s], piece)),
                                          Place<2>(cr[s], piece));
      }
      StorePieces(at + s * segment_step, pieces);
    }
  }
  sse2::StoreRowFrom(rows, seg, channels, dst, vectors);
}

}  // namespace quorlin::avx2

#include "kernels/x86/levels.h"

#include <cpuid.h>

#include <cstdint>

namespace quorlin::x86 {

namespace {

// XCR0: which register states the operating system saves on a task switch;
// bits 1 and 2 are the SSE and AVX (upper halves of ymm) states.
uint64_t ExtendedControlRegister() {
  uint32_t eax, edx;
  __asm__ volatile("xgetbv" : "=a"(eax), "=d"(edx) : "c"(0));
  return (uint64_t{edx} << 32) | eax;
}

}  // namespace

Isa Detect() {
  unsigned eax, ebx, ecx, edx;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return Isa::kSse2;
  const bool osxsave = ecx & bit_OSXSAVE, avx = ecx & bit_AVX;
  if (!osxsave || !avx || (ExtendedControlRegister() & 6) != 6) return Isa::kSse2;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return Isa::kSse2;
  return ebx & bit_AVX2 ? Isa::kAvx2 : Isa::kSse2;
}

constexpr Kernels kSse2 = {
    Isa::kSse2,           "sse2",
    sse2::AddRowToSums,   sse2::SlideSums,         sse2::BoxBlurRow,      sse2::EnvelopeRow,
    sse2::CombineRow,     sse2::LoadRow,           sse2::StoreRow,        sse2::PlainToSegments,
    sse2::SegmentsToPlain, sse2::CodesToValues,    sse2::ValuesToCodes,   sse2::SpreadPairs,
    sse2::BlockMeans,     sse2::RgbToPlanesRow,
    sse2::PlanesToRgbRow,
};

namespace {

// Where a family has no AVX2 kernels of its own, its SSE2 ones stand in.
constexpr Kernels Avx2Kernels() {
  Kernels k = kSse2;
  k.isa = Isa::kAvx2;
  k.name = "avx2";
  k.add_row_to_sums = avx2::AddRowToSums;
  k.slide_sums = avx2::SlideSums;
  k.box_blur_row = avx2::BoxBlurRow;
  k.envelope_row = avx2::EnvelopeRow;
  k.combine_row = avx2::CombineRow;
  k.load_row = avx2::LoadRow;
  k.store_row = avx2::StoreRow;
  k.plain_to_segments = avx2::PlainToSegments;
#if !defined(__i386__)
  // With eight vector registers the 32-bit build spills the wider
  // transpose's registers, and measured slower than SSE2 there.
  k.segments_to_plain = avx2::SegmentsToPlain;
#endif
  k.codes_to_values = avx2::CodesToValues;
  k.values_to_codes = avx2::ValuesToCodes;
  k.spread_pairs = avx2::SpreadPairs;
  k.block_means = avx2::BlockMeans;
  k.rgb_to_planes_row = avx2::RgbToPlanesRow;
  k.planes_to_rgb_row = avx2::PlanesToRgbRow;
  return k;
}

}  // namespace

constexpr Kernels kAvx2 = Avx2Kernels();

}  // namespace quorlin::x86

#include "kernels/kernels.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>

#ifdef QUORLIN_X86
#include "kernels/x86/levels.h"
#endif

namespace quorlin {

namespace {

constexpr Kernels kC = {
    Isa::kC,           "c",
    c::AddRowToSums,   c::SlideSums,       c::BoxBlurRow,     c::EnvelopeRow,
    c::CombineRow,     c::LoadRow,         c::StoreRow,       c::PlainToSegments,
    c::SegmentsToPlain, c::CodesToValues,  c::ValuesToCodes,  c::SpreadPairs,
    c::BlockMeans,     c::RgbToPlanesRow,
    c::PlanesToRgbRow,
};

constexpr const char* kNames[] = {"c", "sse2", "avx2"};  // of kLevels
static_assert(std::size(kNames) == std::size(kLevels));

// The position of a level in kLevels; -1 for a value that names none (as
// QUORLIN_ISA_BEST does). The public values are not in the levels' order.
int RankOf(int isa) {
  for (int rank = 0; rank < int(std::size(kLevels)); ++rank) {
    if (int(kLevels[rank]) == isa) return rank;
  }
  return -1;
}

// QUORLIN_ISA's level as a rank, or -1 when it is unset or names no level.
int FromEnvironment() {
  const char* name = std::getenv("QUORLIN_ISA");
  for (int rank = 0; name && rank < int(std::size(kNames)); ++rank) {
    if (strcasecmp(name, kNames[rank]) == 0) return rank;
  }
  return -1;
}

Isa Detect() {
#ifdef QUORLIN_X86
  return x86::Detect();
#else
  return Isa::kC;
#endif
}

}  // namespace

Isa SupportedIsa() {
  static const Isa supported = Detect();
  return supported;
}

Isa ChosenIsa(int requested) {
  static const int environment = FromEnvironment();
  int rank = RankOf(int(SupportedIsa()));
  for (int lower : {environment, RankOf(requested)}) {
    if (lower >= 0) rank = std::min(rank, lower);
  }
  return kLevels[rank];
}

// Off x86 every level is C's.
const Kernels& KernelsFor([[maybe_unused]] Isa isa) {
#ifdef QUORLIN_X86
  if (isa == Isa::kAvx2) return x86::kAvx2;
  if (isa == Isa::kSse2) return x86::kSse2;
#endif
  return kC;
}

}  // namespace quorlin

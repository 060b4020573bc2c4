// The instruction set level a call runs at: the best one the processor and
// the operating system allow, as the compiler's own checks see them, lowered
// and never raised by the request and by QUORLIN_ISA, read in any case;
// values that name no level change nothing. Every level gives the same
// samples, so only these checks see a table that never chooses AVX2 or an
// override that goes unread. The suite runs under several QUORLIN_ISA
// values (tests/CMakeLists.txt).
#include <gtest/gtest.h>
#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "quorlin/quorlin.h"

namespace {

// From the lowest; the enum's values are in another order.
constexpr QuorlinIsa kLevels[] = {QUORLIN_ISA_C, QUORLIN_ISA_SSE2, QUORLIN_ISA_AVX2};
constexpr const char* kNames[] = {"c", "sse2", "avx2"};
constexpr int kNone = 99;  // ranks above every level: lowers nothing

int RankOfRequest(int requested) {
  const auto* at = std::find(std::begin(kLevels), std::end(kLevels), requested);
  return at == std::end(kLevels) ? kNone : int(at - std::begin(kLevels));
}

int RankOfEnvironment() {
  const char* name = std::getenv("QUORLIN_ISA");
  for (int rank = 0; name && rank < int(std::size(kNames)); ++rank) {
    if (strcasecmp(name, kNames[rank]) == 0) return rank;
  }
  return kNone;
}

int BestRank() {
#if defined(__x86_64__) || defined(__i386__)
  // The compiler's check of AVX2 asks the operating system too, whether it
  // keeps the 256-bit registers.
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return 2;
  EXPECT_TRUE(__builtin_cpu_supports("sse2"));
  return 1;
#else
  return 0;
#endif
}

TEST(IsaChoice, IsTheBestLevelLoweredByRequestAndEnvironment) {
  const char* environment = std::getenv("QUORLIN_ISA");
  const int best = std::min(BestRank(), RankOfEnvironment());
  for (int requested : {int(QUORLIN_ISA_BEST), int(QUORLIN_ISA_C), int(QUORLIN_ISA_SSE2), int(QUORLIN_ISA_AVX2), -1, 4,
                        1000}) {
    const QuorlinIsa want = kLevels[std::min(best, RankOfRequest(requested))];
    EXPECT_EQ(quorlin_isa(requested), want)
        << "requested " << requested << ", QUORLIN_ISA " << (environment ? environment : "unset");
  }
}

}  // namespace

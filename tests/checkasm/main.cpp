// quorlin_checkasm [--bench] [--seed N] [--kernel NAME]
// Checks every row kernel at every level this processor runs against its
// model, reporting the first mismatch of each with its arguments; exits 1
// when any kernel fails. --bench then times each kernel per level on
// 1920-wide rows; the times decide nothing. --seed repeats a run's rows,
// --kernel checks only the kernels whose names contain NAME.
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/checkasm/checkasm.h"

namespace quorlin::checkasm {

namespace {

// The kernel, level and arguments of the call being made, for a failure's
// report and for an AddressSanitizer report, which ends the program.
std::string current_case;

#ifdef QUORLIN_CHECKASM_ASAN
void NameTheCase() { std::fprintf(stderr, "checkasm: in %s\n", current_case.c_str()); }
#endif

}  // namespace

const char* NameOf(Range range) { return range == Range::kFull ? "full" : "natural"; }

std::vector<int> Widths() {
  std::vector<int> widths;
  for (int width = 1; width <= 72; ++width) widths.push_back(width);
  for (int length = 10; length <= 40; ++length) widths.push_back(8 * length - length % 8);
  for (int width : {997, 1919, 1920, 1921}) widths.push_back(width);
  return widths;
}

int16_t Run::Sample(Range range) {
  if (range == Range::kNatural) return int16_t(Uniform(-2300, 4400));
  // The ends of 16 bits now and then, where carries and saturation show.
  constexpr int16_t kEnds[] = {INT16_MIN, INT16_MIN + 1, -1, 0, INT16_MAX};
  return Uniform(0, 15) == 0 ? kEnds[Uniform(0, 4)] : int16_t(Uniform(INT16_MIN, INT16_MAX));
}

void Run::Args(const char* format, ...) {
  char text[256];
  std::va_list list;
  va_start(list, format);
  std::vsnprintf(text, sizeof text, format, list);
  va_end(list);
  args = text;
  current_case = std::string(kernel_) + " at " + k.name + " (" + args + ")";
}

void Run::Fail(const std::string& what) {
  if (!failed) std::printf("FAILED %s: %s\n", current_case.c_str(), what.c_str());
  failed = true;
}

namespace {

template <auto kMember>
bool SameFunction(const Kernels& a, const Kernels& b) {
  return a.*kMember == b.*kMember;
}

struct Entry {
  const char* name;
  void (*check)(Run&);
  bool (*same_function)(const Kernels&, const Kernels&);
};

constexpr Entry kEntries[] = {
    {"add_row_to_sums", CheckAddRowToSums, SameFunction<&Kernels::add_row_to_sums>},
    {"slide_sums", CheckSlideSums, SameFunction<&Kernels::slide_sums>},
    {"box_blur_row", CheckBoxBlurRow, SameFunction<&Kernels::box_blur_row>},
    {"envelope_row", CheckEnvelopeRow, SameFunction<&Kernels::envelope_row>},
    {"combine_row", CheckCombineRow, SameFunction<&Kernels::combine_row>},
    {"load_row", CheckLoadRow, SameFunction<&Kernels::load_row>},
    {"store_row", CheckStoreRow, SameFunction<&Kernels::store_row>},
    {"plain_to_segments", CheckPlainToSegments, SameFunction<&Kernels::plain_to_segments>},
    {"segments_to_plain", CheckSegmentsToPlain, SameFunction<&Kernels::segments_to_plain>},
    {"codes_to_values", CheckCodesToValues, SameFunction<&Kernels::codes_to_values>},
    {"values_to_codes", CheckValuesToCodes, SameFunction<&Kernels::values_to_codes>},
    {"spread_pairs", CheckSpreadPairs, SameFunction<&Kernels::spread_pairs>},
    {"block_means", CheckBlockMeans, SameFunction<&Kernels::block_means>},
    {"rgb_to_planes_row", CheckRgbToPlanesRow, SameFunction<&Kernels::rgb_to_planes_row>},
    {"planes_to_rgb_row", CheckPlanesToRgbRow, SameFunction<&Kernels::planes_to_rgb_row>},
};

struct Options {
  bool bench = false;
  uint32_t seed = uint32_t(std::chrono::system_clock::now().time_since_epoch().count());
  const char* only = "";
};

bool Parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--bench") {
      options.bench = true;
    } else if (arg == "--seed" && i + 1 < argc) {
      options.seed = uint32_t(std::strtoul(argv[++i], nullptr, 10));
    } else if (arg == "--kernel" && i + 1 < argc) {
      options.only = argv[++i];
    } else {
      std::fprintf(stderr, "usage: %s [--bench] [--seed N] [--kernel NAME]\n", argv[0]);
      return false;
    }
  }
  return true;
}

// Every level this processor runs, lowest (C) first.
std::vector<const Kernels*> Levels() {
  std::vector<const Kernels*> levels;
  for (Isa isa : kLevels) {
    levels.push_back(&KernelsFor(isa));
    if (isa == SupportedIsa()) break;
  }
  return levels;
}

struct Timing {
  const Entry* entry;
  std::string args;
  std::vector<double> nanoseconds;  // per level
};

void PrintTimes(const std::vector<const Kernels*>& levels, const std::vector<Timing>& times) {
  std::printf("\nnanoseconds per call (and per column) on %d-wide rows, best of three medians of 25 batches:\n",
              kBenchWidth);
  // Each level's speed-up over the level below it, "=" where it runs that
  // level's function.
  std::printf("%-16s", "kernel");
  for (size_t l = 0; l < levels.size(); ++l) {
    std::printf("%11s %7s", (std::string(levels[l]->name) + " ns").c_str(), "/column");
    if (l > 0) std::printf(" x%-6s", levels[l - 1]->name);
  }
  std::printf("  arguments\n");
  for (const Timing& t : times) {
    std::printf("%-16s", t.entry->name);
    for (size_t l = 0; l < levels.size(); ++l) {
      std::printf("%11.1f %7.3f", t.nanoseconds[l], t.nanoseconds[l] / kBenchWidth);
      if (l > 0) {
        const bool same = t.entry->same_function(*levels[l], *levels[l - 1]);
        std::printf(" %6.2f%s", t.nanoseconds[l - 1] / t.nanoseconds[l], same ? "=" : " ");
      }
    }
    std::printf("  %s\n", t.args.c_str());
  }
}

int Main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, options)) return 2;
#ifdef QUORLIN_CHECKASM_ASAN
  __sanitizer_set_death_callback(NameTheCase);
#endif
  const std::vector<const Kernels*> levels = Levels();
  std::printf("checkasm: seed %u; levels", options.seed);
  for (const Kernels* k : levels) std::printf(" %s", k->name);
  std::printf("; the filter here runs at %s\n", KernelsFor(ChosenIsa(QUORLIN_ISA_BEST)).name);

  int failures = 0;
  const Kernels* below = levels.front();
  for (const Kernels* k : levels) {
    int kernels = 0, failed = 0, own = 0, calls = 0;
    for (size_t e = 0; e < std::size(kEntries); ++e) {
      const Entry& entry = kEntries[e];
      if (!std::strstr(entry.name, options.only)) continue;
      Run run(*k, entry.name, options.seed + uint32_t(e), false);
      entry.check(run);
      ++kernels, failed += run.failed, calls += run.calls;
      own += k == levels.front() || !entry.same_function(*k, *below);
    }
    std::printf("%s: %d of %d kernels match their models in %d calls", k->name, kernels - failed, kernels, calls);
    if (k != levels.front()) std::printf(" (%d of them its own, the rest %s's)", own, below->name);
    below = k;
    std::printf("\n");
    failures += failed;
  }

  if (options.bench) {
    std::vector<Timing> times;
    for (size_t e = 0; e < std::size(kEntries); ++e) {
      if (!std::strstr(kEntries[e].name, options.only)) continue;
      Timing& t = times.emplace_back(Timing{&kEntries[e], "", std::vector<double>(levels.size(), 1e300)});
      // Levels in turn, three times over, each keeping its best median: a
      // busy spell of the machine then slows neither level alone. The rows
      // (their offsets too) are the same in every run.
      for (int round = 0; round < 3; ++round) {
        for (size_t level = 0; level < levels.size(); ++level) {
          Run run(*levels[level], kEntries[e].name, uint32_t(e), true);
          kEntries[e].check(run);
          t.args = run.args;
          t.nanoseconds[level] = std::min(t.nanoseconds[level], run.nanoseconds);
        }
      }
    }
    PrintTimes(levels, times);
  }
  if (failures) {
    std::printf("checkasm: %d failed; --seed %u repeats this run\n", failures, options.seed);
  }
  return failures ? 1 : 0;
}

}  // namespace
}  // namespace quorlin::checkasm

int main(int argc, char** argv) { return quorlin::checkasm::Main(argc, argv); }

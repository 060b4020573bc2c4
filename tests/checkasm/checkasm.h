// The checker of the row kernels: every kernel of the table, at every
// instruction set level the processor runs, against a scalar model of its
// contract written sample by sample, on random rows of every length class,
// with guard bytes around every row it is given. With --bench it also times
// each kernel per level.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "kernels/kernels.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORLIN_CHECKASM_ASAN
#endif
#elif defined(__SANITIZE_ADDRESS__)
#define QUORLIN_CHECKASM_ASAN
#endif
#ifdef QUORLIN_CHECKASM_ASAN
#include <sanitizer/asan_interface.h>
#else
#define ASAN_POISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#endif

namespace quorlin::checkasm {

// Samples of a picture (Y 0..4096 and Cb, Cr -2048..2048, a little beyond
// for the filter's overshoot), or anything in 16 bits.
enum class Range { kNatural, kFull };
const char* NameOf(Range range);

// Every width up to 72 (rows of 1 to 9 vectors, every tail of 8, 16 and 32
// samples), one width of each length from 10 to 40 vectors (across groups of
// 8 and 16 vectors), an odd width and full HD's.
std::vector<int> Widths();
constexpr int kBenchWidth = 1920;

template <typename T>
class Buffer;

// One kernel at one level: its random source, the arguments of the calls
// being made, and the first failure, which ends the kernel's checks.
class Run {
 public:
  Run(const Kernels& kernels, const char* kernel, uint32_t seed, bool timing)
      : k(kernels), rng(seed), timing(timing), kernel_(kernel) {}

  const Kernels& k;
  std::mt19937 rng;
  const bool timing;  // one call at kBenchWidth, timed instead of checked
  int calls = 0;
  double nanoseconds = 0;  // per call, when timing
  bool failed = false;
  std::string args;

  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
  int16_t Sample(Range range);
  // Describes the calls that follow, printf-style.
  __attribute__((format(printf, 2, 3))) void Args(const char* format, ...);

  // Makes the kernel call, once; when timing, many times, and the results
  // are not to be checked: returns false.
  template <typename Call>
  bool Make(Call call) {
    ++calls;
    if (!timing) {
      call();
      return true;
    }
    nanoseconds = Time(call);
    return false;
  }

  // Whether got is what the model wants; `where` names the place (only
  // called when it is not).
  template <typename Where>
  bool Same(int64_t got, int64_t want, Where where) {
    if (got != want) Fail(where() + " = " + std::to_string(got) + ", expected " + std::to_string(want));
    return got == want;
  }

  // Whether the kernel left every byte of the buffer but elements [from, to)
  // as they were sealed.
  template <typename T>
  bool Kept(Buffer<T>& buffer, const char* row, ptrdiff_t from, ptrdiff_t to) {
    const std::optional<ptrdiff_t> at = buffer.Changed(from, to);
    if (at) {
      Fail("wrote " + std::string(row) + "[" + std::to_string(*at) + "], outside " + row + "[" + std::to_string(from) +
           ".." + std::to_string(to) + ")");
    }
    return !at;
  }

  void Fail(const std::string& what);

 private:
  // Median time per call over batches of at least 100 microseconds.
  template <typename Call>
  static double Time(Call call) {
    using Clock = std::chrono::steady_clock;
    auto batch = [&](int n) {
      const auto start = Clock::now();
      for (int i = 0; i < n; ++i) call();
      return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / n;
    };
    int n = 1;
    while (batch(n) * n < 1e5) n *= 2;
    std::vector<double> times(25);
    for (double& t : times) t = batch(n);
    std::nth_element(times.begin(), times.begin() + 12, times.end());
    return times[12];
  }

  const char* kernel_;
};

// A row handed to a kernel: elements [first, end) counted from data(), the
// first of them `offset` bytes past a 64-byte boundary, between guard bytes.
// All of it starts random. Seal() records it (and, under AddressSanitizer,
// puts the guards off limits, so that reading them fails too); Changed()
// then finds the first element the kernel changed outside a range.
template <typename T>
class Buffer {
 public:
  static constexpr ptrdiff_t kGuard = 256;

  Buffer(std::mt19937& rng, ptrdiff_t first, ptrdiff_t end, ptrdiff_t offset = 0)
      : first_(first), end_(end), bytes_(size_t(2 * kGuard + 64 + offset + (end - first) * ptrdiff_t(sizeof(T)))) {
    for (size_t i = 0; i < bytes_.size(); i += 4) {
      const uint32_t word = rng();
      std::memcpy(bytes_.data() + i, &word, std::min<size_t>(4, bytes_.size() - i));
    }
    const auto base = reinterpret_cast<uintptr_t>(bytes_.data());
    zero_ = ptrdiff_t((base + kGuard + 63) / 64 * 64 - base) + offset - first * ptrdiff_t(sizeof(T));
  }
  Buffer(std::mt19937& rng, ptrdiff_t size) : Buffer(rng, 0, size) {}
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
  ~Buffer() { Open(); }

  T* data() { return reinterpret_cast<T*>(bytes_.data() + zero_); }
  T& operator[](ptrdiff_t i) { return data()[i]; }

  void Seal() {
    sealed_ = bytes_;
    ASAN_POISON_MEMORY_REGION(bytes_.data(), size_t(Begin()));
    ASAN_POISON_MEMORY_REGION(bytes_.data() + End(), bytes_.size() - size_t(End()));
    poisoned_ = true;
  }

  std::optional<ptrdiff_t> Changed(ptrdiff_t from, ptrdiff_t to) {
    Open();
    const ptrdiff_t size = sizeof(T);
    for (ptrdiff_t at = 0; at < ptrdiff_t(bytes_.size()); ++at) {
      if (bytes_[at] == sealed_[at]) continue;
      const ptrdiff_t element = at >= zero_ ? (at - zero_) / size : -((zero_ - at + size - 1) / size);
      if (element < from || element >= to) return element;
    }
    return std::nullopt;
  }

 private:
  ptrdiff_t Begin() const { return zero_ + first_ * ptrdiff_t(sizeof(T)); }
  ptrdiff_t End() const { return zero_ + end_ * ptrdiff_t(sizeof(T)); }
  void Open() {
    if (poisoned_) ASAN_UNPOISON_MEMORY_REGION(bytes_.data(), bytes_.size());
    poisoned_ = false;
  }

  ptrdiff_t first_, end_;
  std::vector<uint8_t> bytes_, sealed_;
  ptrdiff_t zero_;  // byte index of element 0
  bool poisoned_ = false;
};

// The checkers, one per kernel: each returns at its first failure.
void CheckAddRowToSums(Run& run);
void CheckSlideSums(Run& run);
void CheckBoxBlurRow(Run& run);
void CheckEnvelopeRow(Run& run);
void CheckCombineRow(Run& run);
void CheckLoadRow(Run& run);
void CheckStoreRow(Run& run);
void CheckPlainToSegments(Run& run);
void CheckSegmentsToPlain(Run& run);
void CheckCodesToValues(Run& run);
void CheckValuesToCodes(Run& run);
void CheckSpreadPairs(Run& run);
void CheckBlockMeans(Run& run);
void CheckRgbToPlanesRow(Run& run);
void CheckPlanesToRgbRow(Run& run);

}  // namespace quorlin::checkasm

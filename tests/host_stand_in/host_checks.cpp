// Windows-only checks of the real plug-in module, run under wine:
//  - the definition record read back as the raw 32-bit bytes the editor
//    reads, not through our own struct declaration, against the library's
//    control table;
//  - both entry points entered with the stack misaligned by 4, 8 and 12
//    bytes, as an MSVC-built host may call them; the frames must come out
//    as from an aligned call.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "quorlin/quorlin.h"
#include "tests/host_stand_in/frame_cases.h"

// Calls fn(arg0, arg1) (cdecl) with the stack pointer at the call
// instruction `shift` bytes below a 16-byte boundary: shift 0 is the aligned
// call GCC code makes; 4, 8 and 12 are what a 4-byte aligned caller may do.
extern "C" __attribute__((naked)) uintptr_t CallShifted(const void* /*fn*/, const void* /*arg0*/,
                                                        const void* /*arg1*/, unsigned /*shift*/) {
  __asm__(R"(
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    movl 8(%ebp), %eax
    movl 12(%ebp), %edx
    movl 16(%ebp), %esi
    movl 20(%ebp), %ecx
    subl $32, %esp
    andl $-16, %esp
    subl %ecx, %esp
    movl %edx, (%esp)
    movl %esi, 4(%esp)
    call *%eax
    leal -4(%ebp), %esp
    popl %esi
    popl %ebp
    ret
  )");
}

// Returns the stack pointer at its call instruction modulo 16, to prove that
// CallShifted does what it says.
extern "C" __attribute__((naked)) uintptr_t StackAtCall() {
  __asm__(R"(
    leal 4(%esp), %eax
    andl $15, %eax
    ret
  )");
}

namespace {

int passed = 0;
int failed = 0;

// Counts one check; prints the failed ones, described printf-style.
__attribute__((format(printf, 2, 3))) void Expect(bool ok, const char* format, ...) {
  ++(ok ? passed : failed);
  if (ok) return;
  std::va_list args;
  va_start(args, format);
  std::printf("FAILED: ");
  std::vprintf(format, args);
  std::printf("\n");
  va_end(args);
}

// The record as the editor sees it: 4-byte words at fixed byte offsets.
uint32_t Word(const unsigned char* record, int offset) {
  uint32_t v;
  std::memcpy(&v, record + offset, sizeof v);
  return v;
}

template <typename T>
const T* Pointer(uint32_t word) {
  return reinterpret_cast<const T*>(static_cast<uintptr_t>(word));
}

// Compares the NUL-terminated string behind `word` with the expected bytes.
void ExpectString(uint32_t word, const char* want, const char* what, int index = 0) {
  const char* got = Pointer<char>(word);
  Expect(got && std::strcmp(got, want) == 0, "%s %d: bytes", what, index);
}

void ExpectInts(uint32_t word, const int* want, int n, const char* what) {
  const int* got = Pointer<int>(word);
  Expect(got && std::memcmp(got, want, n * sizeof(int)) == 0, "%s", what);
}

void ExpectZeroBytes(const unsigned char* record, int from, int to) {
  bool zero = true;
  for (int i = from; i <= to; ++i) zero = zero && record[i] == 0;
  Expect(zero, "bytes %d..%d are zero", from, to);
}

// The names in code page 932, as produced by iconv -f UTF-8 -t CP932.
constexpr const char* kTrackNames[kTrackCount] = {
    "\x82\xda\x82\xa9\x82\xb5\x95\x9d",  // ぼかし幅
    "\x96\xbe\x8b\xad\x93\x78",          // 明強度
    "\x96\xbe\xe8\x87\x92\x6c",          // 明閾値
    "\x96\xbe" "Limit",                  // 明Limit
    "\x90\x46\x8b\xad\x93\x78",          // 色強度
    "\x90\x46\xe8\x87\x92\x6c",          // 色閾値
    "\x90\x46" "Limit",                  // 色Limit
};
constexpr const char* kCheckNames[kCheckCount] = {
    "\x83\x43\x83\x93\x83\x5e\x81\x5b\x83\x8c\x81\x5b\x83\x58\x8f\x88\x97\x9d",  // インターレース処理
    "\x8b\x50\x93\x78\x82\xcc\x82\xdd",                                          // 輝度のみ
    "\x90\xa7\x8c\xc0\x92\x6c\x82\xa0\x82\xe8",                                  // 制限値あり
};
constexpr const char* kInformation = "Quorlin SIMD\x83\x74\x83\x42\x83\x8b\x83\x5e version 0.01";
constexpr int kRecordBytes = 140;

// The library's sliders, in its order, are the track bars; its switches the
// check boxes.
struct ControlTable {
  std::vector<int> track_defaults, track_minima, track_maxima, check_defaults;
  ControlTable() {
    for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
      const QuorlinControl& c = *quorlin_control(id);
      if (c.is_switch) {
        check_defaults.push_back(c.default_value);
      } else {
        track_defaults.push_back(c.default_value);
        track_minima.push_back(c.minimum);
        track_maxima.push_back(c.maximum);
      }
    }
  }
};

void CheckRecord(GetFilterTableFn get_filter_table) {
  const auto* record = reinterpret_cast<const unsigned char*>(get_filter_table());
  unsigned char first[kRecordBytes];
  std::memcpy(first, record, kRecordBytes);

  Expect(Word(record, 0) == 0x00040000, "flag is 0x00040000");
  ExpectString(Word(record, 12), "Quorlin", "name");
  Expect(Word(record, 16) == kTrackCount, "track_n is 7");
  const uint32_t* track_names = Pointer<uint32_t>(Word(record, 20));
  for (int i = 0; track_names && i < kTrackCount; ++i)
    ExpectString(track_names[i], kTrackNames[i], "track name", i);
  const ControlTable controls;
  Expect(controls.track_defaults.size() == kTrackCount && controls.check_defaults.size() == kCheckCount,
         "the library has 7 sliders and 3 switches");
  ExpectInts(Word(record, 24), controls.track_defaults.data(), kTrackCount, "track defaults");
  ExpectInts(Word(record, 28), controls.track_minima.data(), kTrackCount, "track minima");
  ExpectInts(Word(record, 32), controls.track_maxima.data(), kTrackCount, "track maxima");
  Expect(Word(record, 36) == kCheckCount, "check_n is 3");
  const uint32_t* check_names = Pointer<uint32_t>(Word(record, 40));
  for (int i = 0; check_names && i < kCheckCount; ++i)
    ExpectString(check_names[i], kCheckNames[i], "check name", i);
  ExpectInts(Word(record, 44), controls.check_defaults.data(), kCheckCount, "check defaults");
  Expect(Word(record, 48) != 0, "func_proc is set");
  ExpectString(Word(record, 84), kInformation, "information");
  ExpectZeroBytes(record, 4, 11);
  ExpectZeroBytes(record, 52, 83);
  ExpectZeroBytes(record, 88, kRecordBytes - 1);

  const auto* again = reinterpret_cast<const unsigned char*>(get_filter_table());
  Expect(again == record && std::memcmp(again, first, kRecordBytes) == 0,
         "a second call returns the same, unchanged record");
}

// Frames that take the default pipeline and the others, progressive and
// interlaced, large enough that every worker thread gets rows.
std::vector<FrameCase> MisalignmentCases(const FILTER_DLL& table) {
  std::vector<FrameCase> cases;
  for (int interlace = 0; interlace <= 1; ++interlace) {
    FrameCase c = DefaultCase(table, 96, 64, 0x5eed0000u + interlace);
    c.check[kCheckInterlace] = interlace;
    cases.push_back(c);
    c.track[kTrackRadius] = 7;
    c.track[kTrackLumaStrength] = 200;
    c.track[kTrackLumaThreshold] = 30;
    c.w = 61;
    c.h = 45;
    c.full_range = true;
    cases.push_back(c);
    c.track[kTrackRadius] = 10;
    for (int mode = 1; mode < 4; ++mode) {
      c.check[kCheckLumaOnly] = mode >= 2 ? 0 : 1;
      c.check[kCheckLimit] = mode & 1;
      c.track[kTrackLumaLimit] = 3;
      c.track[kTrackChromaLimit] = 2;
      cases.push_back(c);
    }
  }
  return cases;
}

// The hash of the frame after one call made with the stack shifted.
uint64_t ShiftedFrameHash(const FILTER_DLL& table, const FrameCase& c, unsigned shift) {
  HostCall call;
  PrepareCall(table, c, call);
  const auto ret = static_cast<int>(CallShifted(reinterpret_cast<const void*>(table.func_proc), &call.filter,
                                                &call.info, shift));
  Expect(ret == 1, "func_proc returns 1 with the stack shifted by %u", shift);
  return HashPixels(call.pixels);
}

void CheckMisalignedEntry(GetFilterTableFn get_filter_table) {
  for (unsigned shift : {0u, 4u, 8u, 12u})
    Expect(CallShifted(reinterpret_cast<const void*>(&StackAtCall), nullptr, nullptr, shift) == (16 - shift) % 16,
           "the trampoline shifts the stack by %u", shift);

  const FILTER_DLL* table = get_filter_table();
  for (unsigned shift : {4u, 8u, 12u}) {
    const uintptr_t got = CallShifted(reinterpret_cast<const void*>(get_filter_table), nullptr, nullptr, shift);
    Expect(got == reinterpret_cast<uintptr_t>(table),
           "GetFilterTable with the stack shifted by %u", shift);
  }

  int n = 0;
  for (const FrameCase& c : MisalignmentCases(*table)) {
    const uint64_t aligned = ShiftedFrameHash(*table, c, 0);
    for (unsigned shift : {4u, 8u, 12u})
      Expect(ShiftedFrameHash(*table, c, shift) == aligned,
             "frame %d (%s) with the stack shifted by %u", n, DescribeCase(c).c_str(), shift);
    ++n;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const GetFilterTableFn get_filter_table = LoadFromCommandLine(argc, argv);
  if (!get_filter_table) return 2;
  CheckRecord(get_filter_table);
  CheckMisalignedEntry(get_filter_table);
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed ? 1 : 0;
}

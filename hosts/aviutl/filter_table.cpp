// The filter's definition as the host reads it, made from the library's
// control table when the module is built: the record is complete before
// any code of the module runs.
#include "hosts/aviutl/filter_table.h"

#include <array>
#include <utility>

#include "controls.h"
#include "hosts/aviutl/frame_proc.h"

namespace {

static_assert(int{kTrackCount} == int{QUORLIN_INTERLACE} && int{kTrackCount} + int{kCheckCount} == int{QUORLIN_CONTROL_COUNT},
              "the track bars are the library's first controls, the check boxes the rest");

// 0x00040000: the host reads `information` only when this bit is set.
constexpr int kFlagExInformation = 0x00040000;

// The given field of controls first .. first + N - 1.
template <int kFirst, typename Field, size_t... I>
constexpr auto Column(Field field, std::index_sequence<I...>) {
  return std::array{field(quorlin::kControls[kFirst + I].control)...};
}
template <int kFirst, int kCount, typename Field>
constexpr auto Column(Field field) {
  return Column<kFirst>(field, std::make_index_sequence<kCount>());
}

constexpr auto kName = [](const QuorlinControl& c) { return c.editor_name; };
constexpr auto kDefault = [](const QuorlinControl& c) { return c.default_value; };
constexpr auto kMinimum = [](const QuorlinControl& c) { return c.minimum; };
constexpr auto kMaximum = [](const QuorlinControl& c) { return c.maximum; };

// The host's record points at writable arrays.
auto track_names = Column<0, kTrackCount>(kName);
auto track_defaults = Column<0, kTrackCount>(kDefault);
auto track_minima = Column<0, kTrackCount>(kMinimum);
auto track_maxima = Column<0, kTrackCount>(kMaximum);
auto check_names = Column<kTrackCount, kCheckCount>(kName);
auto check_defaults = Column<kTrackCount, kCheckCount>(kDefault);

// Every field not named here is zero.
constinit FILTER_DLL filter_table = {
    .flag = kFlagExInformation,
    .name = "Quorlin",
    .track_n = kTrackCount,
    .track_name = track_names.data(),
    .track_default = track_defaults.data(),
    .track_s = track_minima.data(),
    .track_e = track_maxima.data(),
    .check_n = kCheckCount,
    .check_name = check_names.data(),
    .check_default = check_defaults.data(),
    .func_proc = FrameProc,
    // "Quorlin SIMDフィルタ version 0.01" in code page 932
    .information = "Quorlin SIMD\x83\x74\x83\x42\x83\x8b\x83\x5e version 0.01",
};

}  // namespace

FILTER_DLL* GetFilterTable(void) { return &filter_table; }

#include "controls.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace quorlin {

namespace {

int Value(const QuorlinSettings& settings, QuorlinControlId id) {
  return *reinterpret_cast<const int*>(reinterpret_cast<const char*>(&settings) + kControls[id].offset);
}

// The value in the units the filter works in: scaled in 64 bits, so that no
// value however large wraps around, then clamped. A switch is on when non-zero.
int Scaled(const QuorlinSettings& settings, QuorlinControlId id) {
  const QuorlinControl& c = kControls[id].control;
  const int64_t v = Value(settings, id);
  if (c.is_switch) return v != 0;
  return int(std::clamp<int64_t>(v * c.scale, c.clamp_minimum, c.clamp_maximum));
}

ChannelParams Channel(const QuorlinSettings& settings, QuorlinControlId strength, QuorlinControlId threshold,
                      QuorlinControlId limit) {
  return {int16_t(Scaled(settings, strength)), int16_t(Scaled(settings, threshold)), int16_t(Scaled(settings, limit))};
}

constexpr unsigned kFirstVersion = QUORLIN_MAKE_VERSION(QUORLIN_VERSION_MAJOR, 0);

// Versions whose struct is this library's struct or a shorter start of it.
bool Known(unsigned version) { return version >= kFirstVersion && version <= QUORLIN_API_VERSION; }

bool SameMajor(const QuorlinSettings* given) { return given && given->version >> 16 == QUORLIN_VERSION_MAJOR; }

// The bytes of the fields a version of the struct had, up to the end of its
// last field (not its padding). 2.0 ends with isa, and 2.1 added none; a
// later minor version that appends fields adds its own case here. A version
// later than this library is read as far as the library knows.
size_t SettingsBytes(unsigned /*version*/) { return offsetof(QuorlinSettings, isa) + sizeof(int); }

QuorlinSettings Defaults() {
  QuorlinSettings settings{};
  settings.version = QUORLIN_API_VERSION;
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) *quorlin_setting(&settings, id) = kControls[id].control.default_value;
  return settings;
}

}  // namespace

// Copied byte by byte as far as the caller's version goes, so that a smaller
// struct of an earlier version is never read past its end.
bool ReadSettings(const QuorlinSettings* given, QuorlinSettings& settings) {
  if (!SameMajor(given)) return false;
  settings = Defaults();
  std::memcpy(&settings, given, SettingsBytes(given->version));
  return true;
}

// Every control is a field of 2.0, the first version of this major one.
bool ReadControls(const QuorlinSettings* given, QuorlinSettings& settings) {
  if (!SameMajor(given)) return false;
  settings = Defaults();
  for (const Control& c : kControls) {
    std::memcpy(reinterpret_cast<char*>(&settings) + c.offset, reinterpret_cast<const char*>(given) + c.offset,
                sizeof(int));
  }
  return true;
}

SharpenParams MakeSharpenParams(const QuorlinSettings& settings, const Kernels& kernels) {
  const bool luma_only = Scaled(settings, QUORLIN_LUMA_ONLY);
  const bool limit_mode = Scaled(settings, QUORLIN_LIMIT_MODE);
  // Luma alone saturates its sharpened value before the bounds; all three
  // channels wrap it.
  const Bound bound = !limit_mode ? Bound::None : luma_only ? Bound::Saturated : Bound::Wrapped;
  return {Scaled(settings, QUORLIN_RADIUS),
          bool(Scaled(settings, QUORLIN_INTERLACE)),
          luma_only ? 1 : 3,
          bound,
          Channel(settings, QUORLIN_LUMA_STRENGTH, QUORLIN_LUMA_THRESHOLD, QUORLIN_LUMA_LIMIT),
          Channel(settings, QUORLIN_CHROMA_STRENGTH, QUORLIN_CHROMA_THRESHOLD, QUORLIN_CHROMA_LIMIT),
          &kernels};
}

}  // namespace quorlin

extern "C" {

// Writes the fields of the caller's version alone.
QuorlinStatus quorlin_default_settings(QuorlinSettings* settings, unsigned version) {
  if (!settings || !quorlin::Known(version)) return QUORLIN_BAD_ARGUMENT;
  QuorlinSettings defaults = quorlin::Defaults();
  defaults.version = version;
  std::memcpy(settings, &defaults, quorlin::SettingsBytes(version));
  return QUORLIN_OK;
}

const QuorlinControl* quorlin_control(int id) {
  return id >= 0 && id < QUORLIN_CONTROL_COUNT ? &quorlin::kControls[id].control : nullptr;
}

// The level of the table a call gets, which is what it runs.
QuorlinIsa quorlin_isa(int requested) {
  return QuorlinIsa(quorlin::KernelsFor(quorlin::ChosenIsa(requested)).isa);
}

int* quorlin_setting(QuorlinSettings* settings, int id) {
  if (!settings || id < 0 || id >= QUORLIN_CONTROL_COUNT) return nullptr;
  return reinterpret_cast<int*>(reinterpret_cast<char*>(settings) + quorlin::kControls[id].offset);
}

}

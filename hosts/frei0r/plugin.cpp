// quorlin.so, the filter as a frei0r effect. The host's RGBA frame is copied
// to its output, which the library sharpens as the quorlin command sharpens
// a PNG picture: converted to the editor's samples and back, row by row;
// alpha stays as copied. Each instance keeps a filter object, so that its
// frames, all of one size, allocate nothing after the first.
#include <cstdint>
#include <cstring>
#include <new>

// The functions frei0r.h declares are the module's exports; every other
// symbol is hidden.
#pragma GCC visibility push(default)
extern "C" {
#include <frei0r.h>
}
#pragma GCC visibility pop

#include "hosts/frei0r/instance.h"
#include "hosts/frei0r/parameters.h"
#include "quorlin/quorlin.h"

using quorlin::frei0r::Instance;

extern "C" {

int f0r_init() { return 1; }

void f0r_deinit() {}

void f0r_get_plugin_info(f0r_plugin_info_t* info) {
  if (!info) return;
  *info = {
      .name = "quorlin",
      .author = "the Quorlin developers",
      .plugin_type = F0R_PLUGIN_TYPE_FILTER,
      .color_model = F0R_COLOR_MODEL_RGBA8888,
      .frei0r_version = FREI0R_MAJOR_VERSION,
      .major_version = QUORLIN_VERSION_MAJOR,
      .minor_version = QUORLIN_VERSION_MINOR,
      .num_params = QUORLIN_CONTROL_COUNT,
      .explanation = "bit-exact unsharp mask with a threshold and a halo-free limit mode",
  };
}

void f0r_get_param_info(f0r_param_info_t* info, int param_index) {
  const QuorlinControl* control = quorlin_control(param_index);
  if (!info || !control) return;
  *info = {control->option, control->is_switch ? F0R_PARAM_BOOL : F0R_PARAM_DOUBLE,
           quorlin::frei0r::Explanation(param_index)};
}

// Any size is taken, zero too: ffmpeg and GStreamer construct instances for
// whatever size their frames have, although the frei0r header allows only
// multiples of 8 up to 2048, and a host given no instance may not check.
f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
  auto* instance = new (std::nothrow) Instance(width, height, nullptr);
  if (instance && !instance->filter) {
    delete instance;
    return nullptr;
  }
  return instance;
}

void f0r_destruct(f0r_instance_t instance) { delete static_cast<Instance*>(instance); }

void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int param_index) {
  const QuorlinControl* control = quorlin_control(param_index);
  if (!instance || !param || !control) return;
  static_cast<Instance*>(instance)->Set(param_index, *static_cast<const double*>(param));
}

void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int param_index) {
  const QuorlinControl* control = quorlin_control(param_index);
  if (!instance || !param || !control) return;
  const int value = *quorlin_setting(&static_cast<Instance*>(instance)->settings, param_index);
  *static_cast<double*>(param) = quorlin::frei0r::Fraction(*control, value);
}

// The output is the input, sharpened; a host may pass the same frame as both.
void f0r_update(f0r_instance_t instance, double, const uint32_t* inframe, uint32_t* outframe) {
  if (!instance || !inframe || !outframe) return;
  Instance& self = *static_cast<Instance*>(instance);
  if (inframe != outframe) std::memcpy(outframe, inframe, size_t{self.width} * self.height * sizeof *outframe);
  self.Sharpen(reinterpret_cast<uint8_t*>(outframe));
}

}

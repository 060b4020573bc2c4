// quorlin.so, the filter as a frei0r effect. The host's RGBA frame is copied
// to its output, whose colours are converted to the editor's samples as the
// quorlin command converts a PNG picture, sharpened by the library and
// converted back; alpha stays as copied.
#include <omp.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

// The functions frei0r.h declares are the module's exports; every other
// symbol is hidden.
#pragma GCC visibility push(default)
extern "C" {
#include <frei0r.h>
}
#pragma GCC visibility pop

#include "hosts/frei0r/parameters.h"
#include "quorlin/quorlin.h"

namespace quorlin::frei0r {

namespace {

constexpr int kBytesPerPixel = 4;

struct Instance {
  unsigned width, height;  // as the host constructed it: every frame has this size
  QuorlinSettings settings;
  std::vector<QuorlinPixel> pixels;  // the frame in the editor's samples; taken at the first frame
};

// Frames the library cannot hold pass through unchanged.
bool Sharpenable(const Instance& instance) {
  return instance.width > 0 && instance.height > 0 &&
         uint64_t{instance.width} * instance.height <= QUORLIN_MAX_FRAME_BYTES / sizeof(QuorlinPixel);
}

// Runs convert(rgba_rows, frame_rows) on bands of rows, one per worker
// thread: the library converts on the calling thread alone, and a 1080p
// frame's two conversions took ten times as long as its sharpening.
template <typename Convert>
void InBands(const QuorlinFrame& frame, uint8_t* rgba, Convert convert) {
  const int bands = std::min(omp_get_max_threads(), frame.height);
  const ptrdiff_t stride = ptrdiff_t{frame.width} * kBytesPerPixel;
#pragma omp parallel for schedule(static)
  for (int band = 0; band < bands; ++band) {
    const int top = int(int64_t{frame.height} * band / bands);
    const int bottom = int(int64_t{frame.height} * (band + 1) / bands);
    const QuorlinFrame rows{frame.pixels + ptrdiff_t{top} * frame.pitch, frame.width, bottom - top, frame.pitch};
    convert(rgba + top * stride, rows);
  }
}

// Sharpens the RGBA frame in place, or leaves it as it is when the frame is
// too large or working memory cannot be had.
void Sharpen(Instance& instance, uint8_t* rgba) {
  if (!Sharpenable(instance)) return;
  if (instance.pixels.empty()) {
    try {
      instance.pixels.resize(size_t{instance.width} * instance.height);
    } catch (const std::bad_alloc&) {
      return;
    }
  }
  const int width = int(instance.width);
  const QuorlinFrame frame{instance.pixels.data(), width, int(instance.height), width};
  const ptrdiff_t stride = ptrdiff_t{width} * kBytesPerPixel;
  InBands(frame, rgba, [stride](const uint8_t* from, const QuorlinFrame& to) {
    quorlin_rgb_to_yc(from, stride, kBytesPerPixel, &to);
  });
  if (quorlin_sharpen(&frame, &instance.settings) != QUORLIN_OK) return;
  InBands(frame, rgba, [stride](uint8_t* to, const QuorlinFrame& from) {
    quorlin_yc_to_rgb(&from, to, stride, kBytesPerPixel);
  });
}

}  // namespace

}  // namespace quorlin::frei0r

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
  auto* instance = new (std::nothrow) Instance{width, height, {}, {}};
  if (instance) quorlin_default_settings(&instance->settings);
  return instance;
}

void f0r_destruct(f0r_instance_t instance) { delete static_cast<Instance*>(instance); }

void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int param_index) {
  const QuorlinControl* control = quorlin_control(param_index);
  if (!instance || !param || !control) return;
  int& value = *quorlin_setting(&static_cast<Instance*>(instance)->settings, param_index);
  value = quorlin::frei0r::ControlValue(*control, *static_cast<const double*>(param), value);
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
  quorlin::frei0r::Sharpen(self, reinterpret_cast<uint8_t*>(outframe));
}

}

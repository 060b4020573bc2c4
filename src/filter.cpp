#include "filter.h"

#include <omp.h>

#include "controls.h"
#include "engine/rgb_pictures.h"

namespace quorlin {

bool ValidSettings(const QuorlinSettings* given, QuorlinSettings& settings) {
  if (!ReadSettings(given, settings) || settings.threads < 0) return false;
  const QuorlinAllocator* allocator = settings.allocator;
  return !allocator || (allocator->alloc && allocator->release);
}

const Kernels& KernelsOf(const QuorlinSettings& settings) { return KernelsFor(ChosenIsa(settings.isa)); }

QuorlinStatus Run(const QuorlinPicture& picture, const SharpenParams& params, int threads, Workspace& workspace) {
  // Asked at every call, as the runtime's count belongs to the calling thread.
  if (threads <= 0) threads = omp_get_max_threads();
  switch (picture.kind) {
    case QUORLIN_PICTURE_FRAME:
      return Sharpen(picture.frame, params, threads, workspace);
    case QUORLIN_PICTURE_PLANES:
      return SharpenPlanes(picture.planes, params, threads, workspace);
    case QUORLIN_PICTURE_RGB8:
    case QUORLIN_PICTURE_RGB16: {
      const QuorlinRgbPicture& rgb = picture.rgb;
      const int depth = picture.kind == QUORLIN_PICTURE_RGB16 ? 16 : 8;
      return SharpenRgb({static_cast<uint8_t*>(rgb.pixels), rgb.stride, rgb.channels, rgb.width, rgb.height, depth},
                        params, threads, workspace);
    }
  }
  return QUORLIN_BAD_ARGUMENT;
}

Filter::Filter(const QuorlinSettings& settings)
    : params_(MakeSharpenParams(settings, KernelsOf(settings))),
      threads_(settings.threads),
      allocator_(settings.allocator ? *settings.allocator : SystemAllocator()),
      pool_(allocator_) {}

bool Filter::Configure(const QuorlinSettings* given) {
  QuorlinSettings settings;
  if (!ValidSettings(given, settings)) return false;
  params_ = MakeSharpenParams(settings, KernelsOf(settings));
  threads_ = settings.threads;
  return true;
}

bool Filter::ParamsFor(const QuorlinSettings* controls, SharpenParams& params) const {
  if (!controls) {
    params = params_;
    return true;
  }
  QuorlinSettings settings;
  if (!ReadControls(controls, settings)) return false;
  params = MakeSharpenParams(settings, *params_.kernels);
  return true;
}

QuorlinStatus Filter::Apply(const QuorlinPicture& picture, const SharpenParams& params) {
  Workspace* workspace = pool_.Take();
  if (!workspace) return QUORLIN_OUT_OF_MEMORY;
  const QuorlinStatus status = Run(picture, params, threads_, *workspace);
  pool_.Give(workspace);
  return status;
}

}  // namespace quorlin

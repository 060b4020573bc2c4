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

Filter::Filter(const QuorlinSettings& settings)
    : params_(MakeSharpenParams(settings)), threads_(settings.threads), workspace_(settings.allocator) {}

bool Filter::Configure(const QuorlinSettings* given) {
  QuorlinSettings settings;
  if (!ValidSettings(given, settings)) return false;
  params_ = MakeSharpenParams(settings);
  threads_ = settings.threads;
  return true;
}

// Asked at every call, as the runtime's count belongs to the calling thread.
int Filter::Threads() const { return threads_ > 0 ? threads_ : omp_get_max_threads(); }

QuorlinStatus Filter::SharpenFrame(const QuorlinFrame& frame) {
  return Sharpen(frame, params_, Threads(), workspace_);
}

QuorlinStatus Filter::SharpenPlanes(const QuorlinPlanes& planes) {
  return quorlin::SharpenPlanes(planes, params_, Threads(), workspace_);
}

QuorlinStatus Filter::SharpenRgb(uint8_t* rgb, ptrdiff_t stride, int channels, int width, int height) {
  return quorlin::SharpenRgb({rgb, stride, channels, width, height}, params_, Threads(), workspace_);
}

QuorlinStatus Filter::SharpenRgb16(uint16_t* rgb, ptrdiff_t stride, int channels, int width, int height) {
  return quorlin::SharpenRgb({reinterpret_cast<uint8_t*>(rgb), stride, channels, width, height, 16}, params_,
                             Threads(), workspace_);
}

}  // namespace quorlin

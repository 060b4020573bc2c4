#include "convert/yuv_yc.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "convert/div_round.h"
#include "kernels/kernels.h"

namespace quorlin {

namespace {

uint16_t Clamped(int64_t code, const CodeScale& scale) {
  return uint16_t(std::clamp<int64_t>(code, 0, scale.max_code));
}

void* Row(const QuorlinPlanes& planes, int i, int y) { return static_cast<uint8_t*>(planes.data[i]) + y * planes.stride[i]; }
QuorlinPixel* Row(const QuorlinFrame& frame, int y) { return frame.pixels + ptrdiff_t{y} * frame.pitch; }

// Channel c of a row of pixels, in and out of a plain row of values.
void Gather(const QuorlinPixel* pixels, int c, int n, int16_t* values) {
  const int16_t* samples = reinterpret_cast<const int16_t*>(pixels) + c;
  for (int x = 0; x < n; ++x) values[x] = samples[3 * x];
}

}  // namespace

CodeScale LumaScale(int depth, bool full_range) {
  const int unit = 1 << (depth - 8), max = (1 << depth) - 1;
  return full_range ? CodeScale{depth, 0, 4096, max, max} : CodeScale{depth, 16 * unit, 4096, 219 * unit, max};
}

CodeScale ChromaScale(int depth, bool full_range) {
  const int unit = 1 << (depth - 8), max = (1 << depth) - 1;
  return full_range ? CodeScale{depth, 128 * unit, 4096, max, max} : CodeScale{depth, 128 * unit, 2048, 112 * unit, max};
}

int16_t ToEditor(const CodeScale& scale, uint16_t code) {
  const int64_t n = std::min<int64_t>(code, scale.max_code) - scale.offset;
  return int16_t(DivRound(n * scale.editor_span, scale.code_span));
}

uint16_t ToCode(const CodeScale& scale, int v, uint16_t original) {
  if (ToEditor(scale, original) == v) return std::min<uint16_t>(original, uint16_t(scale.max_code));
  return Clamped(DivRound(int64_t{v} * scale.code_span, scale.editor_span) + scale.offset, scale);
}

void YuvToFrame(const QuorlinPlanes& planes, bool chroma, const QuorlinFrame& frame) {
  const Kernels& k = KernelsFor(ChosenIsa(QUORLIN_ISA_BEST));
  const CodeRowParams luma = MakeCodeRowParams(LumaScale(planes.depth, planes.full_range));
  const CodeRowParams chroma_params = MakeCodeRowParams(ChromaScale(planes.depth, planes.full_range));
  const int shift = planes.chroma_shift;
  std::vector<int16_t> values(size_t(frame.width));
  for (int y = 0; y < frame.height; ++y) {
    QuorlinPixel* pixels = Row(frame, y);
    k.codes_to_values(Row(planes, 0, y), frame.width, luma, values.data());
    for (int x = 0; x < frame.width; ++x) pixels[x] = {values[x], 0, 0};
    if (!chroma) continue;
    const int chroma_width = (frame.width + shift) >> shift;
    k.codes_to_values(Row(planes, 1, y >> shift), chroma_width, chroma_params, values.data());
    for (int x = 0; x < frame.width; ++x) pixels[x].cb = values[x >> shift];
    k.codes_to_values(Row(planes, 2, y >> shift), chroma_width, chroma_params, values.data());
    for (int x = 0; x < frame.width; ++x) pixels[x].cr = values[x >> shift];
  }
}

void FrameToYuv(const QuorlinFrame& frame, bool chroma, const QuorlinPlanes& planes) {
  const Kernels& k = KernelsFor(ChosenIsa(QUORLIN_ISA_BEST));
  const CodeRowParams luma = MakeCodeRowParams(LumaScale(planes.depth, planes.full_range));
  const CodeRowParams chroma_params = MakeCodeRowParams(ChromaScale(planes.depth, planes.full_range));
  std::vector<int16_t> top(size_t(frame.width)), bottom(size_t(frame.width));
  for (int y = 0; y < frame.height; ++y) {
    Gather(Row(frame, y), 0, frame.width, top.data());
    k.values_to_codes(top.data(), Row(planes, 0, y), frame.width, luma, Row(planes, 0, y));
  }
  if (!chroma) return;
  const int shift = planes.chroma_shift;
  const int chroma_width = (frame.width + shift) >> shift;
  for (int cy = 0; cy < (frame.height + shift) >> shift; ++cy) {
    const int y = cy << shift;
    const bool pair = shift && y + 1 < frame.height;
    for (int c = 1; c <= 2; ++c) {
      Gather(Row(frame, y), c, frame.width, top.data());
      if (shift) {
        if (pair) Gather(Row(frame, y + 1), c, frame.width, bottom.data());
        k.block_means(top.data(), pair ? bottom.data() : nullptr, frame.width, top.data());
      }
      k.values_to_codes(top.data(), Row(planes, c, cy), chroma_width, chroma_params, Row(planes, c, cy));
    }
  }
}

}  // namespace quorlin

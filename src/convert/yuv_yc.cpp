#include "convert/yuv_yc.h"

#include <algorithm>
#include <cstddef>

#include "convert/div_round.h"
#include "engine/scratch.h"
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

QuorlinStatus YuvToFrame(const QuorlinPlanes& planes, bool chroma, const QuorlinFrame& frame, const Kernels& k,
                         Workspace& workspace) {
  int16_t* const values = reinterpret_cast<int16_t*>(workspace.Reserve(int64_t{frame.width} * 2));
  if (!values) return QUORLIN_OUT_OF_MEMORY;
  const CodeRowParams luma = MakeCodeRowParams(LumaScale(planes.depth, planes.full_range));
  const CodeRowParams chroma_params = MakeCodeRowParams(ChromaScale(planes.depth, planes.full_range));
  const int shift = planes.chroma_shift;
  for (int y = 0; y < frame.height; ++y) {
    QuorlinPixel* pixels = Row(frame, y);
    k.codes_to_values(Row(planes, 0, y), frame.width, luma, values);
    for (int x = 0; x < frame.width; ++x) pixels[x] = {values[x], 0, 0};
    if (!chroma) continue;
    const int chroma_width = (frame.width + shift) >> shift;
    k.codes_to_values(Row(planes, 1, y >> shift), chroma_width, chroma_params, values);
    for (int x = 0; x < frame.width; ++x) pixels[x].cb = values[x >> shift];
    k.codes_to_values(Row(planes, 2, y >> shift), chroma_width, chroma_params, values);
    for (int x = 0; x < frame.width; ++x) pixels[x].cr = values[x >> shift];
  }
  return QUORLIN_OK;
}

QuorlinStatus FrameToYuv(const QuorlinFrame& frame, bool chroma, const QuorlinPlanes& planes, const Kernels& k,
                         Workspace& workspace) {
  const int64_t row_bytes = AlignUp(int64_t{frame.width} * 2);
  char* const rows = workspace.Reserve(2 * row_bytes);
  if (!rows) return QUORLIN_OUT_OF_MEMORY;
  int16_t* const top = reinterpret_cast<int16_t*>(rows);
  int16_t* const bottom = reinterpret_cast<int16_t*>(rows + row_bytes);
  const CodeRowParams luma = MakeCodeRowParams(LumaScale(planes.depth, planes.full_range));
  const CodeRowParams chroma_params = MakeCodeRowParams(ChromaScale(planes.depth, planes.full_range));
  for (int y = 0; y < frame.height; ++y) {
    Gather(Row(frame, y), 0, frame.width, top);
    k.values_to_codes(top, Row(planes, 0, y), frame.width, luma, Row(planes, 0, y));
  }
  if (!chroma) return QUORLIN_OK;
  const int shift = planes.chroma_shift;
  const int chroma_width = (frame.width + shift) >> shift;
  for (int cy = 0; cy < (frame.height + shift) >> shift; ++cy) {
    const int y = cy << shift;
    const bool pair = shift && y + 1 < frame.height;
    for (int c = 1; c <= 2; ++c) {
      Gather(Row(frame, y), c, frame.width, top);
      if (shift) {
        if (pair) Gather(Row(frame, y + 1), c, frame.width, bottom);
        k.block_means(top, pair ? bottom : nullptr, frame.width, top);
      }
      k.values_to_codes(top, Row(planes, c, cy), chroma_width, chroma_params, Row(planes, c, cy));
    }
  }
  return QUORLIN_OK;
}

}  // namespace quorlin

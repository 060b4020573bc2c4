#include "engine/conversions.h"

#include <algorithm>

#include "engine/editor_frames.h"
#include "engine/rgb_pictures.h"
#include "engine/scratch.h"
#include "engine/sharpen.h"
#include "engine/yuv_planes.h"

namespace quorlin {

namespace {

// Moves every row of `from` into `to`, a row at a time on the calling
// thread: `from` loads `load_channels` channel rows, `to` stores all three
// (a channel not loaded stores as 0) or `load_channels` alone.
template <typename From, typename To>
QuorlinStatus MoveRows(const From& from, const To& to, int load_channels, int store_channels, const Kernels& k,
                       Workspace& workspace) {
  // Loads fill a margin; a margin of two vectors leaves the rows without it,
  // which the stores read, aligned for the widest vectors.
  const int reach = 2;
  const Segments seg = Segments::For(from.Width(), reach);
  const int64_t pitch = int64_t{PaddedVectors(seg)} * Segments::kLanes;
  // The movers size their rows by the channels a sharpen with these
  // settings would move.
  const SharpenParams p{1, false, std::max(load_channels, store_channels), Bound::None, {}, {}, &k};
  // Two sets of channel rows, for even and odd rows: the second row of a
  // 4:2:0 block copies its chroma from the first's.
  const int64_t rows = AlignUp(6 * pitch * 2);
  const int64_t from_thread = AlignUp(from.ThreadBytes(seg, p)), to_thread = AlignUp(to.ThreadBytes(seg, p));
  const int64_t from_shared = AlignUp(from.SharedBytes(p)), to_shared = AlignUp(to.SharedBytes(p));
  char* const block = workspace.Reserve(rows + from_thread + to_thread + from_shared + to_shared);
  if (!block) return QUORLIN_OUT_OF_MEMORY;
  int16_t* const first = reinterpret_cast<int16_t*>(block);
  std::fill(first, first + 6 * pitch, 0);
  char* const after_rows = block + rows;
  auto load = from.MakeMover(after_rows, after_rows + from_thread + to_thread, seg, p, k);
  auto store = to.MakeMover(after_rows + from_thread, after_rows + from_thread + to_thread + from_shared, seg, p, k);
  for (int y = 0; y < from.Height(); ++y) {
    int16_t* set = first + (y % 2) * 3 * pitch;
    int16_t* const loaded[3] = {set, set + pitch, set + 2 * pitch};
    const int16_t* const stored[3] = {loaded[0] + reach * Segments::kLanes, loaded[1] + reach * Segments::kLanes,
                                      loaded[2] + reach * Segments::kLanes};
    load.Load(y, seg, load_channels, loaded);
    store.Store(y, seg, store_channels, stored);
  }
  return QUORLIN_OK;
}

}  // namespace

QuorlinStatus YuvToFrame(const QuorlinPlanes& planes, bool chroma, const QuorlinFrame& frame, const Kernels& k,
                         Workspace& workspace) {
  return MoveRows(PlaneRows(planes), FrameRows(frame), chroma ? 3 : 1, 3, k, workspace);
}

QuorlinStatus FrameToYuv(const QuorlinFrame& frame, bool chroma, const QuorlinPlanes& planes, const Kernels& k,
                         Workspace& workspace) {
  const int channels = chroma ? 3 : 1;
  return MoveRows(FrameRows(frame), PlaneRows(planes), channels, channels, k, workspace);
}

// The RGB picture is only read.
QuorlinStatus RgbToFrame(const uint8_t* rgb, ptrdiff_t stride, int channels, const QuorlinFrame& frame,
                         const Kernels& k, Workspace& workspace) {
  const RgbPicture picture{const_cast<uint8_t*>(rgb), stride, channels, frame.width, frame.height};
  return MoveRows(RgbRows(picture), FrameRows(frame), 3, 3, k, workspace);
}

QuorlinStatus FrameToRgb(const QuorlinFrame& frame, uint8_t* rgb, ptrdiff_t stride, int channels, const Kernels& k,
                         Workspace& workspace) {
  return MoveRows(FrameRows(frame), RgbRows(RgbPicture{rgb, stride, channels, frame.width, frame.height}), 3, 3, k, workspace);
}

}  // namespace quorlin

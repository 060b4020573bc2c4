// Two-dimensional sample buffers. Element (x, y) lies at
// data + y * pitch + x * step. Owned planes are 16-byte aligned with a pitch
// chosen so that every row starts on a 16-byte boundary; the host's frame is
// borrowed and gives no such guarantee.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/filter_table.h"

// Obtains 16-byte aligned storage; returns null on failure.
using PlaneAllocFn = void* (*)(size_t bytes);
using PlaneFreeFn = void (*)(void* p);
// The system's 16-byte aligned allocator, which owned planes use unless
// SetPlaneAllocator replaced it (tests make it fail, or count).
void* SystemAlloc(size_t bytes);
void SystemFree(void* p);
// Passing nulls restores the system's aligned allocator.
void SetPlaneAllocator(PlaneAllocFn alloc, PlaneFreeFn release);

namespace planes_detail {
// Allocates pitch * height elements of elem_bytes each. On success sets
// *size to the byte count; returns null when the count does not fit the
// plane's 32-bit size or the allocator fails.
void* Allocate(int64_t pitch, int64_t height, int64_t elem_bytes, int32_t* size);
void Release(void* p);
}  // namespace planes_detail

// An owned single-type plane; on allocation failure data is null.
template <typename Elem>
class OwnedPlane {
 public:
  Elem* data = nullptr;
  int32_t pitch = 0;
  int32_t step = 1;
  int32_t width = 0;
  int32_t height = 0;
  int32_t size = 0;

  OwnedPlane(int32_t w, int32_t h, int64_t row_pitch) : width(w), height(h) {
    if (row_pitch > INT32_MAX) return;
    pitch = static_cast<int32_t>(row_pitch);
    data = static_cast<Elem*>(planes_detail::Allocate(row_pitch, h, sizeof(Elem), &size));
  }
  virtual ~OwnedPlane() { planes_detail::Release(data); }
  OwnedPlane(const OwnedPlane&) = delete;
  OwnedPlane& operator=(const OwnedPlane&) = delete;

  Elem* Row(int32_t y) const { return data + static_cast<ptrdiff_t>(y) * pitch; }
};

using CSPixel_s16 = OwnedPlane<int16_t>;
using CSPixel_s32 = OwnedPlane<int32_t>;

// The host's frame, borrowed: never freed.
class CPixels {
 public:
  PIXEL_YC* data = nullptr;
  int32_t pitch = 0;
  int32_t step = 1;
  int32_t width = 0;
  int32_t height = 0;
  int32_t size = 0;
  bool borrowed = true;

  CPixels(PIXEL_YC* host_data, int32_t row_pitch, int32_t w, int32_t h, int32_t bytes);
  virtual ~CPixels();
  CPixels(const CPixels&) = delete;
  CPixels& operator=(const CPixels&) = delete;

  PIXEL_YC* Row(int32_t y) const { return data + static_cast<ptrdiff_t>(y) * pitch; }
};

#include "planes/planes.h"

#include <cstdlib>
#if defined(_WIN32)
#include <malloc.h>
#endif

void* SystemAlloc(size_t bytes) {
#if defined(_WIN32)
  return _aligned_malloc(bytes, 16);
#else
  void* p = nullptr;
  return posix_memalign(&p, 16, bytes) == 0 ? p : nullptr;
#endif
}

void SystemFree(void* p) {
#if defined(_WIN32)
  _aligned_free(p);
#else
  free(p);
#endif
}

namespace {

PlaneAllocFn plane_alloc = SystemAlloc;
PlaneFreeFn plane_free = SystemFree;

}  // namespace

void SetPlaneAllocator(PlaneAllocFn alloc, PlaneFreeFn release) {
  plane_alloc = alloc ? alloc : SystemAlloc;
  plane_free = release ? release : SystemFree;
}

namespace planes_detail {

void* Allocate(int64_t pitch, int64_t height, int64_t elem_bytes, int32_t* size) {
  *size = 0;
  if (pitch <= 0 || height <= 0 || pitch > INT32_MAX / elem_bytes) return nullptr;
  int64_t bytes = pitch * elem_bytes;
  if (bytes > INT32_MAX / height) return nullptr;
  bytes *= height;
  void* p = plane_alloc(static_cast<size_t>(bytes));
  if (p) *size = static_cast<int32_t>(bytes);
  return p;
}

void Release(void* p) {
  if (p) plane_free(p);
}

}  // namespace planes_detail

CPixels::CPixels(PIXEL_YC* host_data, int32_t row_pitch, int32_t w, int32_t h, int32_t bytes)
    : data(host_data), pitch(row_pitch), width(w), height(h), size(bytes), borrowed(true) {}

CPixels::~CPixels() { data = nullptr; }

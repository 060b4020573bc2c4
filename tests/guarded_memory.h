// Memory that faults on any access past a given end, or anywhere at all: to
// show that a call reads nothing beyond what it was given.
#pragma once

#include <cstddef>
#include <cstdint>
#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

// Address space that faults on any access; null if it cannot be had.
inline void* ReserveNoAccess(size_t bytes) {
#if defined(_WIN32)
  return VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS);
#else
  void* p = mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
#endif
}

inline void Unreserve(void* p, [[maybe_unused]] size_t bytes) {
#if defined(_WIN32)
  VirtualFree(p, 0, MEM_RELEASE);
#else
  munmap(p, bytes);
#endif
}

// A page of readable and writable memory followed by one that faults.
class PageBeforeNoAccess {
 public:
  PageBeforeNoAccess() {
#if defined(_WIN32)
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    page_ = info.dwPageSize;
    base_ = static_cast<char*>(VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    if (base_ && !VirtualProtect(base_ + page_, page_, PAGE_NOACCESS, &old)) base_ = nullptr;
#else
    page_ = size_t(sysconf(_SC_PAGESIZE));
    void* p = mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    base_ = p == MAP_FAILED ? nullptr : static_cast<char*>(p);
    if (base_ && mprotect(base_ + page_, page_, PROT_NONE) != 0) base_ = nullptr;
#endif
  }
  ~PageBeforeNoAccess() {
    if (base_) Unreserve(base_, 2 * page_);
  }
  PageBeforeNoAccess(const PageBeforeNoAccess&) = delete;
  PageBeforeNoAccess& operator=(const PageBeforeNoAccess&) = delete;

  // `bytes` that end where the readable page ends; null if the pages could
  // not be had.
  void* EndingAtTheGuard(size_t bytes) const { return base_ ? base_ + page_ - bytes : nullptr; }

 private:
  size_t page_ = 0;
  char* base_ = nullptr;
};

// Drives the filter the way the host does, and sets the worker count.
#pragma once

#include <omp.h>

#include "hosts/aviutl/filter_table.h"
#include "kernels/kernels.h"
#include "tests/model.h"

// The editor's two records for a frame and its controls, as the editor
// fills them: the library's sliders, in its order, are the track bars, its
// switches the check boxes. fpip points into f, which must outlive it.
struct HostRecords {
  int track[kTrackCount] = {};
  int check[kCheckCount] = {};
  FILTER fp{};
  FILTER_PROC_INFO fpip{};
  HostRecords(model::Frame& f, const model::Controls& c) {
    int tracks = 0, checks = 0;
    for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
      int& item = quorlin_control(id)->is_switch ? check[checks++] : track[tracks++];
      item = c[id];
    }
    fp.track = track;
    fp.check = check;
    fpip.ycp_edit = reinterpret_cast<PIXEL_YC*>(f.px.data());
    fpip.w = f.w;
    fpip.h = f.h;
    fpip.max_w = f.max_w;
    fpip.max_h = f.max_h;
  }
  HostRecords(const HostRecords&) = delete;
};
static_assert(sizeof(PIXEL_YC) == sizeof(QuorlinPixel), "the editor's pixel is the library's");

// Calls func_proc on the frame with the given controls, as the host would.
inline int RunHost(model::Frame& f, const model::Controls& c) {
  HostRecords host(f, c);
  return GetFilterTable()->func_proc(&host.fp, &host.fpip);
}

// The row kernels of the level in use: the best this processor runs, unless
// the environment variable QUORLIN_ISA lowers it (the tests run at each).
inline const quorlin::Kernels& K() { return quorlin::KernelsFor(quorlin::ChosenIsa(QUORLIN_ISA_BEST)); }

// Runs the rest of the scope with n OpenMP threads.
class ScopedThreads {
 public:
  explicit ScopedThreads(int n) : saved_(omp_get_max_threads()) { omp_set_num_threads(n); }
  ~ScopedThreads() { omp_set_num_threads(saved_); }

 private:
  int saved_;
};

inline bool SamePixel(const QuorlinPixel& p, const QuorlinPixel& q) {
  return p.y == q.y && p.cb == q.cb && p.cr == q.cr;
}

inline bool SamePixels(const model::Frame& a, const model::Frame& b) {
  return std::equal(a.px.begin(), a.px.end(), b.px.begin(), b.px.end(), SamePixel);
}

// A plain row of samples in the segment layout, margins filled with the
// clamped columns, aligned and padded as the engine's rows are.
template <typename T>
struct SegmentRow {
  quorlin::Segments seg;
  std::vector<T> storage;
  SegmentRow(const std::vector<T>& plain, quorlin::Segments s)
      : seg(s), storage(size_t(quorlin::PaddedVectors(s)) * 8 + 64 / sizeof(T)) {
    for (int i = -s.reach; i < s.length + s.reach; ++i)
      for (int lane = 0; lane < 8; ++lane) data()[(i + s.reach) * 8 + lane] = plain[s.Column(i, lane)];
  }
  T* data() { return reinterpret_cast<T*>((reinterpret_cast<uintptr_t>(storage.data()) + 63) & ~uintptr_t{63}); }
};

// Column x of a row without margins in the segment layout.
template <typename T>
T AtColumn(const T* row, const quorlin::Segments& seg, int x) {
  return row[seg.Index(x) - ptrdiff_t(seg.reach) * 8];
}

// Stands in for the editor:
//
//   host_cases MODULE
//     Loads the plug-in module, takes its definition from GetFilterTable and
//     runs a fixed list of frames through func_proc. One line per frame, with
//     the return value and a hash of the whole buffer, so that the outputs of
//     two builds (or thread counts) can be compared with diff. Exits 1 when a
//     frame's return value or the pixels outside it are not what a host may
//     rely on.
//   host_cases MODULE cycles N PAUSE_MS | exit keep|free main|second
//     The host's life around a 640x360 frame (tests/host_stand_in/host_core.h).
//
// OMP_NUM_THREADS sets the module's worker threads.
#include <cstdio>

#include "tests/host_stand_in/frame_cases.h"
#include "tests/host_stand_in/host_core.h"

namespace {

// Runs case n, prints its line; returns false when the outcome is wrong.
bool RunCase(const FILTER_DLL& table, const FrameCase& c, int n) {
  HostCall call;
  PrepareCall(table, c, call);
  const int ret = table.func_proc(&call.filter, &call.info);
  std::printf("case %d %s ret=%d hash=%s\n", n, DescribeCase(c).c_str(), ret,
              Hex64(HashPixels(call.pixels)).c_str());
  const std::string problem = CheckOutcome(c, ret, call.pixels);
  if (!problem.empty()) std::fprintf(stderr, "case %d: %s\n", n, problem.c_str());
  return problem.empty();
}

}  // namespace

int main(int argc, char** argv) {
  const int life = RunLife(argc, argv, "GetFilterTable", [](void* entry) {
    return DefaultFrameHash(*reinterpret_cast<GetFilterTableFn>(entry)(), 640, 360);
  });
  if (life >= 0) return life;
  const GetFilterTableFn get_filter_table = LoadFromCommandLine(argc, argv);
  if (!get_filter_table) return 2;
  const FILTER_DLL& table = *get_filter_table();

  int n = 0;
  int failed = 0;
  for (const FrameCase& c : FrameCases(table)) failed += !RunCase(table, c, n++);
  for (const FrameCase& c : InvalidCases(table)) failed += !RunCase(table, c, n++);
  std::fflush(stdout);
  std::fprintf(stderr, "%d cases, %d failed\n", n, failed);
  return failed ? 1 : 0;
}

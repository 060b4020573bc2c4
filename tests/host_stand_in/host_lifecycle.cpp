// Plays a host's whole life with the plug-in, which is where a module that
// starts worker threads can hurt the host after its last frame:
//
//   host_lifecycle MODULE cycles N PAUSE_MS
//     N times: load the module, run one frame, wait PAUSE_MS, free it. Then
//     loads it once more and checks that it still sharpens the frame as the
//     first cycle did, that the process's thread count did not grow after the
//     first cycle, and that it burns next to no CPU in the second after its
//     last frame. Prints the thread counts and the idle CPU time.
//   host_lifecycle MODULE exit keep|free main|second
//     Runs one frame on the main thread or on a second host thread (joined,
//     as an editor's export thread ends), frees the module or keeps it, and
//     returns from main at once: the process exits while the module's worker
//     threads may still be leaving the frame.
//
// OMP_NUM_THREADS sets the module's worker threads.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#if defined(_WIN32)
#include <windows.h>
#include <tlhelp32.h>
#else
#include <time.h>

#include <fstream>
#endif

#include "tests/host_stand_in/frame_cases.h"
#include "tests/host_stand_in/plugin_module.h"

namespace {

// Large enough that every worker gets rows; small enough for many cycles.
constexpr int kWidth = 640;
constexpr int kHeight = 360;
// An idle plug-in may use at most this CPU time in the second after its
// last frame (5 % of one core).
constexpr double kIdleCpuLimitMs = 50;

int ThreadCount() {
#if defined(_WIN32)
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  const DWORD self = GetCurrentProcessId();
  int n = 0;
  THREADENTRY32 entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    n += entry.th32OwnerProcessID == self;
  CloseHandle(snapshot);
  return n;
#else
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("Threads:", 0) == 0) return std::atoi(line.c_str() + 8);
  return -1;
#endif
}

// CPU time of the whole process, every thread counted.
double ProcessCpuMs() {
#if defined(_WIN32)
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ticks = [](FILETIME t) { return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
  return double(ticks(kernel) + ticks(user)) / 1e4;  // 100 ns ticks
#else
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
#endif
}

// Runs the default frame through the module; returns the frame's hash, or
// nothing when the module could not be had or the call failed.
bool RunFrame(const FILTER_DLL& table, uint64_t* hash) {
  HostCall call;
  PrepareCall(table, DefaultCase(table, kWidth, kHeight, 7), call);
  if (table.func_proc(&call.filter, &call.info) != 1) {
    std::fprintf(stderr, "func_proc failed\n");
    return false;
  }
  *hash = HashPixels(call.pixels);
  return true;
}

// Loads, runs one frame and, with free_after, waits and frees the module.
bool Cycle(const char* path, int pause_ms, bool free_after, uint64_t* hash) {
  PluginModule plugin = LoadPlugin(path);
  if (!plugin.get_filter_table) return false;
  const bool ok = RunFrame(*plugin.get_filter_table(), hash);
  if (pause_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
  if (free_after) FreePlugin(plugin);
  return ok;
}

int Cycles(const char* path, int cycles, int pause_ms) {
  const int before = ThreadCount();
  uint64_t first = 0, hash = 0;
  if (!Cycle(path, pause_ms, true, &first)) return 1;
  const int after_first = ThreadCount();
  for (int i = 1; i < cycles; ++i) {
    if (!Cycle(path, pause_ms, true, &hash)) return 1;
    if (hash != first) {
      std::fprintf(stderr, "cycle %d: the frame differs from the first cycle's\n", i + 1);
      return 1;
    }
  }
  const int after_all = ThreadCount();
  // The host goes on working with the plug-in loaded again.
  if (!Cycle(path, 0, false, &hash) || hash != first) {
    std::fprintf(stderr, "the module loaded again does not sharpen as before\n");
    return 1;
  }
  const double cpu_start = ProcessCpuMs();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const double idle_ms = ProcessCpuMs() - cpu_start;

  std::printf("threads: %d before, %d after 1 cycle, %d after %d cycles; CPU in the idle second after: %.1f ms\n",
              before, after_first, after_all, cycles, idle_ms);
  int status = 0;
  if (after_all > after_first) {
    std::fprintf(stderr, "FAILED: threads grew from %d to %d over the cycles\n", after_first, after_all);
    status = 1;
  }
  if (idle_ms > kIdleCpuLimitMs) {
    std::fprintf(stderr, "FAILED: %.1f ms of CPU in the idle second after the last frame\n", idle_ms);
    status = 1;
  }
  return status;
}

int Exit(const char* path, bool free_module, bool second_thread) {
  PluginModule plugin = LoadPlugin(path);
  if (!plugin.get_filter_table) return 1;
  const FILTER_DLL& table = *plugin.get_filter_table();
  uint64_t hash = 0;
  bool ok = false;
  if (second_thread) {
    std::thread export_thread([&] { ok = RunFrame(table, &hash); });
    export_thread.join();
  } else {
    ok = RunFrame(table, &hash);
  }
  if (free_module) FreePlugin(plugin);
  return ok ? 0 : 1;
}

int Usage(const char* program) {
  std::fprintf(stderr,
               "usage: %s MODULE cycles N PAUSE_MS\n"
               "       %s MODULE exit keep|free main|second\n",
               program, program);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[2], "cycles") == 0) {
    const int cycles = std::atoi(argv[3]);
    const int pause_ms = std::atoi(argv[4]);
    if (cycles < 1 || pause_ms < 0) return Usage(argv[0]);
    return Cycles(argv[1], cycles, pause_ms);
  }
  if (argc == 5 && std::strcmp(argv[2], "exit") == 0) {
    const bool free_module = std::strcmp(argv[3], "free") == 0;
    const bool second = std::strcmp(argv[4], "second") == 0;
    if ((!free_module && std::strcmp(argv[3], "keep") != 0) || (!second && std::strcmp(argv[4], "main") != 0))
      return Usage(argv[0]);
    return Exit(argv[1], free_module, second);
  }
  return Usage(argv[0]);
}

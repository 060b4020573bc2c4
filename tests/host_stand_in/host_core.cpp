#include "tests/host_stand_in/host_core.h"

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
#include <dlfcn.h>
#include <time.h>

#include <fstream>
#endif

namespace {

// An idle plug-in may use at most this CPU time in the second after its
// last frame (5 % of one core).
constexpr double kIdleCpuLimitMs = 50;

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

// Loads, runs one frame and, with free_after, waits and frees the module:
// the frame's hash, 0 when the module could not be had or the frame failed.
uint64_t Cycle(const char* path, const char* entry_name, const DefaultFrame& frame, int pause_ms, bool free_after) {
  PluginModule plugin = LoadPlugin(path, entry_name);
  if (!plugin.entry) return 0;
  const uint64_t hash = frame(plugin.entry);
  if (pause_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
  if (free_after) FreePlugin(plugin);
  return hash;
}

int Cycles(const char* path, const char* entry_name, const DefaultFrame& frame, int cycles, int pause_ms) {
  const int before = ThreadCount();
  const uint64_t first = Cycle(path, entry_name, frame, pause_ms, true);
  if (!first) return 1;
  const int after_first = ThreadCount();
  for (int i = 1; i < cycles; ++i) {
    if (Cycle(path, entry_name, frame, pause_ms, true) != first) {
      std::fprintf(stderr, "cycle %d: the frame failed or differs from the first cycle's\n", i + 1);
      return 1;
    }
  }
  const int after_all = ThreadCount();
  // The host goes on working with the plug-in loaded again.
  if (Cycle(path, entry_name, frame, 0, false) != first) {
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

int Exit(const char* path, const char* entry_name, const DefaultFrame& frame, bool free_module, bool second_thread) {
  PluginModule plugin = LoadPlugin(path, entry_name);
  if (!plugin.entry) return 1;
  uint64_t hash = 0;
  if (second_thread) {
    std::thread export_thread([&] { hash = frame(plugin.entry); });
    export_thread.join();
  } else {
    hash = frame(plugin.entry);
  }
  if (free_module) FreePlugin(plugin);
  return hash ? 0 : 1;
}

int Usage(const char* program) {
  std::fprintf(stderr,
               "usage: %s MODULE cycles N PAUSE_MS\n"
               "       %s MODULE exit keep|free main|second\n",
               program, program);
  return 2;
}

}  // namespace

PluginModule LoadPlugin(const char* path, const char* entry_name) {
  PluginModule plugin;
#if defined(_WIN32)
  HMODULE module = LoadLibraryA(path);
  if (!module) {
    std::fprintf(stderr, "%s: LoadLibrary failed with error %lu\n", path, GetLastError());
    return plugin;
  }
  void* entry = reinterpret_cast<void*>(GetProcAddress(module, entry_name));
#else
  void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    std::fprintf(stderr, "%s\n", dlerror());
    return plugin;
  }
  void* entry = dlsym(module, entry_name);
#endif
  plugin.handle = module;
  if (!entry) {
    std::fprintf(stderr, "%s: no entry point named %s\n", path, entry_name);
    FreePlugin(plugin);
    return plugin;
  }
  plugin.entry = entry;
  return plugin;
}

void FreePlugin(PluginModule& plugin) {
  if (plugin.handle) {
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(plugin.handle));
#else
    dlclose(plugin.handle);
#endif
  }
  plugin = {};
}

int RunLife(int argc, char** argv, const char* entry_name, const DefaultFrame& frame) {
  if (argc != 5) return -1;
  const char* path = argv[1];
  const std::string command = argv[2], first = argv[3], second = argv[4];
  if (command == "cycles") {
    const int cycles = std::atoi(first.c_str());
    const int pause_ms = std::atoi(second.c_str());
    if (cycles < 1 || pause_ms < 0) return Usage(argv[0]);
    return Cycles(path, entry_name, frame, cycles, pause_ms);
  }
  if (command == "exit") {
    if ((first != "keep" && first != "free") || (second != "main" && second != "second")) return Usage(argv[0]);
    return Exit(path, entry_name, frame, first == "free", second == "second");
  }
  return -1;
}

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

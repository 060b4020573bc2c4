#include "tools/host_stand_in/plugin_module.h"

#include <cstdio>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

void* FindEntry(const char* path) {
#if defined(_WIN32)
  HMODULE module = LoadLibraryA(path);
  if (!module) {
    std::fprintf(stderr, "%s: LoadLibrary failed with error %lu\n", path, GetLastError());
    return nullptr;
  }
  void* entry = reinterpret_cast<void*>(GetProcAddress(module, "GetFilterTable"));
#else
  void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    std::fprintf(stderr, "%s\n", dlerror());
    return nullptr;
  }
  void* entry = dlsym(module, "GetFilterTable");
#endif
  if (!entry) std::fprintf(stderr, "%s: no entry point named GetFilterTable\n", path);
  return entry;
}

}  // namespace

GetFilterTableFn LoadFromCommandLine(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s PLUGIN_MODULE\n", argv[0]);
    return nullptr;
  }
  return reinterpret_cast<GetFilterTableFn>(FindEntry(argv[1]));
}

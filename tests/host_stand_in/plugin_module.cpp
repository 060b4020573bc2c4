#include "tests/host_stand_in/plugin_module.h"

#include <cstdio>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

PluginModule LoadPlugin(const char* path) {
  PluginModule plugin;
#if defined(_WIN32)
  HMODULE module = LoadLibraryA(path);
  if (!module) {
    std::fprintf(stderr, "%s: LoadLibrary failed with error %lu\n", path, GetLastError());
    return plugin;
  }
  void* entry = reinterpret_cast<void*>(GetProcAddress(module, "GetFilterTable"));
#else
  void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    std::fprintf(stderr, "%s\n", dlerror());
    return plugin;
  }
  void* entry = dlsym(module, "GetFilterTable");
#endif
  plugin.handle = module;
  if (!entry) {
    std::fprintf(stderr, "%s: no entry point named GetFilterTable\n", path);
    FreePlugin(plugin);
    return plugin;
  }
  plugin.get_filter_table = reinterpret_cast<GetFilterTableFn>(entry);
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

GetFilterTableFn LoadFromCommandLine(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s PLUGIN_MODULE\n", argv[0]);
    return nullptr;
  }
  return LoadPlugin(argv[1]).get_filter_table;
}

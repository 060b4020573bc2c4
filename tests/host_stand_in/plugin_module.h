// Loads the plug-in module the way the editor does: by path, then the one
// exported entry point by name. Nothing of the filter is linked in.
#pragma once

#include "hosts/aviutl/filter_table.h"

using GetFilterTableFn = FILTER_DLL* (*)();

struct PluginModule {
  void* handle = nullptr;  // HMODULE or dlopen handle
  GetFilterTableFn get_filter_table = nullptr;
};

// Loads the module at `path` and finds GetFilterTable; on failure prints the
// loader's complaint and returns an empty PluginModule.
PluginModule LoadPlugin(const char* path);
// Frees the module, as a host does that unloads the plug-in or exits.
void FreePlugin(PluginModule& plugin);

// Loads the module named by the only argument and returns its
// GetFilterTable; prints usage or the loader's complaint and returns null
// otherwise. The module stays loaded for the life of the process, as it does
// in the editor while a project is open.
GetFilterTableFn LoadFromCommandLine(int argc, char** argv);

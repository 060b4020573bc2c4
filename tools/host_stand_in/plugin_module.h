// Loads the plug-in module the way the editor does: by path, then the one
// exported entry point by name. Nothing of the filter is linked in.
#pragma once

#include "host/filter_table.h"

using GetFilterTableFn = FILTER_DLL* (*)();

// Loads the module named by the only argument and returns its
// GetFilterTable; prints usage or the loader's complaint and returns null
// otherwise. The module stays loaded for the life of the process, as it does
// in the editor.
GetFilterTableFn LoadFromCommandLine(int argc, char** argv);

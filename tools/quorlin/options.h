// The command line: options set the filter's controls, by name, within the
// ranges and starting from the defaults of the filter's own table.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "host/filter_table.h"

struct Settings {
  std::vector<int> track;  // the host's current values, one per control
  std::vector<int> check;
  std::vector<std::string> files;  // INPUT, then OUTPUT
  bool help = false;
};

// Fills settings from the arguments. Returns "" or the one problem found.
std::string ParseArgs(int argc, char** argv, const FILTER_DLL& table, Settings& settings);

void PrintHelp(FILE* out, const FILTER_DLL& table);

// The command line: options set the filter's controls, by name, within the
// ranges and starting from the defaults of the filter's own table, and say how
// the command runs.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "host/filter_table.h"

struct Settings {
  std::vector<int> track;  // the host's current values, one per control
  std::vector<int> check;
  bool interlace_given = false;    // else a stream's header decides
  std::vector<std::string> files;  // INPUT, then OUTPUT
  std::string compare;             // the comparison picture's file, if wanted
  int compare_frame = 1;           // the stream's frame it shows, counted from 1
  int threads = 0;                 // 0: the runtime's default
  bool progress = false;           // even when stderr is not a terminal
  bool quiet = false;
  bool help = false;
};

// Fills settings from the arguments. Returns "" or the one problem found.
std::string ParseArgs(int argc, char** argv, const FILTER_DLL& table, Settings& settings);

void PrintHelp(FILE* out, const FILTER_DLL& table);

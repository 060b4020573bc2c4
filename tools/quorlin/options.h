// The command line: options set the filter's controls, by name, within the
// editor's ranges and starting from its defaults, and say how the command
// runs.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "quorlin/quorlin.h"

struct Options {
  QuorlinSettings filter;          // the controls and the worker threads
  bool interlace_given = false;    // else a stream's header decides
  std::vector<std::string> files;  // INPUT, then OUTPUT; with -o, every INPUT
  std::string output_dir;          // -o DIR: each INPUT into DIR, keeping its name
  int quality = 95;                // of a JPEG written, 1..100
  bool quality_given = false;
  std::string compare;             // the comparison picture's file, if wanted
  int compare_frame = 1;           // the stream's frame it shows, counted from 1
  bool progress = false;           // even when stderr is not a terminal
  bool quiet = false;
  bool help = false;
  bool version = false;
};

// Fills options from the arguments. Returns "" or the one problem found.
std::string ParseArgs(int argc, char** argv, Options& options);

void PrintHelp(FILE* out);

// The controls that differ from the defaults, as options without their
// dashes: "radius 3, no-luma-only"; "" when none do.
std::string ChangedControls(const QuorlinSettings& controls);

// A Y4M stream through the filter, one frame in memory at a time.
#pragma once

#include <cstdio>
#include <string>

#include "tools/quorlin/options.h"

// Sharpens the stream that in is positioned at the start of, named shown in
// messages, into output ("-" for standard output), through the filter object
// with the options' controls (interlace from the header unless an option
// set it). Reports every problem as one line on stderr and returns the exit
// status.
int SharpenStream(QuorlinFilter* filter, FILE* in, const std::string& shown, const std::string& output,
                  Options options);

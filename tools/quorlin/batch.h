// Many inputs sharpened into one directory, each with its name and format.
#pragma once

#include "quorlin/quorlin.h"
#include "tools/quorlin/options.h"

// Sharpens every input into options.output_dir through the one filter
// object. A batch that would write over one of its inputs, or two inputs
// onto one name, is refused before anything is written (status 2); an input
// that cannot be done is named and skipped (status 1).
int SharpenBatch(QuorlinFilter* filter, const Options& options);

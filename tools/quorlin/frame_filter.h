// One frame through the filter, handed over exactly as the editor hands it.
#pragma once

#include <cstdint>
#include <vector>

#include "host/filter_table.h"

// The host describes a frame's byte size, 6 bytes a pixel, in a 32-bit int.
constexpr int64_t kMaxPixels = INT32_MAX / 6;

// Calls the filter's frame procedure on a width x height frame whose rows are
// packed, with the host's current control values. Returns the procedure's
// verdict, 0 for failure.
int FilterFrame(const FILTER_DLL& table, std::vector<int>& track, std::vector<int>& check,
                PIXEL_YC* frame, int32_t width, int32_t height);

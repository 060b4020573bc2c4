// The largest picture or frame the command reads: as many pixels as the
// library takes in one packed frame.
#pragma once

#include <cstdint>

#include "quorlin/quorlin.h"

constexpr int64_t kMaxPixels = QUORLIN_MAX_FRAME_BYTES / sizeof(QuorlinPixel);

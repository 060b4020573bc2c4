// The x86 levels of the kernel table: which of them this processor and its
// operating system run, and their tables.
#pragma once

#include "kernels/kernels.h"

namespace quorlin::x86 {

// SSE2, the floor of every x86 build, or AVX2.
Isa Detect();

extern const Kernels kSse2;
extern const Kernels kAvx2;

}  // namespace quorlin::x86

#include "tools/quorlin/sample_picture.h"

// The assembler copies the file in; CMake names it in QUORLIN_SAMPLE_PNG and
// rebuilds this file when it changes.
asm(R"(
  .pushsection .rodata.quorlin_sample, "a"
  .globl quorlin_sample_png, quorlin_sample_png_end
  .hidden quorlin_sample_png, quorlin_sample_png_end
quorlin_sample_png:
  .incbin ")" QUORLIN_SAMPLE_PNG R"("
quorlin_sample_png_end:
  .popsection
)");

extern "C" const uint8_t quorlin_sample_png[];
extern "C" const uint8_t quorlin_sample_png_end[];

std::span<const uint8_t> SamplePicture() { return {quorlin_sample_png, quorlin_sample_png_end}; }

// One input through the filter: a picture file read whole, or a Y4M stream
// read frame by frame (stream.h).
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "quorlin/quorlin.h"
#include "tools/quorlin/options.h"
#include "tools/quorlin/photo.h"

// "" stands for the built-in sample, "-" for standard input. Null on failure,
// with errno set.
FILE* OpenInput(const std::string& input);

// A Y4M stream starts with its signature's "Y", a PNG or JPEG file never does.
bool IsStream(FILE* in);

// The rest of the input. Returns "" or the problem.
std::string ReadAll(FILE* in, std::vector<uint8_t>& bytes);

struct PictureResult {
  std::string problem;  // "" once written
  std::string written;  // what was written, with the time of each step: decode, sharpen, encode and write
  std::string dropped;  // what the output's format has no place for, or ""
};

inline PictureResult Failed(std::string problem) { return {std::move(problem), "", ""}; }

// Reads the picture file, sharpens it with the options' controls through the
// filter object and writes it to output in that format, and the comparison
// picture if the options ask for one: both whole, or neither.
PictureResult SharpenPictureFile(QuorlinFilter* filter, std::span<const uint8_t> file, const std::string& shown,
                                 const std::string& output, PhotoFormat format, const Options& options);

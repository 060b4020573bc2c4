// PNG pictures in and out, through libpng.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/quorlin/metadata.h"

// A picture with packed rows of RGB or RGBA pixels, of 8 or 16 bits a
// sample. Gray pictures are held as RGB with R = G = B and remembered as
// gray, so that they are written back as gray; palette pictures and gray
// ones of fewer than 8 bits become 8-bit.
struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  int channels = 3;  // 4 when the picture has alpha
  bool gray = false;
  std::vector<uint8_t> pixels;  // 16-bit samples as uint16_t in the machine's byte order
  int depth = 8;                // 8 or 16

  uint16_t* Samples16() { return reinterpret_cast<uint16_t*>(pixels.data()); }
};

// The picture at 8 bits, rounded to nearest (itself when it has 8 bits).
Picture EightBit(const Picture& picture);

// Reads a PNG from the stream's current position. Returns "" on success, or
// what is wrong with the file in a few words.
std::string ReadPng(FILE* in, Picture& picture);

// Writes the picture as a PNG to a file, or to standard output for "-". The
// file is written under a temporary name in the same directory and renamed
// into place only when complete, so a failure leaves neither a partial file
// nor a changed old one. The chunks go between the header and the pixels.
// Returns "" or the problem.
std::string WritePng(const std::string& path, const Picture& picture, const std::vector<PngChunk>& chunks = {});

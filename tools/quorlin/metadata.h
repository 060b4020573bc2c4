// The metadata a picture keeps: PNG chunks and JPEG markers copied byte for
// byte within a format, and across formats the colour profile and Exif.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/quorlin/jpeg_io.h"

struct PngChunk {
  std::string type;  // "iCCP", "tEXt", ...
  std::vector<uint8_t> data;
};

// The chunks of a whole PNG file that describe its pixels rather than hold
// them: iCCP, sRGB, gAMA, cHRM, pHYs, tEXt, zTXt, iTXt and eXIf, in the
// file's order; chunks whose checksum fails are left out.
std::vector<PngChunk> KeptPngChunks(std::span<const uint8_t> file);

// The same metadata in the other format. What has no place there is left
// out and its names added to `dropped`.
std::vector<PngChunk> PngChunksOf(const std::vector<JpegMarker>& markers, std::vector<std::string>& dropped);
std::vector<JpegMarker> JpegMarkersOf(const std::vector<PngChunk>& chunks, std::vector<std::string>& dropped);

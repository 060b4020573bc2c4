// A picture file, PNG or JPEG, held as its format holds it: a PNG as RGB
// pixels, a JPEG as its YCbCr planes; each with its metadata.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "quorlin/quorlin.h"
#include "tools/quorlin/jpeg_io.h"
#include "tools/quorlin/metadata.h"
#include "tools/quorlin/png_io.h"

enum class PhotoFormat { kPng, kJpeg };

struct Photo {
  PhotoFormat format = PhotoFormat::kPng;
  Picture rgb;                   // a PNG's pixels
  std::vector<PngChunk> chunks;  // a PNG's metadata
  JpegPicture jpeg;              // a JPEG's planes, with its metadata
};

// The format a file name's extension asks for (.png, .jpg, .jpeg in any
// case), or `otherwise`.
PhotoFormat FormatOfName(const std::string& name, PhotoFormat otherwise);

// Reads a whole PNG or JPEG file. Returns "" or the problem.
std::string ReadPhoto(std::span<const uint8_t> file, Photo& photo);

// Sharpens in place with the controls given; a grey JPEG has luma alone.
QuorlinStatus SharpenPhoto(QuorlinFilter* filter, Photo& photo, QuorlinSettings controls);

// The photo as 8-bit RGB, as a comparison shows it.
Picture ShownPicture(Photo& photo);

// The photo in the other format: a JPEG becomes 8-bit RGB (grey stays grey),
// a PNG 4:4:4 planes at 8 bits (grey stays grey). ICC profile and Exif go
// across; the names of what is lost are added to `dropped`.
Photo ConvertPhoto(Photo& photo, PhotoFormat format, std::vector<std::string>& dropped);

// Writes it whole, or nothing; quality for a JPEG. Returns "" or the problem.
std::string WritePhoto(const std::string& path, Photo& photo, int quality);

// "600x400 RGB, 8-bit", "6000x4000 JPEG 4:2:0".
std::string Describe(const Photo& photo);

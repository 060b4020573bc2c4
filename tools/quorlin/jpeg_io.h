// JPEG pictures in and out through libjpeg, as the file's own YCbCr planes:
// no conversion to RGB and back, so that only the encoder's quantisation
// stands between a picture read and the one written.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "quorlin/quorlin.h"
#include "tools/quorlin/limits.h"

// A marker that carries metadata, as it stood in the file: its code
// (0xE1 APP1, 0xE2 APP2, 0xFE COM) and its bytes after the length.
struct JpegMarker {
  int code = 0;
  std::vector<uint8_t> data;
};

constexpr int kJpegApp1 = 0xE1, kJpegApp2 = 0xE2, kJpegCom = 0xFE;

// Full-range 8-bit YCbCr planes (Y alone when grey), 4:4:4, 4:2:2 or 4:2:0.
// The planes are padded to whole coding blocks, wide and high, as libjpeg
// reads and writes them.
struct JpegPicture {
  int32_t width = 0;
  int32_t height = 0;
  bool gray = false;
  int chroma_shift_x = 0;  // 1 for 4:2:2 and 4:2:0
  int chroma_shift_y = 0;  // 1 for 4:2:0
  std::array<std::vector<uint8_t>, 3> planes;
  std::array<ptrdiff_t, 3> stride{};
  std::array<int32_t, 3> rows{};  // padded rows of each plane
  std::vector<JpegMarker> markers;  // APP1 Exif and XMP, APP2 ICC profile, COM, in the file's order
  bool jfif = true;                 // write a JFIF header (a camera's Exif file has none)
  int density_unit = 0, x_density = 1, y_density = 1;  // the JFIF header's pixel density
};

bool IsJpeg(std::span<const uint8_t> bytes);

// Blank planes of that shape (chroma shifts ignored for grey).
JpegPicture NewJpegPicture(int32_t width, int32_t height, bool gray, int chroma_shift_x, int chroma_shift_y);

// The library's view of the picture's planes, full range; a grey picture's
// chroma pointers are null.
QuorlinPlanes PlanesOf(JpegPicture& picture);

// "4:2:0", "grey" and so on.
std::string Sampling(const JpegPicture& picture);

// Reads a JPEG from memory. Returns "" or what is wrong with it in a few
// words; layouts other than those above, and CMYK, are refused by name.
std::string ReadJpeg(std::span<const uint8_t> bytes, JpegPicture& picture, int64_t max_pixels = kMaxPixels);

// Encodes the picture with its markers at quality 1..100. The planes'
// padding is filled from their edges first. Returns "" or the problem.
std::string EncodeJpeg(JpegPicture& picture, int quality, std::vector<uint8_t>& bytes);

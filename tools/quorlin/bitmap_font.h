// A 5x7 bitmap font, built in, for the comparison picture's labels: lower-
// case letters, digits and the punctuation of option values.
#pragma once

#include <cstdint>
#include <string_view>

#include "tools/quorlin/png_io.h"

constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = 6;  // five columns and a space

// Draws the text on an 8-bit RGB canvas with its top left at (x, y), each
// font pixel a scale x scale square, clipped to the columns before `right`.
// Characters the font lacks (upper case among them) are drawn as their
// lower case, or left blank.
void DrawText(Picture& canvas, int32_t x, int32_t y, int32_t right, std::string_view text, int scale,
              const uint8_t rgb[3]);

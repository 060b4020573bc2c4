// The sample photograph coffee.png, linked into the program so that quorlin
// has a picture to work on when given none.
#pragma once

#include <cstdint>
#include <span>

std::span<const uint8_t> SamplePicture();

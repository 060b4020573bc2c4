// YUV4MPEG2 streams: the stream header, and frames read and written one at a
// time. Plain functions on a FILE* (fmemopen serves for a buffer), so that
// anything can feed them bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "quorlin/quorlin.h"

// kMono: a grey stream, luma alone.
enum class Subsampling { k444, k420, kMono, k422 };

struct Y4mFormat {
  int32_t width = 0;
  int32_t height = 0;
  int depth = 8;  // bits per sample; above 8 a sample is two bytes, little-endian
  Subsampling subsampling = Subsampling::k420;
  char interlace = '?';  // the I tag: p, t, b or m; ? when absent or unknown
  bool full_range = false;  // XCOLORRANGE=FULL
  std::string header;    // the whole line without its newline, written back as it came
};

struct Y4mFrame {
  std::string tags;           // the rest of the FRAME line, written back as it came
  std::vector<uint8_t> data;  // the Y, Cb and Cr planes (Y alone when grey), one after the other
};

int32_t ChromaWidth(const Y4mFormat& format);
int32_t ChromaHeight(const Y4mFormat& format);
size_t SampleBytes(const Y4mFormat& format);
// The size of one frame's planes, without its FRAME line.
size_t FrameBytes(const Y4mFormat& format);
// The library's view of a frame's planes, which lie one after the other; a
// grey frame's chroma pointers are null.
QuorlinPlanes PlanesOf(const Y4mFormat& format, uint8_t* data);

// Parses a header line, without its newline. Returns "" or the problem.
std::string ParseY4mHeader(std::string_view line, Y4mFormat& format);
// Reads and parses the header line. Returns "" or the problem.
std::string ReadY4mHeader(FILE* in, Y4mFormat& format);

// Reads the next frame. Returns "" and sets ended when the stream ends
// cleanly before it; otherwise "" with the frame read, or the problem.
std::string ReadY4mFrame(FILE* in, const Y4mFormat& format, Y4mFrame& frame, bool& ended);
// Returns "" or the problem.
std::string WriteY4mHeader(FILE* out, const Y4mFormat& format);
std::string WriteY4mFrame(FILE* out, const Y4mFrame& frame);

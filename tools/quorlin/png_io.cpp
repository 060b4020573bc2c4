#include "tools/quorlin/png_io.h"

#include "tools/quorlin/limits.h"
#include "tools/quorlin/output_file.h"

#include <png.h>

#include <bit>
#include <cerrno>
#include <csetjmp>
#include <cstring>

namespace {

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

// Everything a libpng step touches. Steps are left by longjmp when libpng
// fails, so they hold plain data only and own nothing.
struct PngJob {
  FILE* file;
  png_infop info;
  png_bytepp rows;
  png_uint_32 width, height;
  int source_color_type;  // as stored in the file
  int color_type;         // as delivered or written
  int channels;
  int depth;  // 8 or 16 bits a sample, as delivered or written
  const std::vector<PngChunk>* chunks;  // written after the header
  char message[160];
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
  auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
  std::snprintf(job->message, sizeof job->message, "%s", message);
  png_longjmp(png, 1);
}

// Warnings (a dubious colour profile, say) don't stop a picture from being used.
void OnPngWarning(png_structp, png_const_charp) {}

// The one frame libpng's longjmp may land in: returns false when the step
// failed, with libpng's reason in job->message.
bool RunPngStep(png_structp png, PngJob* job, void (*step)(png_structp, PngJob*)) {
  if (setjmp(png_jmpbuf(png))) return false;
  step(png, job);
  return true;
}

// Asks libpng for RGB or RGBA of 8 or, from 16-bit files, 16 bits.
void ReadHeader(png_structp png, PngJob* job) {
  png_init_io(png, job->file);
  png_set_sig_bytes(png, 8);
  png_read_info(png, job->info);
  job->source_color_type = png_get_color_type(png, job->info);
  png_set_expand(png);  // palette to RGB, gray to 8 bits, transparency to alpha
  if (png_get_bit_depth(png, job->info) == 16 && kLittleEndian) png_set_swap(png);
  png_set_gray_to_rgb(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, job->info);
  job->width = png_get_image_width(png, job->info);
  job->height = png_get_image_height(png, job->info);
  job->channels = png_get_channels(png, job->info);
  job->depth = png_get_bit_depth(png, job->info);
}

// Reading up to the end chunk catches a file cut short after its pixels.
void ReadRows(png_structp png, PngJob* job) {
  png_read_image(png, job->rows);
  png_read_end(png, nullptr);
}

void WriteAll(png_structp png, PngJob* job) {
  png_init_io(png, job->file);
  png_set_IHDR(png, job->info, job->width, job->height, job->depth, job->color_type, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, job->info);
  for (const PngChunk& chunk : *job->chunks) {
    png_write_chunk(png, reinterpret_cast<png_const_bytep>(chunk.type.data()), chunk.data.data(), chunk.data.size());
  }
  if (job->depth == 16 && kLittleEndian) png_set_swap(png);
  png_write_image(png, job->rows);
  png_write_end(png, job->info);
}

std::vector<png_bytep> RowPointers(uint8_t* pixels, int32_t width, int32_t height, size_t pixel_bytes) {
  std::vector<png_bytep> rows(height);
  for (int32_t y = 0; y < height; ++y) rows[y] = pixels + size_t(y) * width * pixel_bytes;
  return rows;
}

std::string Damaged(const PngJob& job) {
  return std::string("damaged or truncated PNG (") + job.message + ")";
}

std::string ReadWithPng(png_structp png, PngJob& job, Picture& picture) {
  if (!RunPngStep(png, &job, ReadHeader)) return Damaged(job);
  if (int64_t(job.width) * job.height > kMaxPixels) {
    return "picture too large (" + std::to_string(job.width) + "x" + std::to_string(job.height) + ")";
  }
  picture.width = static_cast<int32_t>(job.width);
  picture.height = static_cast<int32_t>(job.height);
  picture.channels = job.channels;
  picture.depth = job.depth;
  picture.gray = (job.source_color_type & PNG_COLOR_MASK_COLOR) == 0;
  const size_t pixel_bytes = size_t(picture.channels) * (picture.depth / 8);
  picture.pixels.resize(size_t(picture.width) * picture.height * pixel_bytes);
  std::vector<png_bytep> rows = RowPointers(picture.pixels.data(), picture.width, picture.height, pixel_bytes);
  job.rows = rows.data();
  return RunPngStep(png, &job, ReadRows) ? "" : Damaged(job);
}

// The picture's bytes as they go into the file: gray pictures keep one
// channel of the three (all equal) and their alpha.
std::vector<uint8_t> FileSamples(const Picture& picture, int* color_type, int* channels) {
  const bool alpha = picture.channels == 4;
  if (!picture.gray) {
    *color_type = alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    *channels = picture.channels;
    return picture.pixels;
  }
  *color_type = alpha ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY;
  *channels = alpha ? 2 : 1;
  const size_t sample = picture.depth / 8, pixel = picture.channels * sample;
  std::vector<uint8_t> samples;
  samples.reserve(picture.pixels.size() / picture.channels * *channels);
  for (size_t i = 0; i < picture.pixels.size(); i += pixel) {
    const auto at = picture.pixels.begin() + i;
    samples.insert(samples.end(), at, at + sample);
    if (alpha) samples.insert(samples.end(), at + 3 * sample, at + 4 * sample);
  }
  return samples;
}

std::string Encode(FILE* out, const Picture& picture, const std::vector<PngChunk>& chunks) {
  PngJob job{};
  job.file = out;
  job.chunks = &chunks;
  job.width = picture.width;
  job.height = picture.height;
  job.depth = picture.depth;
  std::vector<uint8_t> samples = FileSamples(picture, &job.color_type, &job.channels);
  std::vector<png_bytep> rows =
      RowPointers(samples.data(), picture.width, picture.height, size_t(job.channels) * (job.depth / 8));
  job.rows = rows.data();
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, OnPngError, OnPngWarning);
  job.info = png ? png_create_info_struct(png) : nullptr;
  std::string problem = !job.info                         ? "out of memory"
                        : !RunPngStep(png, &job, WriteAll) ? std::string("cannot write: ") + job.message
                                                           : "";
  png_destroy_write_struct(&png, &job.info);
  return problem;
}

std::string ErrnoText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

Picture EightBit(const Picture& picture) {
  if (picture.depth == 8) return picture;
  Picture eight = picture;
  eight.depth = 8;
  eight.pixels.resize(picture.pixels.size() / 2);
  const uint16_t* samples = reinterpret_cast<const uint16_t*>(picture.pixels.data());
  for (size_t i = 0; i < eight.pixels.size(); ++i) eight.pixels[i] = uint8_t((samples[i] * 255 + 32767) / 65535);
  return eight;
}

std::string ReadPng(FILE* in, Picture& picture) {
  png_byte signature[8];
  if (std::fread(signature, 1, sizeof signature, in) != sizeof signature ||
      png_sig_cmp(signature, 0, sizeof signature) != 0) {
    return std::ferror(in) ? ErrnoText("cannot read") : "not a PNG file";
  }
  PngJob job{};
  job.file = in;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, OnPngError, OnPngWarning);
  job.info = png ? png_create_info_struct(png) : nullptr;
  std::string problem = job.info ? ReadWithPng(png, job, picture) : "out of memory";
  png_destroy_read_struct(&png, &job.info, nullptr);
  return problem;
}

std::string WritePng(const std::string& path, const Picture& picture, const std::vector<PngChunk>& chunks) {
  OutputFile out;
  if (std::string problem = OpenOutput(path, out); !problem.empty()) return problem;
  if (std::string problem = Encode(out.file, picture, chunks); !problem.empty()) {
    AbandonOutput(out);
    return problem;
  }
  return FinishOutput(out);
}

#include "tools/quorlin/photo.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

#include "tools/quorlin/output_file.h"

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

// A JPEG's planes through the editor's YC samples to RGB.
Picture JpegToRgb(JpegPicture& jpeg) {
  const size_t pixels = size_t(jpeg.width) * jpeg.height;
  Picture rgb{jpeg.width, jpeg.height, 3, jpeg.gray, std::vector<uint8_t>(pixels * 3)};
  if (jpeg.gray) {
    for (int32_t y = 0; y < jpeg.height; ++y) {
      const uint8_t* row = jpeg.planes[0].data() + y * jpeg.stride[0];
      uint8_t* out = rgb.pixels.data() + size_t(y) * jpeg.width * 3;
      for (int32_t x = 0; x < jpeg.width; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = row[x];
    }
    return rgb;
  }
  std::vector<QuorlinPixel> yc(pixels);
  const QuorlinFrame frame{yc.data(), jpeg.width, jpeg.height, jpeg.width};
  const QuorlinPlanes planes = PlanesOf(jpeg);
  quorlin_yuv_to_yc(&planes, 1, &frame, nullptr);
  quorlin_yc_to_rgb(&frame, rgb.pixels.data(), ptrdiff_t{jpeg.width} * 3, 3, nullptr);
  return rgb;
}

// 8-bit RGB (or grey) to full-range 4:4:4 planes through the editor's YC samples.
JpegPicture RgbToJpeg(const Picture& picture) {
  JpegPicture jpeg = NewJpegPicture(picture.width, picture.height, picture.gray, 0, 0);
  if (picture.gray) {
    for (int32_t y = 0; y < picture.height; ++y) {
      const uint8_t* row = picture.pixels.data() + size_t(y) * picture.width * picture.channels;
      uint8_t* out = jpeg.planes[0].data() + y * jpeg.stride[0];
      for (int32_t x = 0; x < picture.width; ++x) out[x] = row[x * picture.channels];
    }
    return jpeg;
  }
  std::vector<QuorlinPixel> yc(size_t(picture.width) * picture.height);
  const QuorlinFrame frame{yc.data(), picture.width, picture.height, picture.width};
  quorlin_rgb_to_yc(picture.pixels.data(), ptrdiff_t{picture.width} * picture.channels, picture.channels, &frame,
                    nullptr);
  const QuorlinPlanes planes = PlanesOf(jpeg);
  quorlin_yc_to_yuv(&frame, 1, &planes, nullptr);
  return jpeg;
}

}  // namespace

PhotoFormat FormatOfName(const std::string& name, PhotoFormat otherwise) {
  const std::string extension = Lower(std::filesystem::path(name).extension().string());
  if (extension == ".png") return PhotoFormat::kPng;
  if (extension == ".jpg" || extension == ".jpeg") return PhotoFormat::kJpeg;
  return otherwise;
}

std::string ReadPhoto(std::span<const uint8_t> file, Photo& photo) {
  if (IsJpeg(file)) {
    photo.format = PhotoFormat::kJpeg;
    return ReadJpeg(file, photo.jpeg);
  }
  photo.format = PhotoFormat::kPng;
  // fmemopen reads in mode "rb" alone; it takes a non-const pointer all the same.
  FILE* in = file.empty() ? nullptr : fmemopen(const_cast<uint8_t*>(file.data()), file.size(), "rb");
  if (!in) return "not a PNG or JPEG file";
  std::string problem = ReadPng(in, photo.rgb);
  std::fclose(in);
  if (problem == "not a PNG file") return "not a PNG or JPEG file";
  if (problem.empty()) photo.chunks = KeptPngChunks(file);
  return problem;
}

QuorlinStatus SharpenPhoto(QuorlinFilter* filter, Photo& photo, QuorlinSettings controls) {
  QuorlinPicture picture{};
  picture.version = QUORLIN_API_VERSION;
  if (photo.format == PhotoFormat::kJpeg) {
    picture.kind = QUORLIN_PICTURE_PLANES;
    picture.planes = PlanesOf(photo.jpeg);
    if (photo.jpeg.gray) controls.luma_only = 1;
  } else {
    const Picture& rgb = photo.rgb;
    picture.kind = rgb.depth == 16 ? QUORLIN_PICTURE_RGB16 : QUORLIN_PICTURE_RGB8;
    picture.rgb = {photo.rgb.pixels.data(), ptrdiff_t{rgb.width} * rgb.channels * (rgb.depth / 8), rgb.channels,
                   rgb.width, rgb.height};
  }
  return quorlin_filter_apply(filter, &picture, &controls);
}

Picture ShownPicture(Photo& photo) {
  return photo.format == PhotoFormat::kJpeg ? JpegToRgb(photo.jpeg) : EightBit(photo.rgb);
}

Photo ConvertPhoto(Photo& photo, PhotoFormat format, std::vector<std::string>& dropped) {
  Photo out;
  out.format = format;
  if (format == PhotoFormat::kPng) {
    out.rgb = JpegToRgb(photo.jpeg);
    out.chunks = PngChunksOf(photo.jpeg.markers, dropped);
    return out;
  }
  if (photo.rgb.channels == 4) dropped.push_back("alpha");
  if (photo.rgb.depth == 16) dropped.push_back("16-bit precision");
  out.jpeg = RgbToJpeg(EightBit(photo.rgb));
  out.jpeg.markers = JpegMarkersOf(photo.chunks, dropped);
  return out;
}

std::string WritePhoto(const std::string& path, Photo& photo, int quality) {
  if (photo.format == PhotoFormat::kPng) return WritePng(path, photo.rgb, photo.chunks);
  std::vector<uint8_t> bytes;
  if (std::string problem = EncodeJpeg(photo.jpeg, quality, bytes); !problem.empty()) return problem;
  return WriteWhole(path, bytes);
}

std::string Describe(const Photo& photo) {
  const std::string size = std::to_string(photo.format == PhotoFormat::kJpeg ? photo.jpeg.width : photo.rgb.width) +
                           "x" +
                           std::to_string(photo.format == PhotoFormat::kJpeg ? photo.jpeg.height : photo.rgb.height);
  if (photo.format == PhotoFormat::kJpeg) return size + " JPEG " + Sampling(photo.jpeg);
  const Picture& p = photo.rgb;
  const bool alpha = p.channels == 4;
  const char* kind = p.gray ? (alpha ? "grey + alpha" : "grey") : (alpha ? "RGBA" : "RGB");
  return size + " " + kind + ", " + std::to_string(p.depth) + "-bit";
}

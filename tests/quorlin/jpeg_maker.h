// JPEG files made and taken apart in the tests through libjpeg's ordinary
// interfaces (interleaved samples, markers as the file holds them), apart
// from the raw planes the command reads and writes.
#pragma once

#include <cstdio>
#include <jpeglib.h>

#include <cstdint>
#include <string>
#include <vector>

struct TestMarker {
  int code;
  std::string data;
  bool operator==(const TestMarker&) const = default;
};

// A width x height picture of `space` (JCS_YCbCr from RGB ramps, JCS_GRAYSCALE,
// JCS_CMYK) with luma (or first component) sampling factors h x v and the
// other components at 1 x 1, carrying the markers.
inline std::string MakeJpeg(int width, int height, J_COLOR_SPACE space, int h, int v,
                            const std::vector<TestMarker>& markers = {}, int quality = 95) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* bytes = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &bytes, &size);
  info.image_width = width;
  info.image_height = height;
  info.input_components = space == JCS_GRAYSCALE ? 1 : space == JCS_CMYK ? 4 : 3;
  info.in_color_space = space == JCS_YCbCr ? JCS_RGB : space;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, space);
  jpeg_set_quality(&info, quality, TRUE);
  info.comp_info[0].h_samp_factor = h;
  info.comp_info[0].v_samp_factor = v;
  for (int c = 1; c < info.num_components; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
  jpeg_start_compress(&info, TRUE);
  for (const TestMarker& m : markers) {
    jpeg_write_marker(&info, m.code, reinterpret_cast<const JOCTET*>(m.data.data()), unsigned(m.data.size()));
  }
  std::vector<JSAMPLE> row(size_t(width) * info.input_components);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < info.input_components; ++c) {
        // Blocks of flat colour with sharp edges and a gentle ramp.
        row[size_t(x) * info.input_components + c] = JSAMPLE(((x / 9 + y / 7 + c) % 3) * 90 + (x + 2 * y) % 40);
      }
    }
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string file(reinterpret_cast<char*>(bytes), size);
  std::free(bytes);
  return file;
}

// The APP1, APP2 and COM markers of a JPEG, in order, with its size and
// its luma sampling factors.
struct JpegFacts {
  int width = 0, height = 0, components = 0, h = 0, v = 0;
  std::vector<TestMarker> markers;
};

inline JpegFacts ReadJpegFacts(const std::string& file) {
  jpeg_decompress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(file.data()), file.size());
  for (int code : {JPEG_APP0 + 1, JPEG_APP0 + 2, JPEG_COM}) jpeg_save_markers(&info, code, 0xFFFF);
  jpeg_read_header(&info, TRUE);
  JpegFacts facts{int(info.image_width), int(info.image_height), info.num_components,
                  info.comp_info[0].h_samp_factor, info.comp_info[0].v_samp_factor, {}};
  for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) {
    facts.markers.push_back({m->marker, std::string(reinterpret_cast<char*>(m->data), m->data_length)});
  }
  jpeg_destroy_decompress(&info);
  return facts;
}

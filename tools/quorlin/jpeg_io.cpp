#include "tools/quorlin/jpeg_io.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

// jpeglib.h wants size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

namespace {

// Every plane is padded to a multiple of 32 samples each way: a block row
// or column of the largest sampling factor, 4, that the planes path takes.
constexpr int kPad = 32;

int32_t Padded(int32_t n) { return (n + kPad - 1) / kPad * kPad; }

// libjpeg's errors leave a step by longjmp; so do its warnings of damaged
// data, but for stray bytes between markers, which cost no sample.
struct JpegError {
  jpeg_error_mgr manager;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
  auto* error = reinterpret_cast<JpegError*>(info->err);
  info->err->format_message(info, error->message);
  std::longjmp(error->jump, 1);
}

void OnJpegMessage(j_common_ptr info, int level) {
  if (level < 0 && info->err->msg_code != JWRN_EXTRANEOUS_DATA) OnJpegError(info);
}

// The error manager for a compress or decompress struct's `err`.
jpeg_error_mgr* Handlers(JpegError& error) {
  jpeg_std_error(&error.manager);
  error.manager.error_exit = OnJpegError;
  error.manager.emit_message = OnJpegMessage;
  return &error.manager;
}

// Everything a libjpeg step touches: plain data that owns nothing, since
// longjmp skips destructors.
struct JpegJob {
  JpegPicture* picture;
  const uint8_t* in;
  size_t in_size;
  int quality;
};

// The encoder writes into a vector that doubles as it fills.
struct VectorDestination {
  jpeg_destination_mgr manager;
  std::vector<uint8_t>* bytes;
};

void StartVector(j_compress_ptr info) {
  auto* dest = reinterpret_cast<VectorDestination*>(info->dest);
  dest->bytes->resize(size_t{1} << 16);
  dest->manager.next_output_byte = dest->bytes->data();
  dest->manager.free_in_buffer = dest->bytes->size();
}

boolean GrowVector(j_compress_ptr info) {
  auto* dest = reinterpret_cast<VectorDestination*>(info->dest);
  const size_t used = dest->bytes->size();
  dest->bytes->resize(2 * used);
  dest->manager.next_output_byte = dest->bytes->data() + used;
  dest->manager.free_in_buffer = dest->bytes->size() - used;
  return TRUE;
}

void EndVector(j_compress_ptr info) {
  auto* dest = reinterpret_cast<VectorDestination*>(info->dest);
  dest->bytes->resize(dest->bytes->size() - dest->manager.free_in_buffer);
}

template <typename Info>
bool RunJpegStep(Info& info, JpegError& error, JpegJob& job, void (*step)(Info&, JpegJob&)) {
  if (setjmp(error.jump)) return false;
  step(info, job);
  return true;
}

// Row pointers for one band of coding blocks: v_samp_factor x 8 rows of
// each plane from the band's first.
struct Band {
  JSAMPROW rows[3][kPad];
  JSAMPARRAY planes[3];
};

template <typename Info>
void PointBand(Info& info, JpegPicture& picture, int band, Band& out) {
  for (int c = 0; c < info.num_components; ++c) {
    const int lines = info.comp_info[c].v_samp_factor * DCTSIZE;
    for (int i = 0; i < lines; ++i) {
      out.rows[c][i] = picture.planes[c].data() + (ptrdiff_t(band) * lines + i) * picture.stride[c];
    }
    out.planes[c] = out.rows[c];
  }
}

int Bands(int32_t height, int max_v_samp_factor) {
  const int band = max_v_samp_factor * DCTSIZE;
  return (height + band - 1) / band;
}

void ReadHeader(jpeg_decompress_struct& info, JpegJob& job) {
  jpeg_mem_src(&info, job.in, job.in_size);
  jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
  jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
  jpeg_save_markers(&info, JPEG_COM, 0xFFFF);
  jpeg_read_header(&info, TRUE);
}

void ReadPlanes(jpeg_decompress_struct& info, JpegJob& job) {
  info.raw_data_out = TRUE;
  info.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&info);
  Band band;
  for (int i = 0, n = Bands(job.picture->height, info.max_v_samp_factor); i < n; ++i) {
    PointBand(info, *job.picture, i, band);
    jpeg_read_raw_data(&info, band.planes, info.max_v_samp_factor * DCTSIZE);
  }
  jpeg_finish_decompress(&info);
}

void WritePlanes(jpeg_compress_struct& info, JpegJob& job) {
  JpegPicture& picture = *job.picture;
  info.image_width = JDIMENSION(picture.width);
  info.image_height = JDIMENSION(picture.height);
  info.input_components = picture.gray ? 1 : 3;
  info.in_color_space = picture.gray ? JCS_GRAYSCALE : JCS_YCbCr;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, info.in_color_space);
  jpeg_set_quality(&info, job.quality, TRUE);
  info.write_JFIF_header = picture.jfif;
  info.density_unit = UINT8(picture.density_unit);
  info.X_density = UINT16(picture.x_density);
  info.Y_density = UINT16(picture.y_density);
  info.comp_info[0].h_samp_factor = 1 << picture.chroma_shift_x;
  info.comp_info[0].v_samp_factor = 1 << picture.chroma_shift_y;
  for (int c = 1; c < info.num_components; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
  info.raw_data_in = TRUE;
  info.dct_method = JDCT_ISLOW;
  // Huffman tables fitted to the picture save about 8% of the file but
  // take a second entropy pass that triples the time to write it.
  info.optimize_coding = FALSE;
  jpeg_start_compress(&info, TRUE);
  for (const JpegMarker& marker : picture.markers) {
    jpeg_write_marker(&info, marker.code, marker.data.data(), unsigned(marker.data.size()));
  }
  Band band;
  for (int i = 0, n = Bands(picture.height, info.max_v_samp_factor); i < n; ++i) {
    PointBand(info, picture, i, band);
    jpeg_write_raw_data(&info, band.planes, info.max_v_samp_factor * DCTSIZE);
  }
  jpeg_finish_compress(&info);
}

bool StartsWith(const jpeg_saved_marker_ptr marker, std::string_view prefix) {
  return marker->data_length >= prefix.size() && std::memcmp(marker->data, prefix.data(), prefix.size()) == 0;
}

// The markers kept: Exif and XMP (the main packet and its extensions),
// ICC profile chunks, comments.
std::vector<JpegMarker> KeptMarkers(const jpeg_decompress_struct& info) {
  using namespace std::string_view_literals;
  std::vector<JpegMarker> kept;
  for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) {
    const bool keep = m->marker == JPEG_COM ||
                      (m->marker == JPEG_APP0 + 1 &&
                       (StartsWith(m, "Exif\0\0"sv) || StartsWith(m, "http://ns.adobe.com/xap/1.0/\0"sv) ||
                        StartsWith(m, "http://ns.adobe.com/xmp/extension/\0"sv))) ||
                      (m->marker == JPEG_APP0 + 2 && StartsWith(m, "ICC_PROFILE\0"sv));
    if (keep) kept.push_back({m->marker, {m->data, m->data + m->data_length}});
  }
  return kept;
}

// The layout's name, or a reason to refuse it.
std::string CheckLayout(const jpeg_decompress_struct& info, int& shift_x, int& shift_y) {
  constexpr char kTaken[] = " (quorlin takes YCbCr JPEGs at 4:4:4, 4:2:2 and 4:2:0, and grey ones)";
  if (info.jpeg_color_space == JCS_GRAYSCALE && info.num_components == 1) return "";
  if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
    return std::string("CMYK JPEG not supported") + kTaken;
  }
  if (info.jpeg_color_space != JCS_YCbCr || info.num_components != 3) {
    return std::string("JPEG in a colour space other than YCbCr not supported") + kTaken;
  }
  const jpeg_component_info* c = info.comp_info;
  const int h = c[0].h_samp_factor, v = c[0].v_samp_factor;
  const bool even_chroma = c[1].h_samp_factor == c[2].h_samp_factor && c[1].v_samp_factor == c[2].v_samp_factor;
  const auto power_of_two = [](int f) { return f == 1 || f == 2 || f == 4; };
  const int ratio_x = h / c[1].h_samp_factor, ratio_y = v / c[1].v_samp_factor;
  const bool whole = even_chroma && power_of_two(h) && power_of_two(v) && power_of_two(c[1].h_samp_factor) &&
                     power_of_two(c[1].v_samp_factor) && ratio_x * c[1].h_samp_factor == h &&
                     ratio_y * c[1].v_samp_factor == v;
  if (whole && ratio_x <= 2 && ratio_y <= ratio_x) {
    shift_x = ratio_x - 1;
    shift_y = ratio_y - 1;
    return "";
  }
  const std::string name = !whole                        ? "with unusual sampling factors"
                            : ratio_x == 1 && ratio_y == 2 ? "4:4:0"
                            : ratio_x == 4 && ratio_y == 1 ? "4:1:1"
                                                           : "with unusual sampling factors";
  return "JPEG " + name + " not supported" + kTaken;
}

std::string DecodeWith(jpeg_decompress_struct& info, JpegError& error, JpegJob& job, int64_t max_pixels) {
  const auto damaged = [&] { return std::string("damaged or truncated JPEG (") + error.message + ")"; };
  if (!RunJpegStep(info, error, job, ReadHeader)) return damaged();
  int shift_x = 0, shift_y = 0;
  if (std::string problem = CheckLayout(info, shift_x, shift_y); !problem.empty()) return problem;
  if (int64_t(info.image_width) * info.image_height > max_pixels) {
    return "picture too large (" + std::to_string(info.image_width) + "x" + std::to_string(info.image_height) + ")";
  }
  JpegPicture& picture = *job.picture;
  picture = NewJpegPicture(int32_t(info.image_width), int32_t(info.image_height), info.num_components == 1, shift_x,
                           shift_y);
  picture.markers = KeptMarkers(info);
  picture.jfif = info.saw_JFIF_marker;
  if (info.saw_JFIF_marker) {
    picture.density_unit = info.density_unit;
    picture.x_density = info.X_density;
    picture.y_density = info.Y_density;
  }
  return RunJpegStep(info, error, job, ReadPlanes) ? "" : damaged();
}

// Replicates each plane's last column and row into its padding, which the
// encoder codes with the edge blocks.
void FillPadding(JpegPicture& picture) {
  for (int c = 0; c < (picture.gray ? 1 : 3); ++c) {
    const int32_t width = c == 0 ? picture.width : (picture.width + picture.chroma_shift_x) >> picture.chroma_shift_x;
    const int32_t height =
        c == 0 ? picture.height : (picture.height + picture.chroma_shift_y) >> picture.chroma_shift_y;
    for (int32_t y = 0; y < height; ++y) {
      uint8_t* row = picture.planes[c].data() + y * picture.stride[c];
      std::memset(row + width, row[width - 1], size_t(picture.stride[c] - width));
    }
    for (int32_t y = height; y < picture.rows[c]; ++y) {
      std::memcpy(picture.planes[c].data() + y * picture.stride[c],
                  picture.planes[c].data() + (height - 1) * picture.stride[c], size_t(picture.stride[c]));
    }
  }
}

}  // namespace

bool IsJpeg(std::span<const uint8_t> bytes) {
  return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

JpegPicture NewJpegPicture(int32_t width, int32_t height, bool gray, int chroma_shift_x, int chroma_shift_y) {
  JpegPicture picture;
  picture.width = width;
  picture.height = height;
  picture.gray = gray;
  picture.chroma_shift_x = gray ? 0 : chroma_shift_x;
  picture.chroma_shift_y = gray ? 0 : chroma_shift_y;
  for (int c = 0; c < (gray ? 1 : 3); ++c) {
    const int sx = c == 0 ? 0 : picture.chroma_shift_x, sy = c == 0 ? 0 : picture.chroma_shift_y;
    picture.stride[c] = Padded((width + sx) >> sx);
    picture.rows[c] = Padded((height + sy) >> sy);
    picture.planes[c].resize(size_t(picture.stride[c]) * size_t(picture.rows[c]));
  }
  return picture;
}

QuorlinPlanes PlanesOf(JpegPicture& picture) {
  const auto plane = [&](int c) -> void* { return picture.gray && c > 0 ? nullptr : picture.planes[c].data(); };
  return {{plane(0), plane(1), plane(2)},
          {picture.stride[0], picture.stride[1], picture.stride[2]},
          picture.width,
          picture.height,
          8,
          picture.chroma_shift_x,
          picture.chroma_shift_y,
          1};
}

std::string Sampling(const JpegPicture& picture) {
  if (picture.gray) return "grey";
  return picture.chroma_shift_y ? "4:2:0" : picture.chroma_shift_x ? "4:2:2" : "4:4:4";
}

std::string ReadJpeg(std::span<const uint8_t> bytes, JpegPicture& picture, int64_t max_pixels) {
  if (!IsJpeg(bytes)) return "not a JPEG file";
  JpegError error{};
  jpeg_decompress_struct info{};
  info.err = Handlers(error);
  jpeg_create_decompress(&info);
  JpegJob job{&picture, bytes.data(), bytes.size(), 0};
  std::string problem = DecodeWith(info, error, job, max_pixels);
  jpeg_destroy_decompress(&info);
  return problem;
}

std::string EncodeJpeg(JpegPicture& picture, int quality, std::vector<uint8_t>& bytes) {
  FillPadding(picture);
  JpegError error{};
  jpeg_compress_struct info{};
  info.err = Handlers(error);
  jpeg_create_compress(&info);
  VectorDestination dest{{nullptr, 0, StartVector, GrowVector, EndVector}, &bytes};
  info.dest = &dest.manager;
  JpegJob job{&picture, nullptr, 0, quality};
  const bool written = RunJpegStep(info, error, job, WritePlanes);
  jpeg_destroy_compress(&info);
  return written ? "" : std::string("cannot encode: ") + error.message;
}

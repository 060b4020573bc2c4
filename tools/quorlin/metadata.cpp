#include "tools/quorlin/metadata.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kExif = "Exif\0\0"sv;
constexpr std::string_view kIcc = "ICC_PROFILE\0"sv;
constexpr std::string_view kIccName = "ICC profile"sv;
// A marker holds at most 65533 bytes; an ICC chunk of them has a 14-byte head.
constexpr size_t kMarkerBytes = 65533;
constexpr size_t kIccChunkBytes = kMarkerBytes - kIcc.size() - 2;
// Profiles are rarely above a megabyte; the bound stops a small zlib bomb.
constexpr size_t kMaxProfile = size_t{64} << 20;

uint32_t BigEndian(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

bool Kept(std::string_view type) {
  for (std::string_view kept : {"iCCP", "sRGB", "gAMA", "cHRM", "pHYs", "tEXt", "zTXt", "iTXt", "eXIf"}) {
    if (type == kept) return true;
  }
  return false;
}

bool StartsWith(const std::vector<uint8_t>& data, std::string_view prefix) {
  return data.size() >= prefix.size() && std::memcmp(data.data(), prefix.data(), prefix.size()) == 0;
}

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

void Drop(std::vector<std::string>& dropped, const std::string& name) {
  if (std::find(dropped.begin(), dropped.end(), name) == dropped.end()) dropped.push_back(name);
}

// The profile from its chunks, which may come in any order: empty when a
// chunk is missing or repeated.
std::vector<uint8_t> JoinIcc(const std::vector<JpegMarker>& markers) {
  std::vector<const JpegMarker*> chunks;
  for (const JpegMarker& m : markers) {
    if (m.code == kJpegApp2 && m.data.size() >= kIcc.size() + 2) chunks.push_back(&m);
  }
  if (chunks.empty()) return {};
  const size_t count = chunks[0]->data[kIcc.size() + 1];
  std::vector<uint8_t> profile;
  for (size_t seq = 1; seq <= count; ++seq) {
    const auto it = std::find_if(chunks.begin(), chunks.end(), [&](auto* m) { return m->data[kIcc.size()] == seq; });
    if (it == chunks.end() || std::count_if(chunks.begin(), chunks.end(), [&](auto* m) {
                                return m->data[kIcc.size()] == seq;
                              }) != 1) {
      return {};
    }
    profile.insert(profile.end(), (*it)->data.begin() + kIcc.size() + 2, (*it)->data.end());
  }
  return chunks.size() == count ? profile : std::vector<uint8_t>{};
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data) {
  uLongf size = compressBound(uLong(data.size()));
  std::vector<uint8_t> out(size);
  if (compress2(out.data(), &size, data.data(), uLong(data.size()), Z_BEST_COMPRESSION) != Z_OK) return {};
  out.resize(size);
  return out;
}

std::vector<uint8_t> Inflate(const uint8_t* data, size_t size) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return {};
  std::vector<uint8_t> out;
  stream.next_in = const_cast<uint8_t*>(data);
  stream.avail_in = uInt(size);
  int status = Z_OK;
  while (status == Z_OK && out.size() < kMaxProfile) {
    const size_t used = out.size();
    out.resize(used + (size_t{1} << 16));
    stream.next_out = out.data() + used;
    stream.avail_out = uInt(out.size() - used);
    status = inflate(&stream, Z_NO_FLUSH);
    out.resize(out.size() - stream.avail_out);
  }
  inflateEnd(&stream);
  return status == Z_STREAM_END ? out : std::vector<uint8_t>{};
}

// iCCP: a name, its terminating zero, the compression method (0), then the
// deflated profile.
std::vector<uint8_t> ProfileOf(const PngChunk& chunk) {
  const auto end = std::find(chunk.data.begin(), chunk.data.end(), 0);
  if (end == chunk.data.end() || chunk.data.end() - end < 2 || end[1] != 0) return {};
  const size_t at = size_t(end - chunk.data.begin()) + 2;
  return Inflate(chunk.data.data() + at, chunk.data.size() - at);
}

}  // namespace

std::vector<PngChunk> KeptPngChunks(std::span<const uint8_t> file) {
  std::vector<PngChunk> kept;
  for (size_t at = 8; at <= file.size() && file.size() - at >= 12;) {
    const uint32_t length = BigEndian(&file[at]);
    if (length > file.size() - at - 12) break;
    const std::string type(reinterpret_cast<const char*>(&file[at + 4]), 4);
    const uint8_t* data = &file[at + 8];
    const uint32_t crc = uint32_t(crc32(crc32(0, &file[at + 4], 4), data, length));
    if (Kept(type) && crc == BigEndian(data + length)) kept.push_back({type, {data, data + length}});
    if (type == "IEND") break;
    at += size_t{12} + length;
  }
  return kept;
}

std::vector<PngChunk> PngChunksOf(const std::vector<JpegMarker>& markers, std::vector<std::string>& dropped) {
  std::vector<PngChunk> chunks;
  if (const std::vector<uint8_t> profile = JoinIcc(markers); !profile.empty()) {
    std::vector<uint8_t> data = Bytes(kIccName);
    data.insert(data.end(), {0, 0});
    const std::vector<uint8_t> deflated = Deflate(profile);
    data.insert(data.end(), deflated.begin(), deflated.end());
    chunks.push_back({"iCCP", std::move(data)});
  } else if (std::any_of(markers.begin(), markers.end(), [](auto& m) { return m.code == kJpegApp2; })) {
    Drop(dropped, "an ICC profile with chunks missing");
  }
  for (const JpegMarker& m : markers) {
    if (m.code == kJpegApp1 && StartsWith(m.data, kExif)) {
      if (std::none_of(chunks.begin(), chunks.end(), [](auto& c) { return c.type == "eXIf"; })) {
        chunks.push_back({"eXIf", {m.data.begin() + kExif.size(), m.data.end()}});
      } else {
        Drop(dropped, "a second Exif block");
      }
    } else if (m.code == kJpegApp1) {
      Drop(dropped, "XMP");
    } else if (m.code == kJpegCom) {
      Drop(dropped, "comments");
    }
  }
  return chunks;
}

std::vector<JpegMarker> JpegMarkersOf(const std::vector<PngChunk>& chunks, std::vector<std::string>& dropped) {
  std::vector<JpegMarker> markers;
  for (const PngChunk& chunk : chunks) {
    if (chunk.type == "eXIf" && chunk.data.size() + kExif.size() <= kMarkerBytes) {
      std::vector<uint8_t> data = Bytes(kExif);
      data.insert(data.end(), chunk.data.begin(), chunk.data.end());
      markers.push_back({kJpegApp1, std::move(data)});
      continue;
    }
    const std::vector<uint8_t> profile = chunk.type == "iCCP" ? ProfileOf(chunk) : std::vector<uint8_t>{};
    const size_t count = (profile.size() + kIccChunkBytes - 1) / kIccChunkBytes;
    if (profile.empty() || count > 255) {
      Drop(dropped, chunk.type);
      continue;
    }
    for (size_t i = 0; i < count; ++i) {
      std::vector<uint8_t> data = Bytes(kIcc);
      data.insert(data.end(), {uint8_t(i + 1), uint8_t(count)});
      const auto from = profile.begin() + i * kIccChunkBytes;
      data.insert(data.end(), from, from + std::min(kIccChunkBytes, size_t(profile.end() - from)));
      markers.push_back({kJpegApp2, std::move(data)});
    }
  }
  return markers;
}

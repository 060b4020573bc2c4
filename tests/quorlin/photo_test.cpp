// Photographs through the command: JPEG in and out as its own planes,
// metadata kept, many files at once, and what is refused.
#include <zlib.h>

#include <cmath>

#include "quorlin/quorlin.h"
#include "tests/quorlin/command.h"
#include "tests/quorlin/jpeg_maker.h"
#include "tools/quorlin/y4m.h"

namespace {

using namespace std::string_literals;

// All the planes of the first frame.
std::vector<uint8_t> FirstFrame(const fs::path& path) {
  FILE* in = std::fopen(path.c_str(), "rb");
  EXPECT_NE(in, nullptr) << path;
  if (!in) return {};
  Y4mFormat format;
  Y4mFrame frame;
  bool ended = false;
  EXPECT_EQ(ReadY4mHeader(in, format), "") << path;
  EXPECT_EQ(ReadY4mFrame(in, format, frame, ended), "") << path;
  std::fclose(in);
  return frame.data;
}

double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  EXPECT_EQ(a.size(), b.size());
  double sum = 0;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
  return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * double(a.size()) / sum);
}

class Photos : public QuorlinCommand {
 protected:
  void SetUp() override {
    QuorlinCommand::SetUp();
    ASSERT_EQ(Shell("command -v ffmpeg").status, 0) << "ffmpeg is missing: scripts/setup.sh installs it";
  }
  // The first frame of a picture as ffmpeg decodes it, through Y4M, marked
  // full range (which ffmpeg leaves unsaid for grey).
  std::vector<uint8_t> Decoded(const std::string& name) const {
    const Outcome run = Shell("ffmpeg -v error -i " + name +
                              " -strict -1 -f yuv4mpegpipe - | sed '1{/XCOLORRANGE=FULL/!s/$/ XCOLORRANGE=FULL/}' "
                              ">decoded.y4m");
    EXPECT_EQ(run.status, 0) << run.err;
    return FirstFrame(dir_ / "decoded.y4m");
  }
};

// The JPEG's planes, sharpened, against quorlin run on the same planes
// decoded into a full-range Y4M stream: only the encoder's quantisation and
// the decoders' rounding lie between them.
TEST_F(Photos, JpegRoundTripsKeepTheirLayoutAndMatchTheStreamPath) {
  struct Kind {
    const char* name;
    const char* pix_fmt;  // made by ffmpeg; none: by libjpeg, grey
    int components, h, v;
  };
  const Kind kinds[] = {{"4:4:4", "yuvj444p", 3, 1, 1},
                        {"4:2:2", "yuvj422p", 3, 2, 1},
                        {"4:2:0", "yuvj420p", 3, 2, 2},
                        {"grey", nullptr, 1, 1, 1}};
  const std::string settings = "--quiet --no-luma-only --radius 3 --luma-strength 160 --chroma-strength 128 ";
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    if (kind.pix_fmt) {
      const Outcome made = Shell("ffmpeg -y -v error -f lavfi -i testsrc2=size=176x96 -vf scale=171:93 "
                                 "-frames:v 1 -q:v 2 -pix_fmt "s + kind.pix_fmt + " in.jpg");
      ASSERT_EQ(made.status, 0) << made.err;
    } else {
      Spill(dir_ / "in.jpg", MakeJpeg(171, 93, JCS_GRAYSCALE, 1, 1));
    }
    ASSERT_EQ(Run(settings + "in.jpg out.jpg").status, 0);
    const JpegFacts in = ReadJpegFacts(Slurp(dir_ / "in.jpg")), out = ReadJpegFacts(Slurp(dir_ / "out.jpg"));
    EXPECT_EQ(std::tie(out.width, out.height), std::tie(in.width, in.height));
    EXPECT_EQ(out.components, kind.components);
    EXPECT_EQ(std::tie(out.h, out.v), std::tie(kind.h, kind.v));

    const std::vector<uint8_t> original = Decoded("in.jpg");
    const Outcome reference = Run(settings + "decoded.y4m reference.y4m");
    ASSERT_EQ(reference.status, 0) << reference.err;
    const std::vector<uint8_t> sharpened = Decoded("out.jpg");
    const double psnr = Psnr(sharpened, FirstFrame(dir_ / "reference.y4m"));
    EXPECT_GE(psnr, 40);
    EXPECT_LT(Psnr(sharpened, original), psnr - 3) << "the filter changed the picture";

    ASSERT_EQ(Run("--quiet --luma-strength 0 --quality 100 in.jpg same.jpg").status, 0);
    EXPECT_GE(Psnr(Decoded("same.jpg"), original), 50);

    // The planes' range shows in their colours: the PNG written from them
    // against ffmpeg's RGB, where no chroma is upsampled.
    if (kind.h * kind.v > 1) continue;
    ASSERT_EQ(Run("--quiet --luma-strength 0 in.jpg rgb.png").status, 0);
    ASSERT_EQ(Shell("ffmpeg -y -v error -i in.jpg -pix_fmt rgb24 -f rawvideo rgb.raw").status, 0);
    const std::string rgb = Slurp(dir_ / "rgb.raw");
    EXPECT_GE(Psnr(Load(dir_ / "rgb.png").pixels, {rgb.begin(), rgb.end()}), 40);
  }
}

TEST_F(Photos, RefusedJpegKindsSayWhy) {
  const std::pair<std::string, const char*> cases[] = {
      {MakeJpeg(40, 32, JCS_YCbCr, 1, 2), "JPEG 4:4:0 not supported"},
      {MakeJpeg(40, 32, JCS_YCbCr, 4, 1), "JPEG 4:1:1 not supported"},
      {MakeJpeg(40, 32, JCS_CMYK, 1, 1), "CMYK JPEG not supported"},
      {MakeJpeg(40, 32, JCS_YCbCr, 2, 2).substr(0, 400), "damaged or truncated JPEG"},
  };
  for (const auto& [file, message] : cases) {
    Spill(dir_ / "in.jpg", file);
    const Outcome run = Run("in.jpg out.jpg");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.starts_with("quorlin: in.jpg: "s + message)) << run.err;
    EXPECT_FALSE(fs::exists(dir_ / "out.jpg"));
  }
}

std::string Chunk(const std::string& type, const std::string& data) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = char(data.size() >> (24 - 8 * i));
  const std::string body = type + data;
  const uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()));
  bytes += body;
  for (int i = 0; i < 4; ++i) bytes += char(crc >> (24 - 8 * i));
  return bytes;
}

// The chunks of a PNG file but its pixels and its frame, type and data.
std::vector<std::pair<std::string, std::string>> Chunks(const std::string& png) {
  std::vector<std::pair<std::string, std::string>> chunks;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t length = uint32_t(uint8_t(png[at])) << 24 | uint8_t(png[at + 1]) << 16 |
                            uint8_t(png[at + 2]) << 8 | uint8_t(png[at + 3]);
    const std::string type = png.substr(at + 4, 4);
    if (type != "IHDR" && type != "IDAT" && type != "IEND") chunks.push_back({type, png.substr(at + 8, length)});
    at += 12 + length;
  }
  return chunks;
}

std::string Deflated(const std::string& data) {
  uLongf size = compressBound(uLong(data.size()));
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()), data.size());
  return out.substr(0, size);
}

// A profile that takes two APP2 markers, so that their order matters.
std::string Profile() {
  std::string profile(70000, '\0');
  for (size_t i = 0; i < profile.size(); ++i) profile[i] = char(i * 7 / 5);
  return profile;
}

const std::string kExif = "MM\0*\0\0\0\x08\0\0"s;

std::vector<TestMarker> JpegMetadata() {
  const std::string profile = Profile();
  return {{JPEG_APP0 + 1, "Exif\0\0"s + kExif},
          {JPEG_APP0 + 2, "ICC_PROFILE\0\x01\x02"s + profile.substr(0, 65519)},
          {JPEG_APP0 + 2, "ICC_PROFILE\0\x02\x02"s + profile.substr(65519)},
          {JPEG_APP0 + 1, "http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>"s},
          {JPEG_COM, "a comment"}};
}

TEST_F(Photos, JpegMetadataSurvivesAndItsProfileAndExifCrossToPng) {
  Spill(dir_ / "in.jpg", MakeJpeg(64, 48, JCS_YCbCr, 2, 2, JpegMetadata()));
  ASSERT_EQ(Run("in.jpg out.jpg").status, 0);
  EXPECT_EQ(ReadJpegFacts(Slurp(dir_ / "out.jpg")).markers, JpegMetadata());

  const Outcome run = Run("--progress in.jpg out.png");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("out.png: left out, having no place in PNG: XMP, comments\n"), std::string::npos) << run.err;
  const auto chunks = Chunks(Slurp(dir_ / "out.png"));
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[1], std::pair("eXIf"s, kExif));
  EXPECT_EQ(chunks[0].first, "iCCP");
  const std::string& iccp = chunks[0].second;
  const size_t name_end = iccp.find('\0');
  ASSERT_LT(name_end + 2, iccp.size());
  std::string profile(Profile().size() + 1, '\0');
  uLongf size = profile.size();
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(profile.data()), &size,
                       reinterpret_cast<const Bytef*>(iccp.data() + name_end + 2), iccp.size() - name_end - 2),
            Z_OK);
  EXPECT_TRUE(profile.substr(0, size) == Profile());
}

TEST_F(Photos, PngChunksSurviveAndTheProfileAndExifCrossToJpeg) {
  const std::string profile = Profile();
  const std::vector<std::pair<std::string, std::string>> kept = {
      {"iCCP", "sRGB-ish\0\0"s + Deflated(profile)},
      {"sRGB", "\0"s},
      {"gAMA", "\0\0\xb1\x8f"s},
      {"cHRM", std::string(32, '\x01')},
      {"pHYs", "\0\0\x0b\x13\0\0\x0b\x13\x01"s},
      {"tEXt", "Title\0coffee"s},
      {"zTXt", "Comment\0\0"s + Deflated("a long comment")},
      {"iTXt", "Author\0\0\0en\0\0someone"s},
      {"eXIf", kExif},
  };
  const std::string png = Slurp(QUORLIN_SAMPLE_PNG);
  std::string with_chunks = png.substr(0, 33);  // the signature and IHDR
  for (const auto& [type, data] : kept) with_chunks += Chunk(type, data);
  with_chunks += png.substr(33);
  Spill(dir_ / "in.png", with_chunks);

  ASSERT_EQ(Run("in.png out.png").status, 0);
  std::vector<std::pair<std::string, std::string>> want = kept;
  ASSERT_EQ(Chunks(png)[0].first, "pHYs");
  want.push_back(Chunks(png)[0]);  // the sample's own; its tIME is not kept
  EXPECT_EQ(Chunks(Slurp(dir_ / "out.png")), want);

  const Outcome run = Run("--progress in.png out.jpg");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("out.jpg: left out, having no place in JPEG: sRGB, gAMA, cHRM, pHYs, tEXt, zTXt, iTXt\n"),
            std::string::npos)
      << run.err;
  const std::vector<TestMarker> markers = ReadJpegFacts(Slurp(dir_ / "out.jpg")).markers;
  const std::vector<TestMarker> across = {{JPEG_APP0 + 2, "ICC_PROFILE\0\x01\x02"s + profile.substr(0, 65519)},
                                        {JPEG_APP0 + 2, "ICC_PROFILE\0\x02\x02"s + profile.substr(65519)},
                                        {JPEG_APP0 + 1, "Exif\0\0"s + kExif}};
  EXPECT_EQ(markers, across);
}

// Streams, PNG and JPEG pictures in one batch, with a file that cannot be
// read among them.
TEST_F(Photos, BatchSkipsTheBadFileAndWritesTheOthersWhole) {
  Spill(dir_ / "a.png", Slurp(QUORLIN_SAMPLE_PNG));
  Spill(dir_ / "b.png", "not a picture");
  Spill(dir_ / "c.jpg", MakeJpeg(64, 48, JCS_YCbCr, 2, 1));
  ASSERT_EQ(Shell("ffmpeg -v error -f lavfi -i testsrc2=size=32x24 -frames:v 2 -pix_fmt yuv420p d.y4m").status, 0);
  ASSERT_EQ(Shell("cp d.y4m e.y4m").status, 0);
  const Outcome run = Run("--progress a.png b.png c.jpg d.y4m e.y4m -o out");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("quorlin: b.png: not a PNG or JPEG file\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("\rquorlin: 2 of 5 files done, now c.jpg"), std::string::npos) << run.err;
  EXPECT_TRUE(run.err.ends_with("quorlin: 4 of 5 files sharpened into out\n")) << run.err;
  std::vector<std::string> written;
  for (const auto& entry : fs::directory_iterator(dir_ / "out")) written.push_back(entry.path().filename());
  std::sort(written.begin(), written.end());
  EXPECT_EQ(written, (std::vector<std::string>{"a.png", "c.jpg", "d.y4m", "e.y4m"}));
  EXPECT_EQ(Load(dir_ / "out/a.png").width, Load(QUORLIN_SAMPLE_PNG).width);
  EXPECT_EQ(ReadJpegFacts(Slurp(dir_ / "out/c.jpg")).h, 2);
  EXPECT_EQ(Slurp(dir_ / "out/d.y4m").size(), Slurp(dir_ / "d.y4m").size());
}

TEST_F(Photos, RefusedCommandsWriteNothing) {
  Spill(dir_ / "a.png", Slurp(QUORLIN_SAMPLE_PNG));
  fs::create_directories(dir_ / "x");
  Spill(dir_ / "x/a.png", Slurp(QUORLIN_SAMPLE_PNG));
  const std::vector<std::string> before = Listing();
  const std::pair<const char*, const char*> cases[] = {
      {"a.png x/a.png -o out", "out/a.png: two inputs would be written to it; nothing written"},
      {"a.png -o .", "./a.png: would be written over the input a.png; nothing written"},
      {"x/a.png a.png -o x", "x/a.png: would be written over the input x/a.png; nothing written"},
      {"a.png - -o out", "- (standard input) takes one file alone, not -o DIR"},
      {"a.png x/a.png b.png", "more than one INPUT needs -o DIR (from b.png)"},
      {"--compare c.png a.png x/a.png -o out", "--compare takes one INPUT, not several"},
      {"--quality 80 a.png", "--quality is for JPEG output; a.sharpened.png gets a PNG"},
      {"--quality 80 a.png b.png", "--quality is for JPEG output; b.png gets a PNG"},
      {"--quality 0 a.png b.jpg", "--quality 0: out of range 1..100"},
  };
  for (const auto& [args, message] : cases) {
    SCOPED_TRACE(args);
    const Outcome run = Run(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.starts_with("quorlin: "s + message)) << run.err;
    EXPECT_EQ(Listing(), before);
  }
}

TEST_F(Photos, QualityAndExtensionChooseTheOutput) {
  ASSERT_EQ(Run("'" QUORLIN_SAMPLE_PNG "' high.JPG").status, 0);
  ASSERT_EQ(Run("--quality 20 '" QUORLIN_SAMPLE_PNG "' low.jpeg").status, 0);
  const JpegFacts high = ReadJpegFacts(Slurp(dir_ / "high.JPG"));
  EXPECT_EQ(high.components, 3);
  EXPECT_EQ(high.h * high.v, 1) << "a PNG becomes a 4:4:4 JPEG";
  EXPECT_GT(Slurp(dir_ / "high.JPG").size(), 2 * Slurp(dir_ / "low.jpeg").size());
  Spill(dir_ / "in.jpg", MakeJpeg(64, 48, JCS_GRAYSCALE, 1, 1));
  ASSERT_EQ(Run("in.jpg").status, 0);
  EXPECT_EQ(ReadJpegFacts(Slurp(dir_ / "in.sharpened.jpg")).components, 1);
  ASSERT_EQ(Run("in.jpg grey.png").status, 0);
  EXPECT_TRUE(Load(dir_ / "grey.png").gray);
}

}  // namespace

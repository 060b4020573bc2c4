#include "tools/quorlin/y4m.h"

#include <gtest/gtest.h>

namespace {

TEST(Y4mHeader, ColourspacesGiveDepthAndLayout) {
  struct Case {
    const char* tag;
    int depth;
    Subsampling subsampling;
  };
  const Case cases[] = {
      {"", 8, Subsampling::k420},         {" C420jpeg", 8, Subsampling::k420}, {" C420mpeg2", 8, Subsampling::k420},
      {" C420paldv", 8, Subsampling::k420}, {" C420", 8, Subsampling::k420},   {" C420p10", 10, Subsampling::k420},
      {" C444", 8, Subsampling::k444},    {" C444p10", 10, Subsampling::k444}, {" C444p16", 16, Subsampling::k444},
      {" Cmono", 8, Subsampling::kMono},  {" Cmono10", 10, Subsampling::kMono}, {" Cmono16", 16, Subsampling::kMono},
      {" C422", 8, Subsampling::k422},    {" C422p10", 10, Subsampling::k422}, {" C422p16", 16, Subsampling::k422},
  };
  for (const Case& c : cases) {
    Y4mFormat format;
    const std::string line = std::string("YUV4MPEG2 W7 H5 F25:1") + c.tag + " XYSCSS=ANY";
    ASSERT_EQ(ParseY4mHeader(line, format), "") << line;
    EXPECT_EQ(format.depth, c.depth) << line;
    EXPECT_EQ(format.subsampling, c.subsampling) << line;
    EXPECT_EQ(format.header, line);
  }
  Y4mFormat format;
  ASSERT_EQ(ParseY4mHeader("YUV4MPEG2 W7 H5 C444p16", format), "");
  EXPECT_EQ(FrameBytes(format), 7u * 5 * 3 * 2);
  ASSERT_EQ(ParseY4mHeader("YUV4MPEG2 H5 W7 C420 It", format), "");
  EXPECT_EQ(FrameBytes(format), 7u * 5 + 2 * 4 * 3);
  EXPECT_EQ(format.interlace, 't');
  // 4:2:2: a chroma sample for each horizontal pair, on every row.
  ASSERT_EQ(ParseY4mHeader("YUV4MPEG2 W7 H5 C422p10", format), "");
  EXPECT_EQ(FrameBytes(format), (7u * 5 + 2 * 4 * 5) * 2);
  std::vector<uint8_t> pairs(FrameBytes(format));
  const QuorlinPlanes pair_planes = PlanesOf(format, pairs.data());
  EXPECT_EQ(pair_planes.chroma_shift_x, 1);
  EXPECT_EQ(pair_planes.chroma_shift_y, 0);
  EXPECT_EQ(static_cast<uint8_t*>(pair_planes.data[2]) - pairs.data(), (7 * 5 + 4 * 5) * 2);
  // Grey: the luma plane alone, and no chroma planes for the library.
  ASSERT_EQ(ParseY4mHeader("YUV4MPEG2 W7 H5 Cmono12", format), "");
  EXPECT_EQ(FrameBytes(format), 7u * 5 * 2);
  std::vector<uint8_t> grey(FrameBytes(format));
  const QuorlinPlanes grey_planes = PlanesOf(format, grey.data());
  EXPECT_TRUE(grey_planes.data[0] == grey.data() && !grey_planes.data[1] && !grey_planes.data[2]);

  // The range: full only where the header says so, and the planes carry it.
  for (auto [tag, full] : {std::pair{" XCOLORRANGE=FULL", true}, {" XCOLORRANGE=LIMITED", false}, {"", false}}) {
    Y4mFormat ranged;
    ASSERT_EQ(ParseY4mHeader(std::string("YUV4MPEG2 W7 H5 C420p10") + tag, ranged), "") << tag;
    EXPECT_EQ(ranged.full_range, full) << tag;
    std::vector<uint8_t> data(FrameBytes(ranged));
    const QuorlinPlanes planes = PlanesOf(ranged, data.data());
    EXPECT_EQ(planes.full_range, int(full)) << tag;
    EXPECT_EQ(planes.depth, 10);
    EXPECT_EQ(planes.chroma_shift_x, 1);
    EXPECT_EQ(planes.chroma_shift_y, 1);
    EXPECT_EQ(static_cast<uint8_t*>(planes.data[2]) - data.data(), 7 * 5 * 2 + 4 * 3 * 2);
  }
}

TEST(Y4mHeader, ProblemsAreNamed) {
  const std::pair<const char*, const char*> cases[] = {
      {"YUV4MPEG W7 H5", "not a YUV4MPEG2"},
      {"YUV4MPEG2X W7 H5", "not a YUV4MPEG2"},
      {"YUV4MPEG2 H5", "without width"},
      {"YUV4MPEG2 W7", "without height"},
      {"YUV4MPEG2 W0 H5", "bad width"},
      {"YUV4MPEG2 W7 H-5", "bad height"},
      {"YUV4MPEG2 W7x H5", "bad width"},
      {"YUV4MPEG2 W7  H5", "empty tag"},
      {"YUV4MPEG2 W100000 H100000", "too large"},
      {"YUV4MPEG2 W7 H5 C411", "unsupported colourspace C411"},
      {"YUV4MPEG2 W7 H5 Cmono7", "unknown colourspace Cmono7"},
      {"YUV4MPEG2 W7 H5 Cmonop10", "unknown colourspace Cmonop10"},
      {"YUV4MPEG2 W7 H5 C444alpha", "unsupported colourspace C444alpha"},
      {"YUV4MPEG2 W7 H5 C444p17", "unknown colourspace C444p17"},
      {"YUV4MPEG2 W7 H5 C420p", "unknown colourspace C420p"},
      {"YUV4MPEG2 W7 H5 Crgb", "unknown colourspace Crgb"},
  };
  for (auto [line, problem] : cases) {
    Y4mFormat format;
    EXPECT_NE(ParseY4mHeader(line, format).find(problem), std::string::npos)
        << line << ": " << ParseY4mHeader(line, format);
  }
}

struct Stream {
  explicit Stream(const std::string& text) : bytes(text), file(fmemopen(bytes.data(), bytes.size(), "rb")) {}
  ~Stream() { std::fclose(file); }
  std::string bytes;
  FILE* file;
};

// Reads frames until the end or a problem; returns the problem, or "" at a clean end.
std::string ReadAll(const std::string& bytes, std::vector<Y4mFrame>& frames) {
  Stream in(bytes);
  Y4mFormat format;
  if (std::string problem = ReadY4mHeader(in.file, format); !problem.empty()) return problem;
  for (bool ended = false;;) {
    Y4mFrame frame;
    if (std::string problem = ReadY4mFrame(in.file, format, frame, ended); !problem.empty() || ended) return problem;
    frames.push_back(frame);
  }
}

TEST(Y4mFrames, AreReadWholeOrNamedAsBroken) {
  const std::string header = "YUV4MPEG2 W2 H2 C444\n";
  const std::string frame(12, 'x');
  const std::pair<std::string, const char*> cases[] = {
      {header, ""},
      {header + "FRAME\n" + frame + "FRAME Ixyz\n" + frame, ""},
      {header + "FRAME\n" + frame.substr(5), "stream ends inside the frame (7 of 12 bytes)"},
      {header + "FRAME\n" + frame + "FRA", "stream ends inside the FRAME marker"},
      {header + "FRAME\n" + frame + "FRAME", "stream ends inside the FRAME line"},
      {header + "FRAME\n" + frame + "xx", "FRAME marker missing"},
      {header + "FRAMES\n" + frame, "FRAME marker missing"},
      {header + "FRAME\n" + frame + "x" + "FRAME\n" + frame, "FRAME marker missing"},
      {"YUV4MPEG2 W2 H2", "stream ends inside the header"},
      {"", "not a YUV4MPEG2 stream"},
      {"YUV4MPEG2 " + std::string(5000, 'X') + "\n", "header line too long"},
  };
  for (const auto& [bytes, problem] : cases) {
    std::vector<Y4mFrame> frames;
    EXPECT_EQ(ReadAll(bytes, frames), problem) << bytes.substr(0, 60);
    for (const Y4mFrame& f : frames) EXPECT_EQ(f.data, std::vector<uint8_t>(frame.begin(), frame.end()));
  }
}

TEST(Y4mFrames, WriteBackHeaderAndFrameTagsAsTheyCame) {
  const std::string bytes = "YUV4MPEG2 W1 H1 C444 Ib XNEW=1\nFRAME Ixyz\nabc";
  Stream in(bytes);
  Y4mFormat format;
  Y4mFrame frame;
  bool ended = false;
  ASSERT_EQ(ReadY4mHeader(in.file, format), "");
  ASSERT_EQ(ReadY4mFrame(in.file, format, frame, ended), "");
  char* text = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  ASSERT_EQ(WriteY4mHeader(out, format), "");
  ASSERT_EQ(WriteY4mFrame(out, frame), "");
  std::fclose(out);
  EXPECT_EQ(std::string(text, size), bytes);
  std::free(text);
}

}  // namespace

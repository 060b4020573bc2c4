// Y4M streams through the command: broken streams, progress, comparison, and
// the memory a stream takes.
#include "tests/counting_allocator.h"
#include "tests/quorlin/command.h"
#include "tools/quorlin/compare_picture.h"
#include "tools/quorlin/stream.h"

namespace {

// A 4:4:4 stream of 4x2 frames, each frame a different ramp.
std::string Stream(int frames, const std::string& header = "YUV4MPEG2 W4 H2 F25:1 Ip C444 XEXTRA=kept") {
  std::string bytes = header + "\n";
  for (int f = 0; f < frames; ++f) {
    bytes += "FRAME\n";
    for (int i = 0; i < 24; ++i) bytes += char(16 + (i * 37 + f * 11) % 220);
  }
  return bytes;
}

constexpr size_t kFrameBytes = 6 + 24;

void ExpectOneLine(const Outcome& run, const std::string& named) {
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_NE(run.err.find(named), std::string::npos) << run.err;
}

TEST_F(QuorlinCommand, BrokenStreamsFailNamingTheFrameAndLeaveNoFile) {
  const std::string good = Stream(3);
  struct Case {
    std::string bytes;
    const char* named;
    size_t whole_frames;  // written to standard output before the failure
  };
  const Case cases[] = {
      {good.substr(0, good.size() - 5), "frame 3: stream ends inside the frame (19 of 24 bytes)", 2},
      {good + "FRAME", "frame 4: stream ends inside the FRAME line", 3},
      {good + "junk", "frame 4: FRAME marker missing", 3},
      // Frames one sample larger than the header says.
      {"YUV4MPEG2 W4 H2 C444\nFRAME\n" + std::string(25, 'x') + "FRAME\n" + std::string(24, 'x'),
       "frame 2: FRAME marker missing", 1},
      {"YUV4MPEG2 W4 H2 C411\n", "header: unsupported colourspace C411", 0},
      {"YUV4MPEG2 W4 H2 Cxyz\n", "header: unknown colourspace Cxyz", 0},
      {"YUV4MPEG2 W4 Hx C444\n", "header: bad height Hx", 0},
      {"YUV4MPEG2 W4 H2 C444", "header: stream ends inside the header", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.named);
    Spill(dir_ / "in.y4m", c.bytes);
    const std::vector<std::string> before = Listing();
    const Outcome to_file = Run("in.y4m out.y4m");
    EXPECT_EQ(to_file.status, 1);
    ExpectOneLine(to_file, std::string("in.y4m: ") + c.named);
    EXPECT_EQ(Listing(), before);

    const Outcome piped = Run("- - <in.y4m");
    EXPECT_EQ(piped.status, 1);
    ExpectOneLine(piped, std::string("standard input: ") + c.named);
    const size_t header_bytes = c.whole_frames ? c.bytes.find('\n') + 1 : 0;
    EXPECT_EQ(piped.out.size(), header_bytes + c.whole_frames * kFrameBytes);
  }
}

TEST_F(QuorlinCommand, StreamsKeepTheirHeaderAndFrameCount) {
  Spill(dir_ / "in.y4m", Stream(4));
  const Outcome run = Run("--radius 1 --luma-strength 200 in.y4m");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string out = Slurp(dir_ / "in.sharpened.y4m");
  EXPECT_EQ(out.size(), Stream(4).size());
  EXPECT_EQ(out.substr(0, out.find('\n')), "YUV4MPEG2 W4 H2 F25:1 Ip C444 XEXTRA=kept");
  EXPECT_NE(out, Stream(4));
  // Without a terminal and without --progress: only the summary.
  ExpectOneLine(run, "quorlin: 4 frames of 4x2 4:4:4 8-bit");
}

TEST_F(QuorlinCommand, ProgressIsShownWhenForcedAndSilencedByQuiet) {
  Spill(dir_ / "in.y4m", Stream(300));
  const Outcome shown = Run("--progress in.y4m out.y4m");
  ASSERT_EQ(shown.status, 0) << shown.err;
  // The first frame always draws the line; the file's size gives the total.
  EXPECT_NE(shown.err.find("\rquorlin: frame 1 of 300 (0%), "), std::string::npos) << shown.err;
  EXPECT_NE(shown.err.find("\rquorlin: wrote out.y4m: 300 frames of 4x2 4:4:4 8-bit in "), std::string::npos)
      << shown.err;
  EXPECT_TRUE(shown.err.ends_with("\n")) << shown.err;

  const Outcome piped = Shell("cat in.y4m | \"$Q\" --progress - - >/dev/null");
  EXPECT_NE(piped.err.find("\rquorlin: frame 1, "), std::string::npos) << "no total from a pipe: " << piped.err;

  const Outcome quiet = Run("--quiet --progress --threads 1 in.y4m out.y4m");
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.err, "");
}

TEST_F(QuorlinCommand, ComparePictureShowsTheChosenFrame) {
  std::string bytes = "YUV4MPEG2 W40 H24 C444\n";
  for (int f = 0; f < 3; ++f) {
    bytes += "FRAME\n";
    // Frame 2 alone has a sharp edge to show; the others are flat gray.
    for (int plane = 0; plane < 3; ++plane) {
      for (int i = 0; i < 40 * 24; ++i) bytes += char(plane > 0 || f != 1 ? 128 : i % 40 < 20 ? 40 : 200);
    }
  }
  Spill(dir_ / "in.y4m", bytes);
  ASSERT_EQ(Run("--compare flat.png in.y4m out.y4m").status, 0);
  ASSERT_EQ(Run("--compare edge.png --compare-frame 2 in.y4m out.y4m").status, 0);
  const Picture flat = Load(dir_ / "flat.png"), edge = Load(dir_ / "edge.png");
  // Two 40x24 panels 8 apart under their labels, over two crops of 10x6
  // shown at 4 times.
  const int top = LabelHeight(40);
  EXPECT_EQ(edge.width, 88);
  EXPECT_EQ(edge.height, top + 24 + 8 + 24);
  const auto pixel = [&](const Picture& p, int x, int y) { return p.pixels[(size_t(y + top) * p.width + x) * 3]; };
  EXPECT_EQ(pixel(flat, 18, 12), pixel(flat, 48 + 18, 12));
  EXPECT_EQ(pixel(edge, 2, 12), pixel(edge, 17, 12)) << "the original's dark half is even";
  EXPECT_LT(pixel(edge, 48 + 19, 12), pixel(edge, 19, 12)) << "the sharpened edge is darker on its dark side";

  const Outcome late = Run("--compare late.png --compare-frame 4 in.y4m out.y4m");
  EXPECT_EQ(late.status, 1);
  ExpectOneLine(late, "--compare-frame 4: in.y4m has 3 frames");
  EXPECT_FALSE(fs::exists(dir_ / "late.png"));
}

}  // namespace

namespace {

// A stream sharpened in this process with a counting allocator: the
// command's filter object takes its memory for the first frame and keeps it.
TEST_F(QuorlinCommand, StreamFramesAfterTheFirstAllocateNothing) {
  auto blocks = [&](int frames, const char* colourspace) {
    std::string bytes = std::string("YUV4MPEG2 W321 H181 F25:1 It ") + colourspace + "\n";
    const size_t frame_bytes = 321 * 181 + 2 * 161 * 91;
    for (int f = 0; f < frames; ++f) {
      bytes += "FRAME\n";
      for (size_t i = 0; i < frame_bytes; ++i) bytes += char(16 + (i * 7 + f * 13) % 220);
    }
    Spill(dir_ / "in.y4m", bytes);
    CountingAllocator counting;
    Options options;
    EXPECT_EQ(ParseArgs(1, nullptr, options), "");
    options.filter.luma_only = 0;
    options.filter.allocator = &counting.hooks;
    options.quiet = true;
    QuorlinFilter* filter = nullptr;
    EXPECT_EQ(quorlin_filter_new(&filter, &options.filter), QUORLIN_OK);
    FILE* in = std::fopen((dir_ / "in.y4m").c_str(), "rb");
    EXPECT_EQ(SharpenStream(filter, in, "in.y4m", (dir_ / "out.y4m").string(), options), 0);
    std::fclose(in);
    quorlin_filter_free(&filter);
    EXPECT_EQ(counting.live, 0);
    return int(counting.calls);
  };
  EXPECT_EQ(blocks(1, "C420jpeg"), 3);  // the object, its workspace and the workspace's memory
  EXPECT_EQ(blocks(9, "C420jpeg"), 3);
}

}  // namespace

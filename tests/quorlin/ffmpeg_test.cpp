// Real clips from ffmpeg's test source, in every layout quorlin takes,
// through quorlin and back into ffmpeg.
#include <memory>

#include "hosts/aviutl/filter_table.h"
#include "tests/quorlin/command.h"
#include "tools/quorlin/options.h"
#include "tools/quorlin/y4m.h"

namespace {

struct Layout {
  const char* pix_fmt;      // as ffmpeg makes the clip
  const char* colourspace;  // the header's C tag, rewritten where ffmpeg has another name for it
};

constexpr Layout kLayouts[] = {
    {"yuv444p16le", "C444p16"}, {"yuv444p10le", "C444p10"}, {"yuv444p", "C444"},
    {"yuv420p", "C420jpeg"},    {"yuv420p", "C420mpeg2"},   {"yuv420p", "C420paldv"},
    {"yuv420p", "C420"},        {"yuv420p10le", "C420p10"},
    // Full range: ffmpeg tags the stream XCOLORRANGE=FULL.
    {"yuvj420p", "C420jpeg"},   {"yuvj444p", "C444"},
    {"yuv422p", "C422"},        {"yuv422p10le", "C422p10"}, {"yuv422p16le", "C422p16"},
    // Grey, full range as ffmpeg writes it: luma alone whatever the switch says.
    {"gray", "Cmono"},          {"gray10le", "Cmono10"},    {"gray16le", "Cmono16"},
};
constexpr int kFrames = 4;

std::vector<Y4mFrame> ReadFrames(const fs::path& path, Y4mFormat& format) {
  std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(path.c_str(), "rb"), std::fclose);
  std::vector<Y4mFrame> frames;
  EXPECT_TRUE(in) << path;
  if (!in) return frames;
  EXPECT_EQ(ReadY4mHeader(in.get(), format), "") << path;
  for (bool ended = false;;) {
    Y4mFrame frame;
    const std::string problem = ReadY4mFrame(in.get(), format, frame, ended);
    EXPECT_EQ(problem, "") << path;
    if (ended || !problem.empty()) return frames;
    frames.push_back(std::move(frame));
  }
}

class WithFfmpeg : public QuorlinCommand {
 protected:
  void SetUp() override {
    QuorlinCommand::SetUp();
    ASSERT_EQ(Shell("command -v ffmpeg").status, 0) << "ffmpeg is missing: scripts/setup.sh installs it";
  }

  // An odd height, so that 4:2:0 chroma has half blocks at the bottom (ffmpeg
  // writes frames of odd width short above 8 bits); the header says
  // interlace as given.
  void MakeClip(const Layout& layout, const char* interlace, const std::string& name) const {
    const std::string make = "ffmpeg -v error -f lavfi -i testsrc2=size=72x48:rate=25 -vf scale=70:45 -frames:v " +
                             std::to_string(kFrames) + " -pix_fmt " + layout.pix_fmt +
                             " -strict -1 -f yuv4mpegpipe - | sed '1s/ C[^ ]*/ " + layout.colourspace +
                             "/; 1s/ Ip/ " + interlace + "/' >" + name;
    const Outcome made = Shell(make);
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string header = Slurp(dir_ / name).substr(0, 100);
    ASSERT_NE(header.find(std::string(" ") + layout.colourspace + " "), std::string::npos) << header;
  }

  std::string FrameMd5(const std::string& input) const {
    const Outcome run = Shell("ffmpeg -v error -i " + input + " -f framemd5 -");
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out;
  }
};

size_t CountFrames(const std::string& framemd5) {
  size_t frames = 0;
  for (size_t at = 0; (at = framemd5.find("\n0,", at)) != std::string::npos; ++at) ++frames;
  return frames;
}

TEST_F(WithFfmpeg, StrengthZeroGivesEveryFrameBackBitForBit) {
  for (const Layout& layout : kLayouts) {
    SCOPED_TRACE(layout.colourspace);
    MakeClip(layout, "Ip", "clip.y4m");
    const std::string original = FrameMd5("clip.y4m");
    ASSERT_EQ(CountFrames(original), size_t(kFrames)) << original;
    for (const char* settings : {"--luma-strength 0", "--no-luma-only --luma-strength 0 --chroma-strength 0 --limit"}) {
      const Outcome run = Shell("\"$Q\" " + std::string(settings) + " clip.y4m - | ffmpeg -v error -i - -f framemd5 -");
      ASSERT_EQ(run.status, 0) << settings << ": " << run.err;
      EXPECT_EQ(run.out, original) << settings;
    }
  }
}

// Runs the editor plug-in's frame procedure on a packed frame, with the
// controls of the settings in the host's records.
int EditorFrameProc(QuorlinSettings settings, std::vector<QuorlinPixel>& pixels, int width, int height) {
  int track[kTrackCount], check[kCheckCount];
  for (int i = 0; i < kTrackCount; ++i) track[i] = *quorlin_setting(&settings, i);
  for (int i = 0; i < kCheckCount; ++i) check[i] = *quorlin_setting(&settings, kTrackCount + i);
  FILTER filter{*GetFilterTable()};
  filter.track = track;
  filter.check = check;
  FILTER_PROC_INFO info{};
  info.ycp_edit = reinterpret_cast<PIXEL_YC*>(pixels.data());
  info.w = info.max_w = width;
  info.h = info.max_h = height;
  return filter.func_proc(&filter, &info);
}

// The frames quorlin writes, against the editor's frame procedure run on the
// same YC frames with the same controls.
TEST_F(WithFfmpeg, FramesAreWhatTheFrameProcedureMakes) {
  struct Case {
    const Layout& layout;
    const char* interlace;  // the header's I tag
    const char* args;
    bool interlaced;        // whether the fields are filtered apart
  };
  std::vector<Case> cases;
  for (const Layout& layout : kLayouts) {
    cases.push_back({layout, "Ip", "--radius 3 --luma-strength 160", false});
    cases.push_back({layout, "Ip", "--no-luma-only --chroma-strength 200 --limit --luma-limit 2", false});
  }
  // The header's It and Ib mean fields, Ip a whole frame; --interlace and
  // --no-interlace win over any of them.
  cases.push_back({kLayouts[3], "It", "--luma-strength 256", true});
  cases.push_back({kLayouts[3], "Ib", "--no-luma-only", true});
  cases.push_back({kLayouts[3], "It", "--no-interlace", false});
  cases.push_back({kLayouts[3], "Ib", "--no-interlace", false});
  cases.push_back({kLayouts[3], "Ip", "--interlace", true});
  for (const auto& [layout, interlace, args, interlaced] : cases) {
    SCOPED_TRACE(std::string(layout.colourspace) + " " + interlace + " " + args);
    MakeClip(layout, interlace, "clip.y4m");
    const Outcome run = Run(std::string("--quiet ") + args + " clip.y4m out.y4m");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(CountFrames(FrameMd5("out.y4m")), size_t(kFrames));

    if (std::string(layout.pix_fmt).starts_with("yuvj")) {
      EXPECT_NE(Slurp(dir_ / "out.y4m").substr(0, 100).find(" XCOLORRANGE=FULL"), std::string::npos);
    }
    std::vector<std::string> words = {"quorlin"};
    for (std::istringstream in(args); in.good();) in >> words.emplace_back();
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    Options options;
    ASSERT_EQ(ParseArgs(int(argv.size()), argv.data(), options), "");
    options.filter.interlace = interlaced;
    Y4mFormat in_format, out_format;
    std::vector<Y4mFrame> frames = ReadFrames(dir_ / "clip.y4m", in_format);
    if (in_format.subsampling == Subsampling::kMono) options.filter.luma_only = 1;
    const int chroma = !options.filter.luma_only;

    const std::vector<Y4mFrame> out = ReadFrames(dir_ / "out.y4m", out_format);
    EXPECT_EQ(out_format.header, in_format.header);
    ASSERT_EQ(out.size(), frames.size());
    std::vector<QuorlinPixel> pixels(size_t(in_format.width) * in_format.height);
    const QuorlinFrame yc{pixels.data(), in_format.width, in_format.height, in_format.width};
    bool changed = false;
    for (size_t f = 0; f < frames.size(); ++f) {
      const std::vector<uint8_t> original = frames[f].data;
      const QuorlinPlanes planes = PlanesOf(in_format, frames[f].data.data());
      ASSERT_EQ(quorlin_yuv_to_yc(&planes, chroma, &yc, nullptr), QUORLIN_OK);
      ASSERT_EQ(EditorFrameProc(options.filter, pixels, in_format.width, in_format.height), 1);
      ASSERT_EQ(quorlin_yc_to_yuv(&yc, chroma, &planes, nullptr), QUORLIN_OK);
      EXPECT_TRUE(out[f].data == frames[f].data) << "frame " << f + 1;
      changed |= out[f].data != original;
    }
    EXPECT_TRUE(changed);
  }
}

// The same frames whatever the number of threads, which split the rows into
// bands (4:2:0 blocks kept whole) and read, filter and write on their own.
TEST_F(WithFfmpeg, ThreadsDoNotChangeTheFrames) {
  MakeClip(kLayouts[3], "Ib", "clip.y4m");
  std::string first;
  for (const char* threads : {"1", "2", "3"}) {
    const Outcome run = Shell(std::string("\"$Q\" --quiet --no-luma-only --limit --radius 4 --threads ") + threads +
                              " clip.y4m - | md5sum");
    ASSERT_EQ(run.status, 0) << run.err;
    if (first.empty()) first = run.out;
    EXPECT_EQ(run.out, first) << threads << " threads";
  }
}

}  // namespace

// The quorlin command as a user meets it: runs of the built program in a
// scratch directory.
#include "quorlin/quorlin.h"
#include "tests/quorlin/command.h"
#include "tools/quorlin/compare_picture.h"

namespace {

TEST_F(QuorlinCommand, WithoutArgumentsSharpensTheBuiltInSample) {
  const Outcome run = Run("");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const Picture original = Load(QUORLIN_SAMPLE_PNG);
  const Picture sharpened = Load(dir_ / "coffee.sharpened.png");
  EXPECT_EQ(sharpened.width, original.width);
  EXPECT_EQ(sharpened.height, original.height);
  ASSERT_EQ(sharpened.pixels.size(), original.pixels.size());
  EXPECT_TRUE(sharpened.pixels != original.pixels);
}

// Silent without a terminal (above); one line naming the file on a terminal
// or with --progress, none with --quiet.
TEST_F(QuorlinCommand, SaysWhatItWroteWhenShowingProgress) {
  const Picture original = Load(QUORLIN_SAMPLE_PNG);
  const std::string size = std::to_string(original.width) + "x" + std::to_string(original.height);
  Outcome run = Run("--progress --compare side.png");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.err.starts_with("quorlin: wrote coffee.sharpened.png (" + size + " RGB, 8-bit) and side.png in "))
      << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  run = Run("--progress --quiet");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
}

// 16-bit pictures stay 16-bit: grey, grey + alpha, RGB and RGBA, with
// samples whose two bytes differ. At strength 0 every sample comes back;
// otherwise the pixels are the library's 16-bit ones, alpha untouched.
TEST_F(QuorlinCommand, SixteenBitPicturesKeepTheirPrecision) {
  uint32_t seed = 7;
  for (const auto& [channels, gray] : {std::pair{3, true}, {4, true}, {3, false}, {4, false}}) {
    SCOPED_TRACE(testing::Message() << channels << " channels" << (gray ? ", grey" : ""));
    Picture picture{37, 23, channels, gray, std::vector<uint8_t>(37 * 23 * channels * 2), 16};
    uint16_t* samples = picture.Samples16();
    for (int i = 0; i < 37 * 23; ++i) {
      uint16_t* pixel = samples + i * channels;
      for (int c = 0; c < channels; ++c) pixel[c] = uint16_t((seed = seed * 1103515245 + 12345) >> 8);
      if (gray) pixel[1] = pixel[2] = pixel[0];
    }
    ASSERT_EQ(WritePng((dir_ / "deep.png").string(), picture), "");

    ASSERT_EQ(Run("--luma-strength 0 deep.png same.png").status, 0);
    const Picture same = Load(dir_ / "same.png");
    EXPECT_EQ(same.depth, 16);
    EXPECT_EQ(same.gray, gray);
    EXPECT_TRUE(same.pixels == picture.pixels);

    const Outcome run = Run("--no-luma-only --radius 3 deep.png sharp.png");
    ASSERT_EQ(run.status, 0) << run.err;
    const Picture sharp = Load(dir_ / "sharp.png");
    QuorlinSettings settings;
    quorlin_default_settings(&settings, QUORLIN_API_VERSION);
    settings.luma_only = 0;
    settings.radius = 3;
    Picture want = picture;
    ASSERT_EQ(quorlin_sharpen_rgb16(want.Samples16(), 37 * channels * 2, channels, 37, 23, &settings), QUORLIN_OK);
    EXPECT_TRUE(sharp.pixels == want.pixels);
    EXPECT_TRUE(sharp.pixels != picture.pixels);
  }
}

TEST_F(QuorlinCommand, EachOptionReachesTheFilter) {
  // Each option changes the picture against a baseline that differs from it
  // in that option alone.
  const std::pair<const char*, const char*> cases[] = {
      {"--radius 5", ""},
      {"--luma-strength=200", ""},
      {"--luma-threshold 100", ""},
      {"--interlace", ""},
      {"--no-luma-only", ""},
      {"--limit", ""},
      {"--limit --luma-limit -8", "--limit"},
      {"--no-luma-only --chroma-strength 256", "--no-luma-only"},
      {"--no-luma-only --chroma-threshold 20", "--no-luma-only"},
      {"--no-luma-only --limit --chroma-limit 0", "--no-luma-only --limit --chroma-limit 4"},
  };
  for (auto [option, baseline] : cases) {
    ASSERT_EQ(Run(std::string(baseline) + " '" QUORLIN_SAMPLE_PNG "' base.png").status, 0) << baseline;
    const Outcome run = Run(std::string(option) + " '" QUORLIN_SAMPLE_PNG "' changed.png");
    ASSERT_EQ(run.status, 0) << option << ": " << run.err;
    EXPECT_TRUE(Load(dir_ / "changed.png").pixels != Load(dir_ / "base.png").pixels) << option;
  }
}

TEST_F(QuorlinCommand, ZeroStrengthGivesBackTheOriginalPixels) {
  const Outcome run = Run("--luma-strength 0 '" QUORLIN_SAMPLE_PNG "' same.png");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Load(dir_ / "same.png").pixels == Load(QUORLIN_SAMPLE_PNG).pixels);
}

TEST_F(QuorlinCommand, GrayPicturesStayGrayAndKeepTheirAlpha) {
  Picture gray{64, 48, 4, true, {}};
  for (int y = 0; y < gray.height; ++y) {
    for (int x = 0; x < gray.width; ++x) {
      const uint8_t v = uint8_t(((x / 8 + y / 8) % 2) * 160 + (x * 7 + y * 3) % 64);
      gray.pixels.insert(gray.pixels.end(), {v, v, v, uint8_t(x * 4)});
    }
  }
  ASSERT_EQ(WritePng((dir_ / "gray.png").string(), gray), "");

  ASSERT_EQ(Run("gray.png").status, 0);
  const Picture sharpened = Load(dir_ / "gray.sharpened.png");
  EXPECT_TRUE(sharpened.gray);
  ASSERT_EQ(sharpened.channels, 4);
  EXPECT_TRUE(sharpened.pixels != gray.pixels);
  for (size_t i = 3; i < gray.pixels.size(); i += 4) {
    ASSERT_EQ(sharpened.pixels[i], gray.pixels[i]) << "alpha of pixel " << i / 4;
  }
}

TEST_F(QuorlinCommand, BadInputFailsWithOneLineAndLeavesNoFile) {
  const std::string png = Slurp(QUORLIN_SAMPLE_PNG);
  Spill(dir_ / "good.png", png);
  Spill(dir_ / "text.png", "just some text\n");
  Spill(dir_ / "cut.png", png.substr(0, png.size() / 2));
  Spill(dir_ / "no-end.png", png.substr(0, png.size() - 12));  // without its IEND chunk
  Spill(dir_ / "out.png", "previous");
  fs::create_directory(dir_ / "folder");
  const std::vector<std::string> before = Listing();

  struct Case {
    const char* args;
    int status;
    const char* named;  // the file or option the message must name
  };
  const Case cases[] = {
      {"missing.png out.png", 1, "missing.png"},
      {"text.png out.png", 1, "text.png"},
      {"cut.png out.png", 1, "cut.png"},
      {"no-end.png out.png", 1, "no-end.png"},
      {"folder out.png", 1, "folder"},
      {"good.png nowhere/out.png", 1, "nowhere/out.png"},
      {"good.png /proc/out.png", 1, "/proc/out.png"},
      {"good.png folder", 1, "folder"},
      {"--radius 11 good.png out.png", 2, "--radius"},
      {"--luma-strength -1 good.png out.png", 2, "--luma-strength"},
      {"--radius 2x good.png out.png", 2, "--radius"},
      {"--sharpness 3 good.png out.png", 2, "--sharpness"},
      {"--no-radius good.png out.png", 2, "--no-radius"},
      {"--interlace=1 good.png out.png", 2, "--interlace"},
      {"good.png out.png --radius", 2, "--radius"},
      {"good.png out.png extra.png", 2, "extra.png"},
      {"--threads 0 good.png out.png", 2, "--threads"},
      {"--compare-frame 0 good.png out.png", 2, "--compare-frame"},
      {"--quiet=1 good.png out.png", 2, "--quiet"},
      {"--compare nowhere/x.png good.png out.png", 1, "nowhere/x.png"},
      {"--compare x.png good.png folder", 1, "folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const Outcome run = Run(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_TRUE(run.err.ends_with('\n')) << run.err;
    EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
    EXPECT_EQ(Listing(), before);
    EXPECT_EQ(Slurp(dir_ / "out.png"), "previous");
  }
}

TEST_F(QuorlinCommand, ComparePictureHasOriginalLeftSharpenedRightAndCropsBelow) {
  const Outcome run = Run("--compare compare.png '" QUORLIN_SAMPLE_PNG "' out.png");
  ASSERT_EQ(run.status, 0) << run.err;
  const Picture original = Load(QUORLIN_SAMPLE_PNG), sharpened = Load(dir_ / "out.png");
  const Picture compare = Load(dir_ / "compare.png");
  const int32_t w = original.width, h = original.height, top = LabelHeight(w);
  ASSERT_EQ(compare.width, 2 * w + 8);
  ASSERT_EQ(compare.height, top + h + 8 + h / 4 * 4);
  // Crops are a quarter of the picture high and placed in steps of an eighth,
  // so the row below the middle is never a crop's top or bottom: at most the
  // outline's sides cross it.
  const auto row = [](const Picture& p, int32_t x, int32_t y, int32_t n) {
    const auto at = p.pixels.begin() + (size_t(y) * p.width + x) * p.channels;
    return std::vector<uint8_t>(at, at + n * p.channels);
  };
  const int y = h / 2 + 1;
  const std::vector<uint8_t> left = row(compare, 0, top + y, w), right = row(compare, w + 8, top + y, w);
  int outline_pixels = 0;
  for (int32_t x = 0; x < w; ++x) {
    const bool same = std::equal(left.begin() + 3 * x, left.begin() + 3 * x + 3, row(original, x, y, 1).begin()) &&
                      std::equal(right.begin() + 3 * x, right.begin() + 3 * x + 3, row(sharpened, x, y, 1).begin());
    outline_pixels += !same;
  }
  EXPECT_LE(outline_pixels, 4) << "only the crop's outline may cover the pictures";
}

TEST_F(QuorlinCommand, HelpListsTheControlsAndEndsItsLinesVersionNamesItsParts) {
  const Outcome run = Run("--help");
  EXPECT_EQ(run.status, 0);
  for (const char* line : {"ぼかし幅, 1..10, default 2", "明強度, 0..256, default 64",
                           "明閾値, 0..500, default 0", "インターレース処理, on/off, default off"}) {
    EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
  }
  EXPECT_TRUE(run.out.ends_with(".\n"));
  // Lines fit a terminal of 80 columns (those with the editor's labels in
  // Japanese aside, whose bytes are not columns).
  for (std::istringstream lines(run.out); lines.good();) {
    std::string line;
    std::getline(lines, line);
    if (std::all_of(line.begin(), line.end(), [](char c) { return c > 0; })) {
      EXPECT_LE(line.size(), 79u) << line;
    }
  }

  const Outcome version = Run("--version");
  EXPECT_EQ(version.status, 0);
  const unsigned library = quorlin_version();
  const char* level = quorlin_isa(QUORLIN_ISA_BEST) == QUORLIN_ISA_AVX2   ? "AVX2"
                      : quorlin_isa(QUORLIN_ISA_BEST) == QUORLIN_ISA_SSE2 ? "SSE2"
                                                                          : "C";
  EXPECT_EQ(version.out, "quorlin 2.1.0\nlibquorlin " + std::to_string(library >> 16) + "." +
                             std::to_string(library & 0xFFFF) + "\ninstruction set level on this processor: " +
                             level + "\n");
  EXPECT_EQ(Shell("QUORLIN_ISA=c \"$Q\" --version").out.substr(version.out.find("instruction")),
            "instruction set level on this processor: C\n");
}

// Columns of the label band that hold ink, from the left of each half.
std::pair<int, int> LabelWidths(const Picture& compare, int32_t half) {
  std::pair<int, int> widths{0, 0};
  for (int32_t y = 0; y < LabelHeight(half); ++y) {
    for (int32_t x = 0; x < compare.width; ++x) {
      if (compare.pixels[(size_t(y) * compare.width + x) * 3] < 200) continue;
      int& width = x < half ? widths.first : widths.second;
      width = std::max(width, int(x < half ? x + 1 : x - half - 8 + 1));
    }
  }
  return widths;
}

TEST_F(QuorlinCommand, CompareLabelsNameTheHalvesAndTheChangedSettings) {
  ASSERT_EQ(Run("--compare plain.png").status, 0);
  ASSERT_EQ(Run("--compare tuned.png --radius 3 --no-luma-only").status, 0);
  const int32_t half = Load(QUORLIN_SAMPLE_PNG).width;
  const auto [original, sharpened] = LabelWidths(Load(dir_ / "plain.png"), half);
  const auto [original2, tuned] = LabelWidths(Load(dir_ / "tuned.png"), half);
  // A character takes six font pixels, the margin two: the width in
  // characters is the length of "original", "sharpened" and "sharpened:
  // radius 3, no-luma-only".
  const int glyph = 6 * (half / 300);
  EXPECT_EQ(original / glyph, 8);
  EXPECT_EQ(original2, original);
  EXPECT_EQ(sharpened / glyph, 9);
  EXPECT_EQ(tuned / glyph, 33);
}

// A 16-bit picture is shown at 8 bits rounded to nearest: samples just
// below a half step go down, those at or above it up.
TEST_F(QuorlinCommand, CompareShowsSixteenBitPicturesRounded) {
  Picture deep{16, 8, 3, false, std::vector<uint8_t>(16 * 8 * 6), 16};
  const uint16_t samples[] = {0x0080, 0x007F, 0x00FF, 0x8080, 0x807F, 0xFF7F, 0xFF80, 0xFFFF};
  for (int i = 0; i < 16 * 8 * 3; ++i) deep.Samples16()[i] = samples[i % 8];
  ASSERT_EQ(WritePng((dir_ / "deep.png").string(), deep), "");
  ASSERT_EQ(Run("--luma-strength 0 --compare compare.png deep.png out.png").status, 0);
  const Picture compare = Load(dir_ / "compare.png");
  // Row 4, below the outline of the crop, which the unchanged picture puts
  // at the top left.
  const size_t row = size_t(LabelHeight(16) + 4) * compare.width * 3;
  for (int i = 0; i < 16 * 3; ++i) {
    const int sample = samples[i % 8];
    EXPECT_EQ(compare.pixels[row + i], (sample * 255 + 32767) / 65535) << sample;
  }
}

}  // namespace

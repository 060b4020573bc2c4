// The quorlin command as a user meets it: runs of the built program in a
// scratch directory.
#include "quorlin/quorlin.h"
#include "tests/quorlin/command.h"

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
  EXPECT_EQ(run.err, "quorlin: wrote coffee.sharpened.png (" + size + " RGB, 8-bit) and side.png\n");
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
  const int32_t w = original.width, h = original.height;
  ASSERT_EQ(compare.width, 2 * w + 8);
  ASSERT_EQ(compare.height, h + 8 + h / 4 * 4);
  // Crops are a quarter of the picture high and placed in steps of an eighth,
  // so the row below the middle is never a crop's top or bottom: at most the
  // outline's sides cross it.
  const auto row = [](const Picture& p, int32_t x, int32_t y, int32_t n) {
    const auto at = p.pixels.begin() + (size_t(y) * p.width + x) * p.channels;
    return std::vector<uint8_t>(at, at + n * p.channels);
  };
  const int y = h / 2 + 1;
  const std::vector<uint8_t> left = row(compare, 0, y, w), right = row(compare, w + 8, y, w);
  int outline_pixels = 0;
  for (int32_t x = 0; x < w; ++x) {
    const bool same = std::equal(left.begin() + 3 * x, left.begin() + 3 * x + 3, row(original, x, y, 1).begin()) &&
                      std::equal(right.begin() + 3 * x, right.begin() + 3 * x + 3, row(sharpened, x, y, 1).begin());
    outline_pixels += !same;
  }
  EXPECT_LE(outline_pixels, 4) << "only the crop's outline may cover the pictures";
}

TEST_F(QuorlinCommand, HelpListsTheControlsWithRangesAndDefaults) {
  const Outcome run = Run("--help");
  EXPECT_EQ(run.status, 0);
  for (const char* line : {"ぼかし幅, 1..10, default 2", "明強度, 0..256, default 64",
                           "明閾値, 0..500, default 0", "インターレース処理, on/off, default off"}) {
    EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
  }
}

}  // namespace

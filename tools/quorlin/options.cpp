#include "tools/quorlin/options.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace {

// The control whose option is `name`, or -1.
int Find(std::string_view name) {
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
    if (name == quorlin_control(id)->option) return id;
  }
  return -1;
}

std::optional<int> ParseInt(std::string_view text) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || text.empty()) return std::nullopt;
  return value;
}

std::string SetNumber(std::string_view flag, std::string_view text, int low, int high, int& setting) {
  const std::optional<int> value = ParseInt(text);
  const std::string shown = std::string(flag) + " " + std::string(text);
  if (!value) return shown + ": not a whole number";
  if (*value < low || *value > high) {
    return shown + ": out of range " + std::to_string(low) + ".." + std::to_string(high);
  }
  setting = *value;
  return "";
}

// Options that say how the command runs rather than set a control. Returns
// nullopt for any other flag.
std::optional<std::string> ParseRunOption(std::string_view flag, std::optional<std::string_view> value,
                                          int argc, char** argv, int& i, Options& options) {
  const bool takes_value = flag == "--threads" || flag == "--compare" || flag == "--compare-frame" ||
                           flag == "--quality" || flag == "-o";
  const bool is_switch = flag == "--quiet" || flag == "--progress";
  if (!takes_value && !is_switch) return std::nullopt;
  if (is_switch) {
    if (value) return std::string(flag) + " takes no value";
    (flag == "--quiet" ? options.quiet : options.progress) = true;
    return "";
  }
  if (!value) {
    if (i + 1 >= argc) return std::string(flag) + " needs a value";
    value = argv[++i];
  }
  if (flag == "--compare" || flag == "-o") {
    if (value->empty()) return std::string(flag) + (flag == "-o" ? " needs a directory" : " needs a file name");
    (flag == "-o" ? options.output_dir : options.compare) = *value;
    return "";
  }
  if (flag == "--quality") {
    options.quality_given = true;
    return SetNumber(flag, *value, 1, 100, options.quality);
  }
  constexpr int kMaxThreads = 256;
  return flag == "--threads" ? SetNumber(flag, *value, 1, kMaxThreads, options.filter.threads)
                             : SetNumber(flag, *value, 1, INT32_MAX, options.compare_frame);
}

// One --option, with its value from "=VALUE" or the next argument.
std::string ParseOption(int argc, char** argv, int& i, Options& options) {
  std::string_view flag = argv[i];
  std::optional<std::string_view> value;
  if (const size_t eq = flag.find('='); eq != std::string_view::npos) {
    value = flag.substr(eq + 1);
    flag = flag.substr(0, eq);
  }
  if (auto problem = ParseRunOption(flag, value, argc, argv, i, options)) return *problem;
  const std::string_view name = flag.substr(2);
  int id = Find(name);
  const bool negated = id < 0 && name.starts_with("no-");
  if (negated) id = Find(name.substr(3));
  if (id < 0 || (negated && !quorlin_control(id)->is_switch)) return "unknown option " + std::string(flag);
  const QuorlinControl& control = *quorlin_control(id);
  int& setting = *quorlin_setting(&options.filter, id);
  if (control.is_switch) {
    if (value) return std::string(flag) + " takes no value";
    setting = negated ? 0 : 1;
    options.interlace_given |= id == QUORLIN_INTERLACE;
    return "";
  }
  if (!value) {
    if (i + 1 >= argc) return std::string(flag) + " needs a value";
    value = argv[++i];
  }
  return SetNumber(flag, *value, control.minimum, control.maximum, setting);
}

constexpr char kUsage[] = R"(Usage: quorlin [options] [INPUT [OUTPUT]]
  or:  quorlin [options] INPUT... -o DIR

Sharpens INPUT with the Quorlin filter, as the editor sharpens a video frame,
and writes the result to OUTPUT: a PNG or JPEG picture to a PNG or JPEG file,
as OUTPUT's extension says (.png, .jpg, .jpeg), a YUV4MPEG2 (Y4M) stream frame
by frame to a stream of the same format. "-" stands for standard input or
output.
  without INPUT   the built-in sample photograph coffee.png (600x400) is
                  sharpened and written to coffee.sharpened.png in the
                  current directory
  without OUTPUT  the result goes beside INPUT in INPUT's format, named like
                  it with the extension .sharpened.png, .sharpened.jpg or
                  .sharpened.y4m; from standard input it goes to standard
                  output
  -o DIR          each INPUT goes into DIR (made if missing) with its name
                  and format; needed with more than one INPUT. A file that
                  cannot be read is named and skipped, and the exit status
                  is 1

Options, each with the editor's control it sets, its range and default:
)";

constexpr char kNotes[] = R"(
How it runs:
  --threads N           worker threads for the filter, 1..256 (default: one
                        per processor)
  --progress            show the progress line and what was written even
                        when stderr is not a terminal
  --quiet               no progress line, no summary, nothing said of what
                        was written
  --quality N           JPEG quality of a JPEG written, 1..100 (default 95)
  --compare FILE.png    also write a picture of the original beside the
                        sharpened one, over an enlarged crop of each, each
                        labelled
  --compare-frame N     the frame of a Y4M stream it shows, from 1 (default 1)
  -h, --help            show this help
  --version             show the versions of quorlin and of its library, and
                        the instruction set level this processor gets

PNG: gray pictures stay gray, palette pictures are written as RGB, alpha
passes through unchanged, and 16-bit pictures stay 16-bit. Colours go to the
editor's YC samples and back with the BT.601 coefficients. The colour
profile, sRGB, gAMA, cHRM, pHYs, text and Exif chunks are kept.
JPEG: the picture's own YCbCr planes (full range) are sharpened, with no
conversion to RGB; 4:4:4, 4:2:2, 4:2:0 and grey stay as they are (4:4:0,
4:1:1 and CMYK are refused). Exif, XMP, the ICC profile and comments are
kept; Exif orientation is kept as it is, the pixels are not turned.
From JPEG to PNG or back, the colour profile and Exif go across and the rest
is left out (--progress names it); a PNG becomes a 4:4:4 JPEG, without
alpha.
Y4M: 4:4:4 at 8 to 16 bits (C444, C444p10, C444p16, ...), 4:2:2 (C422,
C422p10, ...), 4:2:0 (C420jpeg, C420mpeg2, C420paldv, C420, C420p10, ...) and
grey (Cmono, Cmono10, ...: luma alone), limited range, or full range when
the header says XCOLORRANGE=FULL. The output keeps the input's header.
--interlace defaults to on when the header says It or Ib.
4:2:2 and 4:2:0 chroma is filtered at full size and averaged back; with
--luma-only it passes through untouched.
Exit status: 0 written, 1 the input could not be read, filtered or written,
2 bad command line.
)";

}  // namespace

std::string ParseArgs(int argc, char** argv, Options& options) {
  quorlin_default_settings(&options.filter, QUORLIN_API_VERSION);
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (options_ended || arg.size() < 2 || arg[0] != '-') {
      options.files.emplace_back(arg);
    } else if (arg == "--") {
      options_ended = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "-o") {
      if (std::string problem = *ParseRunOption(arg, std::nullopt, argc, argv, i, options); !problem.empty()) {
        return problem;
      }
    } else if (!arg.starts_with("--")) {
      return "unknown option " + std::string(arg);
    } else if (std::string problem = ParseOption(argc, argv, i, options); !problem.empty()) {
      return problem;
    }
  }
  if (!options.output_dir.empty()) {
    if (options.files.empty()) return "-o " + options.output_dir + ": no INPUT given";
    if (std::find(options.files.begin(), options.files.end(), "-") != options.files.end()) {
      return "- (standard input) takes one file alone, not -o DIR";
    }
    if (!options.compare.empty() && options.files.size() > 1) return "--compare takes one INPUT, not several";
    return "";
  }
  if (options.files.size() > 2) return "more than one INPUT needs -o DIR (from " + options.files[2] + ")";
  return "";
}

namespace {

// Prints the text in lines of at most 79 columns, each indented by `indent`.
void PrintWrapped(FILE* out, std::string_view text, int indent) {
  constexpr size_t kColumns = 79;
  const size_t width = kColumns - size_t(indent);
  while (!text.empty()) {
    size_t cut = text.size() <= width ? text.size() : text.rfind(' ', width);
    if (cut == std::string_view::npos || cut == 0) cut = std::min(text.find(' '), text.size());
    std::fprintf(out, "%*s%.*s\n", indent, "", int(cut), text.data());
    text.remove_prefix(std::min(cut + 1, text.size()));
  }
}

}  // namespace

void PrintHelp(FILE* out) {
  std::fputs(kUsage, out);
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
    const QuorlinControl& c = *quorlin_control(id);
    const std::string flag = c.is_switch ? std::string("--[no-]") + c.option : std::string("--") + c.option + " N";
    const std::string range = c.is_switch ? "on/off" : std::to_string(c.minimum) + ".." + std::to_string(c.maximum);
    const std::string fallback = c.is_switch ? (c.default_value ? "on" : "off") : std::to_string(c.default_value);
    std::fprintf(out, "  %-21s %s, %s, default %s\n", flag.c_str(), c.editor_name, range.c_str(), fallback.c_str());
    PrintWrapped(out, c.description, 24);
  }
  std::fputs(kNotes, out);
}

std::string ChangedControls(const QuorlinSettings& controls) {
  QuorlinSettings defaults;
  quorlin_default_settings(&defaults, QUORLIN_API_VERSION);
  std::string changed;
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
    const int value = *quorlin_setting(const_cast<QuorlinSettings*>(&controls), id);
    if (value == *quorlin_setting(&defaults, id)) continue;
    const QuorlinControl& c = *quorlin_control(id);
    if (!changed.empty()) changed += ", ";
    changed += c.is_switch ? (value ? "" : "no-") + std::string(c.option)
                           : std::string(c.option) + " " + std::to_string(value);
  }
  return changed;
}

#include "tools/quorlin/options.h"

#include <iconv.h>

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace {

enum class Control { kTrack, kCheck };

// A track option takes a number; a check option is a switch, --NAME or --no-NAME.
struct Option {
  const char* name;
  Control control;
  int index;  // into the host's track or check array
  const char* meaning;
};

constexpr Option kOptions[] = {
    {"radius", Control::kTrack, kTrackRadius, "blur radius, in pixels"},
    {"luma-strength", Control::kTrack, kTrackLumaStrength,
     "adds N/256 of each luma sample's difference from the blur"},
    {"luma-threshold", Control::kTrack, kTrackLumaThreshold,
     "luma differences of 2N or less (white is 4096) stay as they are"},
    {"luma-limit", Control::kTrack, kTrackLumaLimit,
     "with --limit: luma may leave its 3x3 neighbourhood's range by 16N (narrower when negative)"},
    {"chroma-strength", Control::kTrack, kTrackChromaStrength,
     "with --no-luma-only: adds N/256 of each Cb and Cr sample's difference from the blur"},
    {"chroma-threshold", Control::kTrack, kTrackChromaThreshold,
     "with --no-luma-only: chroma differences of 2N or less stay as they are"},
    {"chroma-limit", Control::kTrack, kTrackChromaLimit,
     "with --limit and --no-luma-only: chroma may leave its 3x3 range by 16N"},
    {"interlace", Control::kCheck, kCheckInterlace, "blur and bound the two fields of the picture separately"},
    {"luma-only", Control::kCheck, kCheckLumaOnly, "sharpen luma only; --no-luma-only sharpens Cb and Cr too"},
    {"limit", Control::kCheck, kCheckLimit, "hold every sharpened sample inside its widened 3x3 range"},
};

const Option* Find(std::string_view name) {
  for (const Option& option : kOptions) {
    if (name == option.name) return &option;
  }
  return nullptr;
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
                                          int argc, char** argv, int& i, Settings& settings) {
  const bool takes_value = flag == "--threads" || flag == "--compare" || flag == "--compare-frame";
  const bool is_switch = flag == "--quiet" || flag == "--progress";
  if (!takes_value && !is_switch) return std::nullopt;
  if (is_switch) {
    if (value) return std::string(flag) + " takes no value";
    (flag == "--quiet" ? settings.quiet : settings.progress) = true;
    return "";
  }
  if (!value) {
    if (i + 1 >= argc) return std::string(flag) + " needs a value";
    value = argv[++i];
  }
  if (flag == "--compare") {
    if (value->empty()) return std::string(flag) + " needs a file name";
    settings.compare = *value;
    return "";
  }
  constexpr int kMaxThreads = 256;
  return flag == "--threads" ? SetNumber(flag, *value, 1, kMaxThreads, settings.threads)
                             : SetNumber(flag, *value, 1, INT32_MAX, settings.compare_frame);
}

// One --option, with its value from "=VALUE" or the next argument.
std::string ParseOption(int argc, char** argv, int& i, const FILTER_DLL& table, Settings& settings) {
  std::string_view flag = argv[i];
  std::optional<std::string_view> value;
  if (const size_t eq = flag.find('='); eq != std::string_view::npos) {
    value = flag.substr(eq + 1);
    flag = flag.substr(0, eq);
  }
  if (auto problem = ParseRunOption(flag, value, argc, argv, i, settings)) return *problem;
  const std::string_view name = flag.substr(2);
  const Option* option = Find(name);
  const bool negated = !option && name.starts_with("no-");
  if (negated) option = Find(name.substr(3));
  if (!option || (negated && option->control != Control::kCheck)) {
    return "unknown option " + std::string(flag);
  }
  if (option->control == Control::kCheck) {
    if (value) return std::string(flag) + " takes no value";
    settings.check[option->index] = negated ? 0 : 1;
    settings.interlace_given |= option->index == kCheckInterlace;
    return "";
  }
  if (!value) {
    if (i + 1 >= argc) return std::string(flag) + " needs a value";
    value = argv[++i];
  }
  return SetNumber(flag, *value, table.track_s[option->index], table.track_e[option->index],
                   settings.track[option->index]);
}

// The host reads control names as code page 932; the terminal wants UTF-8.
std::string ToUtf8(const char* cp932) {
  iconv_t convert = iconv_open("UTF-8", "CP932");
  if (convert == reinterpret_cast<iconv_t>(-1)) return cp932;
  std::string in(cp932), out(in.size() * 3, '\0');
  char* from = in.data();
  char* to = out.data();
  size_t in_left = in.size(), out_left = out.size();
  const bool ok = iconv(convert, &from, &in_left, &to, &out_left) != static_cast<size_t>(-1);
  iconv_close(convert);
  if (!ok) return cp932;
  out.resize(out.size() - out_left);
  return out;
}

constexpr char kUsage[] = R"(Usage: quorlin [options] [INPUT [OUTPUT]]

Sharpens INPUT with the Quorlin filter, as the editor sharpens a video frame,
and writes the result to OUTPUT: a PNG picture to a PNG file, a YUV4MPEG2
(Y4M) stream frame by frame to a stream of the same format. "-" stands for
standard input or output.
  without INPUT   the built-in sample photograph coffee.png (600x400) is
                  sharpened and written to coffee.sharpened.png in the
                  current directory
  without OUTPUT  the result goes beside INPUT, named like it with the
                  extension .sharpened.png or .sharpened.y4m; from standard
                  input it goes to standard output

Options, each with the editor's control it sets, its range and default:
)";

constexpr char kNotes[] = R"(
How it runs:
  --threads N           worker threads for the filter, 1..256 (default: one
                        per processor)
  --progress            show the progress line even when stderr is not a
                        terminal
  --quiet               no progress line and no summary
  --compare FILE.png    also write a picture of the original beside the
                        sharpened one, over an enlarged crop of each
  --compare-frame N     the frame of a Y4M stream it shows, from 1 (default 1)
  -h, --help            show this help

PNG: gray pictures stay gray, palette pictures are written as RGB, alpha
passes through unchanged, and 16-bit pictures are rounded to 8 bits. Colours
go to the editor's YC samples and back with the BT.601 coefficients.
Y4M: 4:4:4 at 8 to 16 bits (C444, C444p10, C444p16, ...) and 4:2:0 (C420jpeg,
C420mpeg2, C420paldv, C420, C420p10, ...), limited range. The output keeps
the input's header. --interlace defaults to on when the header says It or Ib.
4:2:0 chroma is filtered at full size and averaged back; with --luma-only it
passes through untouched.
Exit status: 0 written, 1 the input could not be read, filtered or written,
2 bad command line.
)";

}  // namespace

std::string ParseArgs(int argc, char** argv, const FILTER_DLL& table, Settings& settings) {
  settings.track.assign(table.track_default, table.track_default + table.track_n);
  settings.check.assign(table.check_default, table.check_default + table.check_n);
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (options_ended || arg.size() < 2 || arg[0] != '-') {
      settings.files.emplace_back(arg);
    } else if (arg == "--") {
      options_ended = true;
    } else if (arg == "-h" || arg == "--help") {
      settings.help = true;
    } else if (!arg.starts_with("--")) {
      return "unknown option " + std::string(arg);
    } else if (std::string problem = ParseOption(argc, argv, i, table, settings); !problem.empty()) {
      return problem;
    }
  }
  if (settings.files.size() > 2) return "too many file names, from " + settings.files[2];
  return "";
}

void PrintHelp(FILE* out, const FILTER_DLL& table) {
  std::fputs(kUsage, out);
  for (const Option& option : kOptions) {
    const bool track = option.control == Control::kTrack;
    const int i = option.index;
    const std::string flag = track ? std::string("--") + option.name + " N" : std::string("--[no-]") + option.name;
    const std::string range = track ? std::to_string(table.track_s[i]) + ".." + std::to_string(table.track_e[i]) : "on/off";
    const std::string fallback = track ? std::to_string(table.track_default[i]) : table.check_default[i] ? "on" : "off";
    const std::string name = ToUtf8(track ? table.track_name[i] : table.check_name[i]);
    std::fprintf(out, "  %-21s %s, %s, default %s\n  %-21s %s\n", flag.c_str(), name.c_str(),
                 range.c_str(), fallback.c_str(), "", option.meaning);
  }
  std::fputs(kNotes, out);
}

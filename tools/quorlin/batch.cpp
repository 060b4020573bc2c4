#include "tools/quorlin/batch.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include "tools/quorlin/progress.h"
#include "tools/quorlin/run.h"
#include "tools/quorlin/stream.h"

namespace {

namespace fs = std::filesystem;

void Say(Progress& progress, const std::string& line) {
  ClearProgress(progress);
  std::fprintf(stderr, "quorlin: %s\n", line.c_str());
}

// Why the batch cannot run, or "".
std::string Refusal(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs) {
  std::set<std::string> names;
  for (size_t i = 0; i < inputs.size(); ++i) {
    if (fs::path(inputs[i]).filename().empty()) return inputs[i] + ": names no file";
    if (!names.insert(outputs[i]).second) return outputs[i] + ": two inputs would be written to it";
    for (const std::string& input : inputs) {
      std::error_code error;
      if (fs::equivalent(outputs[i], input, error)) return outputs[i] + ": would be written over the input " + input;
    }
  }
  return "";
}

// The exit status; every problem is said as one line.
int SharpenOne(QuorlinFilter* filter, const std::string& input, const std::string& output, const Options& options,
               Progress& progress) {
  FILE* in = OpenInput(input);
  if (!in) {
    Say(progress, input + ": cannot open: " + std::strerror(errno));
    return 1;
  }
  std::setvbuf(in, nullptr, _IOFBF, 1 << 20);
  int status = 0;
  if (IsStream(in)) {
    Options quiet = options;
    quiet.quiet = true;
    ClearProgress(progress);
    status = SharpenStream(filter, in, input, output, quiet);
  } else {
    std::vector<uint8_t> bytes;
    PictureResult result = Failed(ReadAll(in, bytes));
    if (result.problem.empty()) {
      const PhotoFormat format = IsJpeg(bytes) ? PhotoFormat::kJpeg : PhotoFormat::kPng;
      result = SharpenPictureFile(filter, bytes, input, output, format, options);
    } else {
      result.problem = input + ": " + result.problem;
    }
    if (!result.problem.empty()) Say(progress, result.problem);
    if (!result.dropped.empty() && options.progress && !options.quiet) Say(progress, result.dropped);
    status = result.problem.empty() ? 0 : 1;
  }
  std::fclose(in);
  return status;
}

}  // namespace

int SharpenBatch(QuorlinFilter* filter, const Options& options) {
  const std::vector<std::string>& inputs = options.files;
  std::vector<std::string> outputs;
  for (const std::string& input : inputs) {
    outputs.push_back((fs::path(options.output_dir) / fs::path(input).filename()).string());
  }
  if (std::string refusal = Refusal(inputs, outputs); !refusal.empty()) {
    std::fprintf(stderr, "quorlin: %s; nothing written\n", refusal.c_str());
    return 2;
  }
  std::error_code error;
  fs::create_directories(options.output_dir, error);
  if (error) {
    std::fprintf(stderr, "quorlin: %s: cannot make the directory: %s\n", options.output_dir.c_str(),
                 error.message().c_str());
    return 1;
  }
  const bool live = (options.progress || isatty(fileno(stderr))) && !options.quiet;
  Progress progress = StartProgress(stderr, live, options.quiet, int64_t(inputs.size()), "");
  int failed = 0;
  for (size_t i = 0; i < inputs.size(); ++i) {
    ShowLine(progress, "quorlin: " + std::to_string(i) + " of " + std::to_string(inputs.size()) + " files done, now " +
                           inputs[i]);
    failed += SharpenOne(filter, inputs[i], outputs[i], options, progress) != 0;
  }
  ClearProgress(progress);
  if (live) {
    std::fprintf(stderr, "quorlin: %zu of %zu files sharpened into %s\n", inputs.size() - failed, inputs.size(),
                 options.output_dir.c_str());
  }
  return failed ? 1 : 0;
}

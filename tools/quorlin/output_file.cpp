#include "tools/quorlin/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

std::string ErrnoText() { return std::string("cannot write: ") + std::strerror(errno); }

// mkstemp makes the file private: give it the permissions that any new file
// of the user's would get.
mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

std::string OpenOutput(const std::string& path, OutputFile& out) {
  out = OutputFile{nullptr, path, ""};
  if (path == "-") {
    out.file = stdout;
    return "";
  }
  const std::filesystem::path target(path);
  const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : ".";
  std::string temp = (dir / ".quorlin-XXXXXX").string();
  const int fd = mkstemp(temp.data());
  if (fd < 0) return ErrnoText();
  out.file = fchmod(fd, NewFileMode()) == 0 ? fdopen(fd, "wb") : nullptr;
  if (!out.file) {
    const std::string problem = ErrnoText();
    close(fd);
    std::remove(temp.c_str());
    return problem;
  }
  out.temp = temp;
  return "";
}

std::string FinishOutput(OutputFile& out) {
  if (out.temp.empty()) {
    // Standard output stays open; nothing else is left to take back.
    return std::fflush(out.file) == 0 && !std::ferror(out.file) ? "" : ErrnoText();
  }
  std::string problem = std::ferror(out.file) ? "cannot write" : "";
  if (std::fclose(out.file) != 0 && problem.empty()) problem = ErrnoText();
  out.file = nullptr;
  if (problem.empty() && std::rename(out.temp.c_str(), out.path.c_str()) != 0) problem = ErrnoText();
  if (!problem.empty()) std::remove(out.temp.c_str());
  out.temp.clear();
  return problem;
}

void AbandonOutput(OutputFile& out) {
  if (out.temp.empty()) return;
  if (out.file) std::fclose(out.file);
  out.file = nullptr;
  std::remove(out.temp.c_str());
}

std::string WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes) {
  OutputFile out;
  if (std::string problem = OpenOutput(path, out); !problem.empty()) return problem;
  if (std::fwrite(bytes.data(), 1, bytes.size(), out.file) != bytes.size()) {
    const std::string problem = ErrnoText();
    AbandonOutput(out);
    return problem;
  }
  return FinishOutput(out);
}

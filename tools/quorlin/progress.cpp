#include "tools/quorlin/progress.h"

#include <algorithm>
#include <cmath>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kRedrawEvery = std::chrono::milliseconds(250);

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::string Format(const char* pattern, auto... values) {
  char text[160];
  std::snprintf(text, sizeof text, pattern, values...);
  return text;
}

std::string Duration(double seconds) {
  const auto s = int64_t(std::lround(seconds));
  const auto h = (long long)(s / 3600), m = (long long)(s / 60 % 60), sec = (long long)(s % 60);
  return h > 0 ? Format("%lld:%02lld:%02lld", h, m, sec) : Format("%lld:%02lld", m, sec);
}

void Redraw(Progress& progress, const std::string& line) {
  const int blank = int(progress.width > line.size() ? progress.width - line.size() : 0);
  std::fprintf(progress.out, "\r%s%*s", line.c_str(), blank, "");
  progress.width = line.size();
}

// Frames done and the rate, and with a known total the percentage and the
// time left.
std::string ProgressLine(int64_t done, int64_t total, double seconds) {
  const double fps = seconds > 0 ? done / seconds : 0;
  std::string line = Format("frame %lld", (long long)done);
  if (total > 0) line += Format(" of %lld (%d%%)", (long long)total, int(100 * std::min(done, total) / total));
  line += Format(", %.1f fps", fps);
  if (total > 0 && fps > 0 && done < total) line += ", " + Duration((total - done) / fps) + " left";
  return line;
}

}  // namespace

Progress StartProgress(FILE* out, bool live, bool quiet, int64_t total, std::string what) {
  const auto now = Clock::now();
  return Progress{out, live && !quiet, quiet, total, std::move(what), now, now - kRedrawEvery, 0};
}

void ShowProgress(Progress& progress, int64_t done) {
  if (!progress.live || Clock::now() - progress.shown < kRedrawEvery) return;
  progress.shown = Clock::now();
  Redraw(progress, "quorlin: " + ProgressLine(done, progress.total, Seconds(progress.start)));
  std::fflush(progress.out);
}

void EndProgress(Progress& progress, int64_t done, const std::string& output) {
  if (progress.quiet) return;
  const double seconds = Seconds(progress.start);
  const std::string summary = Format("%lld frames of %s in %.1f s, %.1f fps", (long long)done,
                                     progress.what.c_str(), seconds, seconds > 0 ? done / seconds : 0.0);
  if (progress.live) {
    Redraw(progress, "quorlin: wrote " + output + ": " + summary);
    std::fputc('\n', progress.out);
  } else {
    std::fprintf(progress.out, "quorlin: %s\n", summary.c_str());
  }
}

void ShowLine(Progress& progress, const std::string& line) {
  if (!progress.live) return;
  Redraw(progress, line);
  std::fflush(progress.out);
}

void ClearProgress(Progress& progress) {
  if (!progress.live || progress.width == 0) return;
  Redraw(progress, "");
  std::fputc('\r', progress.out);
  progress.width = 0;
}

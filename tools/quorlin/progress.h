// The progress line on stderr while a stream runs, and the summary line at
// its end.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

struct Progress {
  FILE* out = stderr;
  bool live = false;   // redraw a line as frames go by
  bool quiet = false;  // not even the summary
  int64_t total = 0;   // frames expected; 0 when unknown (a pipe)
  std::string what;    // the stream, as the summary describes it
  std::chrono::steady_clock::time_point start, shown;
  size_t width = 0;  // of the line on screen, to blank it out
};

Progress StartProgress(FILE* out, bool live, bool quiet, int64_t total, std::string what);
// Redraws the line after a frame, at most a few times a second.
void ShowProgress(Progress& progress, int64_t done);
// Replaces the line with the summary; on a live line it names what was
// written (`output`).
void EndProgress(Progress& progress, int64_t done, const std::string& output);
// Redraws the line with this text now, on a live line.
void ShowLine(Progress& progress, const std::string& line);
// Clears the line, so that an error message starts on a clean one.
void ClearProgress(Progress& progress);

// Outputs that appear whole or not at all: a file is written under a
// temporary name in its own directory and renamed into place only when
// complete; "-" is standard output, which can't be taken back.
#pragma once

#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

struct OutputFile {
  FILE* file = nullptr;
  std::string path;  // as the user named it
  std::string temp;  // empty for standard output
};

// Returns "" or the problem, in a few words.
std::string OpenOutput(const std::string& path, OutputFile& out);
// Flushes and closes the output and renames it into place. On failure the
// temporary file is removed. Returns "" or the problem.
std::string FinishOutput(OutputFile& out);
// Closes the output and removes the temporary file.
void AbandonOutput(OutputFile& out);

// Writes the bytes whole through OpenOutput and FinishOutput.
std::string WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes);

// Runs of the built quorlin command in a scratch directory, as a user meets it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/quorlin/png_io.h"

namespace fs = std::filesystem;

struct Outcome {
  int status;
  std::string out, err;
};

inline std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void Spill(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline Picture Load(const fs::path& path) {
  Picture picture;
  FILE* in = std::fopen(path.c_str(), "rb");
  EXPECT_NE(in, nullptr) << path;
  if (!in) return picture;
  EXPECT_EQ(ReadPng(in, picture), "") << path;
  std::fclose(in);
  return picture;
}

class QuorlinCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = (fs::temp_directory_path() / "quorlin-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    dir_ = name;
  }
  void TearDown() override {
    fs::remove_all(dir_);
    fs::remove(Captured("out"));
    fs::remove(Captured("err"));
  }

  // Output is captured beside the scratch directory, so that the directory
  // holds only what quorlin leaves there.
  fs::path Captured(const char* stream) const { return dir_.string() + "." + stream; }

  // Runs a shell command line in the scratch directory; $Q is quorlin.
  Outcome Shell(const std::string& line) const {
    const std::string command = "cd '" + dir_.string() + "' && Q='" QUORLIN_EXE "' && { " + line + "; } >'" +
                                Captured("out").string() + "' 2>'" + Captured("err").string() + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(Captured("out")), Slurp(Captured("err"))};
  }

  Outcome Run(const std::string& args) const { return Shell("\"$Q\" " + args); }

  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;
};

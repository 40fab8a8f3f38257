// Runs the lpctool binary in a scratch folder of its own per test.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/bitmap.h"
#include "base/fileio.h"
#include "imaging/picture.h"

namespace lpc {

struct RunResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

class Lpctool : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // The process id keeps two runs of the suite on one machine (two checkouts) apart.
    dir_ = std::filesystem::path(::testing::TempDir()) /
           (std::string("lpctool_") + info->name() + "_" + std::to_string(getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string P(const std::string& name) const { return (dir_ / name).string(); }

  static std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
      if (c == '\'') {
        q += "'\\''";
      } else {
        q += c;
      }
    }
    q += '\'';
    return q;
  }

  RunResult Run(const std::vector<std::string>& args) const {
    std::string cmd = Quote(LPCTOOL_PATH);
    for (const auto& a : args) cmd += " " + Quote(a);
    cmd += " 2>" + Quote(P("stderr.txt"));
    RunResult r;
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
    const int status = pclose(pipe);
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = ReadFileBytes(P("stderr.txt"));
    return r;
  }

  // A 40 x 30 picture and a mask with known region areas.
  void MakePictures() {
    Bitmap picture(40, 30);
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) picture.At(x, y) = MakeColor(x * 6, y * 8, 90);
    }
    SavePicture(P("picture.png"), picture);
    Bitmap mask(40, 30, 0x808080);  // not a region colour: region 0
    for (int y = 15; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) mask.At(x, y) = 0x0000FF;  // region 1: 600 pixels
    }
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 7; ++x) mask.At(x, y) = 0xFFFF00;  // region 4: 35 pixels
    }
    mask.At(39, 0) = 0xFF00FF;  // region 2: 1 pixel
    SavePicture(P("mask.png"), mask);
    SavePicture(P("wrong.png"), Bitmap(41, 30));
  }

  std::filesystem::path dir_;
};

}  // namespace lpc

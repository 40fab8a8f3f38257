// A fresh folder per test, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "base/fileio.h"

namespace lpc::testing_support {

class TempDir {
 public:
  explicit TempDir(std::string_view tag = "") {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name() + std::string(tag);
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    path_ = std::filesystem::path(::testing::TempDir()) / ("lpcpkg_" + name);
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string operator/(std::string_view name) const { return (path_ / name).string(); }
  std::string Write(std::string_view name, std::string_view bytes) const {
    const std::string p = *this / name;
    WriteFileBytes(p, bytes);
    return p;
  }
  std::string path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace lpc::testing_support

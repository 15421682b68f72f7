#pragma once
// A directory under the build tree that lives for one test.
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace tallyvane::testing {

class TempDir {
 public:
  TempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name) {
      if (c == '/')
        c = '_';
    }
    path_ = std::filesystem::path(TALLYVANE_BINARY_DIR) / "test-tmp" / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The path of `name` in the directory, as text.
  std::string file(const std::string& name) const { return (path_ / name).string(); }

  // Writes `text` to the file at `relative`, creating its directories.
  std::filesystem::path write(const std::string& relative, const std::string& text) const {
    const auto file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
    return file;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace tallyvane::testing

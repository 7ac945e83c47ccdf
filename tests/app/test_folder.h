#pragma once
// A fresh folder for a program-shell test, removed afterwards.
#include <filesystem>
#include <random>
#include <string>

namespace app_tests {

class TestFolder {
public:
  TestFolder() {
    std::random_device rd;
    mPath = std::filesystem::temp_directory_path() / ("ruvex-app-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(mPath);
  }
  ~TestFolder() {
    std::error_code ec;
    std::filesystem::remove_all(mPath, ec);
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  // UTF-8 path, "/" as separator (accepted by both platforms).
  std::string Path() const {
    const auto u8 = mPath.generic_u8string();
    return std::string(u8.begin(), u8.end());
  }
  std::string File(const std::string& name) const { return Path() + "/" + name; }

private:
  std::filesystem::path mPath;
};

}  // namespace app_tests

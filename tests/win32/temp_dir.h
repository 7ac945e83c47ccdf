#pragma once
// A fresh folder under the system temp folder for one test, removed with everything in it afterwards.
#include <filesystem>
#include <random>
#include <string>

namespace win32_tests {

class TempDir {
public:
  TempDir() {
    std::random_device rd;
    mPath = std::filesystem::temp_directory_path() / ("ruvex-win32-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(mPath);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(mPath, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // UTF-8 path of a file in the folder, with Windows separators.
  std::string File(const std::string& name) const { return Path() + "\\" + name; }
  std::string Path() const { return Utf8(mPath); }
  int Entries() const {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(mPath)) ++n;
    return n;
  }

private:
  static std::string Utf8(const std::filesystem::path& p) {
    auto u8 = p.u8string();
    return std::string(u8.begin(), u8.end());
  }
  std::filesystem::path mPath;
};

}  // namespace win32_tests

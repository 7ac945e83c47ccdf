#pragma once
// A fresh folder under the system temp folder, removed with everything in it afterwards.
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace testutil {

class TempDir {
public:
  TempDir() {
    std::random_device rd;
    mPath = std::filesystem::temp_directory_path() / ("ruvex-support-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(mPath);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(mPath, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string File(const std::string& name) const { return (mPath / name).string(); }

  static void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

private:
  std::filesystem::path mPath;
};

}  // namespace testutil

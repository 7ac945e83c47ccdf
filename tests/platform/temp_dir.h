#pragma once
// A fresh directory under /tmp for one test, removed with everything in it afterwards.
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace platform_tests {

class TempDir {
public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ruvex-platform-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    mPath = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(mPath, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string File(const std::string& name) const { return mPath + "/" + name; }
  const std::string& Path() const { return mPath; }

private:
  std::string mPath;
};

}  // namespace platform_tests

#pragma once
// Portable helpers for the program-shell tests: a fresh folder removed afterwards, and an
// environment variable set for the lifetime of a test.
#include <stdlib.h>

#include <filesystem>
#include <optional>
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

class ScopedEnv {
public:
  ScopedEnv(std::string name, const std::string& value) : mName(std::move(name)) {
    if (const char* old = std::getenv(mName.c_str())) mOld = old;
    Set(value);
  }
  ~ScopedEnv() {
    if (mOld) {
      Set(*mOld);
    } else {
#ifdef _WIN32
      ::_putenv_s(mName.c_str(), "");
#else
      ::unsetenv(mName.c_str());
#endif
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
  void Set(const std::string& value) {
#ifdef _WIN32
    ::_putenv_s(mName.c_str(), value.c_str());
#else
    ::setenv(mName.c_str(), value.c_str(), 1);
#endif
  }
  std::string mName;
  std::optional<std::string> mOld;
};

}  // namespace app_tests

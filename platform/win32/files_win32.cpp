#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <string>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

// How long an append waits for another writer to let go of the file before giving up.
constexpr int kAppendLockWaitMs = 500;
constexpr int kAppendLockPollMs = 10;

class THandle {
public:
  explicit THandle(HANDLE h) : mHandle(h) {}
  ~THandle() {
    if (mHandle != INVALID_HANDLE_VALUE) CloseHandle(mHandle);
  }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  HANDLE Get() const { return mHandle; }
  bool Valid() const { return mHandle != INVALID_HANDLE_VALUE; }

private:
  HANDLE mHandle;
};

void WriteAll(HANDLE h, const std::string& bytes, const std::string& path) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
    if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr))
      throw std::runtime_error(win32::LastErrorMessage("Cannot write file \"" + path + "\""));
    done += written;
  }
}

// Unique per process and call, so that two runs replacing one file never share a temporary.
std::string TempNameFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".tmp" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(counter++);
}

}  // namespace

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesW(win32::Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadAllBytes(const std::string& path) {
  THandle h(CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) throw std::runtime_error(win32::LastErrorMessage("Cannot open file \"" + path + "\""));
  std::string bytes;
  char buffer[65536];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(h.Get(), buffer, sizeof buffer, &n, nullptr))
      throw std::runtime_error(win32::LastErrorMessage("Cannot read file \"" + path + "\""));
    if (n == 0) return bytes;
    bytes.append(buffer, n);
  }
}

void WriteAllBytes(const std::string& path, const std::string& bytes) {
  THandle h(CreateFileW(win32::Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) throw std::runtime_error(win32::LastErrorMessage("Cannot create file \"" + path + "\""));
  WriteAll(h.Get(), bytes, path);
}

void ReplaceFileAtomically(const std::string& path, const std::string& bytes) {
  const std::string temp = TempNameFor(path);
  const std::wstring wideTemp = win32::Widen(temp);
  try {
    {
      THandle h(CreateFileW(wideTemp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!h.Valid()) throw std::runtime_error(win32::LastErrorMessage("Cannot create file \"" + temp + "\""));
      WriteAll(h.Get(), bytes, temp);
      if (!FlushFileBuffers(h.Get()))
        throw std::runtime_error(win32::LastErrorMessage("Cannot write file \"" + temp + "\""));
    }
    if (!MoveFileExW(wideTemp.c_str(), win32::Widen(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      throw std::runtime_error(win32::LastErrorMessage("Cannot replace file \"" + path + "\""));
  } catch (...) {
    DeleteFileW(wideTemp.c_str());
    throw;
  }
}

void AppendExclusive(const std::string& path, const std::string& bytes) {
  // The share mode denies other writers while the entry is written; a second writer waits a
  // little, then reports a sharing error instead of interleaving its entry with the first one's.
  const std::wstring wide = win32::Widen(path);
  const std::int64_t deadline = SystemClock().MonotonicMs() + kAppendLockWaitMs;
  for (;;) {
    THandle h(CreateFileW(wide.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr));
    if (h.Valid()) {
      WriteAll(h.Get(), bytes, path);
      return;
    }
    const DWORD code = GetLastError();
    if (code != ERROR_SHARING_VIOLATION && code != ERROR_LOCK_VIOLATION)
      throw std::runtime_error(win32::LastErrorMessage("Cannot open file \"" + path + "\"", code));
    if (SystemClock().MonotonicMs() >= deadline)
      throw std::runtime_error("Cannot write file \"" + path + "\": the file is being written by another process");
    SystemSleeper().SleepMs(kAppendLockPollMs);
  }
}

std::string DirectoryOf(const std::string& path) {
  auto pos = path.find_last_of("\\/");
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

}  // namespace platform

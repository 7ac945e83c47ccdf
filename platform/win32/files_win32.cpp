#include <stdexcept>

#include "platform/files.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

class Handle {
public:
  explicit Handle(HANDLE h) : mHandle(h) {}
  ~Handle() {
    if (mHandle != INVALID_HANDLE_VALUE) CloseHandle(mHandle);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
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

}  // namespace

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesW(win32::Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadAllBytes(const std::string& path) {
  Handle h(CreateFileW(win32::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) throw std::runtime_error(win32::LastErrorMessage("Cannot open file \"" + path + "\""));
  std::string bytes;
  char buffer[65536];
  DWORD n = 0;
  while (ReadFile(h.Get(), buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
  return bytes;
}

void WriteAllBytes(const std::string& path, const std::string& bytes) {
  Handle h(CreateFileW(win32::Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) throw std::runtime_error(win32::LastErrorMessage("Cannot create file \"" + path + "\""));
  WriteAll(h.Get(), bytes, path);
}

void ReplaceFileAtomically(const std::string& path, const std::string& bytes) {
  std::string temp = path + ".tmp";
  {
    Handle h(CreateFileW(win32::Widen(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr));
    if (!h.Valid()) throw std::runtime_error(win32::LastErrorMessage("Cannot create file \"" + temp + "\""));
    WriteAll(h.Get(), bytes, temp);
    FlushFileBuffers(h.Get());
  }
  if (!MoveFileExW(win32::Widen(temp).c_str(), win32::Widen(path).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    std::string message = win32::LastErrorMessage("Cannot replace file \"" + path + "\"");
    DeleteFileW(win32::Widen(temp).c_str());
    throw std::runtime_error(message);
  }
}

void AppendExclusive(const std::string& path, const std::string& bytes) {
  // Sharing mode denies other writers while the entry is written; a writer that finds the file
  // held waits a short, bounded time before giving up with the sharing error.
  std::wstring wide = win32::Widen(path);
  for (int attempt = 0;; ++attempt) {
    Handle h(CreateFileW(wide.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr));
    if (h.Valid()) {
      WriteAll(h.Get(), bytes, path);
      return;
    }
    DWORD code = GetLastError();
    if (code != ERROR_SHARING_VIOLATION || attempt >= 50)
      throw std::runtime_error(win32::LastErrorMessage("Cannot append to file \"" + path + "\"", code));
    Sleep(10);
  }
}

std::string DirectoryOf(const std::string& path) {
  auto pos = path.find_last_of("\\/");
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

}  // namespace platform

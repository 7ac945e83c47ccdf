#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/clock.h"
#include "platform/files.h"

namespace platform {
namespace {

// How long an append waits for another writer to let go of the file before giving up.
constexpr int kAppendLockWaitMs = 500;
constexpr int kAppendLockPollMs = 10;

[[noreturn]] void ThrowErrno(const std::string& what, const std::string& path, int err) {
  throw std::runtime_error(what + " \"" + path + "\": " + std::strerror(err));
}

class TFd {
public:
  explicit TFd(int fd) : mFd(fd) {}
  ~TFd() {
    if (mFd >= 0) ::close(mFd);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return mFd; }
  // Closes now so that a failing close (a late write error on some file systems) is reported.
  int Close() {
    const int fd = mFd;
    mFd = -1;
    return ::close(fd);
  }

private:
  int mFd;
};

void WriteAll(int fd, const std::string& bytes, const std::string& path) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno("Cannot write file", path, errno);
    }
    done += static_cast<std::size_t>(n);
  }
}

void CloseChecked(TFd& fd, const std::string& path) {
  if (fd.Close() != 0 && errno != EINTR) ThrowErrno("Cannot write file", path, errno);
}

std::string TempNameFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
}

void SyncDirectoryOf(const std::string& path) {
  std::string dir = DirectoryOf(path);
  if (dir.empty()) dir = ".";
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;  // the rename itself succeeded; durability of the entry is best effort here
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ReadAllBytes(const std::string& path) {
  TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) ThrowErrno("Cannot open file", path, errno);
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno("Cannot read file", path, errno);
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

void WriteAllBytes(const std::string& path, const std::string& bytes) {
  TFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.Get() < 0) ThrowErrno("Cannot create file", path, errno);
  WriteAll(fd.Get(), bytes, path);
  CloseChecked(fd, path);
}

void ReplaceFileAtomically(const std::string& path, const std::string& bytes) {
  const std::string temp = TempNameFor(path);
  TFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (fd.Get() < 0) ThrowErrno("Cannot create file", temp, errno);
  try {
    // A replaced file keeps the permissions it had.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) ::fchmod(fd.Get(), st.st_mode & 07777);
    WriteAll(fd.Get(), bytes, temp);
    if (::fsync(fd.Get()) != 0) ThrowErrno("Cannot write file", temp, errno);
    CloseChecked(fd, temp);
    if (::rename(temp.c_str(), path.c_str()) != 0) ThrowErrno("Cannot replace file", path, errno);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  SyncDirectoryOf(path);
}

void AppendExclusive(const std::string& path, const std::string& bytes) {
  TFd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
  if (fd.Get() < 0) ThrowErrno("Cannot open file", path, errno);
  // Writers of the same file take this lock; a second one waits a little, then reports a sharing
  // error instead of interleaving its entry with the first writer's.
  const std::int64_t deadline = SystemClock().MonotonicMs() + kAppendLockWaitMs;
  while (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) ThrowErrno("Cannot lock file", path, errno);
    if (SystemClock().MonotonicMs() >= deadline) {
      throw std::runtime_error("Cannot write file \"" + path +
                               "\": the file is being written by another process");
    }
    SystemSleeper().SleepMs(kAppendLockPollMs);
  }
  WriteAll(fd.Get(), bytes, path);
  CloseChecked(fd, path);  // closing releases the lock
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace platform

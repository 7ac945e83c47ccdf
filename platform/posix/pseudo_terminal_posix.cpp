#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/clock.h"
#include "platform/pseudo_terminal.h"

namespace platform {
namespace {

constexpr int kWriteTimeoutMs = 1000;

[[noreturn]] void Fail(const char* what) {
  throw std::runtime_error(std::string("Pseudo-terminal: ") + what + ": " + std::strerror(errno));
}

}  // namespace

TPseudoTerminal::TPseudoTerminal() {
  mMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (mMaster < 0) Fail("cannot open a master");
  try {
    if (::grantpt(mMaster) != 0) Fail("grantpt");
    if (::unlockpt(mMaster) != 0) Fail("unlockpt");
    char name[128] = {};
    if (::ptsname_r(mMaster, name, sizeof name) != 0) Fail("ptsname");
    mSlavePath = name;
    // Settings made through the master apply to the slave side.
    termios tio{};
    if (::tcgetattr(mMaster, &tio) != 0) Fail("tcgetattr");
    ::cfmakeraw(&tio);
    if (::tcsetattr(mMaster, TCSANOW, &tio) != 0) Fail("tcsetattr");
    // While no slave is open the master reads EIO and a slave closed by one opener would hang up
    // the line for the next; holding one slave descriptor keeps the line up between openers.
    mSlaveKeeper = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (mSlaveKeeper < 0) Fail("cannot open the slave side");
  } catch (...) {
    ::close(mMaster);
    throw;
  }
}

TPseudoTerminal::~TPseudoTerminal() {
  if (mSlaveKeeper >= 0) ::close(mSlaveKeeper);
  if (mMaster >= 0) ::close(mMaster);
}

std::size_t TPseudoTerminal::Read(std::uint8_t* buffer, std::size_t count, int waitMs) {
  if (count == 0) return 0;
  pollfd p{mMaster, POLLIN, 0};
  for (;;) {
    const int ready = ::poll(&p, 1, waitMs < 0 ? 0 : waitMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return 0;
    break;
  }
  for (;;) {
    const ssize_t n = ::read(mMaster, buffer, count);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EIO) return 0;  // EIO: no slave open at the moment
    Fail("cannot read");
  }
}

void TPseudoTerminal::Write(const std::uint8_t* data, std::size_t count) {
  auto& clock = SystemClock();
  const std::int64_t deadline = clock.MonotonicMs() + kWriteTimeoutMs;
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(mMaster, data + done, count - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) Fail("cannot write");
    const std::int64_t left = deadline - clock.MonotonicMs();
    if (left <= 0) throw std::runtime_error("Pseudo-terminal: write timed out, the slave side reads nothing");
    pollfd p{mMaster, POLLOUT, 0};
    ::poll(&p, 1, static_cast<int>(left));
  }
}

}  // namespace platform

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/clock.h"
#include "platform/posix/serial_speed.h"
#include "platform/serial_port.h"

namespace platform {
namespace {

struct TSpeed {
  int Baud;
  speed_t Code;
};

constexpr TSpeed kStandardSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600},
};

speed_t StandardSpeedCode(int baud) {
  for (const auto& s : kStandardSpeeds) {
    if (s.Baud == baud) return s.Code;
  }
  return B0;
}

std::string ErrnoText(int err) { return std::strerror(err); }

class TPosixSerialPort : public ISerialPort {
public:
  TPosixSerialPort(std::string name, int baud) : mName(std::move(name)), mBaud(baud) {}
  ~TPosixSerialPort() override { Close(); }

  const std::string& Name() const override { return mName; }
  void SetName(const std::string& name) override { mName = name; }
  int Baud() const override { return mBaud; }
  void SetBaud(int baud) override { mBaud = baud; }

  void Open() override {
    Close();
    if (mBaud <= 0) throw std::runtime_error("Serial port " + mName + ": no such speed");
    const int fd = ::open(mName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("Cannot open serial port " + mName + ": " + ErrnoText(errno));
    try {
      Configure(fd);
    } catch (...) {
      ::close(fd);
      throw;
    }
    mFd = fd;
  }

  void Close() override {
    if (mFd >= 0) ::close(mFd);  // also releases the lock taken in Open
    mFd = -1;
  }

  bool IsOpen() const override { return mFd >= 0; }

  void Write(const std::uint8_t* data, std::size_t count) override {
    RequireOpen();
    auto& clock = SystemClock();
    const std::int64_t deadline = clock.MonotonicMs() + 1000 + 100 * static_cast<std::int64_t>(count);
    std::size_t done = 0;
    while (done < count) {
      const ssize_t n = ::write(mFd, data + done, count - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) {
        throw std::runtime_error("Cannot write to serial port " + mName + ": " + ErrnoText(errno));
      }
      const std::int64_t left = deadline - clock.MonotonicMs();
      if (left <= 0) throw std::runtime_error("Serial port " + mName + ": write timed out");
      pollfd p{mFd, POLLOUT, 0};
      ::poll(&p, 1, static_cast<int>(left));
    }
    WaitUntilSent(deadline);
  }

  std::size_t Read(std::uint8_t* buffer, std::size_t count) override {
    RequireOpen();
    if (count == 0) return 0;
    for (;;) {
      const ssize_t n = ::read(mFd, buffer, count);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno == EINTR) continue;
      if (errno == EAGAIN) return 0;
      throw std::runtime_error("Cannot read from serial port " + mName + ": " + ErrnoText(errno));
    }
  }

  void Purge() override {
    RequireOpen();
    ::tcflush(mFd, TCIOFLUSH);
  }

private:
  void Configure(int fd) {
    // Windows opens a COM port for one program at a time; two runs talking to one device at once
    // would mix their frames.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      throw std::runtime_error("Cannot open serial port " + mName +
                               (errno == EWOULDBLOCK ? ": the port is in use by another program" : ": " + ErrnoText(errno)));
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
      throw std::runtime_error("Cannot open serial port " + mName + ": " + ErrnoText(errno));
    }
    // Raw 8N1: every byte value passes both ways untranslated, nothing is echoed or interpreted.
    tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK | IUCLC | IMAXBEL);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHONL | ECHOE | ECHOK | ICANON | ISIG | IEXTEN);
    // CIBAUD cleared: the input speed follows the output speed, also after an earlier custom speed.
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL | CIBAUD);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    const speed_t code = StandardSpeedCode(mBaud);
    if (code != B0) {
      ::cfsetispeed(&tio, code);
      ::cfsetospeed(&tio, code);
    }
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
      throw std::runtime_error("Cannot open serial port " + mName + ": " + ErrnoText(errno));
    }
    if (code == B0 && !posix::SetCustomLineSpeed(fd, mBaud)) {
      throw std::runtime_error("Cannot open serial port " + mName + ": speed " + std::to_string(mBaud) +
                               " is not supported (" + ErrnoText(errno) + ")");
    }
    // The kernel raises DTR and RTS on open; the devices expect them off. Lines without modem
    // control (pseudo-terminals, some adapters) refuse the request, which is no fault.
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (::ioctl(fd, TIOCMBIC, &lines) != 0 && errno != ENOTTY && errno != EINVAL) {
      throw std::runtime_error("Cannot open serial port " + mName + ": " + ErrnoText(errno));
    }
  }

  // Waits until the driver has handed every byte to the line, sleeping roughly as long as the
  // queued bytes take at the port's speed.
  void WaitUntilSent(std::int64_t deadline) {
    auto& clock = SystemClock();
    for (;;) {
      int queued = 0;
      if (::ioctl(mFd, TIOCOUTQ, &queued) != 0 || queued <= 0) return;
      const std::int64_t left = deadline - clock.MonotonicMs();
      if (left <= 0) throw std::runtime_error("Serial port " + mName + ": write timed out");
      const std::int64_t lineMs = static_cast<std::int64_t>(queued) * 10000 / std::max(mBaud, 1);
      SystemSleeper().SleepMs(static_cast<int>(std::clamp<std::int64_t>(lineMs, 1, std::min<std::int64_t>(left, 50))));
    }
  }

  void RequireOpen() const {
    if (mFd < 0) throw std::runtime_error("Serial port " + mName + " is not open");
  }

  std::string mName;
  int mBaud;
  int mFd = -1;
};

}  // namespace

std::unique_ptr<ISerialPort> CreateSerialPort(const std::string& name, int baud) {
  return std::make_unique<TPosixSerialPort>(name, baud);
}

}  // namespace platform

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/tcp_client.h"

namespace platform {
namespace {

// A send that cannot hand its bytes to the kernel within this time means the peer stopped reading.
constexpr int kSendTimeoutMs = 5000;

class TPosixTcpClient : public ITcpClient {
public:
  ~TPosixTcpClient() override { Disconnect(); }

  void Connect(const std::string& host, std::uint16_t port, int timeoutMs) override {
    Disconnect();
    mTarget = host + ":" + std::to_string(port);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
      throw std::runtime_error("Invalid IPv4 address \"" + host + "\"");
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error(ErrnoMessage("Cannot create socket", errno));
    try {
      WaitConnected(fd, address, timeoutMs);
    } catch (...) {
      ::close(fd);
      throw;
    }
    // Frames are small and answered one by one; Nagle would hold a frame back for the previous ACK.
    int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    mFd = fd;
  }

  void Disconnect() override {
    if (mFd >= 0) ::close(mFd);
    mFd = -1;
    mReceived.clear();
    mEnded.clear();
  }

  bool IsConnected() const override { return mFd >= 0; }

  void Write(const std::uint8_t* data, std::size_t count) override {
    RequireConnected();
    auto& clock = SystemClock();
    const std::int64_t deadline = clock.MonotonicMs() + kSendTimeoutMs;
    std::size_t done = 0;
    while (done < count) {
      const ssize_t n = ::send(mFd, data + done, count - done, MSG_NOSIGNAL);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) throw std::runtime_error(ErrnoMessage("Cannot send to " + mTarget, errno));
      const std::int64_t left = deadline - clock.MonotonicMs();
      if (left <= 0) throw std::runtime_error("Cannot send to " + mTarget + ": timed out");
      pollfd p{mFd, POLLOUT, 0};
      ::poll(&p, 1, static_cast<int>(left));
    }
  }

  std::size_t Read(std::uint8_t* buffer, std::size_t count, int waitMs) override {
    RequireConnected();
    if (mReceived.empty()) {
      if (!mEnded.empty()) throw std::runtime_error(mEnded);
      if (WaitReadable(waitMs)) Receive();
    }
    const std::size_t n = std::min(count, mReceived.size());
    std::copy_n(mReceived.begin(), n, buffer);
    mReceived.erase(mReceived.begin(), mReceived.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
  }

  // Writes go straight to the socket, so nothing of ours waits to be sent; received bytes stay.
  void DiscardOutput() override {}

private:
  static std::string ErrnoMessage(const std::string& what, int err) { return what + ": " + std::strerror(err); }

  void WaitConnected(int fd, const sockaddr_in& address, int timeoutMs) {
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return;
    if (errno != EINPROGRESS && errno != EINTR) {
      throw std::runtime_error(ErrnoMessage("Cannot connect to " + mTarget, errno));
    }
    auto& clock = SystemClock();
    const std::int64_t deadline = clock.MonotonicMs() + std::max(timeoutMs, 0);
    pollfd p{fd, POLLOUT, 0};
    for (;;) {
      const std::int64_t left = deadline - clock.MonotonicMs();
      const int ready = ::poll(&p, 1, static_cast<int>(std::max<std::int64_t>(left, 0)));
      if (ready > 0) break;
      if (ready < 0 && errno == EINTR) continue;
      if (ready < 0) throw std::runtime_error(ErrnoMessage("Cannot connect to " + mTarget, errno));
      throw std::runtime_error("Cannot connect to " + mTarget + ": timed out");
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    if (error != 0) throw std::runtime_error(ErrnoMessage("Cannot connect to " + mTarget, error));
  }

  bool WaitReadable(int waitMs) {
    auto& clock = SystemClock();
    const std::int64_t deadline = clock.MonotonicMs() + std::max(waitMs, 0);
    pollfd p{mFd, POLLIN, 0};
    for (;;) {
      const std::int64_t left = deadline - clock.MonotonicMs();
      const int ready = ::poll(&p, 1, static_cast<int>(std::max<std::int64_t>(left, 0)));
      if (ready >= 0) return ready > 0;
      if (errno != EINTR) throw std::runtime_error(ErrnoMessage("Cannot receive from " + mTarget, errno));
    }
  }

  // Takes everything the kernel holds now. When the connection ended (closed or reset) after
  // some data, that data is handed over first and the end is reported by the next read.
  void Receive() {
    std::uint8_t chunk[4096];
    for (;;) {
      const ssize_t n = ::recv(mFd, chunk, sizeof chunk, 0);
      if (n > 0) {
        mReceived.insert(mReceived.end(), chunk, chunk + n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EAGAIN) break;
      mEnded = n == 0 ? "The connection to " + mTarget + " was closed by the device"
                      : ErrnoMessage("Cannot receive from " + mTarget, errno);
      break;
    }
    if (mReceived.empty() && !mEnded.empty()) throw std::runtime_error(mEnded);
  }

  void RequireConnected() const {
    if (mFd < 0) throw std::runtime_error("Not connected");
  }

  int mFd = -1;
  std::string mTarget;
  std::vector<std::uint8_t> mReceived;
  std::string mEnded;  // why the connection ended, once it has
};

}  // namespace

std::unique_ptr<ITcpClient> CreateTcpClient() { return std::make_unique<TPosixTcpClient>(); }

}  // namespace platform

#include "emulator/line_endpoints.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdexcept>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace emulator {

namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

TFd& TFd::operator=(TFd&& other) noexcept {
  if (this != &other) Reset(other.Release());
  return *this;
}

int TFd::Release() {
  int fd = mFd;
  mFd = -1;
  return fd;
}

void TFd::Reset(int fd) {
  if (mFd >= 0) ::close(mFd);
  mFd = fd;
}

TPtyEndpoint::TPtyEndpoint() {
  mMaster.Reset(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK));
  if (!mMaster.Valid()) ThrowErrno("cannot open a pseudo-terminal");
  if (::grantpt(mMaster.Get()) != 0 || ::unlockpt(mMaster.Get()) != 0) ThrowErrno("cannot unlock the pseudo-terminal");
  char path[256];
  if (::ptsname_r(mMaster.Get(), path, sizeof path) != 0) ThrowErrno("cannot name the pseudo-terminal");
  mSlavePath = path;
  mSlave.Reset(::open(path, O_RDWR | O_NOCTTY));
  if (!mSlave.Valid()) ThrowErrno("cannot open " + mSlavePath);
  termios raw{};
  if (::tcgetattr(mSlave.Get(), &raw) != 0) ThrowErrno("cannot read the line settings of " + mSlavePath);
  ::cfmakeraw(&raw);
  if (::tcsetattr(mSlave.Get(), TCSANOW, &raw) != 0) ThrowErrno("cannot set " + mSlavePath + " to raw mode");
}

TTcpListener::TTcpListener(int port) {
  mSocket.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!mSocket.Valid()) ThrowErrno("cannot create a TCP socket");
  int yes = 1;
  ::setsockopt(mSocket.Get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(mSocket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    ThrowErrno("cannot listen on 127.0.0.1:" + std::to_string(port));
  if (::listen(mSocket.Get(), 4) != 0) ThrowErrno("cannot listen on 127.0.0.1:" + std::to_string(port));
  socklen_t length = sizeof address;
  if (::getsockname(mSocket.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
    ThrowErrno("cannot read the listening port");
  mPort = ntohs(address.sin_port);
  ::fcntl(mSocket.Get(), F_SETFL, ::fcntl(mSocket.Get(), F_GETFL) | O_NONBLOCK);
}

TFd TTcpListener::Accept() const {
  TFd client(::accept4(mSocket.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
  if (client.Valid()) {
    int yes = 1;
    // Replies are small and timed; they must not wait for more data to fill a segment.
    ::setsockopt(client.Get(), IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  }
  return client;
}

}  // namespace emulator

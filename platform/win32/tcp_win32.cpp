// Winsock TCP client with the time-outs and messages of the other build.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/tcp_client.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

// A send that cannot hand its bytes to the system within this time means the peer stopped reading.
constexpr DWORD kSendTimeoutMs = 5000;

void EnsureWinsock() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) throw std::runtime_error("Winsock could not be started");
}

timeval ToTimeval(int ms) {
  ms = std::max(ms, 0);
  return {ms / 1000, (ms % 1000) * 1000};
}

class TWin32TcpClient : public ITcpClient {
public:
  ~TWin32TcpClient() override { Disconnect(); }

  void Connect(const std::string& host, std::uint16_t port, int timeoutMs) override {
    EnsureWinsock();
    Disconnect();
    mTarget = host + ":" + std::to_string(port);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1)
      throw std::runtime_error("Invalid IPv4 address \"" + host + "\"");
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) throw std::runtime_error(SocketError("Cannot create socket", WSAGetLastError()));
    try {
      WaitConnected(s, address, timeoutMs);
    } catch (...) {
      closesocket(s);
      throw;
    }
    // Frames are small and answered one by one; Nagle would hold a frame back for the previous ACK.
    BOOL noDelay = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    DWORD sendTimeout = kSendTimeoutMs;
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendTimeout), sizeof sendTimeout);
    mSocket = s;
  }

  void Disconnect() override {
    if (mSocket != INVALID_SOCKET) {
      closesocket(mSocket);
      mSocket = INVALID_SOCKET;
    }
    mReceived.clear();
    mEnded.clear();
  }
  bool IsConnected() const override { return mSocket != INVALID_SOCKET; }

  void Write(const std::uint8_t* data, std::size_t count) override {
    RequireConnected();
    std::size_t done = 0;
    while (done < count) {
      int n = send(mSocket, reinterpret_cast<const char*>(data + done), static_cast<int>(count - done), 0);
      if (n == SOCKET_ERROR) {
        const int error = WSAGetLastError();
        if (error == WSAETIMEDOUT) throw std::runtime_error("Cannot send to " + mTarget + ": timed out");
        throw std::runtime_error(SocketError("Cannot send to " + mTarget, error));
      }
      done += static_cast<std::size_t>(n);
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
  static std::string SocketError(const std::string& what, int error) {
    return win32::LastErrorMessage(what, static_cast<DWORD>(error));
  }

  void WaitConnected(SOCKET s, const sockaddr_in& address, int timeoutMs) {
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR &&
        WSAGetLastError() != WSAEWOULDBLOCK)
      throw std::runtime_error(SocketError("Cannot connect to " + mTarget, WSAGetLastError()));
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval tv = ToTimeval(timeoutMs);
    const int ready = select(0, nullptr, &writable, &failed, &tv);
    if (ready == SOCKET_ERROR) throw std::runtime_error(SocketError("Cannot connect to " + mTarget, WSAGetLastError()));
    if (ready == 0) throw std::runtime_error("Cannot connect to " + mTarget + ": timed out");
    int error = 0;
    int length = sizeof error;
    if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) error = WSAGetLastError();
    if (error != 0 || FD_ISSET(s, &failed)) {
      throw std::runtime_error(SocketError("Cannot connect to " + mTarget, error != 0 ? error : WSAECONNREFUSED));
    }
    u_long blocking = 0;
    ioctlsocket(s, FIONBIO, &blocking);
  }

  bool WaitReadable(int waitMs) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(mSocket, &readable);
    timeval tv = ToTimeval(waitMs);
    const int ready = select(0, &readable, nullptr, nullptr, &tv);
    if (ready == SOCKET_ERROR) throw std::runtime_error(SocketError("Cannot receive from " + mTarget, WSAGetLastError()));
    return ready > 0;
  }

  // Takes everything the system holds now. When the connection ended (closed or reset) after
  // some data, that data is handed over first and the end is reported by the next read.
  void Receive() {
    char chunk[4096];
    for (;;) {
      const int n = recv(mSocket, chunk, sizeof chunk, 0);
      if (n > 0) {
        mReceived.insert(mReceived.end(), chunk, chunk + n);
        u_long pending = 0;
        if (ioctlsocket(mSocket, FIONREAD, &pending) != 0 || pending == 0) break;
        continue;
      }
      mEnded = n == 0 ? "The connection to " + mTarget + " was closed by the device"
                      : SocketError("Cannot receive from " + mTarget, WSAGetLastError());
      break;
    }
    if (mReceived.empty() && !mEnded.empty()) throw std::runtime_error(mEnded);
  }

  void RequireConnected() const {
    if (mSocket == INVALID_SOCKET) throw std::runtime_error("Not connected");
  }

  SOCKET mSocket = INVALID_SOCKET;
  std::string mTarget;
  std::vector<std::uint8_t> mReceived;
  std::string mEnded;  // why the connection ended, once it has
};

}  // namespace

std::unique_ptr<ITcpClient> CreateTcpClient() { return std::make_unique<TWin32TcpClient>(); }

}  // namespace platform

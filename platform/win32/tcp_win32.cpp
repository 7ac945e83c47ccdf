// Winsock TCP client with the same time-outs as the POSIX one.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <stdexcept>
#include <vector>

#include "platform/tcp_client.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

void EnsureWinsock() {
  static bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) throw std::runtime_error("Winsock could not be started");
}

std::string SocketError(const std::string& what) { return win32::LastErrorMessage(what, WSAGetLastError()); }

class Win32TcpClient : public ITcpClient {
public:
  ~Win32TcpClient() override { Disconnect(); }

  void Connect(const std::string& host, std::uint16_t port, int timeoutMs) override {
    EnsureWinsock();
    Disconnect();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1)
      throw std::runtime_error("Invalid IPv4 address \"" + host + "\"");
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) throw std::runtime_error(SocketError("Cannot create socket"));
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    std::string target = host + ":" + std::to_string(port);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == SOCKET_ERROR &&
        WSAGetLastError() != WSAEWOULDBLOCK) {
      std::string message = SocketError("Cannot connect to " + target);
      closesocket(s);
      throw std::runtime_error(message);
    }
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    int ready = select(0, nullptr, &writable, &failed, &tv);
    if (ready <= 0 || FD_ISSET(s, &failed)) {
      int error = 0;
      int len = sizeof error;
      getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len);
      closesocket(s);
      if (ready == 0) throw std::runtime_error("Cannot connect to " + target + ": timed out");
      throw std::runtime_error(win32::LastErrorMessage("Cannot connect to " + target, static_cast<DWORD>(error)));
    }
    u_long blocking = 0;
    ioctlsocket(s, FIONBIO, &blocking);
    BOOL noDelay = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    mSocket = s;
  }

  void Disconnect() override {
    if (mSocket != INVALID_SOCKET) {
      closesocket(mSocket);
      mSocket = INVALID_SOCKET;
    }
    mReceived.clear();
  }
  bool IsConnected() const override { return mSocket != INVALID_SOCKET; }

  void Write(const std::uint8_t* data, std::size_t count) override {
    RequireConnected();
    std::size_t done = 0;
    while (done < count) {
      int n = send(mSocket, reinterpret_cast<const char*>(data + done), static_cast<int>(count - done), 0);
      if (n == SOCKET_ERROR) throw std::runtime_error(SocketError("Cannot send"));
      done += static_cast<std::size_t>(n);
    }
  }

  std::size_t Read(std::uint8_t* buffer, std::size_t count, int waitMs) override {
    RequireConnected();
    if (mReceived.empty()) {
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(mSocket, &readable);
      timeval tv{waitMs / 1000, (waitMs % 1000) * 1000};
      int ready = select(0, &readable, nullptr, nullptr, &tv);
      if (ready == SOCKET_ERROR) throw std::runtime_error(SocketError("Cannot wait for data"));
      if (ready > 0) {
        char chunk[4096];
        int n = recv(mSocket, chunk, sizeof chunk, 0);
        if (n == 0) throw std::runtime_error("The connection was closed by the device");
        if (n == SOCKET_ERROR) throw std::runtime_error(SocketError("Cannot receive"));
        mReceived.insert(mReceived.end(), chunk, chunk + n);
      }
    }
    std::size_t n = std::min(count, mReceived.size());
    std::copy(mReceived.begin(), mReceived.begin() + static_cast<std::ptrdiff_t>(n), buffer);
    mReceived.erase(mReceived.begin(), mReceived.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
  }

  // Writes go straight to the socket, so nothing waits to be sent; received bytes stay.
  void DiscardOutput() override {}

private:
  void RequireConnected() const {
    if (mSocket == INVALID_SOCKET) throw std::runtime_error("Not connected");
  }
  SOCKET mSocket = INVALID_SOCKET;
  std::vector<std::uint8_t> mReceived;
};

}  // namespace

std::unique_ptr<ITcpClient> CreateTcpClient() { return std::make_unique<Win32TcpClient>(); }

}  // namespace platform

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/tcp_client.h"

namespace {

// A loopback server end: listens on a free port, accepts, sends and receives raw bytes.
class LoopbackServer {
public:
  explicit LoopbackServer(int backlog = 4) {
    mListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (mListener < 0 || ::bind(mListener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(mListener, backlog) != 0 ||
        ::getsockname(mListener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      throw std::runtime_error("cannot listen on loopback");
    }
    mPort = ntohs(address.sin_port);
  }
  ~LoopbackServer() {
    CloseClient();
    if (mListener >= 0) ::close(mListener);
  }
  std::uint16_t Port() const { return mPort; }
  void Accept() { mClient = ::accept(mListener, nullptr, nullptr); }
  void Send(const std::string& bytes) { ::send(mClient, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
  std::string Receive(std::size_t count) {
    std::string got(count, '\0');
    std::size_t done = 0;
    while (done < count) {
      const ssize_t n = ::recv(mClient, got.data() + done, count - done, 0);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    got.resize(done);
    return got;
  }
  void CloseClient() {
    if (mClient >= 0) ::close(mClient);
    mClient = -1;
  }
  // Closing with a zero linger time resets the connection instead of closing it in order.
  void ResetClient() {
    linger l{1, 0};
    ::setsockopt(mClient, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    CloseClient();
  }

private:
  int mListener = -1;
  int mClient = -1;
  std::uint16_t mPort = 0;
};

std::string ReadText(platform::ITcpClient& client, std::size_t count, int waitMs) {
  std::vector<std::uint8_t> buf(count);
  const std::size_t n = client.Read(buf.data(), count, waitMs);
  return std::string(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(n));
}

void WriteText(platform::ITcpClient& client, const std::string& text) {
  client.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "no error";
}

TEST(TcpClient, ExchangesBytesWithThePeer) {
  LoopbackServer server;
  auto client = platform::CreateTcpClient();
  client->Connect("127.0.0.1", server.Port(), 1000);
  server.Accept();
  EXPECT_TRUE(client->IsConnected());
  const std::string request("\x01\x25\x20\x4A\x05\x30\x30\x3E\x3F\x03\x00\xFF", 12);
  WriteText(*client, request);
  EXPECT_EQ(server.Receive(request.size()), request);
  server.Send(std::string("\x16\x16\x01reply\x00\xFF", 10));
  EXPECT_EQ(ReadText(*client, 64, 1000), std::string("\x16\x16\x01reply\x00\xFF", 10));
  EXPECT_EQ(ReadText(*client, 64, 10), "");
}

TEST(TcpClient, BytesBeyondTheCountAndQueuedOutputDiscardKeepReceivedData) {
  LoopbackServer server;
  auto client = platform::CreateTcpClient();
  client->Connect("127.0.0.1", server.Port(), 1000);
  server.Accept();
  server.Send("0123456789");
  EXPECT_EQ(ReadText(*client, 4, 1000), "0123");
  client->DiscardOutput();
  EXPECT_EQ(ReadText(*client, 4, 0), "4567");
  EXPECT_EQ(ReadText(*client, 64, 0), "89");

  server.Send("late");
  client->DiscardOutput();
  EXPECT_EQ(ReadText(*client, 64, 1000), "late");
}

TEST(TcpClient, ConnectFailuresAreQuickAndSayWhy) {
  std::uint16_t closedPort;
  {
    LoopbackServer gone;
    closedPort = gone.Port();
  }
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ErrorOf([&] { platform::CreateTcpClient()->Connect("127.0.0.1", closedPort, 1000); }),
            "Cannot connect to 127.0.0.1:" + std::to_string(closedPort) + ": Connection refused");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));

  for (const char* bad : {"kassa1", "192.168.1", "", "::1"}) {
    EXPECT_EQ(ErrorOf([&] { platform::CreateTcpClient()->Connect(bad, 4999, 1000); }),
              std::string("Invalid IPv4 address \"") + bad + "\"");
  }
}

TEST(TcpClient, ConnectGivesUpAfterTheTimeOutWhenNobodyAnswers) {
  // With the accept queue full the kernel drops further connection requests unanswered, as a
  // device that is switched off would.
  LoopbackServer server(0);
  std::vector<std::unique_ptr<platform::ITcpClient>> fillers;
  std::string error = "no error";
  for (int i = 0; i < 8 && error == "no error"; ++i) {
    fillers.push_back(platform::CreateTcpClient());
    const auto start = std::chrono::steady_clock::now();
    error = ErrorOf([&] { fillers.back()->Connect("127.0.0.1", server.Port(), 200); });
    if (error != "no error") {
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    }
  }
  EXPECT_EQ(error, "Cannot connect to 127.0.0.1:" + std::to_string(server.Port()) + ": timed out");
}

TEST(TcpClient, ClosedOrResetConnectionIsAnError) {
  LoopbackServer server;
  auto client = platform::CreateTcpClient();
  client->Connect("127.0.0.1", server.Port(), 1000);
  server.Accept();
  server.Send("bye");
  server.CloseClient();
  EXPECT_EQ(ReadText(*client, 64, 1000), "bye");  // data sent before the close still arrives
  const std::string target = "127.0.0.1:" + std::to_string(server.Port());
  EXPECT_EQ(ErrorOf([&] { ReadText(*client, 64, 1000); }), "The connection to " + target + " was closed by the device");

  client->Connect("127.0.0.1", server.Port(), 1000);
  server.Accept();
  server.ResetClient();
  EXPECT_EQ(ErrorOf([&] { ReadText(*client, 64, 1000); }), "Cannot receive from " + target + ": Connection reset by peer");
  EXPECT_NE(ErrorOf([&] { WriteText(*client, "x"); }), "no error");
}

TEST(TcpClient, DisconnectedClientRefusesIo) {
  LoopbackServer server;
  auto client = platform::CreateTcpClient();
  EXPECT_FALSE(client->IsConnected());
  EXPECT_EQ(ErrorOf([&] { WriteText(*client, "x"); }), "Not connected");
  client->Connect("127.0.0.1", server.Port(), 1000);
  client->Disconnect();
  EXPECT_FALSE(client->IsConnected());
  EXPECT_EQ(ErrorOf([&] { ReadText(*client, 1, 0); }), "Not connected");
}

}  // namespace

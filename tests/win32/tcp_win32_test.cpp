#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/tcp_client.h"

namespace {

// A loopback server end on Winsock: listens on a free port, accepts, sends and receives raw bytes.
class LoopbackServer {
public:
  LoopbackServer() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    mListener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (mListener == INVALID_SOCKET || bind(mListener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(mListener, 4) != 0 || getsockname(mListener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      throw std::runtime_error("cannot listen on loopback");
    mPort = ntohs(address.sin_port);
  }
  ~LoopbackServer() {
    CloseClient();
    closesocket(mListener);
    WSACleanup();
  }
  std::uint16_t Port() const { return mPort; }
  void Accept() { mClient = accept(mListener, nullptr, nullptr); }
  void Send(const std::string& bytes) { send(mClient, bytes.data(), static_cast<int>(bytes.size()), 0); }
  std::string Receive(std::size_t count) {
    std::string got(count, '\0');
    std::size_t done = 0;
    while (done < count) {
      const int n = recv(mClient, got.data() + done, static_cast<int>(count - done), 0);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    got.resize(done);
    return got;
  }
  void CloseClient() {
    if (mClient != INVALID_SOCKET) closesocket(mClient);
    mClient = INVALID_SOCKET;
  }
  // A zero linger time resets the connection instead of closing it in order.
  void ResetClient() {
    linger l{1, 0};
    setsockopt(mClient, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
    CloseClient();
  }

private:
  SOCKET mListener = INVALID_SOCKET;
  SOCKET mClient = INVALID_SOCKET;
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

TEST(Win32TcpClient, ExchangesEveryByteValueAndKeepsWhatTheCountLeaves) {
  LoopbackServer server;
  auto client = platform::CreateTcpClient();
  client->Connect("127.0.0.1", server.Port(), 1000);
  server.Accept();
  EXPECT_TRUE(client->IsConnected());
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  WriteText(*client, all);
  EXPECT_EQ(server.Receive(all.size()), all);
  server.Send(all);
  std::string got;
  for (int i = 0; i < 50 && got.size() < all.size(); ++i) got += ReadText(*client, 100, 100);
  EXPECT_EQ(got, all);
  EXPECT_EQ(ReadText(*client, 64, 10), "");

  server.Send("0123456789");
  EXPECT_EQ(ReadText(*client, 4, 1000), "0123");
  client->DiscardOutput();
  EXPECT_EQ(ReadText(*client, 64, 0), "456789");
}

TEST(Win32TcpClient, ConnectFailuresSayWhy) {
  std::uint16_t closedPort;
  {
    LoopbackServer gone;
    closedPort = gone.Port();
  }
  const std::string refused = ErrorOf([&] { platform::CreateTcpClient()->Connect("127.0.0.1", closedPort, 3000); });
  EXPECT_EQ(refused.rfind("Cannot connect to 127.0.0.1:" + std::to_string(closedPort) + ": ", 0), 0u) << refused;
  EXPECT_NE(refused.find("(code 10061)"), std::string::npos) << refused;

  for (const char* bad : {"kassa1", "192.168.1", "", "::1"}) {
    EXPECT_EQ(ErrorOf([&] { platform::CreateTcpClient()->Connect(bad, 4999, 1000); }),
              std::string("Invalid IPv4 address \"") + bad + "\"");
  }
}

TEST(Win32TcpClient, ClosedOrResetConnectionIsAnError) {
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
  // Windows reports the reset (code 10054); wine may see an orderly close. Either way an error.
  const std::string reset = ErrorOf([&] { ReadText(*client, 64, 1000); });
  EXPECT_NE(reset.find(target), std::string::npos) << reset;
}

TEST(Win32TcpClient, DisconnectedClientRefusesIo) {
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

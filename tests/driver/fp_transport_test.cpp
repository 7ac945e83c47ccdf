// Driver transport: lent and owned serial ports, a pseudo-terminal as a real serial line, and
// TCP against a loopback listener.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>

#include "driver/test_driver.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_serial_port.h"
#include "model/errors.h"
#include "platform/files.h"
#include "platform/pseudo_terminal.h"
#include "platform/temp_dir.h"
#include "support/runtime.h"

namespace {

using driver_tests::TRecordingDriver;
using fakes::Bytes;

const std::uint8_t kRequest[] = {0x01, 0x24, 0x20, 0x4A, 0x05};

// ---- lent and owned ports ----

TEST(LentPortTest, OpenPortStaysOpenAndUsableAfterItsDriverIsGone) {
  fakes::FakeClock clock;
  fakes::FakeSerialPort port(clock, "COM3", 115200);
  port.Open();
  {
    TRecordingDriver fp;
    fp.Init(&port);
    EXPECT_TRUE(fp.IsConnected());  // no OpenPort needed
    EXPECT_EQ(fp.ComPort(), "COM3");
    EXPECT_EQ(fp.ComBaudRate(), model::br115200);
    fp.Write(kRequest, sizeof kRequest);
  }
  EXPECT_EQ(port.OpenCount, 1);
  ASSERT_TRUE(port.IsOpen());
  port.Write(kRequest, 2);  // the owner keeps using it
  ASSERT_EQ(port.Writes.size(), 2u);
  EXPECT_EQ(port.Writes[0], Bytes(std::begin(kRequest), std::end(kRequest)));
}

TEST(LentPortTest, WriteAndReadOnAClosedTransportOpenItFirst) {
  fakes::FakeClock clock;
  fakes::FakeSerialPort port(clock, "COM4", 9600);
  TRecordingDriver fp;
  fp.Init(&port);
  EXPECT_FALSE(fp.IsConnected());
  EXPECT_EQ(fp.ComBaudRate(), model::br9600);  // 9600 names br9600, not the custom speed
  port.QueueReply({0x06, 0x02});
  fp.Write(kRequest, sizeof kRequest);
  EXPECT_EQ(port.OpenCount, 1);
  EXPECT_TRUE(fp.IsConnected());
  ASSERT_EQ(port.Writes.size(), 1u);

  fp.ClosePort();
  EXPECT_FALSE(port.IsOpen());
  fp.ClosePort();  // closing a closed transport does nothing
  std::uint8_t buffer[8];
  EXPECT_EQ(fp.Read(buffer, sizeof buffer), 2u);  // reopened first, then read
  EXPECT_EQ(port.OpenCount, 2);
  EXPECT_TRUE(fp.IsConnected());
}

TEST(LentPortTest, TransportThatCannotOpenRaisesOnWriteAndRead) {
  fakes::FakeClock clock;
  fakes::FakeSerialPort port(clock, "COM9", 9600);
  port.FailOpen = true;
  TRecordingDriver fp;
  fp.Init(&port);
  EXPECT_FALSE(fp.OpenPort());
  EXPECT_THROW(fp.Write(kRequest, sizeof kRequest), model::EInOutError);
  std::uint8_t buffer[8];
  EXPECT_THROW(fp.Read(buffer, sizeof buffer), model::EInOutError);
  EXPECT_TRUE(port.Writes.empty());
}

TEST(OwnedPortTest, PortThatCannotOpenFailsQuietly) {
  platform_tests::TempDir dir;
  support::TLogger logger(dir.File("ruvex.log"));
  support::TRuntimeScope scope(nullptr, &logger);
  const std::pair<const char*, const char*> cases[] = {
      {"/dev/ruvex-no-such-port", "9600"},
      {"/dev/ruvex-no-such-port", "Custom"},
  };
  for (const auto& [name, speed] : cases) {
    TRecordingDriver fp;
    fp.Init(name, speed);
    EXPECT_FALSE(fp.OpenPort());
    EXPECT_FALSE(fp.IsConnected());
    try {
      fp.Write(kRequest, sizeof kRequest);
      ADD_FAILURE() << "no error raised";
    } catch (const model::EInOutError& e) {
      EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
    }
  }
  EXPECT_FALSE(platform::FileExists(logger.FileName()));
}

// ---- a pseudo-terminal as the serial line ----

TEST(SerialLineTest, BytesTravelBothWaysAndAnEmptyReadReturnsAtOnce) {
  platform::TPseudoTerminal pty;
  TRecordingDriver fp;
  fp.Init(pty.SlavePath(), "115200");
  ASSERT_TRUE(fp.OpenPort());

  std::uint8_t buffer[16];
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(fp.Read(buffer, sizeof buffer), 0u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));  // did not block

  fp.Write(kRequest, sizeof kRequest);
  Bytes got;
  while (got.size() < sizeof kRequest) {
    const std::size_t n = pty.Read(buffer, sizeof buffer, 2000);
    ASSERT_GT(n, 0u) << "request did not arrive";
    got.insert(got.end(), buffer, buffer + n);
  }
  EXPECT_EQ(got, Bytes(std::begin(kRequest), std::end(kRequest)));

  pty.Write(std::string("\x01\x30\x03", 3));
  got.clear();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (got.size() < 3 && std::chrono::steady_clock::now() < deadline) {
    const std::size_t n = fp.Read(buffer, 2);  // never more than asked
    ASSERT_LE(n, 2u);
    got.insert(got.end(), buffer, buffer + n);
  }
  EXPECT_EQ(got, (Bytes{0x01, 0x30, 0x03}));

  fp.ClosePort();
  EXPECT_FALSE(fp.IsConnected());
  EXPECT_TRUE(fp.OpenPort());  // the port object stays for a later open
}

TEST(SerialLineTest, SpeedThatNamesNothingDoesNotOpen) {
  platform::TPseudoTerminal pty;
  TRecordingDriver fp;
  fp.Init(pty.SlavePath(), "12345");
  EXPECT_EQ(static_cast<int>(fp.ComBaudRate()), 255);
  EXPECT_FALSE(fp.OpenPort());
  EXPECT_FALSE(fp.IsConnected());
}

// ---- TCP ----

class LoopbackListener {
public:
  LoopbackListener() {
    mFd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(mFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(mFd, 4) != 0)
      throw std::runtime_error("cannot listen on loopback");
    socklen_t length = sizeof address;
    ::getsockname(mFd, reinterpret_cast<sockaddr*>(&address), &length);
    mPort = ntohs(address.sin_port);
  }
  ~LoopbackListener() {
    for (int fd : mAccepted) ::close(fd);
    if (mFd >= 0) ::close(mFd);
  }
  int Port() const { return mPort; }
  // Stops listening; the port then refuses connections.
  void Stop() {
    ::close(mFd);
    mFd = -1;
  }
  int Accept() {
    pollfd p{mFd, POLLIN, 0};
    if (::poll(&p, 1, 2000) != 1) return -1;
    const int fd = ::accept(mFd, nullptr, nullptr);
    mAccepted.push_back(fd);
    return fd;
  }
  // Bytes from a connection within waitMs; empty on end of stream or silence.
  static std::string Receive(int fd, int waitMs) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, waitMs) != 1) return {};
    char buffer[64];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
  }
  // True when the peer closed the connection within waitMs.
  static bool Ended(int fd, int waitMs) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, waitMs) != 1) return false;
    char c;
    return ::recv(fd, &c, 1, MSG_PEEK) == 0;
  }

private:
  int mFd = -1;
  int mPort = 0;
  std::vector<int> mAccepted;
};

std::string ReadAtLeast(TRecordingDriver& fp, std::size_t count) {
  std::string got;
  std::uint8_t buffer[16];
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
    const std::size_t n = fp.Read(buffer, sizeof buffer);
    got.append(reinterpret_cast<const char*>(buffer), n);
  }
  return got;
}

TEST(TcpTest, OpeningTwiceLeavesOneConnection) {
  LoopbackListener listener;
  TRecordingDriver fp;
  fp.Init("127.0.0.1", listener.Port());
  ASSERT_TRUE(fp.OpenPort());
  const int first = listener.Accept();
  ASSERT_TRUE(fp.OpenPort());
  const int second = listener.Accept();
  ASSERT_GE(first, 0);
  ASSERT_GE(second, 0);
  EXPECT_TRUE(LoopbackListener::Ended(first, 2000));

  fp.Write(kRequest, sizeof kRequest);
  EXPECT_EQ(LoopbackListener::Receive(second, 2000), std::string(std::begin(kRequest), std::end(kRequest)));
  fp.ClosePort();
  EXPECT_FALSE(fp.IsConnected());
  EXPECT_TRUE(LoopbackListener::Ended(second, 2000));
}

TEST(TcpTest, ReceivedBytesSurviveClearBuffers) {
  LoopbackListener listener;
  TRecordingDriver fp;
  fp.Init("127.0.0.1", listener.Port());
  ASSERT_TRUE(fp.OpenPort());
  const int device = listener.Accept();
  ASSERT_GE(device, 0);
  ASSERT_EQ(::send(device, "\x01\x2B\x03", 3, 0), 3);
  fp.ClearBuffers();
  EXPECT_EQ(ReadAtLeast(fp, 3), std::string("\x01\x2B\x03", 3));
}

TEST(TcpTest, ClosedPortFailsWithOneLogLineAndWriteRaises) {
  platform_tests::TempDir dir;
  support::TLogger logger(dir.File("ruvex.log"));
  support::TRuntimeScope scope(nullptr, &logger);
  LoopbackListener listener;
  listener.Stop();

  TRecordingDriver fp;
  fp.Init("127.0.0.1", listener.Port());
  EXPECT_FALSE(fp.OpenPort());
  EXPECT_FALSE(fp.IsConnected());
  const std::string log = platform::ReadAllBytes(logger.FileName());
  // One entry: time stamp, CR LF, message, CR LF, empty line.
  EXPECT_EQ(log.find("\r\n\r\n"), log.size() - 4) << log;
  EXPECT_NE(log.find(std::to_string(listener.Port())), std::string::npos) << log;

  try {
    fp.Write(kRequest, sizeof kRequest);
    FAIL() << "no error raised";
  } catch (const model::EInOutError& e) {
    EXPECT_NE(std::string(e.what()).find("127.0.0.1:" + std::to_string(listener.Port())), std::string::npos);
  }
}

}  // namespace

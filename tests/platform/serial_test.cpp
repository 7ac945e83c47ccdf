#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/pseudo_terminal.h"
#include "platform/serial_port.h"
#include "line_speed_probe.h"
#include "temp_dir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes AllByteValues() {
  Bytes bytes;
  for (int b = 0; b <= 0xFF; ++b) bytes.push_back(static_cast<std::uint8_t>(b));
  return bytes;
}

// Collects what the master end receives until count bytes are there or a second has passed.
Bytes ReadFromMaster(platform::TPseudoTerminal& pty, std::size_t count) {
  Bytes got;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
    std::uint8_t buf[512];
    const std::size_t n = pty.Read(buf, sizeof buf, 50);
    got.insert(got.end(), buf, buf + n);
  }
  return got;
}

Bytes ReadFromPort(platform::ISerialPort& port, std::size_t count) {
  Bytes got;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
    std::uint8_t buf[512];
    const std::size_t n = port.Read(buf, std::min(sizeof buf, count - got.size()));
    got.insert(got.end(), buf, buf + n);
    if (n == 0) usleep(2000);
  }
  return got;
}

std::string OpenError(const std::string& name, int baud) {
  auto port = platform::CreateSerialPort(name, baud);
  try {
    port->Open();
  } catch (const std::runtime_error& e) {
    EXPECT_FALSE(port->IsOpen());
    return e.what();
  }
  return "opened";
}

TEST(SerialPort, EveryByteValuePassesUnchangedBothWays) {
  platform::TPseudoTerminal pty;
  auto port = platform::CreateSerialPort(pty.SlavePath(), 9600);
  port->Open();
  // Twice over, so CR/LF, XON/XOFF, DEL and the high half meet each other in every order.
  Bytes sent = AllByteValues();
  for (int b = 0xFF; b >= 0; --b) sent.push_back(static_cast<std::uint8_t>(b));

  port->Write(sent.data(), sent.size());
  EXPECT_EQ(ReadFromMaster(pty, sent.size()), sent);

  pty.Write(sent.data(), sent.size());
  EXPECT_EQ(ReadFromPort(*port, sent.size()), sent);
}

TEST(SerialPort, ReadWithNothingPendingReturnsZeroAtOnce) {
  platform::TPseudoTerminal pty;
  auto port = platform::CreateSerialPort(pty.SlavePath(), 115200);
  port->Open();
  std::uint8_t buf[16];
  EXPECT_EQ(port->Read(buf, sizeof buf), 0u);
  pty.Write("\x06\x15");
  const Bytes got = ReadFromPort(*port, 2);
  EXPECT_EQ(got, (Bytes{0x06, 0x15}));
  EXPECT_EQ(port->Read(buf, sizeof buf), 0u);
}

TEST(SerialPort, ReadTakesAtMostTheCountAndKeepsTheRest) {
  platform::TPseudoTerminal pty;
  auto port = platform::CreateSerialPort(pty.SlavePath(), 9600);
  port->Open();
  pty.Write("abcdef");
  EXPECT_EQ(ReadFromPort(*port, 1).size(), 1u);  // waits for the bytes to arrive
  std::uint8_t buf[2];
  EXPECT_EQ(port->Read(buf, 2), 2u);
  EXPECT_EQ(std::string(buf, buf + 2), "bc");
  EXPECT_EQ(ReadFromPort(*port, 3), (Bytes{'d', 'e', 'f'}));
}

TEST(SerialPort, LineIsRaw8N1WithoutFlowControl) {
  platform::TPseudoTerminal pty;
  auto port = platform::CreateSerialPort(pty.SlavePath(), 19200);
  port->Open();
  termios tio{};
  ASSERT_EQ(tcgetattr(pty.MasterFd(), &tio), 0);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
}

TEST(SerialPort, OpensAtEverySpeedTheDevicesUseInBothDirections) {
  platform::TPseudoTerminal pty;
  // 9600 comes again last: a standard speed after a custom one must not keep the old input speed.
  for (unsigned baud : {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000,
                        256000, 9600}) {
    auto port = platform::CreateSerialPort(pty.SlavePath(), static_cast<int>(baud));
    ASSERT_NO_THROW(port->Open()) << baud;
    const auto speeds = platform_tests::ReadLineSpeeds(pty.MasterFd());
    EXPECT_EQ(speeds.Output, baud);
    EXPECT_EQ(speeds.Input, baud);
  }
}

TEST(SerialPort, OpenFailuresSayWhy) {
  platform::TPseudoTerminal pty;
  platform_tests::TempDir dir;
  platform::WriteAllBytes(dir.File("plain"), "");
  const struct {
    std::string Name;
    int Baud;
    std::string Expected;
  } cases[] = {
      {"/dev/ruvex-no-such-port", 9600, "Cannot open serial port /dev/ruvex-no-such-port: No such file or directory"},
      {pty.SlavePath(), 0, "Serial port " + pty.SlavePath() + ": no such speed"},
      {dir.File("plain"), 9600, "Cannot open serial port " + dir.File("plain") + ": Inappropriate ioctl for device"},
  };
  for (const auto& c : cases) EXPECT_EQ(OpenError(c.Name, c.Baud), c.Expected);
}

TEST(SerialPort, ASecondOpenerIsRefusedUntilTheFirstCloses) {
  platform::TPseudoTerminal pty;
  auto first = platform::CreateSerialPort(pty.SlavePath(), 9600);
  first->Open();
  EXPECT_EQ(OpenError(pty.SlavePath(), 9600),
            "Cannot open serial port " + pty.SlavePath() + ": the port is in use by another program");
  first->Close();
  EXPECT_FALSE(first->IsOpen());
  EXPECT_EQ(OpenError(pty.SlavePath(), 9600), "opened");
}

TEST(SerialPort, ReopenedPortStillCarriesData) {
  platform::TPseudoTerminal pty;
  auto port = platform::CreateSerialPort(pty.SlavePath(), 9600);
  port->Open();
  port->Close();
  port->Open();
  const std::uint8_t byte = 0x05;
  port->Write(&byte, 1);
  EXPECT_EQ(ReadFromMaster(pty, 1), (Bytes{0x05}));
}

TEST(SerialPort, PurgeDropsReceivedBytes) {
  platform::TPseudoTerminal pty;
  auto port = platform::CreateSerialPort(pty.SlavePath(), 9600);
  port->Open();
  pty.Write("stale reply");
  usleep(20000);
  port->Purge();
  std::uint8_t buf[32];
  EXPECT_EQ(port->Read(buf, sizeof buf), 0u);
}

TEST(SerialPort, ClosedPortRefusesIo) {
  auto port = platform::CreateSerialPort("/dev/null", 9600);
  std::uint8_t buf[1] = {0};
  EXPECT_THROW(port->Write(buf, 1), std::runtime_error);
  EXPECT_THROW(port->Read(buf, 1), std::runtime_error);
  EXPECT_THROW(port->Purge(), std::runtime_error);
}

TEST(PseudoTerminal, MasterReadsNothingWhenNothingWasSent) {
  platform::TPseudoTerminal pty;
  std::uint8_t buf[8];
  EXPECT_EQ(pty.Read(buf, sizeof buf, 0), 0u);
  EXPECT_EQ(pty.Read(buf, sizeof buf, 20), 0u);
}

}  // namespace

// The data path of a COM port is exercised end to end under wine against the emulator; here what
// needs no device, and a port with a silent line when one is given.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>

#include "platform/serial_port.h"

namespace {

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "no error";
}

TEST(Win32SerialPort, OpenFailuresNameThePort) {
  auto missing = platform::CreateSerialPort("COM249", 9600);
  const std::string error = ErrorOf([&] { missing->Open(); });
  EXPECT_EQ(error.rfind("Cannot open serial port COM249: ", 0), 0u) << error;
  EXPECT_FALSE(missing->IsOpen());

  auto noSpeed = platform::CreateSerialPort("COM1", 0);
  EXPECT_EQ(ErrorOf([&] { noSpeed->Open(); }), "Serial port COM1: no such speed");
}

TEST(Win32SerialPort, ClosedPortRefusesIo) {
  auto port = platform::CreateSerialPort("COM249", 9600);
  std::uint8_t byte = 0;
  EXPECT_EQ(ErrorOf([&] { port->Write(&byte, 1); }), "Serial port COM249 is not open");
  EXPECT_EQ(ErrorOf([&] { port->Read(&byte, 1); }), "Serial port COM249 is not open");
  EXPECT_EQ(ErrorOf([&] { port->Purge(); }), "Serial port COM249 is not open");
  port->Close();  // closing a closed port is harmless
}

}  // namespace

bool RunsUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// A COM port with a line that sends nothing unasked, named by RUVEX_TEST_SERIAL_PORT (the wine
// stage maps one to a pseudo-terminal, which has no control lines to drive).
class Win32SilentPortTest : public ::testing::Test {
protected:
  void SetUp() override {
    const char* name = std::getenv("RUVEX_TEST_SERIAL_PORT");
    if (!name || !*name) GTEST_SKIP() << "RUVEX_TEST_SERIAL_PORT names no port";
    mName = name;
  }
  std::string mName;
};

TEST_F(Win32SilentPortTest, OpensAtTheDiscoverySpeedsForOneProgramAtATime) {
  for (int baud : {9600, 115200, 19200, 2400}) {
    auto port = platform::CreateSerialPort(mName, baud);
    ASSERT_NO_THROW(port->Open()) << baud;
    EXPECT_TRUE(port->IsOpen());
    if (!RunsUnderWine()) {  // wine lets a COM port open twice; Windows does not
      auto second = platform::CreateSerialPort(mName, baud);
      EXPECT_EQ(ErrorOf([&] { second->Open(); }),
                "Cannot open serial port " + mName + ": the port is in use by another program");
    }
    port->Close();
    EXPECT_FALSE(port->IsOpen());
  }
  auto again = platform::CreateSerialPort(mName, 9600);
  EXPECT_NO_THROW(again->Open());  // closing let go of it
}

TEST_F(Win32SilentPortTest, ReadsWithoutWaitingAndWrites) {
  auto port = platform::CreateSerialPort(mName, 9600);
  port->Open();
  std::uint8_t buffer[64];
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port->Read(buffer, sizeof buffer), 0u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  const std::uint8_t bytes[] = {0x00, 0x16, 0x15, 0xFF};  // no frame: nothing for the other end to act on
  EXPECT_NO_THROW(port->Write(bytes, sizeof bytes));
  EXPECT_NO_THROW(port->Purge());
}

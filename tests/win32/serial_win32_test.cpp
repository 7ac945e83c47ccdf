// The data path of a COM port is exercised end to end under wine against the emulator; here only
// what needs no device.
#include <gtest/gtest.h>

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

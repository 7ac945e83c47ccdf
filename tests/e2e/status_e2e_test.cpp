// getStatus end to end: ruvex against an emulated Daisy device over a pseudo-terminal and over TCP,
// and a fiscal-memory number that no device has.
#include <gtest/gtest.h>

#include <cstdlib>

#include "e2e_harness.h"
#include "emulator/device_clock.h"

namespace {

// The device clock runs three days and an hour ahead of the computer's, so its line is its own.
constexpr long long kClockOffset = 3 * 86400 + 3600;

std::string Line(const std::string& text, const std::string& label) {
  std::size_t at = text.find("\r\n" + label);
  if (at == std::string::npos) return "";
  at += 2 + label.size();
  return text.substr(at, text.find("\r\n", at) - at);
}

// The status Return.txt of the emulated Daisy device with default numbers; the clock as given.
std::string DaisyStatusReturn(const std::string& clock) {
  return "ResultCode: OK\r\n"
         "ResultType: fprOk\r\n"
         "ResultText: \r\n"
         "StatusCode: (10000000, 10000000, 10000000, 10000000, 10000000, 10111000)\r\n"
         "StatusText:  (5.5) Програмирани са инд. номер на ФУ и номер на ФП\r\n"
         " (5.4) Зададени данъчни ставки\r\n"
         " (5.3) ФУ е въведено в експлоатация\r\n"
         "\r\n"
         "StatusErrors: \r\n"
         "FpNo: DY448967\r\n"
         "FpMem:36607003\r\n"
         "FpBonNo: \r\n"
         "FpIsBonOpen: 0\r\n"
         "FpDateTime: " +
         clock +
         "\r\n"
         "Json: \r\n";
}

// The clock line shows the device's clock: the computer's time plus the offset, give or take the run.
void ExpectDeviceClock(const std::string& clock) {
  emulator::TCivilTime shown;
  ASSERT_EQ(std::sscanf(clock.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &shown.Year, &shown.Month, &shown.Day, &shown.Hour,
                        &shown.Minute, &shown.Second),
            6)
      << clock;
  long long expected = emulator::TDeviceClock::SystemLocalSeconds() + kClockOffset;
  EXPECT_LE(std::llabs(emulator::ToLocalSeconds(shown) - expected), 10) << clock;
}

TEST(StatusE2E, OverAPseudoTerminalFromSettings) {
  e2e::TRuvexHome home;
  e2e::TEmulator daisy(home.Folder(), "daisy", {"--family", "daisy", "--pty", "--clock-offset", std::to_string(kClockOffset)});
  home.WriteSettings({"FpType=Daisy", "ComPort=" + daisy.Where(), "ComBaudRate=9600"});

  e2e::TRun run = home.Run({"/getStatus"}, {daisy.Where()});
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Stdout, "");
  const std::string text = home.ReturnText();
  const std::string clock = Line(text, "FpDateTime: ");
  ExpectDeviceClock(clock);
  EXPECT_EQ(text, DaisyStatusReturn(clock));
  // One status request finds the device from the settings; then status and clock; no probing.
  EXPECT_EQ(daisy.JournalLines(),
            (std::vector<std::string>{"seq=22 cmd=5A data=", "seq=23 cmd=5A data=", "seq=24 cmd=3E data="}));
  EXPECT_NE(home.Read("ruvex.log").find("Found device in settings"), std::string::npos);
}

TEST(StatusE2E, OverTcp) {
  e2e::TRuvexHome home;
  e2e::TEmulator daisy(home.Folder(), "daisy", {"--family", "daisy", "--tcp", "0", "--clock-offset", std::to_string(kClockOffset)});
  home.WriteSettings({"DeviceAuto=0", "ComType=ctTcp", "Ipv4Address=127.0.0.1",
                      "Ipv4Port=" + std::to_string(daisy.TcpPort()), "FpType=Daisy"});

  e2e::TRun run = home.Run({"/getStatus"}, {});
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Stdout, "");
  const std::string text = home.ReturnText();
  const std::string clock = Line(text, "FpDateTime: ");
  ExpectDeviceClock(clock);
  EXPECT_EQ(text, DaisyStatusReturn(clock));
  EXPECT_EQ(daisy.JournalLines(), (std::vector<std::string>{"seq=22 cmd=5A data=", "seq=23 cmd=3E data="}));
}

TEST(StatusE2E, FiscalMemoryNumberThatNoDeviceHas) {
  e2e::TRuvexHome home;
  e2e::TEmulator daisy(home.Folder(), "daisy", {"--family", "daisy", "--pty"});

  e2e::TRun run = home.Run({"/getStatus", "/fiscalMemoryNo:99999999"}, {daisy.Where()});
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Stdout, "");
  const std::string message = "Не е намерено фискално устройство с номер на фискална памет 99999999!";
  EXPECT_EQ(home.ReturnText(), "ResultCode: ERROR\r\n"
                               "ResultType: fprUnknownError\r\n"
                               "ResultText: " + message + "\r\n"
                               "StatusCode: \r\n"
                               "StatusText: \r\n"
                               "StatusErrors: \r\n"
                               "FpNo: \r\n"
                               "FpMem:\r\n"
                               "FpBonNo: \r\n"
                               "FpIsBonOpen: 0\r\n"
                               "FpDateTime: 1899-12-30 00:00:00\r\n"
                               "Json: \r\n");
  EXPECT_NE(home.Read("ruvex.log").find(message), std::string::npos);
  // The device was probed and answered, but it is not the one asked for: nothing is remembered.
  EXPECT_EQ(home.Read("ruvex.ini"), "DeviceAuto_" + e2e::ComputerName() + "=1\r\n");
}

}  // namespace

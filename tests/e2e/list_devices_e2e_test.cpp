// listDevices end to end: two emulated devices and a port where nobody answers.
#include <gtest/gtest.h>

#include <algorithm>

#include "e2e_harness.h"
#include "model/text.h"

namespace {

std::string JsonPath(const std::string& path) {
  std::string out;
  for (char c : path) out += c == '/' ? std::string("\\/") : std::string(1, c);
  return out;
}

struct TDevice {
  std::string Port, FpNo, FpMem;
};

std::string JsonItem(const TDevice& device) {
  return "{\"deviceType\":\"Daisy\",\"deviceMemoryNumber\":\"" + device.FpMem + "\",\"deviceNumber\":\"" +
         device.FpNo + "\",\"communicationType\":\"ctSerial\",\"comPort\":\"" + JsonPath(device.Port) +
         "\",\"baudRate\":\"9600\",\"ipAddress\":\"\",\"ipPort\":0}";
}

bool PortOrder(const std::string& a, const std::string& b) { return model::AsciiLower(a) < model::AsciiLower(b); }

TEST(ListDevicesE2E, ListsTheDevicesThatAnswerAndSkipsASilentPort) {
  e2e::TRuvexHome home;
  e2e::TEmulator first(home.Folder(), "first", {"--family", "daisy", "--pty"});
  e2e::TEmulator second(home.Folder(), "second",
                        {"--family", "daisy", "--pty", "--fp-no", "DY000002", "--fp-mem", "36000002"});
  e2e::TSilentPort silent;
  std::vector<TDevice> devices{{first.Where(), "DY448967", "36607003"}, {second.Where(), "DY000002", "36000002"}};
  std::sort(devices.begin(), devices.end(), [](const TDevice& a, const TDevice& b) { return PortOrder(a.Port, b.Port); });
  std::vector<std::string> ports{first.Where(), second.Where(), silent.Path()};
  std::sort(ports.begin(), ports.end(), PortOrder);

  e2e::TRun run = home.Run({"/listDevices"}, ports);
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Stdout, "");
  const std::string text = home.ReturnText();
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "ResultCode: OK");
  EXPECT_NE(text.find("\r\nJson: {\"items\":[" + JsonItem(devices[0]) + "," + JsonItem(devices[1]) + "]}\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(home.Read("ruvex.log").find("Found com ports: 3: " + ports[0] + "," + ports[1] + "," + ports[2] + "\r\n"),
            std::string::npos)
      << home.Read("ruvex.log");
  // Listing remembers nothing.
  EXPECT_EQ(home.Read("ruvex.ini"), "DeviceAuto_" + e2e::ComputerName() + "=1\r\n");

  // A status run without settings probes too, takes the first device found and remembers it.
  run = home.Run({"/getStatus"}, {first.Where(), second.Where()});
  const std::string host = e2e::ComputerName();
  EXPECT_EQ(home.Read("ruvex.ini"), "DeviceAuto_" + host + "=1\r\nFpType_" + host + "=Daisy\r\nComPort_" + host +
                                        "=" + devices[0].Port + "\r\nComBaudRate_" + host + "=9600\r\n");
  EXPECT_NE(home.ReturnText().find("\r\nFpNo: " + devices[0].FpNo + "\r\n"), std::string::npos) << home.ReturnText();
}

}  // namespace

#include "discovery/fp_manager.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "discovery/discovery_rig.h"
#include "model/text.h"

namespace {

using disctest::TEnvScope;
using disctest::TRig;
using discovery::TFpManagerBasic;
using model::TFpDeviceType;

// ---- port list ----

TEST(ListSerialPorts, VariableReplacesSystemListAndIsSortedIgnoringCase) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"COM2,com10,COM1", {"COM1", "com10", "COM2"}},
      {" /dev/ttyS1 , ,/dev/pts/3", {"/dev/pts/3", "/dev/ttyS1"}},
  };
  for (const auto& [value, expected] : cases) {
    TEnvScope env("RUVEX_SERIAL_PORTS", value);
    EXPECT_EQ(TFpManagerBasic::ListSerialPorts(), expected) << value;
  }
  TEnvScope unset("RUVEX_SERIAL_PORTS", std::nullopt);
  const auto system = TFpManagerBasic::ListSerialPorts();
  EXPECT_TRUE(std::is_sorted(system.begin(), system.end(), [](const auto& a, const auto& b) {
    return model::AsciiLower(a) < model::AsciiLower(b);
  }));
}

TEST(ListSerialPorts, VariableSetButEmptyMeansNoPorts) {
  if (!fakes::TEnvScope::EmptyValuesExist()) GTEST_SKIP() << "an empty environment variable does not exist here";
  TEnvScope env("RUVEX_SERIAL_PORTS", "");
  EXPECT_TRUE(TFpManagerBasic::ListSerialPorts().empty());
  TRig rig;
  EXPECT_TRUE(TFpManagerBasic::ListComDevices(rig.Factory()).empty());
  ASSERT_EQ(rig.Logger.Lines.size(), 1u);
  EXPECT_EQ(rig.Logger.Lines[0], "Found com ports: 0: ");
}

TEST(ListComDevices, LogsPortNamesQuotedWhereNeeded) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"COM1,COM 3,A\"B", "Found com ports: 3: \"A\"\"B\",\"COM 3\",COM1"},
  };
  for (const auto& [value, line] : cases) {
    TRig rig;
    TEnvScope env("RUVEX_SERIAL_PORTS", value);
    EXPECT_TRUE(TFpManagerBasic::ListComDevices(rig.Factory()).empty());
    ASSERT_EQ(rig.Logger.Lines.size(), 1u);
    EXPECT_EQ(rig.Logger.Lines[0], line);
  }
}

// ---- probe ----

TEST(ProbeDevices, EveryPortAtEachSpeedUntilFound) {
  TRig rig;
  rig.Lines["COM1"] = {false, 9600, "DY000001", "36000001"};
  rig.Lines["COM2"] = {false, 19200, "DY000002", "36000002"};
  rig.Lines["COM3"] = {.OpenFails = true};
  rig.Lines["COM5"] = {false, 2400, "DT000005", "36000005"};  // answers, but not with Daisy's letters
  model::TFpDeviceInfoList list;
  TFpManagerBasic::ProbeDevices(TFpManagerBasic::ProbeFamilies(), {"COM1", "COM2", "COM3", "COM4", "COM5"}, list,
                                TFpManagerBasic::ListBaudRates(), rig.Factory());

  ASSERT_EQ(list.size(), 2u);
  const std::vector<std::tuple<std::string, std::string, std::string, std::string>> expected = {
      {"COM1", "9600", "DY000001", "36000001"}, {"COM2", "19200", "DY000002", "36000002"}};
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(list[i]->DeviceType, TFpDeviceType::Daisy);
    EXPECT_EQ(list[i]->CommunicationType, model::ctSerial);
    EXPECT_EQ(list[i]->ComPort, std::get<0>(expected[i]));
    EXPECT_EQ(list[i]->BaudRate, std::get<1>(expected[i]));
    EXPECT_EQ(list[i]->DeviceNumber, std::get<2>(expected[i]));
    EXPECT_EQ(list[i]->DeviceMemoryNumber, std::get<3>(expected[i]));
  }
  const std::vector<std::string> created = {
      "COM1@9600",                                                    // found at the first speed
      "COM2@9600",  "COM2@115200", "COM2@19200",                      // found at the third
      "COM3@9600",                                                    // does not open: next port
      "COM4@9600",  "COM4@115200", "COM4@19200", "COM4@2400",         // silent at every speed
      "COM5@9600",  "COM5@115200", "COM5@19200", "COM5@2400"};        // wrong vendor letters
  EXPECT_EQ(rig.Created, created);
}

TEST(ProbeDevices, BrokenPortDoesNotHideLaterPorts) {
  TRig rig;
  rig.Lines["COM1"] = {false, 9600, "DY000001", "36000001", true};
  rig.Lines["COM2"] = {false, 9600, "DY000002", "36000002"};
  model::TFpDeviceInfoList list;
  TFpManagerBasic::ProbeDevices(TFpManagerBasic::ProbeFamilies(), {"COM1", "COM2"}, list,
                                TFpManagerBasic::ListBaudRates(), rig.Factory());
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]->ComPort, "COM2");
  EXPECT_EQ(rig.Created, (std::vector<std::string>{"COM1@9600", "COM2@9600"}));
}

TEST(CreateFp, DaisyAndNothingForNone) {
  auto fp = TFpManagerBasic::CreateFp(TFpDeviceType::Daisy);
  ASSERT_NE(fp, nullptr);
  EXPECT_EQ(fp->VendorLetters(), "DY");
  EXPECT_EQ(TFpManagerBasic::CreateFp(TFpDeviceType::fpdtNone), nullptr);
  EXPECT_EQ(TFpManagerBasic::CreateFp(static_cast<TFpDeviceType>(255)), nullptr);
}

// ---- choosing the device ----

// Ports on which no real device exists: the settings path fails to open and the probe decides.
class GetDeviceTest : public ::testing::Test {
protected:
  GetDeviceTest() {
    rig.Lines["RVX-A"] = {false, 9600, "DY000001", "36000001"};
    rig.Lines["RVX-B"] = {false, 115200, "DY000002", "36000002"};
  }
  std::unique_ptr<driver::TFpBasic> Get(const std::string& fpMem) {
    return TFpManagerBasic::GetDevice(fpMem, rig.Factory());
  }
  std::string Thrown(const std::string& fpMem) {
    try {
      Get(fpMem);
    } catch (const std::exception& e) {
      return e.what();
    }
    return "<no error>";
  }

  TRig rig;
  TEnvScope env{"RUVEX_SERIAL_PORTS", "RVX-B,RVX-A"};
};

TEST_F(GetDeviceTest, AutomaticWithoutNumberTakesFirstAndRemembersIt) {
  auto fp = Get("");
  ASSERT_NE(fp, nullptr);
  EXPECT_EQ(fp->ComPort(), "RVX-A");
  EXPECT_EQ(fp->ComBaudRate(), model::br9600);
  EXPECT_FALSE(fp->IsConnected());
  EXPECT_EQ(rig.Settings.Get("FpType"), "Daisy");
  EXPECT_EQ(rig.Settings.Get("ComPort"), "RVX-A");
  EXPECT_EQ(rig.Settings.Get("ComBaudRate"), "9600");
  const auto& entries = rig.Settings.Entries();
  EXPECT_NE(std::find(entries.begin(), entries.end(), std::make_pair(std::string("ComPort_pos1"), std::string("RVX-A"))),
            entries.end());
  EXPECT_EQ(rig.Logger.Lines,
            (std::vector<std::string>{
                "GetSerialDeviceFromSettings: aSettingsDeviceTypeStr: , aSettingsComPort:, aSettingsBaudRate:.",
                "No valid device in settings", "Found com ports: 2: RVX-A,RVX-B", "Found devices: 2"}));
}

TEST_F(GetDeviceTest, NumberPicksThatDeviceAndWritesNothing) {
  // The settings name the other device; it cannot be reached by name, so the probe decides.
  rig.Settings.SetValue("FpType", "daisy");
  rig.Settings.SetValue("ComPort", "RVX-A");
  rig.Settings.SetValue("ComBaudRate", "9600");
  auto fp = Get("36000002");
  EXPECT_EQ(fp->ComPort(), "RVX-B");
  EXPECT_EQ(fp->ComBaudRate(), model::br115200);
  EXPECT_EQ(rig.Settings.Get("ComPort"), "RVX-A");
  EXPECT_EQ(rig.Logger.Lines.at(0),
            "GetSerialDeviceFromSettings: aSettingsDeviceTypeStr: daisy, aSettingsComPort:RVX-A, "
            "aSettingsBaudRate:9600.");
}

TEST_F(GetDeviceTest, WithoutNumberConfiguredPortWins) {
  rig.Settings.SetValue("ComPort", "RVX-B");
  auto fp = Get("");
  EXPECT_EQ(fp->ComPort(), "RVX-B");
  EXPECT_EQ(rig.Settings.Get("FpType"), "");  // chosen by the settings, so nothing is written
}

TEST_F(GetDeviceTest, ManualModeNeverWritesSettings) {
  rig.Settings.SetValue("DeviceAuto", "0");
  auto fp = Get("");
  EXPECT_EQ(fp->ComPort(), "RVX-A");
  EXPECT_EQ(rig.Settings.Get("ComPort"), "");
}

TEST_F(GetDeviceTest, NotFoundMessages) {
  struct Case {
    std::string DeviceAuto, ComType, Ports, FpMem, Message;
  };
  const std::vector<Case> cases = {
      {"1", "", "RVX-A,RVX-B", "36999999", "Не е намерено фискално устройство с номер на фискална памет 36999999!"},
      {"1", "", "", "", "Автоматични настройки, но не е намерено фискално устройство!"},
      {"1", "ctTcp", "", "", "Автоматични настройки, но не е намерено фискално устройство!"},  // TCP only when manual
      {"0", "ctSerial", "", "", "Не е намерено фискално устройство!"},
      {"0", "", "", "36000001", "Не е намерено фискално устройство с номер на фискална памет 36000001!"},
  };
  for (const auto& c : cases) {
    rig.Settings.SetValue("DeviceAuto", c.DeviceAuto);
    rig.Settings.SetValue("ComType", c.ComType);
    rig.Settings.SetValue("Ipv4Address", "127.0.0.1");
    rig.Settings.SetValue("Ipv4Port", "1");
    TEnvScope ports("RUVEX_SERIAL_PORTS", c.Ports);
    EXPECT_EQ(Thrown(c.FpMem), c.Message) << c.DeviceAuto << c.ComType << c.FpMem;
  }
}

TEST_F(GetDeviceTest, UnknownFamilyInSettingsFallsBackToProbe) {
  rig.Settings.SetValue("FpType", "Olivetti");
  rig.Settings.SetValue("ComPort", "RVX-B");
  rig.Settings.SetValue("ComBaudRate", "115200");
  auto fp = Get("36000002");
  EXPECT_EQ(fp->ComPort(), "RVX-B");
  EXPECT_NE(std::find(rig.Logger.Lines.begin(), rig.Logger.Lines.end(), "No valid device in settings"),
            rig.Logger.Lines.end());
}

}  // namespace

// Every device family end to end: discovery tells them apart (and turns away a Datecs model that
// no family serves), and a receipt runs on each.
#include <gtest/gtest.h>

#include <algorithm>

#include "e2e_harness.h"
#include "model/text.h"

namespace {

struct TFamily {
  const char* Emulated;  // --family
  const char* FpType;    // settings and device-list name
  const char* FpNo;
  const char* FpMem;
  bool NumbersOnClose;  // closing a receipt also reads the device numbers
};

void PrintTo(const TFamily& family, std::ostream* out) { *out << family.FpType; }

const TFamily kFamilies[] = {
    {"daisy", "Daisy", "DY448967", "36607003", true},      {"datecs-a", "DatecsA", "DT517985", "02517985", true},
    {"datecs-b", "DatecsB", "DT636414", "02636414", true}, {"datecs-c", "DatecsC", "DT279013", "02279013", true},
    {"eltrade", "Eltrade", "ED311662", "44311662", true},  {"tremol", "Tremol", "ZK133759", "50163145", false},
};

std::string JsonPath(const std::string& path) {
  std::string out;
  for (char c : path) out += c == '/' ? std::string("\\/") : std::string(1, c);
  return out;
}

bool PortOrder(const std::string& a, const std::string& b) { return model::AsciiLower(a) < model::AsciiLower(b); }

TEST(FamiliesE2E, DiscoveryTellsTheFamiliesApart) {
  e2e::TRuvexHome home;
  std::vector<std::unique_ptr<e2e::TEmulator>> devices;
  std::vector<std::pair<std::string, std::string>> expected;  // port, JSON item
  std::vector<std::string> ports;
  for (const TFamily& family : kFamilies) {
    devices.push_back(std::make_unique<e2e::TEmulator>(home.Folder(), family.Emulated,
                                                       std::vector<std::string>{"--family", family.Emulated, "--pty"}));
    const std::string port = devices.back()->Where();
    ports.push_back(port);
    expected.emplace_back(port, std::string("{\"deviceType\":\"") + family.FpType + "\",\"deviceMemoryNumber\":\"" +
                                    family.FpMem + "\",\"deviceNumber\":\"" + family.FpNo +
                                    "\",\"communicationType\":\"ctSerial\",\"comPort\":\"" + JsonPath(port) +
                                    "\",\"baudRate\":\"9600\",\"ipAddress\":\"\",\"ipPort\":0}");
  }
  // A Datecs device whose model neither family A nor family B serves is not listed.
  e2e::TEmulator unknownModel(home.Folder(), "fmp-55",
                              {"--family", "datecs-a", "--pty", "--model", "FMP-55", "--fp-no", "DT000055"});
  ports.push_back(unknownModel.Where());
  std::sort(ports.begin(), ports.end(), PortOrder);
  std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) { return PortOrder(a.first, b.first); });

  e2e::TRun run = home.Run({"/listDevices"}, ports, 120000);
  EXPECT_EQ(run.ExitCode, 0);
  std::string items;
  for (const auto& [port, item] : expected) items += (items.empty() ? "" : ",") + item;
  const std::string text = home.ReturnText();
  EXPECT_NE(text.find("\r\nJson: {\"items\":[" + items + "]}\r\n"), std::string::npos) << text;
  EXPECT_GT(unknownModel.JournalLines().size(), 4u);  // asked at every speed, never accepted
}

class FamilyReceiptE2E : public ::testing::TestWithParam<TFamily> {};

TEST_P(FamilyReceiptE2E, RunsAReceiptOverTcp) {
  const TFamily& family = GetParam();
  e2e::TRuvexHome home;
  e2e::TEmulator device(home.Folder(), family.Emulated, {"--family", family.Emulated, "--tcp", "0"});
  home.WriteSettings({"DeviceAuto=0", "ComType=ctTcp", "Ipv4Address=127.0.0.1",
                      "Ipv4Port=" + std::to_string(device.TcpPort()), std::string("FpType=") + family.FpType});
  home.Write("bon.txt",
             "FiscalBonStart;1;1;\r\n"
             "FiscalBonItem;Хляб;;А;1.20;2\r\n"
             "FiscalBonTotal;;;Cash;5\r\n"
             "FiscalBonEnd\r\n");

  e2e::TRun run = home.Run({"/writeBon", "/input:" + home.PathOf("bon.txt")}, {});
  EXPECT_EQ(run.ExitCode, 0);
  const std::string text = home.ReturnText();
  EXPECT_EQ(text.substr(0, text.find("\r\nResultText")), "ResultCode: OK\r\nResultType: fprOk") << text;
  EXPECT_NE(text.find("\r\nFpBonNo: 0000001\r\n"), std::string::npos) << text;
  const std::string fpNo = family.NumbersOnClose ? family.FpNo : "";
  EXPECT_NE(text.find("\r\nFpNo: " + fpNo + "\r\n"), std::string::npos) << text;
  const std::string roll = device.Roll();
  for (const char* piece : {"Хляб", "2.000 x 1.20                    2.40 А", "РЕСТО                               2.60",
                            "Бон № 0000001"})
    EXPECT_NE(roll.find(piece), std::string::npos) << piece << "\n" << roll;
}

INSTANTIATE_TEST_SUITE_P(AllFamilies, FamilyReceiptE2E, ::testing::ValuesIn(kFamilies),
                         [](const ::testing::TestParamInfo<TFamily>& info) { return std::string(info.param.FpType); });

}  // namespace

namespace {

// A split reply is taken whole; a lost reply to a sale makes the driver send the sale again, and
// the device answers the resend without selling twice.
TEST(FamiliesE2E, TremolLostReplyToASaleIsSoldOnce) {
  e2e::TRuvexHome home;
  e2e::TEmulator device(home.Folder(), "tremol",
                        {"--family", "tremol", "--tcp", "0", "--fault", "0x30:split=150*1", "--fault", "0x31:silence*1"});
  home.WriteSettings({"DeviceAuto=0", "ComType=ctTcp", "Ipv4Address=127.0.0.1",
                      "Ipv4Port=" + std::to_string(device.TcpPort()), "FpType=Tremol"});
  home.Write("bon.txt", "FiscalBonStart;1;1;\r\nFiscalBonItem;Хляб;;А;1.20;2\r\nFiscalBonEnd\r\n");

  home.Run({"/writeBon", "/input:" + home.PathOf("bon.txt")}, {});
  const std::string text = home.ReturnText();
  EXPECT_EQ(text.substr(0, text.find("\r\nResultText")), "ResultCode: OK\r\nResultType: fprOk") << text;
  std::vector<std::string> commands;
  for (const std::string& line : device.JournalLines()) {
    std::string command = line.substr(line.find("cmd="), 6);
    commands.push_back(line.find(" dup") == std::string::npos ? command : command + " dup");
  }
  EXPECT_EQ(commands, (std::vector<std::string>{"cmd=68", "cmd=30", "cmd=31", "cmd=31 dup", "cmd=72", "cmd=38"}));
  const std::string roll = device.Roll();
  EXPECT_NE(roll.find("ОБЩА СУМА                           2.40"), std::string::npos) << roll;
}

}  // namespace

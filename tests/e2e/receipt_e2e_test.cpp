// writeBon end to end against an emulated Daisy device: the bytes on the wire, the receipt on the
// paper roll, a lost reply that must not print a second receipt, and the clock check.
#include <gtest/gtest.h>

#include "e2e_harness.h"
#include "emulator/emu_device.h"
#include "platform/code_page.h"

namespace {

const char* const kBreadScript =
    "FiscalBonStart;1;1;\r\n"
    "FiscalBonItem;Хляб;;А;1.20;2\r\n"
    "FiscalBonTotal;;;Cash;5\r\n"
    "FiscalBonEnd\r\n";

std::string Hex(const std::string& utf8) { return emulator::HexBytes(platform::Utf8ToAnsi(utf8)); }

std::size_t Count(const std::string& text, const std::string& piece) {
  std::size_t count = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
  return count;
}

struct TDaisyShop {
  e2e::TRuvexHome Home;
  e2e::TEmulator Daisy;

  explicit TDaisyShop(std::vector<std::string> extra = {})
      : Daisy(Home.Folder(), "daisy", [&] {
          std::vector<std::string> args{"--family", "daisy", "--pty"};
          args.insert(args.end(), extra.begin(), extra.end());
          return args;
        }()) {
    Home.WriteSettings({"FpType=Daisy", "ComPort=" + Daisy.Where(), "ComBaudRate=9600"});
  }

  std::string RunScript(const std::string& script) {
    Home.Write("bon.txt", script);
    e2e::TRun run = Home.Run({"/writeBon", "/input:" + Home.PathOf("bon.txt")}, {Daisy.Where()});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Stdout, "");
    return Home.ReturnText();
  }
};

TEST(ReceiptE2E, PrintsAReceiptWithTheExactBytes) {
  TDaisyShop shop;
  const std::string text = shop.RunScript(kBreadScript);
  EXPECT_EQ(text.substr(0, text.find("StatusCode")), "ResultCode: OK\r\nResultType: fprOk\r\nResultText: \r\n");
  for (const char* line : {"\r\nFpNo: DY448967\r\n", "\r\nFpMem:36607003\r\n", "\r\nFpBonNo: 0000001\r\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << text;

  EXPECT_EQ(shop.Daisy.JournalLines(), (std::vector<std::string>{
                                           "seq=22 cmd=5A data=",                          // device from the settings
                                           "seq=23 cmd=3E data=",                          // clock before the script
                                           "seq=24 cmd=30 data=" + Hex("1,1,"),            // operator 1, password 1
                                           "seq=25 cmd=31 data=" + Hex("Хляб\n\tА1.2*2"),  // 2 x 1.20, group А
                                           "seq=26 cmd=35 data=" + Hex("\n\tP5"),          // 5.00 cash
                                           "seq=27 cmd=38 data=",                          // close
                                           "seq=28 cmd=71 data=",                          // receipt number, twice
                                           "seq=29 cmd=71 data=",                          //
                                           "seq=2A cmd=5A data=",                          // numbers for the result
                                       }));
  const std::string roll = shop.Daisy.Roll();
  EXPECT_EQ(Count(roll, "Бон № "), 1u) << roll;
  for (const char* piece : {"Хляб", "  2.000 x 1.20                    2.40 А", "В БРОЙ                              5.00",
                            "РЕСТО                               2.60", "Бон № 0000001"})
    EXPECT_NE(roll.find(piece), std::string::npos) << piece << "\n" << roll;
}

TEST(ReceiptE2E, LostReplyToTheClosingDoesNotPrintASecondReceipt) {
  TDaisyShop shop({"--fault", "0x38:silence*1"});
  const std::string text = shop.RunScript(kBreadScript);
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "ResultCode: OK") << text;
  EXPECT_NE(text.find("\r\nFpBonNo: 0000001\r\n"), std::string::npos) << text;

  std::vector<std::string> journal = shop.Daisy.JournalLines();
  ASSERT_GE(journal.size(), 8u);
  EXPECT_EQ(journal[5], "seq=27 cmd=38 data= faults=0x38:silence*1");
  EXPECT_EQ(journal[6], "seq=27 cmd=38 data= dup");
  EXPECT_EQ(Count(shop.Daisy.Roll(), "Бон № "), 1u) << shop.Daisy.Roll();
}

TEST(ReceiptE2E, DeviceClockOffTooFarStopsTheReceiptBeforeItStarts) {
  TDaisyShop shop({"--clock-offset", "1000"});
  const std::string text = shop.RunScript(kBreadScript);
  EXPECT_EQ(text.substr(0, text.find("ResultText")), "ResultCode: ERROR\r\nResultType: fprDateTimeNotCorrect\r\n");
  EXPECT_NE(text.find("ResultText: Невъзможно отпечатване на касов бон!\rДатата и часът "), std::string::npos) << text;
  for (const std::string& line : shop.Daisy.JournalLines()) EXPECT_EQ(line.find("cmd=30"), std::string::npos) << line;
  EXPECT_EQ(shop.Daisy.Roll(), "");
}

}  // namespace

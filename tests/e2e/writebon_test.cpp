// Receipt scripts end to end on an emulated Daisy device: every line type with the exact data the
// device receives, the result files of a whole script and of one that stops at its second line, a
// receipt left open for the next script, and the clock tolerance around three minutes.
#include <gtest/gtest.h>

#include "script_shop.h"

namespace {

using e2e::TScriptShop;
using e2e::TSent;

constexpr const char* kOpenBonPrefix = "Вече има отворен бон, откажете го преди да изпратите друг.\r\n";

// What every script run starts with: the status request that checks the device from the settings,
// then the clock.
const std::vector<TSent> kDaisyLookup = {{"5A", "", ""}, {"3E", "", ""}};

std::vector<TSent> Then(std::vector<TSent> first, const std::vector<TSent>& more) {
  first.insert(first.end(), more.begin(), more.end());
  return first;
}

// The values of every line of a long form that starts with this label, in order.
std::vector<std::string> Values(const std::string& text, const std::string& label) {
  std::vector<std::string> values;
  for (std::size_t at = text.find("\r\n" + label); at != std::string::npos; at = text.find("\r\n" + label, at + 2)) {
    const std::size_t from = at + 2 + label.size();
    values.push_back(text.substr(from, text.find("\r\n", from) - from));
  }
  return values;
}

std::string ScriptResultHead(const std::string& type, const std::string& text, const std::string& fpNo,
                             const std::string& fpMem, const std::string& bonNo, bool open) {
  return "Request: \r\nRequestRaw: \r\nResultType: " + type + "\r\nResultText: " + text +
         "\r\nResponseRaw: \r\nFpNo: " + fpNo + "\r\nFpMem: " + fpMem + "\r\nFpDateTime: *\r\nFpIsBonOpen: " +
         (open ? "Yes" : "No") + "\r\nStatusCode: \r\nStatusText: \r\nStatusErrors: \r\nFpBonNo: " + bonNo +
         "\r\nFpNo: " + fpNo + "\r\nJson: \r\nDetails: \r\n";
}

const std::vector<std::string> kFullScript = {
    "FiscalBonStart;1;1;DY448967-0001-0000001",
    "FiscalBonItem;Хляб;Бял;А;0.125;8",
    "FiscalBonItem;Мляко;;Б;1,375;1.0625",
    "FiscalBonTextLine;Благодарим!",
    "FiscalBonTotal;;;Cash;1",
    "FiscalBonTotal;Карта;;Card",
    "FiscalBonEnd",
    "CashInOut;-0.5",
    "XReport",
    "ReportPeriodShort;2024-03-01;2024-03-31",
    "FiscalBonStorno;;;DY448967-0001-0000002;Return;0000001;2024-01-05 14:07;36607003",
    "FiscalBonItem;Хляб;;А;0.12;8",
    "FiscalBonTotal;;;Cash",
    "FiscalBonEnd",
};

TEST(WriteBonE2E, WholeScriptFromAFileSendsEveryLineAndReportsTheLastReceipt) {
  TScriptShop shop("daisy", "Daisy", TScriptShop::TLine::Pty);
  std::string script;
  for (const std::string& line : kFullScript) script += line + "\r\n";
  shop.RunFile(script, {"/output:" + shop.Home.PathOf("out.txt")});

  const std::vector<TSent> close = {{"38", "", ""}, {"71", "", ""}, {"71", "", ""}, {"5A", "", ""}};
  EXPECT_EQ(e2e::Received(shop.Device),
            Then(Then(Then(kDaisyLookup,
                           {
                               {"30", "1,1,DY448967-0001-0000001", ""},
                               {"31", "Хляб\nБял\tА0.12*8", ""},       // 0.125 rounds to the even cent
                               {"31", "Мляко\n\tБ1.38*1.062", ""},     // 1.375 up, 1.0625 down: ties to even
                               {"36", "Благодарим!", ""},              //
                               {"35", "\n\tP1", ""},                   // 1.00 in cash
                               {"35", "Карта\n\tC", ""},               // the rest by card: no amount
                           }),
                      close),
                 Then({
                          {"46", "-0.5", ""},           // cash out
                          {"71", "", ""},               // its slip number
                          {"45", "0", ""},              // X report
                          {"4F", "010324,310324", ""},  // March 2024
                          {"30", "20,9999,DY448967-0001-0000002\tR0,0000001,05-01-24 14:07\t36607003", ""},
                          {"31", "Хляб\n\tА0.12*8", ""},
                          {"35", "\n\tP", ""},
                      },
                      close)));

  const std::string returned = shop.Home.ReturnText();
  EXPECT_EQ(e2e::WithoutClock(returned), e2e::ReturnLines({{"ResultCode: ", "OK"},
                                                           {"ResultType: ", "fprOk"},
                                                           {"ResultText: ", ""},
                                                           {"StatusCode: ", ""},
                                                           {"StatusText: ", ""},
                                                           {"StatusErrors: ", ""},
                                                           {"FpNo: ", "DY448967"},
                                                           {"FpMem:", "36607003"},
                                                           {"FpBonNo: ", "0000002"},
                                                           // as it was when the close was sent
                                                           {"FpIsBonOpen: ", "1"},
                                                           {"FpDateTime: ", "*"},
                                                           {"Json: ", ""}}));

  // The output file: the same short form, then the long form with one detail per line, in order.
  const std::string output = e2e::OutputText(shop.Home, "out.txt");
  ASSERT_EQ(output.substr(0, returned.size() + 2), returned + "\r\n");
  const std::string longForm = e2e::WithoutClock(output.substr(returned.size() + 2));
  EXPECT_EQ(longForm.substr(0, longForm.find("    Request: ")),
            ScriptResultHead("fprOk", "", "DY448967", "36607003", "0000002", true));
  EXPECT_EQ(Values(longForm, "    Request: "), kFullScript);
  EXPECT_EQ(Values(longForm, "    ResultType: "), std::vector<std::string>(kFullScript.size(), "fprOk"));
  EXPECT_EQ(Values(longForm, "    RequestRaw: ")[10],
            "0x0030: 20,9999,DY448967-0001-0000002\tR0,0000001,05-01-24 14:07\t36607003");
}

// The device refuses the sale with its error number 3: the script stops there, the storno receipt
// it opened stays open, and the next script's opening is refused with the reason in front.
TEST(WriteBonE2E, InlineScriptStopsAtItsSecondLineAndTheNextScriptSeesTheOpenReceipt) {
  TScriptShop shop("daisy", "Daisy", TScriptShop::TLine::Pty, {"--fault", "0x31:error=3"});
  const std::vector<std::string> lines = {
      "FiscalBonStorno;;;DY448967-0001-0000009;Error;0000007;2024-01-05 14:07;36607003",
      "FiscalBonItem;Хляб;;А;1.20;1",
      "FiscalBonTotal;;;Cash",
      "FiscalBonEnd",
  };
  // Lines travel joined by the two characters backslash and n; the colons of the time stay in the script.
  std::string value = "PC1:DY448967:DY448967-0001-0000009:17:";
  for (std::size_t i = 0; i < lines.size(); ++i) value += (i ? "\\n" : "") + lines[i];
  shop.Run({"/writeBon:" + value, "/output:" + shop.Home.PathOf("out.txt")});

  EXPECT_EQ(e2e::Received(shop.Device),
            Then(kDaisyLookup, {
                                   {"30", "20,9999,DY448967-0001-0000009\tR1,0000007,05-01-24 14:07\t36607003", ""},
                                   {"31", "Хляб\n\tА1.2*1", " faults=0x31:error=3"},
                               }));
  const std::string refusal = " (3.0-3.6) Номер на грешка на ФУ \r\n"
                              "3 ПРЕПЪЛНЕН БОН: Нямате право на повече продажби в този бон \r\n"
                              "\r\n\r\n"
                              "ПРЕПЪЛНЕН БОН: Нямате право на повече продажби в този бон Натиснете C и приключете "
                              "бележката\r\n";
  const std::string returned = shop.Home.ReturnText();
  EXPECT_EQ(e2e::WithoutClock(returned), e2e::ReturnLines({{"ResultCode: ", "ERROR"},
                                                           {"ResultType: ", "fprStatusError"},
                                                           {"ResultText: ", refusal + "\r\n"},
                                                           {"StatusCode: ", ""},
                                                           {"StatusText: ", ""},
                                                           {"StatusErrors: ", ""},
                                                           {"FpNo: ", ""},
                                                           {"FpMem:", ""},
                                                           {"FpBonNo: ", ""},
                                                           {"FpIsBonOpen: ", "1"},
                                                           {"FpDateTime: ", "*"},
                                                           {"Json: ", ""}}));
  const std::string output = e2e::OutputText(shop.Home, "out.txt");
  ASSERT_EQ(output.substr(0, returned.size() + 2), returned + "\r\n");
  const std::string longForm = e2e::WithoutClock(output.substr(returned.size() + 2));
  // The long form trims the result text.
  EXPECT_EQ(longForm.substr(0, longForm.find("    Request: ")),
            ScriptResultHead("fprStatusError", refusal.substr(1, refusal.size() - 3), "", "", "", true));
  EXPECT_EQ(Values(longForm, "    Request: "), std::vector<std::string>(lines.begin(), lines.begin() + 2));
  EXPECT_EQ(Values(longForm, "    ResultType: "), (std::vector<std::string>{"fprOk", "fprStatusError"}));
  EXPECT_EQ(Values(longForm, "    StatusErrors: ").at(1), refusal.substr(0, refusal.find("\r\n")));

  shop.RunFile("FiscalBonStart;;;\r\n");
  const std::string next = shop.Home.ReturnText();
  EXPECT_EQ(e2e::LineValue(next, "ResultType: "), "fprStatusError");
  EXPECT_EQ(e2e::LineValue(next, "FpIsBonOpen: "), "1");
  EXPECT_NE(next.find("\r\nResultText: " + std::string(kOpenBonPrefix) + "\r\n"), std::string::npos) << next;
  EXPECT_NE(next.find("\r\n19 ОТВОРЕН БОН: Има отворен бон \r\n"), std::string::npos) << next;
  const std::vector<TSent> received = e2e::Received(shop.Device);
  ASSERT_EQ(received.size(), 7u);
  EXPECT_EQ(received.back(), (TSent{"30", "1,1,", ""}));  // the default operator, no sale number
}

struct TClockCase {
  const char* Offset;  // the device clock against the computer's, in seconds
  bool Passes;
};

class ClockToleranceE2E : public ::testing::TestWithParam<TClockCase> {};

// The device clock is read in whole seconds and checked a little later, so a device behind by 181 s
// is at least 181 s off and one ahead by 180 s at most 180 s off, whatever the moment of the run.
TEST_P(ClockToleranceE2E, DecidesBeforeTheDeviceIsAddressed) {
  const std::string host = e2e::ComputerName();
  TScriptShop shop("daisy", "Daisy", TScriptShop::TLine::Pty, {"--clock-offset", GetParam().Offset},
                   {"OperatorCode=3", "OperatorCode_" + host + "=4", "OperatorPassword_" + host + "=9"});
  shop.RunFile("FiscalBonStart;;;\r\nFiscalBonCancel\r\n");

  const std::string text = shop.Home.ReturnText();
  if (GetParam().Passes) {
    EXPECT_EQ(e2e::LineValue(text, "ResultType: "), "fprOk") << text;
    // The per-computer operator settings win over the plain one.
    EXPECT_EQ(e2e::Received(shop.Device), Then(kDaisyLookup, {{"30", "4,9,", ""}, {"82", "", ""}}));
  } else {
    EXPECT_EQ(e2e::LineValue(text, "ResultType: "), "fprDateTimeNotCorrect") << text;
    EXPECT_EQ(e2e::Received(shop.Device), kDaisyLookup);
  }
}

INSTANTIATE_TEST_SUITE_P(AroundThreeMinutes, ClockToleranceE2E,
                         ::testing::Values(TClockCase{"-181", false}, TClockCase{"180", true}),
                         [](const ::testing::TestParamInfo<TClockCase>& info) {
                           return std::string(info.param.Passes ? "AheadBy180Passes" : "BehindBy181Fails");
                         });

}  // namespace

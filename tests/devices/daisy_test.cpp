#include "devices/daisy.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "devices/framed_reply.h"
#include "model/date_time.h"
#include "model/text.h"
#include "support/settings.h"

namespace {

using devices::TFPDaisy;
using devtest::Data6;
using devtest::Status6;
using model::TFpCommand;

using Rig = devtest::TRig<TFPDaisy>;

model::TDateTime At(int y, int mo, int d, int h = 0, int mi = 0) {
  model::TDateTimeParts p;
  p.Year = y, p.Month = mo, p.Day = d, p.Hour = h, p.Minute = mi, p.Second = 0;
  return model::EncodeDateTime(p);
}

// ---- vendor data ----

TEST(DaisyTables, VendorDataAndCommandCodes) {
  TFPDaisy fp;
  EXPECT_EQ(fp.FpType, model::TFpDeviceType::Daisy);
  EXPECT_EQ(fp.VendorLetters(), "DY");
  EXPECT_EQ(fp.DefaultOperatorCode(), "1");
  EXPECT_EQ(fp.DefaultOperatorStornoCode(), "20");
  EXPECT_EQ(fp.DefaultPassword().size(), 1u);
  EXPECT_EQ(fp.DefaultStornoPassword().size(), 4u);
  EXPECT_EQ(fp.DefaultStornoPassword().find_first_not_of("0123456789"), std::string::npos);

  const auto& t = fp.CommandTable();
  EXPECT_EQ(t.GetVendorCode(TFpCommand::FiscalBonCancel).AsInteger(), 0x82);
  EXPECT_EQ(t.GetVendorCode(TFpCommand::ReportPeriodShort).AsInteger(), 0x4F);
  EXPECT_EQ(t.GetVendorCode(TFpCommand::ZReport).AsInteger(), 0x45);
  EXPECT_EQ(t.GetVendorCode(TFpCommand::StornoReasonError).AsText(), "1");
  EXPECT_EQ(t.GetVendorCode(TFpCommand::StornoReasonReturn).AsText(), "0");
  EXPECT_EQ(t.GetVendorCode(TFpCommand::PaymentMethodDelayed).AsText(), "N");
  for (auto missing : {TFpCommand::FpNumberGet, TFpCommand::FiscalBonStorno, TFpCommand::QrCodeDataGet})
    EXPECT_THROW(t.GetVendorCode(missing), std::runtime_error);

  EXPECT_EQ(fp.StatusList().Count(), 34u);
  EXPECT_EQ(fp.StatusList().At(0).Text, "(0.5) OR на всички грешки с * от байтове 0, 1, 2 – обща грешка");
}

TEST(DaisyTables, ErrorTableInDeviceOrderAndStyle) {
  const std::vector<std::string> codes = {
      "66", "1",  "3",  "4",  "5",  "6",  "7",   "8",   "9",   "10",  "11",  "12",  "13",  "14",  "15",
      "16", "19", "20", "21", "22", "23", "24",  "25",  "26",  "27",  "28",  "30",  "41",  "42",  "43",
      "44", "45", "61", "70", "71", "72", "76",  "81",  "82",  "83",  "84",  "85",  "90",  "91",  "92",
      "93", "97", "98", "102", "107", "108", "110", "111", "113", "117", "118", "120", "124", "125", "126"};
  TFPDaisy fp;
  const auto& errors = fp.ErrorCodes();
  ASSERT_EQ(errors.size(), codes.size());
  const std::string service = "Не може да продължите работа. Незабавно се обърнете към сервизен специалист";
  for (std::size_t i = 0; i < codes.size(); ++i) {
    SCOPED_TRACE(codes[i]);
    EXPECT_EQ(errors[i].Code, codes[i]);
    EXPECT_FALSE(errors[i].ResolveSuggestions.empty());
    if (codes[i] != "66") {
      EXPECT_NE(errors[i].Text.find(": "), std::string::npos);  // LABEL: explanation
    }
    const bool severe = model::StartsWith(errors[i].Text, "**");
    EXPECT_EQ(severe || codes[i] == "30", errors[i].ResolveSuggestions == service);
  }
  EXPECT_EQ(fp.FindError("19")->Text, "ОТВОРЕН БОН: Има отворен бон");
  EXPECT_EQ(fp.FindError("19")->ResolveSuggestions, "Натиснете Cи приключете бон");
  EXPECT_EQ(fp.FindError("82")->ResolveSuggestions,
            "Натиснете C пуснете дн.фин.отчет с нулиране и запис във фискалната памет");
  EXPECT_EQ(fp.FindError("13")->ResolveSuggestions, "Възниква само при работа с компютър");
  EXPECT_EQ(fp.FindError("012"), nullptr);  // exact text match
}

// ---- status byte 3 and the receipt-open flag ----

struct ErrorByteCase {
  const char* Name;
  std::uint8_t Byte3;
  bool BitSet;
  std::string Code, Text, Suggestion;
  model::TFpResultType Type;
};

const std::vector<ErrorByteCase> kErrorByteCases = {
    {"NoError", 0x80, false, "", "", "", model::fprOk},
    {"KnownError", 0x8C, true, "12", "*: Въвеждане на повече от един символ + или -",
     "*: Въвеждане на повече от един символ + или - Възниква само при работа с компютър", model::fprStatusError},
    {"UnknownError", 0x02, true, "2", "Код на грешка: 2. Не е намерена в списъка с грешки!", "",
     model::fprStatusError},
    {"HighBitIgnored", 0xFF, true, "127", "Код на грешка: 127. Не е намерена в списъка с грешки!", "",
     model::fprStatusError},
};

class DaisyErrorByte : public ::testing::TestWithParam<ErrorByteCase> {};

TEST_P(DaisyErrorByte, DecodesDeviceErrorNumber) {
  const auto& c = GetParam();
  Rig rig;
  rig.AnswerStatus6 = {0x80, 0x80, 0x80, c.Byte3, 0x80, 0x80};
  rig.AnswerEvery6();
  auto result = rig.Fp.GetStatus(false);

  const model::TFPStatusBit* bit = nullptr;
  for (std::size_t i = 0; i < rig.Fp.StatusList().Count(); ++i)
    if (rig.Fp.StatusList().At(i).Code == "3") bit = &rig.Fp.StatusList().At(i);
  ASSERT_NE(bit, nullptr);
  EXPECT_EQ(bit->IsSet, c.BitSet);
  EXPECT_EQ(bit->ErrorCode, c.Code);
  EXPECT_EQ(bit->ErrorText, c.Text);
  EXPECT_EQ(bit->ErrorResolveSuggestion, c.Suggestion);
  EXPECT_EQ(result->ResultType, c.Type);
  if (c.BitSet) {
    std::string errors = " (3.0-3.6) Номер на грешка на ФУ \r\n" + c.Code + " " + c.Text + " \r\n";
    if (!c.Suggestion.empty()) errors += "\r\n\r\n" + c.Suggestion + "\r\n";
    EXPECT_EQ(result->StatusErrors, errors);
  }
  EXPECT_EQ(rig.Port.Writes.size(), 1u);  // a status error is an answer: no resend
}

INSTANTIATE_TEST_SUITE_P(Status, DaisyErrorByte, ::testing::ValuesIn(kErrorByteCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(DaisyStatus, BonOpenFlagFollowsPreviousReply) {
  Rig rig;
  rig.AnswerEvery6();
  // Status byte 2 of each reply, and the flag expected in the result of that reply.
  const std::vector<std::pair<std::uint8_t, bool>> steps = {
      {0x88, false},  // fiscal receipt open, but the first reply of a driver object says false
      {0x80, true},   // the previous reply had 2.3 set
      {0xA0, false},  // non-fiscal receipt open
      {0x80, true},   // ... seen in the next one
      {0x80, false},
  };
  for (const auto& [byte2, expected] : steps) {
    rig.AnswerStatus6[2] = byte2;
    EXPECT_EQ(rig.Fp.GetStatus(false)->FpIsBonOpen, expected) << int(byte2);
  }
}

// ---- request layouts ----

struct LayoutCase {
  const char* Name;
  std::function<driver::TFpResultPtr(TFPDaisy&)> Call;
  std::uint8_t Command;
  std::string Data;
};

const std::vector<LayoutCase> kLayoutCases = {
    {"StartWithoutUnp", [](TFPDaisy& fp) { return fp.FiscalBonStart("1", "0000", ""); }, 0x30, "1,0000,"},
    {"StartWithUnp", [](TFPDaisy& fp) { return fp.FiscalBonStart("3", "1", "DY000001-0001-0000001"); }, 0x30,
     "3,1,DY000001-0001-0000001"},
    {"Storno",
     [](TFPDaisy& fp) {
       return fp.FiscalBonStorno("20", "9999", "DY000001-0001-0000002", "1", "123", At(2024, 1, 5, 14, 7),
                                 "36512345");
     },
     0x30, "20,9999,DY000001-0001-0000002\tR1,123,05-01-24 14:07\t36512345"},
    {"ItemTiesRoundToEven",
     [](TFPDaisy& fp) { return fp.FiscalBonItem("Хляб", "бял", "Б", 0.125L, 1.0625L); }, 0x31,
     "Хляб\nбял\tБ0.12*1.062"},
    {"ItemWholeNumbers", [](TFPDaisy& fp) { return fp.FiscalBonItem("A", "", "A", 2, 1); }, 0x31, "A\n\tA2*1"},
    {"ItemTiesRoundUpToEven", [](TFPDaisy& fp) { return fp.FiscalBonItem("A", "", "B", 0.375L, 1.4375L); },
     0x31, "A\n\tB0.38*1.438"},
    {"ItemRoundsToNearest", [](TFPDaisy& fp) { return fp.FiscalBonItem("A", "", "B", 1.006L, 2.0004L); }, 0x31,
     "A\n\tB1.01*2"},
    {"ReportPeriodShort", [](TFPDaisy& fp) { return fp.ReportPeriodShort(At(2024, 3, 1), At(2024, 3, 31)); }, 0x4F,
     "010324,310324"},
    {"Cancel", [](TFPDaisy& fp) { return fp.FiscalBonCancel(); }, 0x82, ""},
};

class DaisyLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(DaisyLayout, SendsCommandAndData) {
  const auto& c = GetParam();
  Rig rig;
  rig.AnswerEvery6();
  auto result = c.Call(rig.Fp);
  ASSERT_EQ(rig.Port.Writes.size(), 1u);
  EXPECT_EQ(devtest::Command6(rig.Port.Writes[0]), c.Command);
  EXPECT_EQ(Data6(rig.Port.Writes[0]), c.Data);
  EXPECT_EQ(result->ResultType, model::fprOk);
}

INSTANTIATE_TEST_SUITE_P(Requests, DaisyLayout, ::testing::ValuesIn(kLayoutCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---- status request ----

TEST(DaisyStatus, DeviceAndMemoryNumbersOnlyFromSixFields) {
  const std::vector<std::pair<std::string, std::pair<std::string, std::string>>> cases = {
      {"CompactM,1.00,01-01-24,ABCD, DY123456 ,36000001\r", {"DY123456", "36000001"}},
      {"CompactM,1.00,01-01-24,ABCD,DY123456", {"", ""}},
      {"CompactM,1.00,01-01-24,ABCD,DY123456,36000001,X", {"", ""}},
      {"", {"", ""}},
  };
  for (const auto& [reply, numbers] : cases) {
    Rig rig;
    rig.AnswerData = reply;
    rig.AnswerEvery6();
    auto result = rig.Fp.GetStatus(true);
    EXPECT_EQ(Data6(rig.Port.Writes.at(0)), "");
    EXPECT_EQ(devtest::Command6(rig.Port.Writes.at(0)), 0x5A);
    EXPECT_EQ(result->ResultType, model::fprOk) << reply;
    EXPECT_EQ(result->FpNo, numbers.first) << reply;
    EXPECT_EQ(result->FpMem, numbers.second) << reply;
  }
}

TEST(DaisyStatus, TransportFailureBecomesErrorResult) {
  support::TPrgSettings settings("/nonexistent/ruvex-daisy-test.ini", "kasa-7");
  Rig rig;
  support::TRuntimeScope scope(&settings, nullptr);
  rig.Port.Close();
  rig.Port.FailOpen = true;
  rig.Fp.Init(&rig.Port);
  driver::TFpResultPtr result;
  ASSERT_NO_THROW(result = rig.Fp.GetStatus(true));
  EXPECT_EQ(result->ResultType, model::fprError);
  EXPECT_FALSE(result->ResultText.empty());
  EXPECT_EQ(result->FpNo, "kasa-7");
  EXPECT_EQ(result->FpMem, "");
}

}  // namespace

#include "devices/datecs_a.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "devices/framed_reply.h"
#include "model/date_time.h"
#include "support/settings.h"

namespace {

using devices::TFpDatecsA;
using devtest::Command6;
using devtest::Data6;
using Rig = devtest::TRig<TFpDatecsA>;

model::TDateTime Jan5At1407() { return model::EncodeDateTime({2024, 1, 5, 14, 7, 0, 0}); }

TEST(DatecsA, CheckModelAcceptsFamilyModelsOnlyAsWritten) {
  TFpDatecsA fp;
  const std::pair<const char*, bool> cases[] = {
      {"FP-800", true}, {"FMP-10", true}, {"SK1-21F", true}, {"FP-700", true},
      {"fp-800", false}, {"fmp-10", false}, {"FP-80", false}, {"DP-25", false}, {"", false},
  };
  for (const auto& [name, accepted] : cases) {
    model::TFpResult status;
    status.FpModel = name;
    EXPECT_EQ(fp.CheckModel(status), accepted) << '"' << name << '"';
  }
}

struct TExchangeCase {
  const char* Name;
  std::function<void(TFpDatecsA&)> Run;
  std::vector<std::pair<std::uint8_t, std::string>> Requests;  // command byte, data
};

TEST(DatecsA, OperationsSendFamilyCommandsAndLayouts) {
  const TExchangeCase cases[] = {
      {"start without sale number", [](auto& fp) { fp.FiscalBonStart("1", "0000", ""); }, {{0x30, "1,0000,1"}}},
      {"start with sale number", [](auto& fp) { fp.FiscalBonStart("3", "0000", "DT123456-0001-0000042"); },
       {{0x30, "3,0000,1,DT123456-0001-0000042"}}},
      // Reason glued to the document number; the sale number twice.
      {"storno",
       [](auto& fp) { fp.FiscalBonStorno("1", "0000", "U7", "R", "0000123", Jan5At1407(), "02123456"); },
       {{0x2E, "1,0000,1,U7,R0000123,U7,050120241407,02123456"}}},
      {"item, price not rounded",
       [](auto& fp) { fp.FiscalBonItem("Хляб", "бял", "Б", 2.675L, 1); }, {{0x31, "Хляб\nбял\tБ2.675*1"}}},
      {"item, empty second text", [](auto& fp) { fp.FiscalBonItem("Мляко", "", "А", 1.5L, 0.25L); },
       {{0x31, "Мляко\n\tА1.5*0.25"}}},
      {"text line", [](auto& fp) { fp.FiscalBonTextLine("Благодарим!"); }, {{0x36, "Благодарим!"}}},
      {"total in cash", [](auto& fp) { fp.FiscalBonTotal("", "", "P", 12.5L); }, {{0x35, "\n\tP12.5"}}},
      {"cancel", [](auto& fp) { fp.FiscalBonCancel(); }, {{0x3C, ""}}},
      {"X report", [](auto& fp) { fp.XReport(); }, {{0x45, "0"}}},
      {"Z report", [](auto& fp) { fp.ZReport(); }, {{0x45, "1"}}},
      {"close: close, receipt number twice, status",
       [](auto& fp) { fp.FiscalBonEnd(); }, {{0x38, ""}, {0x71, ""}, {0x71, ""}, {0x5A, ""}}},
      {"clock", [](auto& fp) { fp.GetDateTime(); }, {{0x3E, ""}}},
      {"set clock", [](auto& fp) { fp.SetDateTime("2024-03-05 14:07:09"); }, {{0x3D, "05-03-24 14:07:09"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Rig rig;
    rig.AnswerEvery6();
    c.Run(rig.Fp);
    ASSERT_EQ(rig.Port.Writes.size(), c.Requests.size());
    for (std::size_t i = 0; i < c.Requests.size(); ++i) {
      EXPECT_EQ(Command6(rig.Port.Writes[i]), c.Requests[i].first) << "request " << i;
      EXPECT_EQ(Data6(rig.Port.Writes[i]), c.Requests[i].second) << "request " << i;
    }
  }
}

TEST(DatecsA, TextCodesForPaymentAndStornoReason) {
  TFpDatecsA fp;
  const std::pair<model::TFpCommand, const char*> cases[] = {
      {model::TFpCommand::PaymentMethodCash, "P"},    {model::TFpCommand::PaymentMethodCard, "C"},
      {model::TFpCommand::PaymentMethodDelayed, "N"}, {model::TFpCommand::StornoReasonError, "E"},
      {model::TFpCommand::StornoReasonReturn, "R"},   {model::TFpCommand::StornoReasonDecrease, "T"},
  };
  for (const auto& [command, code] : cases)
    EXPECT_EQ(fp.CommandTable().GetVendorCode(command).AsText(), code);
  for (auto missing : {model::TFpCommand::FpNumberGet, model::TFpCommand::QrCodeDataGet,
                       model::TFpCommand::ReportPeriodShort})
    EXPECT_THROW(fp.CommandTable().GetVendorCode(missing), std::runtime_error);
  EXPECT_EQ(fp.VendorLetters(), "DT");
  EXPECT_EQ(fp.DefaultOperatorCode(), "1");
  EXPECT_EQ(fp.DefaultPassword().size(), 4u);
  EXPECT_EQ(fp.FpType, model::TFpDeviceType::DatecsA);
}

TEST(DatecsA, GetStatusTakesModelNumberAndMemoryFromSixFields) {
  Rig rig;
  rig.AnswerEvery6();
  rig.AnswerData = " FP-800 ,FW 2.00,1234,ABCD, DT123456\t,02123456 ";
  auto status = rig.Fp.GetStatus(false);
  EXPECT_EQ(status->ResultType, model::fprOk);
  EXPECT_EQ(status->FpModel, "FP-800");
  EXPECT_EQ(status->FpNo, "DT123456");
  EXPECT_EQ(status->FpMem, "02123456");
  EXPECT_TRUE(rig.Fp.CheckModel(*status));

  for (const char* other : {"FP-800,FW,1234,DT123456,02123456", "FP-800,FW,1,2,DT123456,02123456,X", ""}) {
    SCOPED_TRACE(other);
    rig.AnswerData = other;
    auto partial = rig.Fp.GetStatus(false);
    EXPECT_EQ(partial->ResultType, model::fprOk);
    EXPECT_EQ(partial->FpModel, "");
    EXPECT_EQ(partial->FpNo, "");
    EXPECT_EQ(partial->FpMem, "");
    EXPECT_FALSE(rig.Fp.CheckModel(*partial));
  }
}

TEST(DatecsA, GetStatusTurnsTransportFailureIntoErrorResult) {
  Rig rig;
  support::TPrgSettings settings("/nonexistent-dir/ruvex.ini", "kasa-7");
  support::TRuntimeScope withSettings(&settings, nullptr);
  rig.Port.Close();
  rig.Port.FailOpen = true;
  driver::TFpResultPtr status;
  ASSERT_NO_THROW(status = rig.Fp.GetStatus(true));
  EXPECT_EQ(status->ResultType, model::fprError);
  EXPECT_FALSE(status->ResultText.empty());
  EXPECT_EQ(status->FpNo, "kasa-7");
}

// Receipt-open flag of a reply = the bits the previous reply left; all clear before the first.
TEST(DatecsA, BonOpenFollowsThePreviousReply) {
  const struct {
    const char* Bit;
    int Byte;
    std::uint8_t Mask;
    bool Open;
  } cases[] = {
      {"1.4 storno receipt", 1, 0x10, true}, {"1.5 rotated-text receipt", 1, 0x20, true},
      {"2.3 fiscal receipt", 2, 0x08, true}, {"2.5 service receipt", 2, 0x20, true},
      {"2.1 low paper", 2, 0x02, false},     {"0.3 no display", 0, 0x08, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Bit);
    Rig rig;
    rig.AnswerEvery6();
    rig.AnswerStatus6[c.Byte] |= c.Mask;
    auto first = rig.Fp.GetStatus(false);
    EXPECT_FALSE(first->FpIsBonOpen);
    rig.AnswerStatus6 = {0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
    auto second = rig.Fp.GetStatus(false);
    EXPECT_EQ(second->FpIsBonOpen, c.Open);
    auto third = rig.Fp.GetStatus(false);
    EXPECT_FALSE(third->FpIsBonOpen);
  }
}

TEST(DatecsA, StatusTableReportsErrorsWithDeviceTexts) {
  Rig rig;
  EXPECT_EQ(rig.Fp.StatusList().Count(), 34u);
  rig.AnswerEvery6();
  rig.AnswerStatus6[0] |= 0x20;  // 0.5: summary flag, not an error by itself
  rig.AnswerStatus6[4] |= 0x20;  // 4.5
  auto summary = rig.Fp.GetStatus(false);
  EXPECT_EQ(summary->ResultType, model::fprOk);
  EXPECT_EQ(summary->StatusText,
            " (0.5) Обща грешка - това е OR на всички грешки, маркирани с \u2018#\u2019.\r\n"
            " (4.5) OR на всички грешки, маркирани с \u2018*\u2019 от байтове 4 и 5.\r\n");

  rig.AnswerStatus6[2] |= 0x01;  // 2.0: out of paper
  auto paper = rig.Fp.GetStatus(false);
  EXPECT_EQ(paper->ResultType, model::fprStatusError);
  EXPECT_NE(paper->StatusErrors.find("(2.0#) # Свършила е хартията."), std::string::npos);
}

}  // namespace

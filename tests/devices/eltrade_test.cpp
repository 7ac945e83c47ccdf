#include "devices/eltrade.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "devices/framed_reply.h"
#include "model/date_time.h"

namespace {

using devices::TFpEltrade;
using devtest::Command6;
using devtest::Data6;
using Rig = devtest::TRig<TFpEltrade>;

TEST(Eltrade, OperationsSendEltradeCommandsAndLayouts) {
  const struct {
    const char* Name;
    std::function<void(TFpEltrade&)> Run;
    std::uint8_t Command;
    const char* Data;
  } cases[] = {
      // The password is never sent.
      {"start without sale number", [](auto& fp) { fp.FiscalBonStart("1", "9999", ""); }, 0x90, "1,"},
      {"start with sale number", [](auto& fp) { fp.FiscalBonStart("1", "9999", "ED123456-0001-0000001"); }, 0x90,
       "1,ED123456-0001-0000001,"},
      {"storno",
       [](auto& fp) {
         fp.FiscalBonStorno("2", "9999", "U7", "R", "0000123", model::EncodeDateTime({2024, 3, 5, 14, 7, 9, 0}),
                            "44123456");
       },
       0x90, "2,U7,S,44123456,R,0000123,2024-03-05T14:07:09"},
      {"item, texts unchanged", [](auto& fp) { fp.FiscalBonItem(" Хляб ", " бял", "Б", 2.675L, 1); }, 0x31,
       " Хляб \n бял\tБ2.675*1"},
      {"item, empty second text keeps LF", [](auto& fp) { fp.FiscalBonItem("Мляко", "", "А", 1.5L, 0.5L); }, 0x31,
       "Мляко\n\tА1.5*0.5"},
      {"total by card", [](auto& fp) { fp.FiscalBonTotal("", "", "L", 10); }, 0x35, "\n\tL10"},
      {"cash out", [](auto& fp) { fp.CashInOut(-20); }, 0x46, "-20"},
      {"X report", [](auto& fp) { fp.XReport(); }, 0x45, "0"},
      // No daylight-saving marker and no trailing TAB for this family.
      {"set clock", [](auto& fp) { fp.SetDateTime("2024-07-05 14:07:09"); }, 0x3D, "05-07-24 14:07:09"},
      {"status", [](auto& fp) { fp.GetStatus(false); }, 0x5A, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Rig rig;
    rig.Clock.Dst = true;
    rig.AnswerEvery6();
    c.Run(rig.Fp);
    ASSERT_GE(rig.Port.Writes.size(), 1u);
    EXPECT_EQ(Command6(rig.Port.Writes[0]), c.Command);
    EXPECT_EQ(Data6(rig.Port.Writes[0]), c.Data);
  }
}

TEST(Eltrade, FamilyConstants) {
  TFpEltrade fp;
  const std::pair<model::TFpCommand, const char*> cases[] = {
      {model::TFpCommand::PaymentMethodCash, "P"},    {model::TFpCommand::PaymentMethodCard, "L"},
      {model::TFpCommand::PaymentMethodDelayed, "N"}, {model::TFpCommand::StornoReasonError, "O"},
      {model::TFpCommand::StornoReasonReturn, "R"},   {model::TFpCommand::StornoReasonDecrease, "T"},
  };
  for (const auto& [command, code] : cases)
    EXPECT_EQ(fp.CommandTable().GetVendorCode(command).AsText(), code);
  EXPECT_EQ(fp.VendorLetters(), "ED");
  EXPECT_EQ(fp.DefaultPassword().size(), 1u);
  EXPECT_EQ(fp.FpType, model::TFpDeviceType::Eltrade);
  EXPECT_TRUE(fp.CheckModel(model::TFpResult{}));
}

TEST(Eltrade, GetStatusTakesNumbersFromSevenFieldsOnly) {
  Rig rig;
  rig.AnswerEvery6();
  rig.AnswerData = "A,B,C,D,E, ED123456 ,44123456\t";
  auto seven = rig.Fp.GetStatus(false);
  EXPECT_EQ(seven->ResultType, model::fprOk);
  EXPECT_EQ(seven->FpNo, "ED123456");
  EXPECT_EQ(seven->FpMem, "44123456");
  EXPECT_EQ(seven->FpModel, "");

  rig.AnswerData = "A,B,C,D,ED123456,44123456";
  auto six = rig.Fp.GetStatus(false);
  EXPECT_EQ(six->FpNo, "");
  EXPECT_EQ(six->FpMem, "");
}

TEST(Eltrade, BonOpenFollowsThePreviousReply) {
  for (std::uint8_t mask : {std::uint8_t{0x08}, std::uint8_t{0x20}}) {
    SCOPED_TRACE(int(mask));
    Rig rig;
    rig.AnswerEvery6();
    rig.AnswerStatus6[2] |= mask;
    EXPECT_FALSE(rig.Fp.GetStatus(false)->FpIsBonOpen);  // this reply's own bits do not count yet
    rig.AnswerStatus6[2] = 0x80;
    EXPECT_TRUE(rig.Fp.GetStatus(false)->FpIsBonOpen);
    EXPECT_FALSE(rig.Fp.GetStatus(false)->FpIsBonOpen);
  }
}

TEST(Eltrade, StatusTextsAsTheDeviceDocumentsThem) {
  Rig rig;
  EXPECT_EQ(rig.Fp.StatusList().Count(), 48u);
  rig.AnswerEvery6();
  // A healthy device keeps the top bit of every status byte set.
  auto healthy = rig.Fp.GetStatus(false);
  EXPECT_EQ(healthy->ResultType, model::fprOk);
  std::string reserved;
  for (int i = 0; i < 6; ++i)
    reserved += " (" + std::to_string(i) + ".7) Резервиран \u2013 винаги е 1.\r\n";
  EXPECT_EQ(healthy->StatusText, reserved);

  // Texts cut after 67 characters stay cut.
  rig.AnswerStatus6[2] |= 0x01;  // 2.0 out of paper
  auto paper = rig.Fp.GetStatus(false);
  EXPECT_EQ(paper->ResultType, model::fprStatusError);
  EXPECT_EQ(paper->StatusErrors,
            " (2.0) # Свършила е хартията. Ако се вдигне този флаг по време на ко \r\n\r\n");
}

}  // namespace

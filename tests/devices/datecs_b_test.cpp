#include "devices/datecs_b.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "devices/framed_reply.h"
#include "model/date_time.h"

namespace {

using devices::TFpDatecsB;
using devtest::Command6;
using devtest::Data6;
using Rig = devtest::TRig<TFpDatecsB>;

TEST(DatecsB, CheckModelAcceptsFamilyModelsOnlyAsWritten) {
  TFpDatecsB fp;
  const std::pair<const char*, bool> cases[] = {
      {"DP-25", true},  {"DP-150", true},  {"DP-05", true},   {"WP-50", true},
      {"dp-25", false}, {"FP-800", false}, {"DP-15", false}, {"DP-", false}, {"", false},
  };
  for (const auto& [name, accepted] : cases) {
    model::TFpResult status;
    status.FpModel = name;
    EXPECT_EQ(fp.CheckModel(status), accepted) << '"' << name << '"';
  }
}

TEST(DatecsB, ReceiptLayouts) {
  const struct {
    const char* Name;
    std::function<void(TFpDatecsB&)> Run;
    std::uint8_t Command;
    const char* Data;
  } cases[] = {
      {"start without sale number", [](auto& fp) { fp.FiscalBonStart("1", "0", ""); }, 0x30, "1,0,1"},
      // The sale number comes before the "1".
      {"start with sale number", [](auto& fp) { fp.FiscalBonStart("2", "0", "DT654321-0002-0000007"); }, 0x30,
       "2,0,DT654321-0002-0000007,1"},
      // The sale number once, before "1"; reason and document number separated.
      {"storno",
       [](auto& fp) {
         fp.FiscalBonStorno("1", "0", "U7", "1", "0000123", model::EncodeDateTime({2024, 1, 5, 14, 7, 0, 0}),
                            "02654321");
       },
       0x2E, "1,0,U7,1,1,0000123,050120241407,02654321"},
      {"storno without sale number",
       [](auto& fp) {
         fp.FiscalBonStorno("1", "0", "", "2", "77", model::EncodeDateTime({2023, 12, 31, 9, 5, 0, 0}), "M");
       },
       0x2E, "1,0,,1,2,77,311220230905,M"},
      {"item", [](auto& fp) { fp.FiscalBonItem("Кафе", "", "Б", 2.675L, 3); }, 0x31, "Кафе\n\tБ2.675*3"},
      {"status", [](auto& fp) { fp.GetStatus(false); }, 0x5A, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Rig rig;
    rig.AnswerEvery6();
    c.Run(rig.Fp);
    ASSERT_EQ(rig.Port.Writes.size(), 1u);
    EXPECT_EQ(Command6(rig.Port.Writes[0]), c.Command);
    EXPECT_EQ(Data6(rig.Port.Writes[0]), c.Data);
  }
}

TEST(DatecsB, FamilyConstants) {
  TFpDatecsB fp;
  const std::pair<model::TFpCommand, const char*> cases[] = {
      {model::TFpCommand::StornoReasonError, "0"}, {model::TFpCommand::StornoReasonReturn, "1"},
      {model::TFpCommand::StornoReasonDecrease, "2"}, {model::TFpCommand::PaymentMethodCash, "P"},
  };
  for (const auto& [command, code] : cases)
    EXPECT_EQ(fp.CommandTable().GetVendorCode(command).AsText(), code);
  EXPECT_EQ(fp.VendorLetters(), "DT");
  EXPECT_EQ(fp.DefaultPassword().size(), 1u);
  EXPECT_EQ(fp.FpType, model::TFpDeviceType::DatecsB);
  EXPECT_EQ(fp.StatusList().Count(), 23u);
}

TEST(DatecsB, GetStatusTakesModelFromSixFields) {
  Rig rig;
  rig.AnswerEvery6();
  rig.AnswerData = "DP-150,FW,1,2,DT654321,02654321";
  auto status = rig.Fp.GetStatus(false);
  EXPECT_EQ(status->FpModel, "DP-150");
  EXPECT_EQ(status->FpNo, "DT654321");
  EXPECT_EQ(status->FpMem, "02654321");
  EXPECT_TRUE(rig.Fp.CheckModel(*status));
}

// Only the fiscal and service receipt bits mean an open receipt here; 1.4 and 1.5 mean other things.
TEST(DatecsB, BonOpenFollowsThePreviousReply) {
  const struct {
    const char* Bit;
    int Byte;
    std::uint8_t Mask;
    bool Open;
  } cases[] = {
      {"2.3 fiscal receipt", 2, 0x08, true}, {"2.5 service receipt", 2, 0x20, true},
      {"1.4 (not in this table)", 1, 0x10, false}, {"1.5 unsent documents", 1, 0x20, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Bit);
    Rig rig;
    rig.AnswerEvery6();
    rig.AnswerStatus6[c.Byte] |= c.Mask;
    EXPECT_FALSE(rig.Fp.GetStatus(false)->FpIsBonOpen);
    EXPECT_EQ(rig.Fp.GetStatus(false)->FpIsBonOpen, c.Open);
  }
}

TEST(DatecsB, StatusTextsOfThisFamily) {
  Rig rig;
  rig.AnswerEvery6();
  rig.AnswerStatus6[0] |= 0x04;  // 0.2
  rig.AnswerStatus6[1] |= 0x20;  // 1.5, written without a full stop
  auto status = rig.Fp.GetStatus(false);
  EXPECT_EQ(status->ResultType, model::fprOk);
  EXPECT_EQ(status->StatusText,
            " (0.2) Не е сверен часовника.\r\n"
            " (1.5) Има неизпратени документи за повече от настроеното време за предупреждение\r\n");
}

}  // namespace

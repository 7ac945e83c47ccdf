#include "model/vendor_const.h"

#include <gtest/gtest.h>

#include "model/baud_rate.h"
#include "model/device_info.h"
#include "model/errors.h"
#include "model/fp_util.h"

namespace model {
namespace {

void ExpectUndefined(const TFPVendorConstList<TFpCommand>& table, TFpCommand command) {
  try {
    table.GetVendorCode(command);
    FAIL() << "no error for " << static_cast<int>(command);
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Недефинирана команда за вендора!");
  }
}

TEST(VendorConst, LookupSeesTheFirstEntry) {
  TFPVendorConstList<TFpCommand> table;
  table.Add(TFpCommand::FiscalBonStart, 48);
  table.Add(TFpCommand::FiscalBonStart, 49);
  table.Add(TFpCommand::PaymentMethodCard, "C");
  EXPECT_EQ(table.GetVendorCode(TFpCommand::FiscalBonStart).AsInteger(), 48);
  EXPECT_EQ(table.GetVendorCode(TFpCommand::PaymentMethodCard).AsText(), "C");
  ExpectUndefined(table, TFpCommand::ZReport);
  ExpectUndefined(table, static_cast<TFpCommand>(255));
  table.Clear();
  ExpectUndefined(table, TFpCommand::FiscalBonStart);
}

TEST(VendorConst, NullEntryCountsAsUndefined) {
  TFPVendorConstList<TFpCommand> table;
  table.Add(TFpCommand::XReport, TVendorCode());
  table.Add(TFpCommand::XReport, 69);
  ExpectUndefined(table, TFpCommand::XReport);
}

TEST(VendorConst, ReverseLookup) {
  TFPVendorConstList<TFpResultType> results;
  results.Add(fprWait, 0x16);
  results.Add(fprCommandError, 0x15);
  EXPECT_EQ(results.Get(0x15), fprCommandError);
  EXPECT_EQ(results.Get(0x99), fprNone);
  EXPECT_EQ(results.Get("22"), fprWait);  // a text compares with a number as a number
  EXPECT_THROW(results.Get("P"), EConvertError);

  TFPVendorConstList<TFpCommand> commands;
  commands.Add(TFpCommand::PaymentMethodCash, "P");
  commands.Add(TFpCommand::StornoReasonError, "0");
  EXPECT_EQ(commands.Get("P"), TFpCommand::PaymentMethodCash);
  EXPECT_EQ(commands.Get("p"), TFpCommand::None);  // texts compare exactly
  EXPECT_THROW(commands.Get(0), EConvertError);    // "P" does not read as a number
}

TEST(VendorConst, CodeValueEquality) {
  EXPECT_TRUE(TVendorCode(48).Equals(TVendorCode(std::uint8_t{48})));
  EXPECT_FALSE(TVendorCode(48).Equals(TVendorCode(49)));
  EXPECT_TRUE(TVendorCode("2").Equals(TVendorCode(2)));
  EXPECT_FALSE(TVendorCode("02x").Equals(TVendorCode("02")));
  EXPECT_TRUE(TVendorCode().Equals(TVendorCode()));
  EXPECT_FALSE(TVendorCode().Equals(TVendorCode(0)));
  EXPECT_EQ(TVendorCode(200).AsText(), "200");
  EXPECT_THROW(TVendorCode("N").AsInteger(), EConvertError);
}

TEST(EnumNames, StrToEnum) {
  const struct {
    const char* name;
    int expected;
  } commands[] = {
      {"xreport", 14}, {"XREPORT", 14}, {" XReport", 255}, {"", 255}, {"FiscalBonStart", 5},
      {"StornoReasonDecrease", 23}, {"NoSuchCommand", 255},
  };
  for (const auto& c : commands)
    EXPECT_EQ(static_cast<int>(TFpUtil::StrToEnum<TFpCommand>(c.name)), c.expected) << '"' << c.name << '"';
  EXPECT_EQ(static_cast<int>(TFpUtil::StrToEnum<TFpCommand>(std::string(300, 'a'))), 255);

  EXPECT_EQ(TFpUtil::StrToEnum<TBaudRate>("br115200"), br115200);
  EXPECT_EQ(TFpUtil::StrToEnum<TBaudRate>("BR9600"), br9600);
  EXPECT_EQ(static_cast<int>(TFpUtil::StrToEnum<TBaudRate>("br12345")), 255);
  EXPECT_EQ(TFpUtil::StrToEnum<TCommType>("CTTCP"), ctTcp);
  EXPECT_EQ(TFpUtil::StrToEnum<TFpDeviceType>("datecsc"), TFpDeviceType::DatecsC);
  EXPECT_EQ(TFpUtil::StrToEnum<TFpResultType>("fprWait"), fprWait);
}

TEST(EnumNames, EnumToStr) {
  EXPECT_EQ(TFpUtil::EnumToStr(static_cast<TFpDeviceType>(2)), "DatecsA");
  EXPECT_EQ(TFpUtil::EnumToStr(TFpDeviceType::fpdtNone), "fpdtNone");
  EXPECT_EQ(TFpUtil::EnumToStr(fprLongResponse), "fprLongResponse");
  EXPECT_EQ(TFpUtil::EnumToStr(TFpCommand::ReportPeriodShort), "ReportPeriodShort");
  EXPECT_EQ(TFpUtil::EnumToStr(br256000), "br256000");
}

TEST(BaudRate, BitsPerSecond) {
  const struct {
    TBaudRate rate;
    int bits;
  } cases[] = {{brCustom, 9600}, {br110, 110}, {br9600, 9600}, {br115200, 115200}, {br256000, 256000},
               {static_cast<TBaudRate>(16), 0}, {static_cast<TBaudRate>(255), 0}};
  for (const auto& c : cases) EXPECT_EQ(BaudRateToBitsPerSecond(c.rate), c.bits) << static_cast<int>(c.rate);
  // Every name carries its own speed, so a table shifted by one line shows up here.
  for (int i = 1; i < 16; ++i) {
    const auto rate = static_cast<TBaudRate>(i);
    EXPECT_EQ("br" + std::to_string(BaudRateToBitsPerSecond(rate)), TFpUtil::EnumToStr(rate));
  }
}

}  // namespace
}  // namespace model

// Driver base: command dispatch, the device clock, the operation contract, sequence numbers, speeds.
#include "driver/fp_basic.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "driver/test_driver.h"
#include "fakes/fake_clock.h"
#include "model/errors.h"
#include "support/runtime.h"

namespace {

using driver::TFpBasic;
using driver_tests::ScriptedReply;
using driver_tests::TRecordingDriver;
using model::TFpCommand;

// ---- dispatch ----

struct DispatchCase {
  const char* Name;
  TFpCommand Command;
  model::TVendorCode Code;
  std::string Data;
  std::uint8_t ExpectedByte;
  std::string ExpectedRequestRaw;
};

class DispatchTest : public ::testing::TestWithParam<DispatchCase> {};

TEST_P(DispatchTest, LooksUpTheVendorByteAndRecordsTheRequest) {
  const auto& c = GetParam();
  TRecordingDriver fp;
  fp.AddCommand(c.Command, c.Code);
  model::TFpResult result;
  fp.SendCommand(c.Command, c.Data, result, false);
  ASSERT_EQ(fp.Sent.size(), 1u);
  EXPECT_EQ(fp.Sent[0].Code, c.ExpectedByte);
  EXPECT_EQ(fp.Sent[0].Data, c.Data);
  EXPECT_EQ(result.RequestRaw, c.ExpectedRequestRaw);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, DispatchTest,
    ::testing::Values(DispatchCase{"Byte48", TFpCommand::FiscalBonTextLine, 48, "1,1", 48, "0x0030: 1,1"},
                      // the blank after the colon stays even without data
                      DispatchCase{"Byte255NoData", TFpCommand::XReport, 255, "", 255, "0x00FF: "},
                      // a code kept as text is converted; only its low byte goes on the wire
                      DispatchCase{"TextCodeLowByte", TFpCommand::ZReport, "300", "", 0x2C, "0x002C: "},
                      DispatchCase{"CyrillicData", TFpCommand::FiscalBonTextLine, 0x36, "Благодарим!", 0x36,
                                   "0x0036: Благодарим!"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(DispatchTest, CommandWithoutVendorCodeRaisesAndSendsNothing) {
  TRecordingDriver fp;
  fp.AddCommand(TFpCommand::XReport, 0x45);
  model::TFpResult result;
  try {
    fp.SendCommand(TFpCommand::ZReport, "", result, false);
    FAIL() << "no error raised";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Недефинирана команда за вендора!");
  }
  EXPECT_TRUE(fp.Sent.empty());
  // Reading the clock needs DateTimeGet: the same error reaches the caller.
  EXPECT_THROW(fp.GetDateTime(), std::exception);
  EXPECT_TRUE(fp.Sent.empty());
}

TEST(DispatchTest, BaseTextLineSendsTheText) {
  TRecordingDriver fp;
  fp.AddCommand(TFpCommand::FiscalBonTextLine, 0x36);
  auto result = fp.FiscalBonTextLine("Ред");
  ASSERT_EQ(fp.Sent.size(), 1u);
  EXPECT_EQ(fp.Sent[0].Code, 0x36);
  EXPECT_EQ(result->RequestRaw, "0x0036: Ред");
  EXPECT_EQ(result->ResultType, model::fprOk);
}

// ---- device clock ----

class ClockTest : public ::testing::Test {
protected:
  ClockTest() {
    fp.AddCommand(TFpCommand::DateTimeGet, 0x3E);
    fp.AddCommand(TFpCommand::DateTimeSet, 0x3D);
  }
  fakes::FakeClock clock;  // 2024-03-05 14:07:09
  support::TRuntimeScope scope{nullptr, nullptr, &clock, &clock};
  TRecordingDriver fp;
};

struct SetClockCase {
  const char* Text;
  const char* Sent;
};

TEST_F(ClockTest, SetDateTimeByTextSendsDayFirstWithSeconds) {
  const SetClockCase cases[] = {
      {"2024-03-05 14:07", "05-03-24 14:07:00"},
      {"2024-03-05 14:07:09", "05-03-24 14:07:09"},
      {"  2024-12-31 23:59:58 \r\n", "31-12-24 23:59:58"},
      {"2024/03/05T14.07", "05-03-24 14:07:00"},  // separators are not examined
      {"", "05-03-24 14:07:09"},                  // empty: the computer's clock
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    fp.Sent.clear();
    auto result = fp.SetDateTime(std::string(c.Text));
    ASSERT_EQ(fp.Sent.size(), 1u);
    EXPECT_EQ(fp.Sent[0].Code, 0x3D);
    EXPECT_EQ(fp.Sent[0].Data, c.Sent);
    EXPECT_EQ(result->ResultType, model::fprOk);
  }
}

TEST_F(ClockTest, SetDateTimeByTextRejectsMalformedTextBeforeSending) {
  const std::pair<const char*, const char*> cases[] = {
      {"2024-03-05", "'' is not a valid integer value"},  // no hour field
      {"2024-03-05 14", "'' is not a valid integer value"},
      {"2024-0x-05 14:07", "'0x' is not a valid integer value"},
      {"24-03-05 14:07", "'24-0' is not a valid integer value"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    try {
      fp.SetDateTime(std::string(text));
      ADD_FAILURE() << "no error raised";
    } catch (const model::EConvertError& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
  // Integers, but no date that exists.
  EXPECT_THROW(fp.SetDateTime(std::string("2024-02-30 10:00")), model::EConvertError);
  EXPECT_THROW(fp.SetDateTime(std::string("2024-03-05 25:00")), model::EConvertError);
  EXPECT_TRUE(fp.Sent.empty());
}

TEST_F(ClockTest, SetDateTimePassesTheDeviceRefusalInTheResult) {
  fp.Replies.push_back({model::fprCommandError, ""});
  auto result = fp.SetDateTime(std::string("2024-03-05 14:07"));
  EXPECT_EQ(result->ResultType, model::fprCommandError);
}

TEST_F(ClockTest, GetDateTimeParsesTheAnswerAndGivesZeroOnAnyFailure) {
  const model::TDateTime expected = model::EncodeDateTime({2024, 3, 5, 14, 7, 9, 0});
  const std::pair<ScriptedReply, model::TDateTime> cases[] = {
      {{model::fprOk, "05-03-24 14:07:09"}, expected},
      {{model::fprOk, "05-03-24 14:07"}, model::EncodeDateTime({2024, 3, 5, 14, 7, 0, 0})},
      {{model::fprOk, "not a date"}, 0},
      {{model::fprOk, ""}, 0},
      {{model::fprNoResponse, "05-03-24 14:07:09"}, 0},  // the text of a failed exchange is not trusted
      {{model::fprStatusError, "05-03-24 14:07:09"}, 0},
  };
  for (const auto& [reply, value] : cases) {
    SCOPED_TRACE(reply.ResponseRaw);
    fp.Sent.clear();
    fp.Replies.push_back(reply);
    EXPECT_DOUBLE_EQ(fp.GetDateTime(), value);
    ASSERT_EQ(fp.Sent.size(), 1u);
    EXPECT_EQ(fp.Sent[0].Code, 0x3E);
    EXPECT_EQ(fp.Sent[0].Data, "");
  }
}

// ---- contract ----

TEST(ContractTest, OperationsWithoutBodyRaiseNamingTheOperation) {
  TRecordingDriver fp;
  try {
    fp.ReportPeriodShort(1, 2);
    FAIL() << "no error raised";
  } catch (const model::EAbstractError& e) {
    EXPECT_STREQ(e.what(), "Abstract error: ReportPeriodShort is not supported by this device");
  }
  EXPECT_THROW(fp.CashInOut(10), model::EAbstractError);
  EXPECT_THROW(fp.FiscalBonStart("1", "0000", ""), model::EAbstractError);
  EXPECT_TRUE(fp.Sent.empty());
}

TEST(ContractTest, ExceptionResultCarriesTheComputerName) {
  support::TPrgSettings settings((std::filesystem::temp_directory_path() / "ruvex-no-such.ini").string(), "kassa1");
  support::TRuntimeScope scope(&settings, nullptr);
  model::TFpResult result;
  TRecordingDriver::FillExceptionResult(result, "Няма връзка");
  EXPECT_EQ(result.ResultType, model::fprError);
  EXPECT_EQ(result.ResultText, "Няма връзка");
  EXPECT_EQ(result.FpNo, "kassa1");
}

// ---- sequence numbers and speeds ----

TEST(SequenceNoTest, RunsFromTwoToTwoHundredThenWrapsToOne) {
  TRecordingDriver fp;
  EXPECT_EQ(fp.SequenceNo(), 1);
  fp.AdvanceSequenceNo();
  EXPECT_EQ(fp.SequenceNo(), 2);
  for (int i = 0; i < 198; ++i) fp.AdvanceSequenceNo();
  EXPECT_EQ(fp.SequenceNo(), 200);
  fp.AdvanceSequenceNo();
  EXPECT_EQ(fp.SequenceNo(), 1);
  fp.AdvanceSequenceNo();
  EXPECT_EQ(fp.SequenceNo(), 2);
}

TEST(BaudRateTest, SpeedTextsMapToEnumerators) {
  const std::pair<const char*, int> cases[] = {
      {"115200", model::br115200}, {"9600", model::br9600}, {"Custom", model::brCustom},
      {"CUSTOM", model::brCustom}, {"custom", model::brCustom}, {"", 255},
      {"12345", 255},              {" 9600", 255},          {"br9600", 255},
  };
  for (const auto& [text, rate] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(static_cast<int>(TFpBasic::GetBaudRateFromString(text)), rate);
  }
}

}  // namespace

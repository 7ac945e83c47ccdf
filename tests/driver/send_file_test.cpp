// Receipt scripts run against a recording driver, with settings, log and clock of the test's own.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "driver/fp_basic.h"
#include "driver/script_line.h"
#include "fakes/fake_clock.h"
#include "model/errors.h"
#include "support/runtime.h"
#include "support/time_u.h"

namespace {

using driver::TFpResultPtr;
using model::TDateTime;
using model::TFpCommand;
using model::TFpResult;
using model::TFpResultType;
namespace fs = std::filesystem;

constexpr double kSecond = 1.0 / 86400.0;
const char* const kUndefined = "Недефинирана команда за вендора!";

// What the recording driver answers to one call.
struct TReply {
  TFpResultType Type = model::fprOk;
  std::string Text{};
  std::string StatusErrors{};
  std::string ResponseRaw{};
  bool BonOpen = false;
  std::string FpNo{}, FpMem{}, FpBonNo{};
  bool CallBase = false;  // the base operation runs (abstract ones raise)
  std::string Throw{};    // raised as a transport failure
  bool Null = false;
};

std::string Num(long double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.10Lg", value);
  return buffer;
}

// Records each driver operation as "Name|arg|arg..." and answers from a queue (fprOk when empty).
class TRecordingDriver final : public driver::TFpBasic {
public:
  using TFpBasic::SetDateTime;

  TRecordingDriver() {
    InitVendorData();
    mDefaultOperatorCode = "1";
    mDefaultPassword = "0000";
    mCommandTable.Add(TFpCommand::DateTimeSet, 61);
    mCommandTable.Add(TFpCommand::PaymentMethodCash, "P");
    mCommandTable.Add(TFpCommand::PaymentMethodCard, "C");
    mCommandTable.Add(TFpCommand::StornoReasonError, "E");
    mCommandTable.Add(TFpCommand::StornoReasonReturn, "R");
    // PaymentMethodDelayed and StornoReasonDecrease: not defined by this vendor.
  }
  void SetStornoDefaults(std::string code, std::string password) {
    mDefaultOperatorStornoCode = std::move(code);
    mDefaultStornoPassword = std::move(password);
  }

  std::vector<std::string> Calls;
  std::deque<TReply> Replies;

  void InitVendorData() override {}
  TFpResultPtr GetStatus(bool) override { return std::make_unique<TFpResult>(); }

  TFpResultPtr FiscalBonStart(const std::string& code, const std::string& password, const std::string& unp) override {
    return Answer("FiscalBonStart|" + code + "|" + password + "|" + unp,
                  [&] { return TFpBasic::FiscalBonStart(code, password, unp); });
  }
  TFpResultPtr FiscalBonStorno(const std::string& code, const std::string& password, const std::string& unp,
                               const std::string& reason, const std::string& docNo, TDateTime docDateTime,
                               const std::string& docFpMem) override {
    return Answer("FiscalBonStorno|" + code + "|" + password + "|" + unp + "|" + reason + "|" + docNo + "|" +
                      model::FormatIsoSeconds(docDateTime) + "|" + docFpMem,
                  [&] { return TFpBasic::FiscalBonStorno(code, password, unp, reason, docNo, docDateTime, docFpMem); });
  }
  TFpResultPtr FiscalBonItem(const std::string& text1, const std::string& text2, const std::string& department,
                             long double price, long double quantity) override {
    return Answer("FiscalBonItem|" + text1 + "|" + text2 + "|" + department + "|" + Num(price) + "|" + Num(quantity),
                  [&] { return TFpBasic::FiscalBonItem(text1, text2, department, price, quantity); });
  }
  TFpResultPtr FiscalBonTextLine(const std::string& text) override {
    return Answer("FiscalBonTextLine|" + text, [&] { return TFpBasic::FiscalBonTextLine(text); });
  }
  TFpResultPtr FiscalBonTotal(const std::string& text1, const std::string& text2, const std::string& code,
                              long double amount) override {
    return Answer("FiscalBonTotal|" + text1 + "|" + text2 + "|" + code + "|" + Num(amount),
                  [&] { return TFpBasic::FiscalBonTotal(text1, text2, code, amount); });
  }
  TFpResultPtr FiscalBonEnd() override { return Answer("FiscalBonEnd", [&] { return TFpBasic::FiscalBonEnd(); }); }
  TFpResultPtr FiscalBonCancel() override {
    return Answer("FiscalBonCancel", [&] { return TFpBasic::FiscalBonCancel(); });
  }
  TFpResultPtr CashInOut(long double amount) override {
    return Answer("CashInOut|" + Num(amount), [&] { return TFpBasic::CashInOut(amount); });
  }
  TFpResultPtr XReport() override { return Answer("XReport", [&] { return TFpBasic::XReport(); }); }
  TFpResultPtr ZReport() override { return Answer("ZReport", [&] { return TFpBasic::ZReport(); }); }
  TFpResultPtr ReportPeriodShort(TDateTime from, TDateTime to) override {
    return Answer("ReportPeriodShort|" + model::FormatIsoSeconds(from) + "|" + model::FormatIsoSeconds(to),
                  [&] { return TFpBasic::ReportPeriodShort(from, to); });
  }
  void SetDateTime(TDateTime value, TFpResult& result) override {
    auto answer = Answer("SetDateTime|" + model::FormatIsoSeconds(value), [] { return std::make_unique<TFpResult>(); });
    result.ResultType = answer->ResultType;
    result.ResultText = answer->ResultText;
  }

private:
  template <class Base>
  TFpResultPtr Answer(std::string call, Base base) {
    Calls.push_back(std::move(call));
    TReply reply;
    if (!Replies.empty()) {
      reply = Replies.front();
      Replies.pop_front();
    }
    if (reply.CallBase) return base();
    if (!reply.Throw.empty()) throw model::EInOutError(reply.Throw);
    if (reply.Null) return nullptr;
    auto result = std::make_unique<TFpResult>();
    result->ResultType = reply.Type;
    result->ResultText = reply.Text;
    result->StatusErrors = reply.StatusErrors;
    result->ResponseRaw = reply.ResponseRaw;
    result->FpIsBonOpen = reply.BonOpen;
    result->FpNo = reply.FpNo;
    result->FpMem = reply.FpMem;
    result->FpBonNo = reply.FpBonNo;
    return result;
  }
};

fs::path FreshDir() {
  static std::atomic<int> counter{0};
  static const unsigned run = std::random_device{}();
  fs::path dir = fs::temp_directory_path() /
                 ("ruvex_send_file_" + std::to_string(run) + "_" + std::to_string(counter++));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

class SendFileTest : public ::testing::Test {
protected:
  SendFileTest()
      : mDir(FreshDir()),
        Settings((mDir / "ruvex.ini").string(), "KASSA1"),
        Logger((mDir / "ruvex.log").string()),
        mScope(&Settings, &Logger, &Clock, &Clock) {}
  ~SendFileTest() override {
    std::error_code ec;
    fs::remove_all(mDir, ec);
  }

  // The device clock defaults to the computer's, so receipt openings pass the clock check.
  TFpResultPtr Run(const std::string& script) { return Fp.SendFile(script, support::Now()); }
  TFpResultPtr Run(const std::string& script, TDateTime fpDateTime) { return Fp.SendFile(script, fpDateTime); }

  std::string LogText() const {
    std::ifstream in(Logger.FileName(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static std::string LogEntry(const std::string& line) {
    return "2024-03-05 14:07:09\r\nTFpBasic.SendFile line not recognized aLine: " + line + "\r\n\r\n";
  }

  fs::path mDir;
  fakes::FakeClock Clock;  // 2024-03-05 14:07:09
  support::TPrgSettings Settings;
  support::TLogger Logger;
  support::TRuntimeScope mScope;
  TRecordingDriver Fp;
};

using Calls = std::vector<std::string>;

TEST_F(SendFileTest, ScriptsWithoutCommandsGiveAnEmptyResult) {
  for (const char* script : {"", "\r\n", "\n\n\r\r\n", "\r"}) {
    auto result = Run(script);
    EXPECT_EQ(result->ResultType, model::fprNone) << script;
    EXPECT_EQ(result->ResultText, "");
    EXPECT_TRUE(result->Details.empty());
  }
  EXPECT_TRUE(Fp.Calls.empty());
  EXPECT_EQ(LogText(), "");
}

TEST_F(SendFileTest, UnrecognisedLinesAreLoggedAsWrittenAndSkipped) {
  // A line of blanks is not empty; command names the script does not accept; texts naming no command.
  const std::vector<std::string> lines = {" ",           "Hello;1",             "None",
                                          "DateTimeGet", "PaymentMethodCash;;", "FiscalBon Start"};
  std::string script;
  std::string expectedLog;
  for (const auto& line : lines) {
    script += line + "\r\n";
    expectedLog += LogEntry(line);
  }
  auto result = Run(script);
  EXPECT_EQ(result->ResultType, model::fprNone);
  EXPECT_EQ(result->ResultText, "");
  EXPECT_TRUE(result->Details.empty());
  EXPECT_TRUE(Fp.Calls.empty());
  EXPECT_EQ(LogText(), expectedLog);

  auto goesOn = Run("Bogus\nXReport");
  EXPECT_EQ(goesOn->ResultType, model::fprOk);
  EXPECT_EQ(Fp.Calls, Calls{"XReport"});
}

TEST_F(SendFileTest, AnyLineBreakAnyCaseAndTrailingSeparators) {
  auto result = Run("fiscalbonend\r\nXREPORT\rZReport\nFiscalBonEnd ;\r\n  FiscalBonCancel\t\n");
  EXPECT_EQ(result->ResultType, model::fprOk);
  EXPECT_EQ(Fp.Calls, (Calls{"FiscalBonEnd", "XReport", "ZReport", "FiscalBonEnd", "FiscalBonCancel"}));
  ASSERT_EQ(result->Details.size(), 5u);
  EXPECT_EQ(result->Details[3]->Request, "FiscalBonEnd ;");
  EXPECT_EQ(result->Details[4]->Request, "  FiscalBonCancel\t");
  EXPECT_EQ(LogText(), "");
}

TEST_F(SendFileTest, ReceiptRunsAndTheLastLineFillsTheResult) {
  Fp.Replies = {{}, {}, {}, {.Text = "closed", .FpNo = "DY448598", .FpMem = "36607131", .FpBonNo = "112"}};
  const TDateTime fpClock = support::Now() - 30 * kSecond;
  auto result = Run("FiscalBonStart;;;\r\nFiscalBonItem;Хляб;;Б;1,20;2\r\nFiscalBonTotal;;;Cash\r\nFiscalBonEnd\r\n",
                    fpClock);
  EXPECT_EQ(Fp.Calls, (Calls{"FiscalBonStart|1|0000|", "FiscalBonItem|Хляб||Б|1.2|2", "FiscalBonTotal|||P|0",
                             "FiscalBonEnd"}));
  EXPECT_EQ(result->ResultType, model::fprOk);
  EXPECT_EQ(result->ResultText, "closed");
  EXPECT_EQ(result->FpNo, "DY448598");
  EXPECT_EQ(result->FpMem, "36607131");
  EXPECT_EQ(result->FpBonNo, "112");
  EXPECT_EQ(result->FpDateTime, fpClock);
  ASSERT_EQ(result->Details.size(), 4u);
  EXPECT_EQ(result->Details[1]->Request, "FiscalBonItem;Хляб;;Б;1,20;2");
}

struct LineCase {
  const char* Line;
  const char* Call;
};

TEST_F(SendFileTest, FieldsReachTheDriverConverted) {
  const LineCase cases[] = {
      {"FiscalBonItem;a;b;В;1.20;", "FiscalBonItem|a|b|В|1.2|1"},      // empty quantity sells one
      {"FiscalBonItem;a;b;В;1,20;x", "FiscalBonItem|a|b|В|1.2|1"},     // so does a quantity that is no number
      {"FiscalBonItem; a ; b ;В;-0,5;1.5;extra", "FiscalBonItem|a|b|В|-0.5|1.5"},
      {"FiscalBonTotal;t1;t2;card;12.5", "FiscalBonTotal|t1|t2|C|12.5"},
      {"FiscalBonTotal;;;CASH;0,01;ignored", "FiscalBonTotal|||P|0.01"},
      {"FiscalBonTextLine;  Благодарим  ", "FiscalBonTextLine|Благодарим"},
      {"FiscalBonTextLine;", "FiscalBonTextLine|"},
      {"CashInOut;-20", "CashInOut|-20"},
      {"CashInOut;+1,5", "CashInOut|1.5"},
      {"FiscalBonStart;3;pw;UNP-7", "FiscalBonStart|3|pw|UNP-7"},
      {"FiscalBonStorno;5;pw;U1;return;42;2024-03-01 10:00;DT123456",
       "FiscalBonStorno|5|pw|U1|R|42|2024-03-01 10:00:00|DT123456"},
      {"ReportPeriodShort;2024-03-01;2024-03-31 23:59:59",
       "ReportPeriodShort|2024-03-01 00:00:00|2024-03-31 23:59:59"},
      {"DateTimeSet;2024-01-02 03:04", "SetDateTime|2024-01-02 03:04:00"},
      {"DateTimeSet", "SetDateTime|2024-03-05 14:07:09"},  // the computer's time
      {"DateTimeSet;", "SetDateTime|2024-03-05 14:07:09"},
  };
  for (const auto& c : cases) {
    Fp.Calls.clear();
    auto result = Run(c.Line);
    EXPECT_EQ(result->ResultType, model::fprOk) << c.Line << ": " << result->ResultText;
    EXPECT_EQ(Fp.Calls, Calls{c.Call}) << c.Line;
  }
}

std::string ErrorOf(const std::string& date) {
  try {
    support::ParseIsoDateTime(date);
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no error)";
}

TEST_F(SendFileTest, MalformedLinesEndTheScriptWithTheirMessage) {
  const std::string badDate = ErrorOf("2024-3-1");
  const struct {
    const char* Line;
    std::string Message;
  } cases[] = {
      {"FiscalBonItem", "List index out of bounds (1)"},
      {"FiscalBonItem;a;b;В", "List index out of bounds (4)"},
      {"FiscalBonItem;a;b;В;1.20", "List index out of bounds (5)"},
      {"FiscalBonTotal", "List index out of bounds (3)"},  // the payment name is read first
      {"FiscalBonTotal;;", "List index out of bounds (3)"},
      {"FiscalBonTextLine", "List index out of bounds (1)"},
      {"CashInOut", "List index out of bounds (1)"},
      {"FiscalBonStart;;", "List index out of bounds (3)"},
      {"FiscalBonStorno;;;;Error;1;2024-03-01", "List index out of bounds (7)"},
      {"ReportPeriodShort;2024-03-01", "List index out of bounds (2)"},
      {"FiscalBonTotal;;;Cash;", "'' is not a valid floating point value"},
      {"FiscalBonItem;a;b;В;1,2.3;1", "'1.2.3' is not a valid floating point value"},
      {"FiscalBonItem;a;b;В;1 000;1", "'1 000' is not a valid floating point value"},
      {"FiscalBonItem;a;b;В;1e3;1", "'1e3' is not a valid floating point value"},
      {"CashInOut;abc", "'abc' is not a valid floating point value"},
      {"CashInOut;-", "'-' is not a valid floating point value"},
      {"FiscalBonTotal;;;Delayed;1", kUndefined},
      {"FiscalBonTotal;;;;1", kUndefined},
      {"FiscalBonTotal;;;Cash2", kUndefined},
      {"FiscalBonStorno;;;;Decrease;1;2024-03-01;X", kUndefined},
      {"FiscalBonStorno;;;;Oops;1;2024-03-01;X", kUndefined},
      {"FiscalBonStorno;;;;Error;1;2024-3-1;X", badDate},
      {"ReportPeriodShort;2024-3-1;2024-03-31", badDate},
      {"DateTimeSet;2024-03-05", "'' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    Fp.Calls.clear();
    auto result = Run(std::string(c.Line) + "\r\nXReport");
    EXPECT_EQ(result->ResultType, model::fprError) << c.Line;
    EXPECT_EQ(result->ResultText, c.Message) << c.Line;
    EXPECT_EQ(result->FpNo, "kassa1") << c.Line;
    EXPECT_TRUE(result->Details.empty()) << c.Line;
    EXPECT_TRUE(Fp.Calls.empty()) << c.Line;
  }
}

TEST_F(SendFileTest, ClockCheckGuardsReceiptOpenings) {
  const struct {
    const char* Tolerance;  // nullptr: no setting
    double OffsetS;
    bool Passes;
  } cases[] = {
      {nullptr, 180, true},   {nullptr, -180, true},  {nullptr, 180.999, true}, {nullptr, 181, false},
      {nullptr, -181, false}, {"abc", 180, true},     {"abc", 181, false},      {"", 181, false},
      {"10", 10, true},       {"10", 11, false},      {"-1", 0, false},
  };
  for (const char* line : {"FiscalBonStart;;;", "FiscalBonStorno;;;;Error;1;2024-03-01;X"}) {
    for (const auto& c : cases) {
      support::TPrgSettings settings((mDir / "clock.ini").string(), "kassa1");
      if (c.Tolerance) settings.SetValue("FpClockDifferenceToleranceS", c.Tolerance);
      support::TRuntimeScope scope(&settings, nullptr);
      Fp.Calls.clear();
      auto result = Run(line, support::Now() + c.OffsetS * kSecond);
      const std::string label = std::string(line) + " tolerance " + (c.Tolerance ? c.Tolerance : "none") +
                                " offset " + std::to_string(c.OffsetS);
      EXPECT_EQ(result->ResultType, c.Passes ? model::fprOk : model::fprDateTimeNotCorrect) << label;
      EXPECT_EQ(Fp.Calls.size(), c.Passes ? 1u : 0u) << label;
    }
  }
}

TEST_F(SendFileTest, ClockMessageShowsTheDeviceTime) {
  // The check comes before any field is read.
  auto late = Run("FiscalBonStart", support::Now() + 181 * kSecond);
  EXPECT_EQ(late->ResultType, model::fprDateTimeNotCorrect);
  EXPECT_EQ(late->ResultText,
            "Невъзможно отпечатване на касов бон!\rДатата и часът 05.03.2024 14:10:10 на ФУ не са верни, моля "
            "настройте ги!");
  ASSERT_EQ(late->Details.size(), 1u);
  EXPECT_EQ(late->Details[0]->Request, "FiscalBonStart");

  // An unreadable device clock (0) always fails, shown as a date without time.
  auto unread = Run("XReport\nFiscalBonStart;;;\nFiscalBonEnd", 0);
  EXPECT_EQ(unread->ResultText,
            "Невъзможно отпечатване на касов бон!\rДатата и часът 30.12.1899 на ФУ не са верни, моля настройте ги!");
  EXPECT_EQ(unread->Details.size(), 2u);
  EXPECT_EQ(Fp.Calls, Calls{"XReport"});
}

TEST_F(SendFileTest, OperatorCodesAndPasswords) {
  const char* const start = "FiscalBonStart;;;u";
  const char* const storno = "FiscalBonStorno;;;u;Error;1;2024-03-01;X";
  const struct {
    std::vector<std::pair<const char*, const char*>> Settings;
    bool StornoDefaults;
    const char* Line;
    const char* Call;
  } cases[] = {
      {{}, false, start, "FiscalBonStart|1|0000|u"},
      {{{"OperatorCode", "7"}, {"OperatorPassword", "7777"}}, false, start, "FiscalBonStart|7|7777|u"},
      {{{"OperatorCode", "7"}, {"OperatorPassword", "7777"}}, false, "FiscalBonStart;3;pw;u",
       "FiscalBonStart|3|pw|u"},
      {{{"OperatorStornoCode", "8"}}, false, start, "FiscalBonStart|1|0000|u"},
      // The storno chain never reads OperatorCode/OperatorPassword.
      {{{"OperatorCode", "7"}, {"OperatorPassword", "7777"}}, false, storno,
       "FiscalBonStorno|1|0000|u|E|1|2024-03-01 00:00:00|X"},
      {{{"OperatorCode", "7"}, {"OperatorPassword", "7777"}}, true, storno,
       "FiscalBonStorno|9|9999|u|E|1|2024-03-01 00:00:00|X"},
      {{{"OperatorStornoCode", "8"}, {"OperatorStornoPassword", "8888"}}, true, storno,
       "FiscalBonStorno|8|8888|u|E|1|2024-03-01 00:00:00|X"},
      {{{"OperatorStornoCode", "8"}}, true, "FiscalBonStorno;4;p;u;Error;1;2024-03-01;X",
       "FiscalBonStorno|4|p|u|E|1|2024-03-01 00:00:00|X"},
  };
  for (const auto& c : cases) {
    support::TPrgSettings settings((mDir / "chain.ini").string(), "kassa1");
    for (const auto& [key, value] : c.Settings) settings.SetValue(key, value);
    support::TRuntimeScope scope(&settings, nullptr);
    Fp.SetStornoDefaults(c.StornoDefaults ? "9" : "", c.StornoDefaults ? "9999" : "");
    Fp.Calls.clear();
    auto result = Run(c.Line);
    EXPECT_EQ(result->ResultType, model::fprOk) << c.Call << ": " << result->ResultText;
    EXPECT_EQ(Fp.Calls, Calls{c.Call});
  }
}

TEST_F(SendFileTest, StopsAtTheFirstLineThatFails) {
  Fp.Replies = {{}, {.Type = model::fprCommandError, .Text = "Грешна команда", .FpNo = "DY1", .FpBonNo = "5"}};
  auto result = Run("FiscalBonStart;;;\nFiscalBonItem;a;;Б;1;1\nFiscalBonTotal;;;Cash\nFiscalBonEnd", support::Now());
  EXPECT_EQ(result->ResultType, model::fprCommandError);
  EXPECT_EQ(result->ResultText, "Грешна команда");
  EXPECT_EQ(result->FpNo, "DY1");
  EXPECT_EQ(result->FpBonNo, "5");
  ASSERT_EQ(result->Details.size(), 2u);
  EXPECT_EQ(result->Details[1]->Request, "FiscalBonItem;a;;Б;1;1");
  EXPECT_EQ(Fp.Calls.size(), 2u);
}

TEST_F(SendFileTest, StatusErrorTextJoinsTheNonEmptyParts) {
  const struct {
    TFpResultType Type;
    const char *Text, *StatusErrors, *Raw, *Expected;
  } cases[] = {
      {model::fprStatusError, "Грешка", "(0.5) Синтактична грешка", "0x0030: 1",
       "Грешка\r\n(0.5) Синтактична грешка\r\n0x0030: 1\r\n"},
      {model::fprStatusError, "", "(0.5) Синтактична грешка", "", "(0.5) Синтактична грешка\r\n"},
      {model::fprStatusError, "", "", "", ""},
      {model::fprCommandError, "Грешка", "(0.5) x", "raw", "Грешка"},
  };
  for (const auto& c : cases) {
    Fp.Replies = {{.Type = c.Type, .Text = c.Text, .StatusErrors = c.StatusErrors, .ResponseRaw = c.Raw}};
    auto result = Run("XReport");
    EXPECT_EQ(result->ResultType, c.Type);
    EXPECT_EQ(result->ResultText, c.Expected);
  }
}

TEST_F(SendFileTest, OpenReceiptPrefixWhenTheDeviceRefusesAnOpening) {
  const std::string prefix = "Вече има отворен бон, откажете го преди да изпратите друг.\r\n";
  const struct {
    TFpResultType Type;
    bool BonOpen;
    bool Prefixed;
  } cases[] = {
      {model::fprStatusError, true, true},
      {model::fprError, true, true},
      {model::fprCommandError, true, false},
      {model::fprStatusError, false, false},
  };
  for (const char* line : {"FiscalBonStart;;;", "FiscalBonStorno;;;;Error;1;2024-03-01;X"}) {
    for (const auto& c : cases) {
      Fp.Replies = {{.Type = c.Type, .Text = "Refused", .BonOpen = c.BonOpen}};
      auto result = Run(line);
      ASSERT_EQ(result->Details.size(), 1u);
      EXPECT_EQ(result->Details[0]->ResultText, c.Prefixed ? prefix + "Refused" : "Refused") << line;
      EXPECT_EQ(result->FpIsBonOpen, c.BonOpen);
    }
  }
  // Lines other than openings keep their text.
  Fp.Replies = {{.Type = model::fprStatusError, .Text = "Refused", .BonOpen = true}};
  EXPECT_EQ(Run("FiscalBonEnd")->ResultText, "Refused\r\n");
}

TEST_F(SendFileTest, ErrorsRaisedByTheDriverEndTheScriptKeepingEarlierLines) {
  const struct {
    TReply Reply;
    std::string Message;  // empty: any message
  } cases[] = {
      {{.CallBase = true}, ""},                                       // an operation the family lacks
      {{.Throw = "Портът COM3 не може да бъде отворен"}, "Портът COM3 не може да бъде отворен"},
      {{.Null = true}, ""},
  };
  for (const auto& c : cases) {
    Fp.Calls.clear();
    Fp.Replies = {{.FpNo = "DY1", .FpMem = "36607131", .FpBonNo = "7"}, c.Reply};
    auto result = Run("XReport\nReportPeriodShort;2024-03-01;2024-03-02\nZReport", 45000);
    EXPECT_EQ(result->ResultType, model::fprError);
    if (c.Message.empty())
      EXPECT_FALSE(result->ResultText.empty());
    else
      EXPECT_EQ(result->ResultText, c.Message);
    EXPECT_EQ(result->FpNo, "kassa1");
    EXPECT_EQ(result->FpMem, "");
    EXPECT_EQ(result->FpBonNo, "");
    EXPECT_EQ(result->FpDateTime, 0);
    ASSERT_EQ(result->Details.size(), 1u);
    EXPECT_EQ(result->Details[0]->Request, "XReport");
    EXPECT_EQ(Fp.Calls.size(), 2u);  // ZReport never ran
  }
}

TEST_F(SendFileTest, ALogThatCannotBeWrittenDoesNotStopTheReceipt) {
  support::TLogger unwritable((mDir / "missing" / "folder" / "ruvex.log").string());
  support::TRuntimeScope scope(nullptr, &unwritable);
  auto result = Run("FiscalBonStart;;;\nBogus line\nFiscalBonEnd");
  EXPECT_EQ(result->ResultType, model::fprOk);
  EXPECT_EQ(Fp.Calls, (Calls{"FiscalBonStart|1|0000|", "FiscalBonEnd"}));
}

TEST(ScriptNumber, DecimalTextIndependentOfTheLocale) {
  const struct {
    const char* Text;
    long double Value;
  } valid[] = {
      {"1.20", 1.2L}, {"1,20", 1.2L}, {"-0,5", -0.5L},   {"+3", 3.0L},          {".5", 0.5L},
      {"5.", 5.0L},   {"007", 7.0L},  {"0.1", 0.1L},     {"123456.78", 123456.78L}, {"-0", 0.0L},
  };
  for (const auto& c : valid) {
    auto value = driver::TryScriptStrToFloat(c.Text);
    ASSERT_TRUE(value.has_value()) << c.Text;
    EXPECT_EQ(*value, c.Value) << c.Text;
  }
  // Digits beyond what the mantissa holds still give the number, not an error.
  const auto longNumber = driver::TryScriptStrToFloat("123456789012345678901234,5");
  ASSERT_TRUE(longNumber.has_value());
  EXPECT_NEAR(static_cast<double>(*longNumber), 1.2345678901234568e23, 1e9);
  for (const char* text : {"", ".", "-", "+-1", "1.000,5", "1 000", " 1", "1e3", "inf", "nan", "0x10", "1-"})
    EXPECT_FALSE(driver::TryScriptStrToFloat(text).has_value()) << text;
}

TEST(ScriptLine, LinesAndFields) {
  EXPECT_EQ(driver::SplitScriptLines("a\r\nb\rc\nd\r\n"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(driver::SplitScriptLines("a\n\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(driver::SplitScriptLine(" X ;\t;a b;"), (std::vector<std::string>{"X", "", "a b", ""}));
}

}  // namespace

// The receipt script interpreter: one command per line, fields separated by ";".
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "driver/fp_basic.h"
#include "driver/script_line.h"
#include "model/errors.h"
#include "model/fp_util.h"
#include "support/runtime.h"
#include "support/time_u.h"

namespace driver {

namespace {

using model::TFpCommand;
using TFields = std::vector<std::string>;

constexpr const char* kOpenBonPrefix = "Вече има отворен бон, откажете го преди да изпратите друг.\r\n";
constexpr int kDefaultClockToleranceS = 180;

struct TScriptContext {
  TFpBasic& Driver;
  TDateTime FpDateTime;
};

// Fields are read by position; a field the line does not have is reported by its number.
const std::string& Field(const TFields& parFields, std::size_t parIndex) {
  if (parIndex >= parFields.size()) model::ThrowListIndex(static_cast<int>(parIndex));
  return parFields[parIndex];
}

std::string FirstNonEmpty(std::initializer_list<std::string> parValues) {
  for (const auto& value : parValues)
    if (!value.empty()) return value;
  return {};
}

std::string Setting(const char* parName) { return support::TRuntime::Settings().Get(parName); }

std::string GetVendorText(const TFpBasic& parDriver, const std::string& parKeyName) {
  const auto key = model::TFpUtil::StrToEnum<TFpCommand>(parKeyName);
  if (static_cast<int>(key) == 255) throw std::runtime_error(model::kUndefinedVendorCommand);
  return parDriver.CommandTable().GetVendorCode(key).AsText();
}

std::string GetPaymentMethodCode(const TFpBasic& parDriver, const std::string& parName) {
  return GetVendorText(parDriver, "PaymentMethod" + parName);
}

std::string GetStornoReasonCode(const TFpBasic& parDriver, const std::string& parName) {
  return GetVendorText(parDriver, "StornoReason" + parName);
}

long long ToMilliseconds(TDateTime parValue) { return std::llround(parValue * 86400000.0); }

// The device clock as the operator reads it: DD.MM.YYYY and, unless it is exactly midnight, HH:MM:SS.
std::string ClockText(TDateTime parValue) {
  const auto parts = model::DecodeDateTime(parValue);
  const bool midnight = parts.Hour == 0 && parts.Minute == 0 && parts.Second == 0 && parts.Millisecond == 0;
  return model::FormatDateTime(parValue, midnight ? "DD.MM.YYYY" : "DD.MM.YYYY HH:NN:SS");
}

// Empty when the device clock is close enough to the computer's, else the message for the operator.
std::string CheckFpClock(TDateTime parFpDateTime) {
  const int tolerance =
      support::SettingAsInt(support::TRuntime::Settings(), "FpClockDifferenceToleranceS", kDefaultClockToleranceS);
  // An unreadable value can never be close; show it as "not set".
  const TDateTime fpDateTime = std::isfinite(parFpDateTime) ? parFpDateTime : 0;
  const long long difference = std::llabs(ToMilliseconds(support::Now()) - ToMilliseconds(fpDateTime)) / 1000;
  if (std::isfinite(parFpDateTime) && difference <= tolerance) return {};
  return "Невъзможно отпечатване на касов бон!\rДатата и часът " + ClockText(fpDateTime) +
         " на ФУ не са верни, моля настройте ги!";
}

TFpResultPtr ClockRefused(const std::string& parMessage) {
  auto result = std::make_unique<TFpResult>();
  result->ResultType = model::fprDateTimeNotCorrect;
  result->ResultText = parMessage;
  return result;
}

// A receipt left open by an earlier script makes the device refuse the new one; say why.
void AddOpenBonPrefix(TFpResult& parResult) {
  if ((parResult.ResultType == model::fprError || parResult.ResultType == model::fprStatusError) &&
      parResult.FpIsBonOpen)
    parResult.ResultText = kOpenBonPrefix + parResult.ResultText;
}

TFpResultPtr DoDateTimeSet(TScriptContext& parCtx, const TFields& parFields) {
  return parCtx.Driver.SetDateTime(parFields.size() > 1 ? parFields[1] : std::string());
}

TFpResultPtr DoFiscalBonStart(TScriptContext& parCtx, const TFields& parFields) {
  if (auto message = CheckFpClock(parCtx.FpDateTime); !message.empty()) return ClockRefused(message);
  auto& fp = parCtx.Driver;
  std::string code = Field(parFields, 1);
  if (code.empty()) code = FirstNonEmpty({Setting("OperatorCode"), fp.DefaultOperatorCode()});
  std::string password = Field(parFields, 2);
  if (password.empty()) password = FirstNonEmpty({Setting("OperatorPassword"), fp.DefaultPassword()});
  const std::string& unp = Field(parFields, 3);
  auto result = fp.FiscalBonStart(code, password, unp);
  if (result) AddOpenBonPrefix(*result);
  return result;
}

// Storno receipts have their own operator; the plain OperatorCode/OperatorPassword settings never apply.
TFpResultPtr DoFiscalBonStorno(TScriptContext& parCtx, const TFields& parFields) {
  if (auto message = CheckFpClock(parCtx.FpDateTime); !message.empty()) return ClockRefused(message);
  auto& fp = parCtx.Driver;
  std::string code = Field(parFields, 1);
  if (code.empty())
    code = FirstNonEmpty({Setting("OperatorStornoCode"), fp.DefaultOperatorStornoCode(), fp.DefaultOperatorCode()});
  std::string password = Field(parFields, 2);
  if (password.empty())
    password = FirstNonEmpty({Setting("OperatorStornoPassword"), fp.DefaultStornoPassword(), fp.DefaultPassword()});
  const std::string& unp = Field(parFields, 3);
  const std::string reason = GetStornoReasonCode(fp, Field(parFields, 4));
  const std::string& docNo = Field(parFields, 5);
  const TDateTime docDateTime = support::ParseIsoDateTime(Field(parFields, 6));
  const std::string& docFpMem = Field(parFields, 7);
  auto result = fp.FiscalBonStorno(code, password, unp, reason, docNo, docDateTime, docFpMem);
  if (result) AddOpenBonPrefix(*result);
  return result;
}

TFpResultPtr DoFiscalBonItem(TScriptContext& parCtx, const TFields& parFields) {
  const std::string& text1 = Field(parFields, 1);
  const std::string& text2 = Field(parFields, 2);
  const std::string& department = Field(parFields, 3);
  const long double price = ScriptStrToFloat(Field(parFields, 4));
  const long double quantity = TryScriptStrToFloat(Field(parFields, 5)).value_or(1.0L);
  return parCtx.Driver.FiscalBonItem(text1, text2, department, price, quantity);
}

TFpResultPtr DoFiscalBonTextLine(TScriptContext& parCtx, const TFields& parFields) {
  return parCtx.Driver.FiscalBonTextLine(Field(parFields, 1));
}

// The payment name is read before the texts, so a short line reports field 3 missing.
TFpResultPtr DoFiscalBonTotal(TScriptContext& parCtx, const TFields& parFields) {
  const long double amount = parFields.size() < 5 ? 0.0L : ScriptStrToFloat(parFields[4]);
  const std::string code = GetPaymentMethodCode(parCtx.Driver, Field(parFields, 3));
  const std::string& text2 = Field(parFields, 2);
  const std::string& text1 = Field(parFields, 1);
  return parCtx.Driver.FiscalBonTotal(text1, text2, code, amount);
}

TFpResultPtr DoFiscalBonEnd(TScriptContext& parCtx, const TFields&) { return parCtx.Driver.FiscalBonEnd(); }
TFpResultPtr DoFiscalBonCancel(TScriptContext& parCtx, const TFields&) { return parCtx.Driver.FiscalBonCancel(); }
TFpResultPtr DoXReport(TScriptContext& parCtx, const TFields&) { return parCtx.Driver.XReport(); }
TFpResultPtr DoZReport(TScriptContext& parCtx, const TFields&) { return parCtx.Driver.ZReport(); }

TFpResultPtr DoCashInOut(TScriptContext& parCtx, const TFields& parFields) {
  return parCtx.Driver.CashInOut(ScriptStrToFloat(Field(parFields, 1)));
}

TFpResultPtr DoReportPeriodShort(TScriptContext& parCtx, const TFields& parFields) {
  const TDateTime from = support::ParseIsoDateTime(Field(parFields, 1));
  const TDateTime to = support::ParseIsoDateTime(Field(parFields, 2));
  return parCtx.Driver.ReportPeriodShort(from, to);
}

using THandler = TFpResultPtr (*)(TScriptContext&, const TFields&);

struct TScriptCommand {
  TFpCommand Command;
  THandler Handler;
};

// The commands a script may use; every other command name is an unrecognised line.
constexpr TScriptCommand kScriptCommands[] = {
    {TFpCommand::DateTimeSet, DoDateTimeSet},
    {TFpCommand::FiscalBonStart, DoFiscalBonStart},
    {TFpCommand::FiscalBonStorno, DoFiscalBonStorno},
    {TFpCommand::FiscalBonItem, DoFiscalBonItem},
    {TFpCommand::FiscalBonTextLine, DoFiscalBonTextLine},
    {TFpCommand::FiscalBonTotal, DoFiscalBonTotal},
    {TFpCommand::FiscalBonEnd, DoFiscalBonEnd},
    {TFpCommand::FiscalBonCancel, DoFiscalBonCancel},
    {TFpCommand::CashInOut, DoCashInOut},
    {TFpCommand::XReport, DoXReport},
    {TFpCommand::ZReport, DoZReport},
    {TFpCommand::ReportPeriodShort, DoReportPeriodShort},
};

THandler FindHandler(TFpCommand parCommand) {
  for (const auto& entry : kScriptCommands)
    if (entry.Command == parCommand) return entry.Handler;
  return nullptr;
}

// A log file held by another writer must not stop a receipt half printed: the entry is dropped.
void LogUnrecognised(const std::string& parLine) {
  if (!support::TRuntime::HasLogger()) return;
  try {
    support::TRuntime::Logger().Log("TFpBasic.SendFile line not recognized aLine: " + parLine);
  } catch (const std::exception&) {
  }
}

std::string ComputerName() {
  try {
    if (support::TRuntime::HasSettings()) return support::TRuntime::Settings().GetComputerName();
  } catch (const std::exception&) {
  }
  return {};
}

std::string StatusErrorText(const TFpResult& parDetail) {
  std::string text;
  for (const std::string* part : {&parDetail.ResultText, &parDetail.StatusErrors, &parDetail.ResponseRaw})
    if (!part->empty()) text += *part + "\r\n";
  return text;
}

void RunScript(TFpBasic& parDriver, const std::string& parFile, TDateTime parFpDateTime, TFpResult& parResult) {
  TScriptContext context{parDriver, parFpDateTime};
  for (const std::string& line : SplitScriptLines(parFile)) {
    if (line.empty()) continue;
    const TFields fields = SplitScriptLine(line);
    const THandler handler = FindHandler(model::TFpUtil::StrToEnum<TFpCommand>(fields[0]));
    if (handler == nullptr) {
      LogUnrecognised(line);
      continue;
    }
    TFpResultPtr detail = handler(context, fields);
    if (!detail) throw std::logic_error("TFpBasic.SendFile: the driver returned no result for: " + line);
    detail->Request = line;
    const bool ok = detail->ResultType == model::fprOk;
    parResult.Details.push_back(std::move(detail));
    if (!ok) break;
  }
  if (parResult.Details.empty()) return;

  const TFpResult& last = *parResult.Details.back();
  parResult.ResultType = last.ResultType;
  parResult.FpNo = last.FpNo;
  parResult.FpBonNo = last.FpBonNo;
  parResult.FpMem = last.FpMem;
  parResult.FpIsBonOpen = last.FpIsBonOpen;
  parResult.FpDateTime = parFpDateTime;
  parResult.ResultText = last.ResultType == model::fprStatusError ? StatusErrorText(last) : last.ResultText;
}

void SetScriptError(TFpResult& parResult, const std::string& parMessage) {
  parResult.ResultType = model::fprError;
  parResult.ResultText = parMessage;
  parResult.FpNo = ComputerName();
}

}  // namespace

TFpResultPtr TFpBasic::SendFile(const std::string& parFile, TDateTime parFpDateTime) {
  auto result = std::make_unique<TFpResult>();
  try {
    RunScript(*this, parFile, parFpDateTime, *result);
  } catch (const std::exception& e) {
    SetScriptError(*result, e.what());
  } catch (...) {
    SetScriptError(*result, "Unknown error");
  }
  return result;
}

}  // namespace driver

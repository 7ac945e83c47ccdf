// Driver base: the contract's default bodies, command dispatch and the device clock.
// The transport lives in fp_transport.cpp.
#include "driver/fp_basic.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "model/errors.h"
#include "model/text.h"
#include "support/runtime.h"
#include "support/time_u.h"

namespace driver {

using model::TFpCommand;

TFpBasic::TFpBasic() { mIsConnected = false; }

// A port lent by Init stays as its owner left it; only what the driver created is closed here.
TFpBasic::~TFpBasic() {
  if (TcpClient) {
    try {
      TcpClient->Disconnect();
    } catch (...) {
    }
  }
  FreeCom();
}

void TFpBasic::Abstract(const char* operation) {
  throw model::EAbstractError(std::string("Abstract error: ") + operation + " is not supported by this device");
}

void TFpBasic::FillExceptionResult(TFpResult& result, const std::string& message) {
  result.ResultType = model::fprError;
  result.ResultText = message;
  result.FpNo = support::TRuntime::HasSettings() ? support::TRuntime::Settings().GetComputerName() : std::string();
}

// ---- the contract: operations a family must supply raise the abstract-call error ----

TFpResultPtr TFpBasic::FiscalBonStart(const std::string&, const std::string&, const std::string&) {
  Abstract("FiscalBonStart");
}
TFpResultPtr TFpBasic::FiscalBonStorno(const std::string&, const std::string&, const std::string&,
                                       const std::string&, const std::string&, TDateTime, const std::string&) {
  Abstract("FiscalBonStorno");
}
TFpResultPtr TFpBasic::FiscalBonItem(const std::string&, const std::string&, const std::string&, long double,
                                     long double) {
  Abstract("FiscalBonItem");
}
TFpResultPtr TFpBasic::FiscalBonTextLine(const std::string& parText) {
  return Send(TFpCommand::FiscalBonTextLine, parText);
}
TFpResultPtr TFpBasic::FiscalBonTotal(const std::string&, const std::string&, const std::string&, long double) {
  Abstract("FiscalBonTotal");
}
TFpResultPtr TFpBasic::FiscalBonEnd() { Abstract("FiscalBonEnd"); }
TFpResultPtr TFpBasic::FiscalBonCancel() { Abstract("FiscalBonCancel"); }
TFpResultPtr TFpBasic::CashInOut(long double) { Abstract("CashInOut"); }
TFpResultPtr TFpBasic::XReport() { Abstract("XReport"); }
TFpResultPtr TFpBasic::ZReport() { Abstract("ZReport"); }
TFpResultPtr TFpBasic::ReportPeriodShort(TDateTime, TDateTime) { Abstract("ReportPeriodShort"); }

bool TFpBasic::CheckModel(const TFpResult&) { return true; }

// ---- command dispatch ----

void TFpBasic::SendCommand(std::uint8_t parCommand, const std::string& parData, TFpResult& Result, bool) {
  char code[8];
  std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(parCommand));
  Result.RequestRaw = std::string(code) + ": " + parData;
}

void TFpBasic::SendCommand(TFpCommand parCommand, const std::string& parData, TFpResult& Result, bool parFast) {
  // Throws "Недефинирана команда за вендора!" when the vendor has no code for the command.
  const model::TVendorCode code = mCommandTable.GetVendorCode(parCommand);
  const auto byte = static_cast<std::uint8_t>(code.AsInteger() & 0xFF);
  SendCommand(byte, parData, Result, parFast);
}

TFpResultPtr TFpBasic::Send(TFpCommand parCommand, const std::string& parData) {
  auto result = std::make_unique<TFpResult>();
  SendCommand(parCommand, parData, *result, false);
  return result;
}

// ---- device clock ----

TDateTime TFpBasic::GetDateTime() {
  TFpResult result;
  SendCommand(TFpCommand::DateTimeGet, std::string(), result, false);
  if (result.ResultType != model::fprOk) return 0;
  try {
    return support::ParseFpDateTime(result.ResponseRaw);
  } catch (const std::exception&) {
    return 0;
  }
}

void TFpBasic::SetDateTime(TDateTime parDateTime, TFpResult& parResult) {
  SendCommand(TFpCommand::DateTimeSet, model::FormatDateTime(parDateTime, "DD-MM-YY HH:NN:SS"), parResult, false);
}

namespace {

// The text cut into characters, so fixed positions count characters, not bytes.
std::vector<std::string_view> SplitCharacters(std::string_view s) {
  std::vector<std::string_view> chars;
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t n = 1;
    while (i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) ++n;
    chars.push_back(s.substr(i, n));
    i += n;
  }
  return chars;
}

// Characters first..last (counted from 1) that exist.
std::string Mid(const std::vector<std::string_view>& chars, std::size_t first, std::size_t last) {
  std::string out;
  for (std::size_t p = first; p <= last && p <= chars.size(); ++p) out += chars[p - 1];
  return out;
}

// Decimal integer with optional leading blanks and sign; anything else (including nothing) is rejected.
int FieldToInt(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) throw model::EConvertError("'" + text + "' is not a valid integer value");
  long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') throw model::EConvertError("'" + text + "' is not a valid integer value");
    value = value * 10 + (text[i] - '0');
    if (value > 1000000000L) throw model::EConvertError("'" + text + "' is not a valid integer value");
  }
  return static_cast<int>(negative ? -value : value);
}

}  // namespace

TFpResultPtr TFpBasic::SetDateTime(const std::string& parDateTime) {
  auto result = std::make_unique<TFpResult>();
  TDateTime value;
  if (parDateTime.empty()) {
    value = support::Now();
  } else {
    const std::string text = model::Trim(parDateTime);
    const auto chars = SplitCharacters(text);
    model::TDateTimeParts parts;
    parts.Year = FieldToInt(Mid(chars, 1, 4));
    parts.Month = FieldToInt(Mid(chars, 6, 7));
    parts.Day = FieldToInt(Mid(chars, 9, 10));
    parts.Hour = FieldToInt(Mid(chars, 12, 13));
    parts.Minute = FieldToInt(Mid(chars, 15, 16));
    parts.Second = chars.size() >= 19 ? FieldToInt(Mid(chars, 18, 19)) : 0;
    value = model::EncodeDateTime(parts);  // raises on a date or time that does not exist
  }
  SetDateTime(value, *result);
  return result;
}

}  // namespace driver

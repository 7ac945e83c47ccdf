#include "devices/datecs_c.h"

#include <cmath>
#include <cstring>
#include <exception>
#include <iterator>

#include "devices/datecs_ab.h"
#include "devices/datecs_c_errors.h"
#include "devices/status_rows.h"
#include "model/date_time.h"
#include "model/device_info.h"
#include "model/errors.h"
#include "model/fp_util.h"
#include "model/text.h"
#include "platform/code_page.h"
#include "support/runtime.h"
#include "support/time_u.h"

namespace devices {

using driver::TFpResultPtr;
using model::TFpCommand;
using model::TFpResult;
using model::TFpUtil;

namespace {

constexpr std::uint8_t kPreamble = 0x01;
constexpr std::uint8_t kPostamble = 0x05;
constexpr std::uint8_t kTerminator = 0x03;
constexpr std::uint8_t kLengthBase = 0x20;
constexpr std::uint8_t kSequenceBase = 0x20;
constexpr std::uint8_t kFieldBase = 0x30;
// 01, LEN*4, SEQ, CMD*4, 04, S0..S7, 05, CS*4, 03 around the reply data.
constexpr std::size_t kReplyOverhead = 25;
constexpr std::size_t kStatusByteCount = 8;

const char* const kCashRefusedText =
    "Заявката е отказана. Това става, ако: \r• Касовата наличност е по-малка от заявения служебен износ."
    "\r• Има отворен фискален или служебен бон.";

// In device order. This family has no receipt-number request: the close reply carries the number.
const TCommandRow kCommands[] = {
    {TFpCommand::DateTimeGet, 0x3E},
    {TFpCommand::DateTimeSet, 0x3D},
    {TFpCommand::FiscalBonStart, 0x30},
    {TFpCommand::FiscalBonStorno, 0x2B},
    {TFpCommand::FiscalBonItem, 0x31},
    {TFpCommand::FiscalBonTotal, 0x35},
    {TFpCommand::FiscalBonTextLine, 0x36},
    {TFpCommand::FiscalBonEnd, 0x38},
    {TFpCommand::FiscalBonCancel, 0x3C},
    {TFpCommand::DiagnosticInfoGet, 0x5A},
    {TFpCommand::XReport, 0x45},
    {TFpCommand::ZReport, 0x45},
    {TFpCommand::CashInOut, 0x46},
    {TFpCommand::PaymentMethodCash, "0"},
    {TFpCommand::PaymentMethodCard, "1"},
    {TFpCommand::PaymentMethodDelayed, "3"},
    {TFpCommand::StornoReasonError, "0"},
    {TFpCommand::StornoReasonReturn, "1"},
    {TFpCommand::StornoReasonDecrease, "2"},
};

// In device order; status bytes 3, 6 and 7 carry nothing this driver reports.
constexpr TStatusRow kStatusBits[] = {
    {"0.6", true, "(0.6#) Cover is open."},
    {"0.5", false, "(0.5) Обща грешка - това е OR на всички грешки, маркирани с ‘#’."},
    {"0.4", false, "(0.4) Failure in printing mechanism."},
    {"0.2", false, "(0.2) Не е сверен часовникът."},
    {"0.1", true, "(0.1#) # Кодът на получената команда е невалиден."},
    {"0.0", true, "(0.0#) # Получените данни имат синктактична грешка."},
    {"1.1", true, "(1.1#) # Изпълнението на командата не е позволено в текущия фискален режим."},
    {"1.0", false, "(1.0) При изпълнение на командата се е получило препълване на някои полета от сумите. Статус 1.1 също ще се установи и командата няма да предизвика промяна на данните в ФУ."},
    {"2.5", false, "(2.5) Отворен е служебен бон."},
    {"2.4", false, "(2.4) Близък край на КЛЕН (по-малко от 10 MB от КЛЕН свободни)."},
    {"2.3", false, "(2.3) Отворен е фискален бон."},
    {"2.2", false, "(2.2) Край на КЛЕН (по-малко от 1 MB от КЛЕН свободни)."},
    {"2.1", false, "(2.1) Near paper end."},
    {"2.0", true, "(2.0#) # Свършила е хартията. Ако се вдигне този флаг по време на команда, свързана с печат, то командата е отхвърлена и не е променила състоянието на ФУ."},
    {"4.6", true, "(4.6#) Fiscal memory is not found or damaged."},
    {"4.5", false, "(4.5) OR на всички грешки, маркирани с ‘*’ от байтове 4 и 5."},
    {"4.4", true, "(4.4*) * ФП е пълна."},
    {"4.3", false, "(4.3) Има място за по-малко от 60 отчета във ФП."},
    {"4.2", false, "(4.2) Зададени са индивидуален номер на ФУ и номер на ФП."},
    {"4.1", false, "(4.1) Зададен е ЕИК."},
    {"4.0", true, "(4.0*) * Грешка при запис във фискалната памет."},
    {"5.4", false, "(5.4) Зададени са поне веднъж данъчните ставки."},
    {"5.3", false, "(5.3) ФУ е във фискален режим."},
};
static_assert(std::size(kStatusBits) == 23);

void PutField(std::uint8_t* parAt, std::uint32_t parEncoded) {
  parAt[0] = static_cast<std::uint8_t>(parEncoded >> 24);
  parAt[1] = static_cast<std::uint8_t>(parEncoded >> 16);
  parAt[2] = static_cast<std::uint8_t>(parEncoded >> 8);
  parAt[3] = static_cast<std::uint8_t>(parEncoded);
}

std::uint32_t GetField(const std::uint8_t* parAt) {
  return (std::uint32_t{parAt[0]} << 24) | (std::uint32_t{parAt[1]} << 16) | (std::uint32_t{parAt[2]} << 8) |
         std::uint32_t{parAt[3]};
}

std::uint32_t EncodeField(std::size_t parValue) {
  return protocol::TFPBaisicDaisyDatecs::EncodeChecksum(static_cast<std::uint16_t>(parValue), kFieldBase);
}

// The device's VAT group numbers; only the first group has a known letter.
std::string VatGroupNumber(const std::string& parDepartment) {
  if (parDepartment == "A" || parDepartment == "А") return "1";
  throw model::ERuvexError("VatGroup not supported for parDepartment: _" + parDepartment + "_");
}

}  // namespace

TFpDatecsC::TFpDatecsC() {
  InitVendorData();
  FpType = model::TFpDeviceType::DatecsC;
  mFpVendorLetters = "DT";
  mDefaultOperatorCode = "1";
  mDefaultPassword = "0";
  AddCommandRows(mCommandTable, kCommands);
  mResultTable.Add(model::fprCommandError, 0x15);
  mResultTable.Add(model::fprWait, 0x16);
  DatecsCErrorRows();  // the shared error table is built here rather than in the middle of an exchange
}

std::string TFpDatecsC::GetErrorByCode(const std::string& parCode) { return DatecsCErrorByCode(parCode); }

void TFpDatecsC::InitVendorData() { AddStatusRows(mStatusList, kStatusBits); }

// ---- frames ----

std::size_t TFpDatecsC::BuildRequestFrame(std::uint8_t* parBuffer, int parSequenceNo, std::uint8_t parCommand,
                                          const std::string& parData) {
  const std::size_t n = parData.size();
  if (n > MaxRequestData())
    throw model::ERuvexError("Данните на заявката са твърде дълги: " + std::to_string(n) + " байта при най-много " +
                             std::to_string(MaxRequestData()) + " в един кадър!");
  std::memset(parBuffer, 0, kFrameBufferSize);
  parBuffer[0] = kPreamble;
  PutField(parBuffer + 1, EncodeField(kLengthBase + 10 + n));
  parBuffer[5] = static_cast<std::uint8_t>(kSequenceBase + parSequenceNo);
  PutField(parBuffer + 6, EncodeField(parCommand));
  std::memcpy(parBuffer + 10, parData.data(), n);
  parBuffer[10 + n] = kPostamble;
  PutField(parBuffer + 11 + n, RangeChecksum(parBuffer, 1, static_cast<std::ptrdiff_t>(10 + n)));
  parBuffer[15 + n] = kTerminator;
  return n + 16;
}

bool TFpDatecsC::ValidateResponseFrame(const std::uint8_t* parBuffer, std::size_t parStart, std::size_t parCount,
                                       int parSequenceNo, TFpResult& Result) {
  const std::uint8_t* f = parBuffer + parStart;
  const std::size_t r = parCount > parStart ? parCount - parStart : 0;
  // Shorter frames have no room for the status bytes (an echo of a short request passes every
  // other check), so they are never taken for a reply.
  bool ok = r >= kReplyOverhead;
  ok = ok && GetField(f + 1) == EncodeField(kLengthBase + r - 6);
  ok = ok && f[0] == kPreamble;
  ok = ok && f[5] == static_cast<std::uint8_t>(kSequenceBase + parSequenceNo);
  ok = ok && f[r - 1] == kTerminator;
  ok = ok && f[r - 6] == kPostamble;
  ok = ok && GetField(f + r - 5) == RangeChecksum(f, 1, static_cast<std::ptrdiff_t>(r - 6));
  if (!ok) Result.ResultType = model::fprErrorInResponse;
  return ok;
}

void TFpDatecsC::ParseResponse(const std::uint8_t* parBuffer, std::size_t parStart, std::size_t parCount,
                               TFpResult& Result) {
  if (parCount < parStart + kReplyOverhead) {
    Result.ResultType = model::fprErrorInResponse;
    return;
  }
  const std::uint8_t* f = parBuffer + parStart;
  const std::size_t r = parCount - parStart;
  Result.ResponseRaw =
      platform::AnsiToUtf8(std::string(reinterpret_cast<const char*>(f + 10), r - kReplyOverhead));
  DecodeStatusBytes(Result, f + r - 14, kStatusByteCount);
  if (Result.ResultType != model::fprStatusError) return;

  // The device answers a failed command with its error code as the first data field.
  std::string code = Result.ResponseRaw;
  std::string message = GetErrorByCode(code);
  if (message.empty()) {
    code = model::Trim(model::SplitAll(Result.ResponseRaw, "\t").front());
    message = GetErrorByCode(code);
  }
  if (!message.empty()) Result.ResultText = "Грешка: " + code + ". " + message;
}

// The flag reports the receipt state as the previous reply left it.
void TFpDatecsC::DecodeStatusBytes(TFpResult& Result, const std::uint8_t* parStatus, std::size_t parCount) {
  Result.FpIsBonOpen = mStatusList.StatusBitIsSet("2.3") || mStatusList.StatusBitIsSet("2.5");
  TFPBaisicDaisyDatecs::DecodeStatusBytes(Result, parStatus, parCount);
}

// ---- status and clock ----

TFpResultPtr TFpDatecsC::GetStatus(bool parFast) {
  auto result = std::make_unique<TFpResult>();
  try {
    SendCommand(TFpCommand::DiagnosticInfoGet, "", *result, parFast);
  } catch (const std::exception& e) {
    FillExceptionResult(*result, e.what());
  }
  ApplyDatecsDiagnosticInfo(*result);
  return result;
}

bool TFpDatecsC::CheckModel(const TFpResult&) { return true; }

// The reply is the error code, then the device clock.
model::TDateTime TFpDatecsC::GetDateTime() {
  TFpResult result;
  SendCommand(TFpCommand::DateTimeGet, "", result, false);
  if (result.ResultType != model::fprOk) return 0;
  const auto fields = model::SplitAll(result.ResponseRaw, "\t");
  if (fields.size() < 2) return 0;
  return support::ParseFpDateTime(fields[1]);
}

// The device wants to know whether the time it is given is summer time.
void TFpDatecsC::SetDateTime(model::TDateTime parDateTime, TFpResult& parResult) {
  const auto p = model::DecodeDateTime(parDateTime);
  const platform::TLocalTime local{p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second, p.Millisecond};
  std::string data = model::FormatDateTime(parDateTime, "DD-MM-YY HH:NN:SS");
  if (support::TRuntime::Clock().IsDaylightSaving(local)) data += " DST";
  SendCommand(TFpCommand::DateTimeSet, data + "\t", parResult, false);
}

// ---- receipts ----

TFpResultPtr TFpDatecsC::FiscalBonStart(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                                        const std::string& parUnp) {
  std::string data = parOperatorCode + "\t" + parOperatorPassword + "\t";
  if (!parUnp.empty()) data += parUnp + "\t";
  data += "1\t\t";
  return Send(TFpCommand::FiscalBonStart, data);
}

TFpResultPtr TFpDatecsC::FiscalBonStorno(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                                         const std::string& parUnp, const std::string& parStornoReason,
                                         const std::string& parStornoDocNo, model::TDateTime parStornoDocDateTime,
                                         const std::string& parStornoFpMem) {
  std::string data = parOperatorCode + "\t" + parOperatorPassword + "\t" + parUnp + "\t1\t" + parStornoReason + "\t" +
                     parStornoDocNo + "\t" + DatecsStornoDateTime(parStornoDocDateTime) + "\t" + parStornoFpMem + "\t";
  return Send(TFpCommand::FiscalBonStorno, data);
}

TFpResultPtr TFpDatecsC::FiscalBonItem(const std::string& parText1, const std::string& parText2,
                                       const std::string& parDepartment, long double parPrice,
                                       long double parQuantity) {
  const std::string vatGroup = VatGroupNumber(parDepartment);
  const std::string name = model::Trim(parText1 + " " + parText2);
  auto result = std::make_unique<TFpResult>();
  SendCommand(TFpCommand::FiscalBonItem,
              name + "\t" + vatGroup + "\t" + TFpUtil::FloatToStr(parPrice) + "\t" + TFpUtil::FloatToStr(parQuantity) +
                  "\t0\t\t0\t",
              *result, false);
  return result;
}

TFpResultPtr TFpDatecsC::FiscalBonTextLine(const std::string& parText) {
  return Send(TFpCommand::FiscalBonTextLine, parText + "\t");
}

TFpResultPtr TFpDatecsC::FiscalBonTotal(const std::string&, const std::string&, const std::string& parPaymentCode,
                                        long double parAmount) {
  std::string data = parPaymentCode + "\t";
  if (parAmount != 0) data += TFpUtil::FloatToStr(parAmount);
  return Send(TFpCommand::FiscalBonTotal, data + "\t");
}

// The close reply carries the receipt number in its second field.
TFpResultPtr TFpDatecsC::FiscalBonEnd() {
  auto result = std::make_unique<TFpResult>();
  SendCommand(TFpCommand::FiscalBonEnd, "", *result, false);
  const auto fields = model::SplitAll(result->ResponseRaw, "\t");
  if (fields.size() >= 2) result->FpBonNo = fields[1];
  TFpResultPtr status = GetStatus(false);
  result->FpNo = status->FpNo;
  result->FpMem = status->FpMem;
  return result;
}

// "0" brings cash in, "1" takes it out; the amount goes without its sign.
TFpResultPtr TFpDatecsC::CashInOut(long double parAmount) {
  const std::string data =
      std::string(parAmount < 0 ? "1" : "0") + "\t" + TFpUtil::FloatToStr(std::fabs(parAmount)) + "\t";
  auto result = std::make_unique<TFpResult>();
  SendCommand(TFpCommand::CashInOut, data, *result, false);
  // The first field is the device's error code. Without one (no answer), or with a device error
  // already reported, the exchange's own result says more than the refusal text would.
  if (result->ResponseRaw.empty() || result->ResultType != model::fprOk) return result;
  if (model::SplitAll(result->ResponseRaw, "\t").front() != "0") {
    result->ResultType = model::fprError;
    result->ResultText = kCashRefusedText;
  }
  return result;
}

TFpResultPtr TFpDatecsC::XReport() {
  return Send(TFpCommand::XReport, "X\t");
}

TFpResultPtr TFpDatecsC::ZReport() {
  return Send(TFpCommand::ZReport, "Z\t");
}

}  // namespace devices

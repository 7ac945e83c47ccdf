#include "devices/daisy.h"

#include <cmath>
#include <iterator>
#include <exception>

#include "devices/status_rows.h"
#include "model/date_time.h"
#include "model/fp_util.h"
#include "model/text.h"

namespace devices {

using model::TFpCommand;
using model::TFpResult;
using model::TFpUtil;

namespace {

// A storno receipt is opened with the receipt-open code and its own data layout, so there is
// no storno row; neither are there rows for the device number or QR data.
const TCommandRow kCommands[] = {
    {TFpCommand::DateTimeGet, 0x3E},
    {TFpCommand::DateTimeSet, 0x3D},
    {TFpCommand::FiscalBonStart, 0x30},
    {TFpCommand::FiscalBonItem, 0x31},
    {TFpCommand::FiscalBonTotal, 0x35},
    {TFpCommand::FiscalBonTextLine, 0x36},
    {TFpCommand::FiscalBonEnd, 0x38},
    {TFpCommand::FiscalBonCancel, 0x82},
    {TFpCommand::DiagnosticInfoGet, 0x5A},
    {TFpCommand::FiscalBonNumberGet, 0x71},
    {TFpCommand::XReport, 0x45},
    {TFpCommand::ZReport, 0x45},
    {TFpCommand::ReportPeriodShort, 0x4F},
    {TFpCommand::CashInOut, 0x46},
    {TFpCommand::PaymentMethodCash, "P"},
    {TFpCommand::PaymentMethodCard, "C"},
    {TFpCommand::PaymentMethodDelayed, "N"},
    {TFpCommand::StornoReasonError, "1"},
    {TFpCommand::StornoReasonReturn, "0"},
    {TFpCommand::StornoReasonDecrease, "2"},
};

// "3" is the whole status byte 3, the device error number; the other codes are "byte.bit".
const TStatusRow kStatusRows[] = {
    {"0.5", false, "(0.5) OR на всички грешки с * от байтове 0, 1, 2 – обща грешка"},
    {"0.4", true, "(0.4*) Грешка на печатащото устройство"},
    {"0.3", false, "(0.3) Няма външен дисплей"},
    {"0.2", false, "(0.2) Не са въведени дата и час"},
    {"0.1", true, "(0.1*) Невалидна команда"},
    {"0.0", true, "(0.0*) Синтактична грешка"},
    {"1.6", false, "(1.6) Грешна парола"},
    {"1.5", false, "(1.5) Грешка в cutter"},
    {"1.4", true, "(1.4*) Не се използва"},
    {"1.3", true, "(1.3*) Не се използва"},
    {"1.2", true, "(1.2*) Нулиран RAM"},
    {"1.1", true, "(1.1*) Неразрешена команда в текущия режим"},
    {"1.0", false, "(1.0) Препълване на някои полета в сумите"},
    {"2.6", false, "(2.6) Разрешен печат на документ"},
    {"2.5", false, "(2.5) Отворен е нефискален бон"},
    {"2.4", false, "(2.4) Малко хартия(контролна лента)"},
    {"2.3", false, "(2.3) Отворен е фискален бон"},
    {"2.2", false, "(2.2) Няма хартия (контролна лента)"},
    {"2.1", false, "(2.1) Малко хартия"},
    {"2.0", true, "(2.0*) Няма хартия"},
    {"3", true, "(3.0-3.6) Номер на грешка на ФУ"},
    {"4.5", false, "(4.5) OR на всички грешки с * от байтове 4 и 5– обща грешка"},
    {"4.4", true, "(4.4*) Пълна ФП"},
    {"4.3", false, "(4.3) Място за по–малко от 50 записа във ФП"},
    {"4.2", false, "(4.2) Грешен запис във ФП"},
    {"4.1", false, "(4.1) Проблем в данъчния терминал"},
    {"4.0", true, "(4.0*) Грешка при запис във ФП"},
    {"5.6", false, "(5.6) Готова ФП"},
    {"5.5", false, "(5.5) Програмирани са инд. номер на ФУ и номер на ФП"},
    {"5.4", false, "(5.4) Зададени данъчни ставки"},
    {"5.3", false, "(5.3) ФУ е въведено в експлоатация"},
    {"5.2", true, "(5.2*) Не се използва"},
    {"5.1", false, "(5.1) Не се използва"},
    {"5.0", true, "(5.0*) Препълнена ФП"},
};
static_assert(std::size(kStatusRows) == 34);

const char* const kWrongModeAdvice =
    "Проверете дали апаратът е в режим PC. Проверете паролата на оператора. Проверете има ли неприключен бон - "
    "откажете го с VOID. Проверете пускан ли е отчет с нулиране.";

// Ties go to the even neighbour, as the device rounds amounts.
long double RoundHalfEven(long double value, long double scale) {
  const long double scaled = value * scale;
  const long double low = std::floor(scaled);
  const long double fraction = scaled - low;
  long double rounded = low;
  if (fraction > 0.5L || (fraction == 0.5L && std::fmod(low, 2.0L) != 0)) rounded = low + 1;
  return rounded / scale;
}

}  // namespace

TFPDaisy::TFPDaisy() {
  InitVendorData();
  FpType = model::TFpDeviceType::Daisy;
  mFpVendorLetters = "DY";
  mDefaultOperatorCode = "1";
  mDefaultPassword = "1";
  mDefaultOperatorStornoCode = "20";
  mDefaultStornoPassword = "9999";
  AddCommandRows(mCommandTable, kCommands);
  mResultTable.Add(model::fprCommandError, 0x15);
  mResultTable.Add(model::fprWait, 0x16);
  FillErrorCodes();
}

void TFPDaisy::InitVendorData() {
  AddStatusRows(mStatusList, kStatusRows);
  if (auto* bit = mStatusList.Find("1.1")) bit->ErrorResolveSuggestion = kWrongModeAdvice;
}

void TFPDaisy::FillErrorCodes() {
  mErrorCodes.clear();
  for (const auto& row : DaisyErrorRows()) mErrorCodes.emplace_back(row.Code, row.Text, row.ResolveSuggestions);
}

const model::TFpError* TFPDaisy::FindError(const std::string& parCode) const {
  for (const auto& error : mErrorCodes)
    if (error.Code == parCode) return &error;
  return nullptr;
}

TFpResultPtr TFPDaisy::FiscalBonStart(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                                      const std::string& parUnp) {
  return Send(TFpCommand::FiscalBonStart, parOperatorCode + "," + parOperatorPassword + "," + parUnp);
}

TFpResultPtr TFPDaisy::FiscalBonStorno(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                                       const std::string& parUnp, const std::string& parStornoReason,
                                       const std::string& parStornoDocNo, TDateTime parStornoDocDateTime,
                                       const std::string& parStornoFpMem) {
  auto result = std::make_unique<TFpResult>();
  const std::string data = parOperatorCode + "," + parOperatorPassword + "," + parUnp + "\tR" + parStornoReason +
                           "," + parStornoDocNo + "," + model::FormatDateTime(parStornoDocDateTime, "DD-MM-YY HH:NN") +
                           "\t" + parStornoFpMem;
  SendCommand(TFpCommand::FiscalBonStart, data, *result, false);
  return result;
}

TFpResultPtr TFPDaisy::FiscalBonItem(const std::string& parText1, const std::string& parText2,
                                     const std::string& parDepartment, long double parPrice, long double parQuantity) {
  auto result = std::make_unique<TFpResult>();
  const std::string data = parText1 + "\n" + parText2 + "\t" + parDepartment +
                           TFpUtil::FloatToStr(RoundHalfEven(parPrice, 100)) + "*" +
                           TFpUtil::FloatToStr(RoundHalfEven(parQuantity, 1000));
  SendCommand(TFpCommand::FiscalBonItem, data, *result, false);
  return result;
}

TFpResultPtr TFPDaisy::ReportPeriodShort(TDateTime parFrom, TDateTime parTo) {
  auto result = std::make_unique<TFpResult>();
  SendCommand(TFpCommand::ReportPeriodShort,
              model::FormatDateTime(parFrom, "DDMMYY") + "," + model::FormatDateTime(parTo, "DDMMYY"), *result, false);
  return result;
}

TFpResultPtr TFPDaisy::GetStatus(bool parFast) {
  auto result = std::make_unique<TFpResult>();
  try {
    SendCommand(TFpCommand::DiagnosticInfoGet, "", *result, parFast);
  } catch (const std::exception& e) {
    FillExceptionResult(*result, e.what());
  }
  // The reply is model, version, date, checksum, device number, fiscal-memory number.
  if (!result->ResponseRaw.empty()) {
    const auto fields = model::SplitAll(result->ResponseRaw, ",");
    if (fields.size() == 6) {
      result->FpNo = model::Trim(fields[4]);
      result->FpMem = model::Trim(fields[5]);
    }
  }
  return result;
}

void TFPDaisy::DecodeStatusBytes(TFpResult& Result, const std::uint8_t* parStatus, std::size_t parCount) {
  const int errorNo = parCount > 3 ? parStatus[3] & 0x7F : 0;
  std::string errorCode, errorText, suggestion;
  if (errorNo > 0) {
    errorCode = std::to_string(errorNo);
    if (const model::TFpError* error = FindError(errorCode)) {
      errorText = error->Text;
      suggestion = error->Text + " " + error->ResolveSuggestions;
    } else {
      errorText = "Код на грешка: " + errorCode + ". Не е намерена в списъка с грешки!";
    }
  }
  mStatusList.SetStatusBit("3", errorNo > 0, errorCode, errorText, suggestion);

  // Read before this reply's bits are applied: the flag tells whether a receipt was open when the
  // command reached the device.
  Result.FpIsBonOpen = mStatusList.StatusBitIsSet("2.3") || mStatusList.StatusBitIsSet("2.5");

  TFPBaisicDaisyDatecs::DecodeStatusBytes(Result, parStatus, parCount);
}

}  // namespace devices

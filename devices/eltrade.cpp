#include "devices/eltrade.h"

#include <exception>
#include <iterator>

#include "devices/status_rows.h"
#include "model/date_time.h"
#include "model/device_info.h"
#include "model/fp_util.h"
#include "model/text.h"

namespace devices {

using driver::TFpResultPtr;
using model::TFpCommand;
using model::TFpResult;
using model::TFpUtil;

namespace {

// In device order. A receipt and a storno receipt are opened by the same command.
const TCommandRow kCommands[] = {
    {TFpCommand::DateTimeGet, 0x3E},
    {TFpCommand::DateTimeSet, 0x3D},
    {TFpCommand::FiscalBonStart, 0x90},
    {TFpCommand::FiscalBonStorno, 0x90},
    {TFpCommand::FiscalBonItem, 0x31},
    {TFpCommand::FiscalBonTotal, 0x35},
    {TFpCommand::FiscalBonTextLine, 0x36},
    {TFpCommand::FiscalBonEnd, 0x38},
    {TFpCommand::FiscalBonCancel, 0x3C},
    {TFpCommand::DiagnosticInfoGet, 0x5A},
    {TFpCommand::FiscalBonNumberGet, 0x71},
    {TFpCommand::XReport, 0x45},
    {TFpCommand::ZReport, 0x45},
    {TFpCommand::CashInOut, 0x46},
    {TFpCommand::PaymentMethodCash, "P"},
    {TFpCommand::PaymentMethodCard, "L"},
    {TFpCommand::PaymentMethodDelayed, "N"},
    {TFpCommand::StornoReasonError, "O"},
    {TFpCommand::StornoReasonReturn, "R"},
    {TFpCommand::StornoReasonDecrease, "T"},
};

// All 48 bits, in device order. The device documentation cuts seven texts after 67 characters,
// in mid-word; they are kept as the device documents them.
constexpr TStatusRow kStatusBits[] = {
    {"0.7", false, "(0.7) Резервиран – винаги е 1."},
    {"0.6", false, "(0.6) Отворен е капакът на принтера."},
    {"0.5", true, "(0.5) Обща грешка - това е OR на всички грешки, маркирани с ‘#’."},
    {"0.4", true, "(0.4) # Механизмът на печатащото устройство има неизправност."},
    {"0.3", false, "(0.3) Не е свързан клиентски дисплей."},
    {"0.2", false, "(0.2) Часовникът не е установен."},
    {"0.1", true, "(0.1) # Кодът на получената команда е невалиден."},
    {"0.0", true, "(0.0) # Получените данни имат синтактична грешка."},
    {"1.7", false, "(1.7) Резервиран – винаги е 1."},
    {"1.6", false, "(1.6) Вграденият данъчен терминал не отговаря."},
    {"1.5", false, "(1.5) Отворен е служебен бон за печат на завъртян на 90 градуса тек"},
    {"1.4", true, "(1.4) # Установено е разрушаване на съдържанието на оперативната па"},
    {"1.3", true, "(1.3) # Слаба батерия (Часовникът за реално време е в състояние RES"},
    {"1.2", true, "(1.2) # Извършено е зануляване на оперативната памет."},
    {"1.1", true, "(1.1) # Изпълнението на командата не е позволено в текущия фискален"},
    {"1.0", false, "(1.0) При изпълнение на командата се е получило препълване на някои"},
    {"2.7", false, "(2.7) Резервиран – винаги е 1."},
    {"2.6", false, "(2.6) Не се използва."},
    {"2.5", false, "(2.5) Отворен е служебен бон."},
    {"2.4", false, "(2.4) Близък край на КЛЕН (по-малко от 10 MB от КЛЕН свободни)."},
    {"2.3", false, "(2.3) Отворен е фискален бон."},
    {"2.2", false, "(2.2) Край на КЛЕН (по-малко от 1 MB от КЛЕН свободни)."},
    {"2.1", false, "(2.1) Останала е малко хартия."},
    {"2.0", true, "(2.0) # Свършила е хартията. Ако се вдигне този флаг по време на ко"},
    {"3.7", false, "(3.7) Резервиран – винаги е 1."},
    {"3.6", false, "(3.6) Състояние на Sw7."},
    {"3.5", false, "(3.5) Състояние на Sw6."},
    {"3.4", false, "(3.4) Състояние на Sw5."},
    {"3.3", false, "(3.3) Състояние на Sw4."},
    {"3.2", false, "(3.2) Състояние на Sw3."},
    {"3.1", false, "(3.1) Състояние на Sw2."},
    {"3.0", false, "(3.0) Състояние на Sw1."},
    {"4.7", false, "(4.7) Резервиран – винаги е 1."},
    {"4.6", false, "(4.6) Не се използва."},
    {"4.5", true, "(4.5) OR на всички грешки, маркирани с ‘*’ от байтове 4 и 5."},
    {"4.4", true, "(4.4) * Фискалната памет е пълна."},
    {"4.3", false, "(4.3) Има място за по-малко от 50 записа във ФП."},
    {"4.2", false, "(4.2) Зададени са индивидуален номер на принтера и номер на фискалн"},
    {"4.1", false, "(4.1) Зададен е ЕИК."},
    {"4.0", true, "(4.0) * Има грешка при запис във фискалната памет."},
    {"5.7", false, "(5.7) Резервиран – винаги е 1."},
    {"5.6", false, "(5.6) Не се използва."},
    {"5.5", false, "(5.5) Грешка при четене от фискалната памет."},
    {"5.4", false, "(5.4) Зададени са поне веднъж данъчните ставки."},
    {"5.3", false, "(5.3) Принтерът е във фискален режим."},
    {"5.2", true, "(5.2) * Последният запис във фискалната памет не е успешен."},
    {"5.1", false, "(5.1) Фискалната памет е форматирана."},
    {"5.0", true, "(5.0) * Фискалната памет е установена в режим READONLY (заключена)"},
};
static_assert(std::size(kStatusBits) == 48);

}  // namespace

TFpEltrade::TFpEltrade() {
  InitVendorData();
  FpType = model::TFpDeviceType::Eltrade;
  mFpVendorLetters = "ED";
  mDefaultOperatorCode = "1";
  // No Eltrade operation sends the password.
  mDefaultPassword = "0";
  AddCommandRows(mCommandTable, kCommands);
  mResultTable.Add(model::fprCommandError, 0x15);
  mResultTable.Add(model::fprWait, 0x16);
}

void TFpEltrade::InitVendorData() { AddStatusRows(mStatusList, kStatusBits); }

TFpResultPtr TFpEltrade::FiscalBonStart(const std::string& parOperatorCode, const std::string&,
                                        const std::string& parUnp) {
  std::string data = parOperatorCode + ",";
  if (!parUnp.empty()) data += parUnp + ",";
  return Send(TFpCommand::FiscalBonStart, data);
}

// "S" after the sale number makes the receipt a storno one; the document time is ISO-like, "T" between date and time.
TFpResultPtr TFpEltrade::FiscalBonStorno(const std::string& parOperatorCode, const std::string&,
                                         const std::string& parUnp, const std::string& parStornoReason,
                                         const std::string& parStornoDocNo, model::TDateTime parStornoDocDateTime,
                                         const std::string& parStornoFpMem) {
  std::string data = parOperatorCode + "," + parUnp + ",S," + parStornoFpMem + "," + parStornoReason + "," +
                     parStornoDocNo + "," + model::FormatDateTime(parStornoDocDateTime, "YYYY-MM-DDTHH:NN:SS");
  return Send(TFpCommand::FiscalBonStorno, data);
}

// Texts go as given; the group letter is glued to the price.
TFpResultPtr TFpEltrade::FiscalBonItem(const std::string& parText1, const std::string& parText2,
                                       const std::string& parDepartment, long double parPrice,
                                       long double parQuantity) {
  auto result = std::make_unique<TFpResult>();
  SendCommand(TFpCommand::FiscalBonItem,
              parText1 + "\n" + parText2 + "\t" + parDepartment + TFpUtil::FloatToStr(parPrice) + "*" +
                  TFpUtil::FloatToStr(parQuantity),
              *result, false);
  return result;
}

// The diagnostic reply has seven fields; the last two are the device and fiscal-memory numbers.
TFpResultPtr TFpEltrade::GetStatus(bool parFast) {
  auto result = std::make_unique<TFpResult>();
  try {
    SendCommand(TFpCommand::DiagnosticInfoGet, "", *result, parFast);
  } catch (const std::exception& e) {
    FillExceptionResult(*result, e.what());
  }
  if (!result->ResponseRaw.empty()) {
    auto fields = model::SplitAll(result->ResponseRaw, ",");
    if (fields.size() == 7) {
      result->FpNo = model::Trim(fields[5]);
      result->FpMem = model::Trim(fields[6]);
    }
  }
  return result;
}

// The flag reports the receipt state as the previous reply left it.
void TFpEltrade::DecodeStatusBytes(TFpResult& Result, const std::uint8_t* parStatus, std::size_t parCount) {
  Result.FpIsBonOpen = mStatusList.StatusBitIsSet("2.3") || mStatusList.StatusBitIsSet("2.5");
  TFPBaisicDaisyDatecs::DecodeStatusBytes(Result, parStatus, parCount);
}

}  // namespace devices

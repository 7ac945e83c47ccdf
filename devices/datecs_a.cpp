#include "devices/datecs_a.h"

#include <iterator>

#include "devices/status_rows.h"
#include "model/device_info.h"

namespace devices {

using model::TFpCommand;
using model::TFpResult;

namespace {

// In device order; status byte 3 carries nothing this family reports.
constexpr TStatusRow kStatusBits[] = {
    {"0.6", false, "(0.6) Отворен е капакът на принтера."},
    {"0.5", false, "(0.5) Обща грешка - това е OR на всички грешки, маркирани с ‘#’."},
    {"0.4", true, "(0.4#) # Механизмът на печатащото устройство има неизправност."},
    {"0.3", false, "(0.3) Не е свързан клиентски дисплей."},
    {"0.2", false, "(0.2) Часовникът не е установен."},
    {"0.1", true, "(0.1#) # Кодът на получената команда е невалиден."},
    {"0.0", true, "(0.0#) # Получените данни имат синктактична грешка."},
    {"1.6", false, "(1.6) Вграденият данъчен терминал не отговаря."},
    {"1.5", false, "(1.5) Отворен е служебен бон за печат на завъртян на 90 градуса текст."},
    {"1.4", false, "(1.4) Отворен сторно бон."},
    {"1.3", true, "(1.3#) # Слаба батерия (Часовникът за реално време е в състояние RESET).)."},
    {"1.2", true, "(1.2#) # Извършено е зануляване на оперативната памет."},
    {"1.1", true, "(1.1#) # Изпълнението на командата не е позволено в текущия фискален режим."},
    {"1.0", false, "(1.0) При изпълнение на командата се е получило препълване на някои полета от сумите. Статус 1.1 също ще се установи и командата няма да предизвика промяна на данните в принтера."},
    {"2.6", false, "(2.6) Много близък край на КЛЕН (допускат се само определени бонове)."},
    {"2.5", false, "(2.5) Отворен е служебен бон."},
    {"2.4", false, "(2.4) Близък край на КЛЕН (по-малко от 10 MB от КЛЕН свободни)."},
    {"2.3", false, "(2.3) Отворен е фискален бон."},
    {"2.2", false, "(2.2) Край на КЛЕН (по-малко от 1 MB от КЛЕН свободни)."},
    {"2.1", false, "(2.1) Останала е малко хартия."},
    {"2.0", true, "(2.0#) # Свършила е хартията. Ако се вдигне този флаг по време на команда, свързана с печат, то командата е отхвърлена и не е променила състоянието на ФУ."},
    {"4.6", false, "(4.6) Печатащата глава е прегряла."},
    {"4.5", false, "(4.5) OR на всички грешки, маркирани с ‘*’ от байтове 4 и 5."},
    {"4.4", true, "(4.4*) * ФП е пълна."},
    {"4.3", false, "(4.3) Има място за по-малко от 50 записа във ФП."},
    {"4.2", false, "(4.2) Зададени са индивидуален номер на ФУ и номер на ФП."},
    {"4.1", false, "(4.1) Зададен е ЕИК."},
    {"4.0", true, "(4.0*) * Грешка при запис във фискалната памет."},
    {"5.5", false, "(5.5) Грешка при четене от фискалната памет."},
    {"5.4", false, "(5.4) Зададени са поне веднъж данъчните ставки."},
    {"5.3", false, "(5.3) ФУ е във фискален режим."},
    {"5.2", true, "(5.2*) * Последният запис във фискалната памет не е успешен."},
    {"5.1", false, "(5.1) ФП е форматирана."},
    {"5.0", true, "(5.0*) * Фискалната памет е установена в режим READONLY (заключена)."},
};
static_assert(std::size(kStatusBits) == 34);

}  // namespace

// Fiscal receipt (2.3), service receipt (2.5), rotated-text service receipt (1.5) or storno receipt (1.4) open.
TFpDatecsA::TFpDatecsA()
    : TFpDatecsAB("|FP-800|FP-2000|FP-650|SK1-21F|SK1-31F|FMP-10|FP-700|", {"2.3", "2.5", "1.5", "1.4"}) {
  InitVendorData();
  FpType = model::TFpDeviceType::DatecsA;
  InitDatecsTables("0000", "E", "R", "T");
}

void TFpDatecsA::InitVendorData() {
  AddStatusRows(mStatusList, kStatusBits);
}

TFpResultPtr TFpDatecsA::FiscalBonStart(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                                        const std::string& parUnp) {
  std::string data = parOperatorCode + "," + parOperatorPassword + ",1";
  if (!parUnp.empty()) data += "," + parUnp;
  return Send(TFpCommand::FiscalBonStart, data);
}

// The reason code is glued to the document number, and the sale number goes both before and after it.
TFpResultPtr TFpDatecsA::FiscalBonStorno(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                                         const std::string& parUnp, const std::string& parStornoReason,
                                         const std::string& parStornoDocNo, TDateTime parStornoDocDateTime,
                                         const std::string& parStornoFpMem) {
  std::string data = parOperatorCode + "," + parOperatorPassword + ",1," + parUnp + "," + parStornoReason +
                     parStornoDocNo + "," + parUnp + "," + DatecsStornoDateTime(parStornoDocDateTime) + "," +
                     parStornoFpMem;
  return Send(TFpCommand::FiscalBonStorno, data);
}

}  // namespace devices

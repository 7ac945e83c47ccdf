#include "devices/datecs_b.h"

#include <iterator>

#include "devices/status_rows.h"
#include "model/device_info.h"

namespace devices {

using model::TFpCommand;
using model::TFpResult;

namespace {

// In device order; status byte 3 carries nothing this family reports.
constexpr TStatusRow kStatusBits[] = {
    {"0.5", false, "(0.5) Обща грешка - това е OR на всички грешки, маркирани с ‘#’."},
    {"0.3", false, "(0.3) Не е свързан клиентски дисплей."},
    {"0.2", false, "(0.2) Не е сверен часовника."},
    {"0.1", true, "(0.1#) # Кодът на получената команда е невалиден."},
    {"0.0", true, "(0.0#) # Получените данни имат синктактична грешка."},
    {"1.6", false, "(1.6) Вграденият данъчен терминал не отговаря."},
    {"1.5", false, "(1.5) Има неизпратени документи за повече от настроеното време за предупреждение"},
    {"1.1", true, "(1.1#) # Изпълнението на командата не е позволено в текущия фискален режим."},
    {"1.0", false, "(1.0) При изпълнение на командата се е получило препълване на някои полета от сумите. Статус 1.1 също ще се установи и командата няма да предизвика промяна на данните в ФУ."},
    {"2.5", false, "(2.5) Отворен е служебен бон."},
    {"2.4", false, "(2.4) Близък край на КЛЕН (по-малко от 10 MB от КЛЕН свободни)."},
    {"2.3", false, "(2.3) Отворен е фискален бон."},
    {"2.2", false, "(2.2) Край на КЛЕН (по-малко от 1 MB от КЛЕН свободни)."},
    {"2.0", true, "(2.0#) # Свършила е хартията. Ако се вдигне този флаг по време на команда, свързана с печат, то командата е отхвърлена и не е променила състоянието на ФУ."},
    {"4.5", false, "(4.5) OR на всички грешки, маркирани с ‘*’ от байтове 4 и 5."},
    {"4.4", true, "(4.4*) * ФП е пълна."},
    {"4.3", false, "(4.3) Има място за по-малко от 50 записа във ФП."},
    {"4.2", false, "(4.2) Зададени са индивидуален номер на ФУ и номер на ФП."},
    {"4.1", false, "(4.1) Зададен е ЕИК."},
    {"4.0", true, "(4.0*) * Грешка при запис във фискалната памет."},
    {"5.4", false, "(5.4) Зададени са поне веднъж данъчните ставки."},
    {"5.3", false, "(5.3) ФУ е във фискален режим."},
    {"5.1", false, "(5.1) ФП е форматирана."},
};
static_assert(std::size(kStatusBits) == 23);

}  // namespace

// Fiscal receipt (2.3) or service receipt (2.5) open.
TFpDatecsB::TFpDatecsB() : TFpDatecsAB("|DP-05|DP-25|DP-35|WP-50|DP-150|", {"2.3", "2.5"}) {
  InitVendorData();
  FpType = model::TFpDeviceType::DatecsB;
  InitDatecsTables("0", "0", "1", "2");
}

void TFpDatecsB::InitVendorData() {
  AddStatusRows(mStatusList, kStatusBits);
}

// The sale number, when there is one, comes before the "1".
TFpResultPtr TFpDatecsB::FiscalBonStart(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                                        const std::string& parUnp) {
  std::string data = parOperatorCode + "," + parOperatorPassword + ",";
  if (!parUnp.empty()) data += parUnp + ",";
  data += "1";
  return Send(TFpCommand::FiscalBonStart, data);
}

TFpResultPtr TFpDatecsB::FiscalBonStorno(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                                         const std::string& parUnp, const std::string& parStornoReason,
                                         const std::string& parStornoDocNo, TDateTime parStornoDocDateTime,
                                         const std::string& parStornoFpMem) {
  std::string data = parOperatorCode + "," + parOperatorPassword + "," + parUnp + ",1," + parStornoReason + "," +
                     parStornoDocNo + "," + DatecsStornoDateTime(parStornoDocDateTime) + "," + parStornoFpMem;
  return Send(TFpCommand::FiscalBonStorno, data);
}

}  // namespace devices

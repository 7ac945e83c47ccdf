// Tremol vendor data: command and control codes, status bits and the texts of the two status
// characters of an acknowledgement.
#include <array>

#include "protocol/tremol.h"

namespace protocol {

using model::TFpCommand;

namespace {

struct TStatusRow {
  const char* Code;
  bool IsForError;
  const char* Text;
};

// In the order the device documents them.
constexpr std::array<TStatusRow, 34> kStatusBits = {{
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
    {"3.0", true, "(3.0-3.6) Номер на грешка на ФУ"},
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
}};

constexpr const char* kWrongModeSuggestion =
    "Проверете дали апаратът е в режим PC. Проверете има ли неприключен бон - откажете го с VOID. "
    "Проверете пускан ли е отчет с нулиране.";

// Device state, status character "0" to "?".
constexpr std::array<const char*, 16> kStateTexts = {
    "OK",
    "Out of paper, printer failure",
    "Registers overflow",
    "Clock failure or incorrect date&time",
    "Opened fiscal receipt",
    "Payment residue account",
    "Opened non-fiscal receipt",
    "Registered payment but receipt is not closed",
    "Fiscal memory failure",
    "Incorrect password",
    "Missing external display",
    "24 hours block – missing Z report",
    "Overheated printer thermal head.",
    "Interrupt power supply in fiscal receipt (one time until status is read)",
    "Overflow EJ",
    "Insufficient conditions",
};

// Outcome of the command, status character "0" to "8".
constexpr std::array<const char*, 9> kOutcomeTexts = {
    "OK",
    "Invalid command",
    "Illegal command",
    "Z daily report is not zero",
    "Syntax error",
    "Input registers overflow",
    "Zero input registers",
    "Unavailable transaction for correction",
    "Insufficient amount on hand",
};

const char* TextOf(const auto& texts, std::uint8_t character) {
  const unsigned index = static_cast<unsigned>(character) - '0';
  return character >= '0' && index < texts.size() ? texts[index] : "???";
}

}  // namespace

TFPTremol::TFPTremol() {
  InitVendorData();
  FpType = model::TFpDeviceType::Tremol;
  mFpVendorLetters = "ZK";
  mDefaultOperatorCode = "01";
  mDefaultPassword = "0";

  mCommandTable.Add(TFpCommand::DateTimeGet, 0x68);
  mCommandTable.Add(TFpCommand::FiscalBonStart, 0x30);
  mCommandTable.Add(TFpCommand::FiscalBonItem, 0x31);
  mCommandTable.Add(TFpCommand::FiscalBonTotal, 0x35);
  mCommandTable.Add(TFpCommand::FiscalBonTextLine, 0x37);
  mCommandTable.Add(TFpCommand::FiscalBonEnd, 0x38);
  mCommandTable.Add(TFpCommand::FiscalBonCancel, 0x39);
  mCommandTable.Add(TFpCommand::DiagnosticInfoGet, 0x20);
  mCommandTable.Add(TFpCommand::FpNumberGet, 0x60);
  mCommandTable.Add(TFpCommand::XReport, 0x7F);
  mCommandTable.Add(TFpCommand::ZReport, 0x7F);
  mCommandTable.Add(TFpCommand::FiscalBonNumberGet, 0x72);
  mCommandTable.Add(TFpCommand::QrCodeDataGet, 0x72);
  mCommandTable.Add(TFpCommand::PaymentMethodCash, "0");
  mCommandTable.Add(TFpCommand::PaymentMethodCard, "1");
  mCommandTable.Add(TFpCommand::PaymentMethodDelayed, "2");
  mCommandTable.Add(TFpCommand::StornoReasonError, "0");
  mCommandTable.Add(TFpCommand::StornoReasonReturn, "1");
  // The device knows no separate code for a decrease; it is booked as a return.
  mCommandTable.Add(TFpCommand::StornoReasonDecrease, "1");

  mResultTable.Add(model::fprCommandError, 0x15);
  mResultTable.Add(model::fprWait, 0x0E);
  mResultTable.Add(model::fprShortResponse, 0x06);
  mResultTable.Add(model::fprLongResponse, 0x02);
}

// The bits describe the family; no Tremol reply sets them (an acknowledgement carries two status characters).
void TFPTremol::InitVendorData() {
  for (const auto& row : kStatusBits)
    mStatusList.Add(row.Code, row.IsForError, row.Text,
                    std::string_view(row.Code) == "1.1" ? kWrongModeSuggestion : "");
}

const char* TFPTremol::StateText(std::uint8_t parStatusA) { return TextOf(kStateTexts, parStatusA); }

const char* TFPTremol::OutcomeText(std::uint8_t parStatusB) { return TextOf(kOutcomeTexts, parStatusB); }

}  // namespace protocol

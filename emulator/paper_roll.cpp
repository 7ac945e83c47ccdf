#include "emulator/paper_roll.h"

#include <cstdio>

#include "model/text.h"

namespace emulator {

namespace {

const std::string kRule(kRollWidth, '-');
const std::string kDoubleRule(kRollWidth, '=');

std::string Line(const std::string& text) { return model::Utf8Left(text, kRollWidth) + "\n"; }

// Left text, then right text flush with the right edge; the left text gives way when both do not fit.
std::string Row(const std::string& left, const std::string& right) {
  const long rightWidth = static_cast<long>(model::Utf8Length(right));
  const long room = rightWidth + 1 >= kRollWidth ? 0 : kRollWidth - rightWidth - 1;
  std::string leftPart = model::Utf8Left(left, static_cast<std::size_t>(room));
  const long gap = kRollWidth - static_cast<long>(model::Utf8Length(leftPart)) - rightWidth;
  return leftPart + std::string(static_cast<std::size_t>(gap > 0 ? gap : 1), ' ') + right + "\n";
}

std::string Centered(const std::string& text) {
  const long width = static_cast<long>(model::Utf8Length(text));
  const std::size_t pad = width >= kRollWidth ? 0 : static_cast<std::size_t>((kRollWidth - width) / 2);
  return Line(std::string(pad, ' ') + text);
}

std::string DeviceLine(const TIdentity& device) { return Row("ФУ " + device.FpNo, "ФП " + device.FpMem); }

std::string PaymentLabel(const TPayment& payment) {
  switch (payment.Kind) {
    case TPayKind::Cash: return "В БРОЙ";
    case TPayKind::Card: return "С КАРТА";
    case TPayKind::Delayed: return "ОТЛОЖЕНО ПЛАЩАНЕ";
    case TPayKind::Other: break;
  }
  return "ПЛАЩАНЕ " + payment.Code;
}

std::string NumberText(long number) {
  char text[24];
  std::snprintf(text, sizeof text, "%07ld", number);
  return text;
}

}  // namespace

std::string RollDateTime(const TCivilTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", t.Day, t.Month, t.Year, t.Hour, t.Minute,
                t.Second);
  return text;
}

std::string RenderReceipt(const TReceipt& receipt, const TIdentity& device) {
  std::string out = kDoubleRule + "\n";
  out += Centered(receipt.Storno ? "СТОРНО БОН" : "ФИСКАЛЕН БОН");
  out += DeviceLine(device);
  out += Line("Оператор " + receipt.Operator);
  if (!receipt.Unp.empty()) out += Line("УНП " + receipt.Unp);
  if (receipt.Storno) {
    const TStornoRef& ref = *receipt.Storno;
    out += Line("Причина " + ref.Reason + ", към бон " + ref.DocNo);
    out += Line("от " + ref.DocDateTime + ", ФП " + ref.FpMem);
  }
  out += kRule + "\n";
  for (const TReceiptLine& line : receipt.Lines) {
    if (line.IsText) {
      out += Line(line.Text1);
      continue;
    }
    out += Line(line.Text1);
    if (!line.Text2.empty()) out += Line(line.Text2);
    out += Row("  " + FormatQuantity(line.Quantity) + " x " + FormatMoney(MicroToCents(line.Price)),
               FormatMoney(line.Amount) + " " + line.TaxGroup);
  }
  out += kRule + "\n";
  if (receipt.Cancelled) {
    out += Centered("*** АНУЛИРАН БОН ***");
  } else {
    out += Row("ОБЩА СУМА", FormatMoney(receipt.Total()));
    for (const TPayment& payment : receipt.Payments) out += Row(PaymentLabel(payment), FormatMoney(payment.Amount));
    if (receipt.Change() > 0) out += Row("РЕСТО", FormatMoney(receipt.Change()));
  }
  out += kRule + "\n";
  out += Row("Бон № " + NumberText(receipt.Number), RollDateTime(receipt.At));
  out += Centered(receipt.Cancelled ? "НЕФИСКАЛЕН" : "ФИСКАЛЕН БОН");
  out += kDoubleRule + "\n\n";
  return out;
}

std::string RenderCashSlip(TCents amount, TCents cashAfter, const TCivilTime& at, const TIdentity& device) {
  std::string out = kDoubleRule + "\n";
  out += Centered("СЛУЖЕБЕН БОН");
  out += DeviceLine(device);
  out += kRule + "\n";
  out += Row(amount > 0 ? "СЛУЖЕБНО ВЪВЕДЕНИ" : "СЛУЖЕБНО ИЗВЕДЕНИ", FormatMoney(amount > 0 ? amount : -amount));
  out += Row("НАЛИЧНОСТ В КАСАТА", FormatMoney(cashAfter));
  out += kRule + "\n";
  out += Line(RollDateTime(at));
  out += kDoubleRule + "\n\n";
  return out;
}

std::string RenderDayReport(bool zeroing, long zNumber, const TDayTotals& day, TCents cash, const TCivilTime& at,
                            const TIdentity& device) {
  std::string out = kDoubleRule + "\n";
  out += Centered(zeroing ? "ДНЕВЕН ОТЧЕТ С НУЛИРАНЕ" : "ДНЕВЕН ОТЧЕТ БЕЗ НУЛИРАНЕ");
  out += Centered(zeroing ? "Z-ОТЧЕТ № " + NumberText(zNumber) : "X-ОТЧЕТ");
  out += DeviceLine(device);
  out += kRule + "\n";
  for (const auto& [group, amount] : day.ByTaxGroup) out += Row("ОБОРОТ " + group, FormatMoney(amount));
  out += Row("ПРОДАЖБИ", FormatMoney(day.Sales));
  out += Row("СТОРНО", FormatMoney(day.Storno));
  out += Row("ФИСКАЛНИ БОНОВЕ", std::to_string(day.Receipts));
  out += Row("СЛУЖЕБНО ВЪВЕДЕНИ", FormatMoney(day.CashIn));
  out += Row("СЛУЖЕБНО ИЗВЕДЕНИ", FormatMoney(day.CashOut));
  out += Row("НАЛИЧНОСТ В КАСАТА", FormatMoney(cash));
  out += kRule + "\n";
  out += Line(RollDateTime(at));
  out += kDoubleRule + "\n\n";
  return out;
}

std::string RenderPeriodReport(const TCivilTime& from, const TCivilTime& to, long zReports, const TCivilTime& at,
                               const TIdentity& device) {
  auto date = [](const TCivilTime& t) { return RollDateTime(t).substr(0, 10); };
  std::string out = kDoubleRule + "\n";
  out += Centered("СЪКРАТЕН ОТЧЕТ НА ФП");
  out += DeviceLine(device);
  out += Line("от " + date(from) + " до " + date(to));
  out += kRule + "\n";
  out += Row("Z-ОТЧЕТИ ДО МОМЕНТА", std::to_string(zReports));
  out += kRule + "\n";
  out += Line(RollDateTime(at));
  out += kDoubleRule + "\n\n";
  return out;
}

}  // namespace emulator

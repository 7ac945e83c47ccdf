#include "emulator/receipt_book.h"

#include "emulator/paper_roll.h"

namespace emulator {

TCents TReceipt::Total() const {
  TCents total = 0;
  for (const TReceiptLine& line : Lines) total += line.Amount;
  return total;
}

TCents TReceipt::Paid() const {
  TCents paid = 0;
  for (const TPayment& payment : Payments) paid += payment.Amount;
  return paid;
}

TCents TReceipt::Change() const {
  TCents over = Paid() - Total();
  if (over <= 0) return 0;
  TCents cash = 0;
  for (const TPayment& payment : Payments)
    if (payment.Kind == TPayKind::Cash) cash += payment.Amount;
  return over < cash ? over : cash;
}

int TReceipt::SaleCount() const {
  int count = 0;
  for (const TReceiptLine& line : Lines) count += line.IsText ? 0 : 1;
  return count;
}

TReceiptBook::TReceiptBook(TIdentity identity, long lastReceiptNo, TPrinter printer)
    : mIdentity(std::move(identity)), mLastNumber(lastReceiptNo), mPrinter(std::move(printer)) {}

TRefusal TReceiptBook::Open(const std::string& operatorCode, const std::string& unp,
                            std::optional<TStornoRef> storno) {
  if (mOpen) return TRefusal::ReceiptOpen;
  mOpen.emplace();
  mOpen->Operator = operatorCode;
  mOpen->Unp = unp;
  mOpen->Storno = std::move(storno);
  return TRefusal::None;
}

TRefusal TReceiptBook::Sell(TReceiptLine sale) {
  if (!mOpen) return TRefusal::NoReceipt;
  if (!mOpen->Payments.empty()) return TRefusal::NotAllowed;
  sale.IsText = false;
  sale.Amount = LineAmount(sale.Price, sale.Quantity);
  mOpen->Lines.push_back(std::move(sale));
  return TRefusal::None;
}

TRefusal TReceiptBook::PrintText(const std::string& text) {
  if (!mOpen) return TRefusal::NoReceipt;
  TReceiptLine line;
  line.IsText = true;
  line.Text1 = text;
  mOpen->Lines.push_back(std::move(line));
  return TRefusal::None;
}

TRefusal TReceiptBook::Pay(TPayKind kind, const std::string& code, std::optional<TCents> amount) {
  if (!mOpen) return TRefusal::NoReceipt;
  if (mOpen->SaleCount() == 0) return TRefusal::NotAllowed;
  if (!mOpen->Payments.empty() && mOpen->Due() == 0) return TRefusal::NotAllowed;
  if (amount && *amount <= 0) return TRefusal::Syntax;
  // A card or a delayed payment cannot exceed what is due: there is no change to give.
  TCents paid = amount ? *amount : mOpen->Due();
  if (kind != TPayKind::Cash && paid > mOpen->Due()) return TRefusal::NotAllowed;
  mOpen->Payments.push_back(TPayment{kind, code, paid});
  return TRefusal::None;
}

TRefusal TReceiptBook::Close(const TCivilTime& now) {
  if (!mOpen) return TRefusal::NoReceipt;
  if (mOpen->SaleCount() == 0) return TRefusal::NotAllowed;
  if (mOpen->Due() > 0) mOpen->Payments.push_back(TPayment{TPayKind::Cash, "", mOpen->Due()});
  TReceipt receipt = std::move(*mOpen);
  mOpen.reset();
  receipt.Number = ++mLastNumber;
  receipt.At = now;

  TCents cashIn = -receipt.Change();
  for (const TPayment& payment : receipt.Payments)
    if (payment.Kind == TPayKind::Cash) cashIn += payment.Amount;
  bool storno = receipt.Storno.has_value();
  mCash += storno ? -cashIn : cashIn;
  ++mDay.Receipts;
  (storno ? mDay.Storno : mDay.Sales) += receipt.Total();
  for (const TReceiptLine& line : receipt.Lines)
    if (!line.IsText) mDay.ByTaxGroup[line.TaxGroup] += storno ? -line.Amount : line.Amount;

  if (mPrinter) mPrinter(RenderReceipt(receipt, mIdentity));
  return TRefusal::None;
}

TRefusal TReceiptBook::Cancel(const TCivilTime& now) {
  if (!mOpen) return TRefusal::NoReceipt;
  TReceipt receipt = std::move(*mOpen);
  mOpen.reset();
  receipt.Number = ++mLastNumber;
  receipt.At = now;
  receipt.Cancelled = true;
  if (mPrinter) mPrinter(RenderReceipt(receipt, mIdentity));
  return TRefusal::None;
}

TRefusal TReceiptBook::CashInOut(TCents amount, const TCivilTime& now) {
  if (mOpen) return TRefusal::ReceiptOpen;
  if (amount == 0) return TRefusal::None;
  if (amount < 0 && -amount > mCash) return TRefusal::NoCash;
  mCash += amount;
  (amount > 0 ? mDay.CashIn : mDay.CashOut) += amount > 0 ? amount : -amount;
  if (mPrinter) mPrinter(RenderCashSlip(amount, mCash, now, mIdentity));
  return TRefusal::None;
}

TRefusal TReceiptBook::Report(bool zeroing, const TCivilTime& now) {
  if (mOpen) return TRefusal::ReceiptOpen;
  if (zeroing) ++mZReports;
  if (mPrinter) mPrinter(RenderDayReport(zeroing, mZReports, mDay, mCash, now, mIdentity));
  if (zeroing) mDay = TDayTotals{};
  return TRefusal::None;
}

TRefusal TReceiptBook::PeriodReport(const TCivilTime& from, const TCivilTime& to, const TCivilTime& now) {
  if (mOpen) return TRefusal::ReceiptOpen;
  if (ToLocalSeconds(from) > ToLocalSeconds(to)) return TRefusal::Syntax;
  if (mPrinter) mPrinter(RenderPeriodReport(from, to, mZReports, now, mIdentity));
  return TRefusal::None;
}

}  // namespace emulator

#pragma once
// The device's fiscal state, common to every family: the open receipt with its sales, texts and
// payments, receipt numbering, the cash drawer and the day's totals. Families only translate their
// wire layouts into these calls and the refusals back into their status bits or error codes.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "emulator/device_clock.h"
#include "emulator/emu_numbers.h"

namespace emulator {

enum class TRefusal {
  None,
  Syntax,          // the data do not parse
  UnknownCommand,  // no such command on this device
  NotAllowed,      // not possible in the current state (payment started, nothing sold, ...)
  ReceiptOpen,     // needs a closed receipt
  NoReceipt,       // needs an open receipt
  NoCash,          // cash out beyond the drawer
};

enum class TPayKind { Cash, Card, Delayed, Other };

struct TStornoRef {
  std::string Reason, DocNo, DocDateTime, FpMem;
};

// One body line of a receipt: a sale, or a free text line when IsText.
struct TReceiptLine {
  bool IsText = false;
  std::string Text1, Text2;  // UTF-8
  std::string TaxGroup;
  TMicro Price = 0, Quantity = 0;
  TCents Amount = 0;
};

struct TPayment {
  TPayKind Kind = TPayKind::Cash;
  std::string Code;
  TCents Amount = 0;
};

struct TReceipt {
  long Number = 0;
  std::string Operator, Unp;
  std::optional<TStornoRef> Storno;
  std::vector<TReceiptLine> Lines;
  std::vector<TPayment> Payments;
  bool Cancelled = false;
  TCivilTime At;

  TCents Total() const;
  TCents Paid() const;
  TCents Due() const { return Total() > Paid() ? Total() - Paid() : 0; }
  // Only cash gives change.
  TCents Change() const;
  int SaleCount() const;
};

struct TDayTotals {
  long Receipts = 0;
  TCents Sales = 0, Storno = 0, CashIn = 0, CashOut = 0;
  std::map<std::string, TCents> ByTaxGroup;  // sales minus storno
};

struct TIdentity {
  std::string Model, FpNo, FpMem;
};

class TReceiptBook {
public:
  using TPrinter = std::function<void(const std::string& utf8Text)>;

  TReceiptBook(TIdentity identity, long lastReceiptNo, TPrinter printer);

  TRefusal Open(const std::string& operatorCode, const std::string& unp, std::optional<TStornoRef> storno);
  TRefusal Sell(TReceiptLine sale);
  TRefusal PrintText(const std::string& text);
  // Without an amount the rest is paid. After the call Due() and Change() of OpenReceipt() tell the outcome.
  TRefusal Pay(TPayKind kind, const std::string& code, std::optional<TCents> amount);
  // An unpaid rest is paid in cash; the receipt gets the next number and is printed.
  TRefusal Close(const TCivilTime& now);
  // A cancelled receipt is printed and uses up its number too.
  TRefusal Cancel(const TCivilTime& now);
  // Positive: cash in; negative: cash out; zero only reports.
  TRefusal CashInOut(TCents amount, const TCivilTime& now);
  TRefusal Report(bool zeroing, const TCivilTime& now);
  TRefusal PeriodReport(const TCivilTime& from, const TCivilTime& to, const TCivilTime& now);

  bool IsOpen() const { return mOpen.has_value(); }
  bool IsStornoOpen() const { return mOpen && mOpen->Storno; }
  const TReceipt* OpenReceipt() const { return mOpen ? &*mOpen : nullptr; }
  // The number of the last closed (or cancelled) receipt; an open receipt will get LastNumber() + 1.
  long LastNumber() const { return mLastNumber; }
  long CurrentNumber() const { return mOpen ? mLastNumber + 1 : mLastNumber; }
  long ZReports() const { return mZReports; }
  TCents Cash() const { return mCash; }
  TCents CashInTotal() const { return mDay.CashIn; }
  TCents CashOutTotal() const { return mDay.CashOut; }
  const TDayTotals& Day() const { return mDay; }
  const TIdentity& Identity() const { return mIdentity; }

private:
  TIdentity mIdentity;
  long mLastNumber;
  long mZReports = 0;
  TCents mCash = 0;
  TDayTotals mDay;
  std::optional<TReceipt> mOpen;
  TPrinter mPrinter;
};

}  // namespace emulator

#pragma once
// The families on the classic frame (Daisy, Datecs A and B, Eltrade): six status bytes with bit 7
// always set, comma-separated reply data, and the same item, payment, closing, cash and report
// layouts. A family supplies its command table, its receipt-opening layouts, its diagnostic reply
// and its status bits; the rest is here.
#include <string>
#include <vector>

#include "emulator/framed_codec.h"
#include "emulator/personality.h"

namespace emulator {

enum class TFramedOp {
  ClockGet,
  ClockSet,
  Open,    // the family's opening layout; may carry a storno reference
  Storno,  // a separate storno opening command
  Item,
  Total,
  Text,
  Close,
  Cancel,
  Diagnostic,
  Number,
  Report,
  PeriodReport,
  Cash,
};

struct TFramedCommand {
  int Code;
  TFramedOp Op;
};

// What a family's status bytes say, as "byte.bit" codes.
struct TFramedStatusStyle {
  std::vector<std::string> Always;        // informational bits of a fiscalised device
  std::vector<std::string> ReceiptOpen;   // a fiscal receipt is open
  std::vector<std::string> StornoOpen;    // a storno receipt is open (besides ReceiptOpen)
  std::vector<std::string> Syntax, UnknownCommand, NotAllowed;
};

// "1.1" -> byte 1, bit 1; false unless byte < byteCount and bit < 8.
bool ParseBitCode(const std::string& code, std::size_t byteCount, int& byte, int& bit);
void SetBit(std::string& status, const std::string& code);

class TFramedDevice : public IPersonality {
public:
  const IWireCodec& Codec() const override { return mCodec; }
  TReply Handle(const TRequest& request) override;
  TReply RefuseWithError(const TRequest& request, long code) override;
  void ForceStatus(TReply& reply, const std::string& status) const override;
  std::string CheckFault(const TFaultRule& fault) const override;

protected:
  TFramedDevice(const TDeviceSetup& setup, std::vector<TFramedCommand> commands, TFramedStatusStyle style,
                std::string paymentCodes);

  // Family layouts. Data arrive as received (Windows-1251).
  virtual TReply Open(const std::string& data) = 0;
  virtual TReply Storno(const std::string& data);
  virtual std::string DiagnosticData() const = 0;
  // Daisy reports its error number in status byte 3; the others have none.
  virtual bool HasErrorNumbers() const { return false; }
  virtual void MarkRefusal(std::string& status, TRefusal refusal) const;

  TReply Ok(const std::string& data = "") const;
  TReply Refused(TRefusal refusal) const;
  // Opens a receipt in the book; texts in Windows-1251.
  TReply OpenInBook(const std::string& operatorCode, const std::string& unp, std::optional<TStornoRef> storno);
  std::string StatusNow() const;

  TDeviceClock mClock;
  TReceiptBook mBook;

private:
  TReply ClockSet(const std::string& data);
  TReply Item(const std::string& data);
  TReply Total(const std::string& data);
  TReply Close();
  TReply Report(const std::string& data);
  TReply PeriodReport(const std::string& data);
  TReply Cash(const std::string& data);
  TReply Counters(bool ok) const;

  TFramedCodec mCodec;
  std::vector<TFramedCommand> mCommands;
  TFramedStatusStyle mStyle;
  // Payment codes in the order cash, card, delayed.
  std::string mPaymentCodes;
};

// Splits at every separator; empty parts kept.
std::vector<std::string> SplitFields(const std::string& text, char separator);
// A receipt number as the devices print it: seven digits.
std::string ReceiptNumberText(long number);

}  // namespace emulator

#include "emulator/framed_device.h"

#include <cstdio>

#include "model/text.h"
#include "platform/code_page.h"

namespace emulator {

namespace {

constexpr std::size_t kStatusBytes = 6;
constexpr char kLineFeed = 0x0A;
constexpr char kTab = 0x09;

std::optional<TCivilTime> ParseDdMmYy(const std::string& text) {
  if (text.size() != 6) return std::nullopt;
  for (char c : text)
    if (c < '0' || c > '9') return std::nullopt;
  TCivilTime t;
  t.Day = std::stoi(text.substr(0, 2));
  t.Month = std::stoi(text.substr(2, 2));
  t.Year = 2000 + std::stoi(text.substr(4, 2));
  if (!IsValidCivil(t)) return std::nullopt;
  return t;
}

}  // namespace

bool ParseBitCode(const std::string& code, std::size_t byteCount, int& byte, int& bit) {
  if (code.size() != 3 || code[1] != '.' || code[0] < '0' || code[0] > '9' || code[2] < '0' || code[2] > '7')
    return false;
  byte = code[0] - '0';
  bit = code[2] - '0';
  return static_cast<std::size_t>(byte) < byteCount;
}

void SetBit(std::string& status, const std::string& code) {
  int byte = 0, bit = 0;
  if (ParseBitCode(code, status.size(), byte, bit)) status[static_cast<std::size_t>(byte)] |= static_cast<char>(1 << bit);
}

std::vector<std::string> SplitFields(const std::string& text, char separator) {
  std::vector<std::string> fields(1);
  for (char c : text) {
    if (c == separator)
      fields.emplace_back();
    else
      fields.back() += c;
  }
  return fields;
}

std::string ReceiptNumberText(long number) {
  char text[24];
  std::snprintf(text, sizeof text, "%07ld", number);
  return text;
}

TFramedDevice::TFramedDevice(const TDeviceSetup& setup, std::vector<TFramedCommand> commands,
                             TFramedStatusStyle style, std::string paymentCodes)
    : mClock(setup.ClockOffsetSeconds, setup.Now),
      mBook(setup.Identity, setup.LastReceiptNo, setup.Printer),
      mCommands(std::move(commands)),
      mStyle(std::move(style)),
      mPaymentCodes(std::move(paymentCodes)) {}

std::string TFramedDevice::StatusNow() const {
  std::string status(kStatusBytes, static_cast<char>(0x80));
  for (const std::string& code : mStyle.Always) SetBit(status, code);
  if (mBook.IsOpen())
    for (const std::string& code : mStyle.ReceiptOpen) SetBit(status, code);
  if (mBook.IsStornoOpen())
    for (const std::string& code : mStyle.StornoOpen) SetBit(status, code);
  return status;
}

TReply TFramedDevice::Ok(const std::string& data) const {
  TReply reply;
  reply.Data = data;
  reply.Status = StatusNow();
  return reply;
}

void TFramedDevice::MarkRefusal(std::string& status, TRefusal refusal) const {
  const std::vector<std::string>* bits = &mStyle.NotAllowed;
  if (refusal == TRefusal::Syntax) bits = &mStyle.Syntax;
  if (refusal == TRefusal::UnknownCommand) bits = &mStyle.UnknownCommand;
  for (const std::string& code : *bits) SetBit(status, code);
}

TReply TFramedDevice::Refused(TRefusal refusal) const {
  TReply reply = Ok();
  MarkRefusal(reply.Status, refusal);
  return reply;
}

TReply TFramedDevice::RefuseWithError(const TRequest&, long code) {
  TReply reply = Ok();
  reply.Status[3] = static_cast<char>(0x80 | (code & 0x7F));
  return reply;
}

void TFramedDevice::ForceStatus(TReply& reply, const std::string& status) const { SetBit(reply.Status, status); }

std::string TFramedDevice::CheckFault(const TFaultRule& fault) const {
  int byte = 0, bit = 0;
  if (fault.Kind == TFaultKind::Status && !ParseBitCode(fault.Text, kStatusBytes, byte, bit))
    return "status needs a bit as BYTE.BIT, byte 0 to 5 and bit 0 to 7, as in status=2.3";
  if (fault.Kind == TFaultKind::Error && !HasErrorNumbers())
    return "this family has no device error numbers; choose status bits instead, as in status=1.1";
  if (fault.Kind == TFaultKind::Error && (fault.Number < 1 || fault.Number > 127))
    return "the device error number goes in 7 bits: 1 to 127";
  return "";
}

TReply TFramedDevice::Handle(const TRequest& request) {
  const TFramedCommand* command = nullptr;
  for (const TFramedCommand& row : mCommands)
    if (row.Code == request.Command) command = &row;
  if (!command) return Refused(TRefusal::UnknownCommand);
  const std::string& data = request.Data;
  switch (command->Op) {
    case TFramedOp::ClockGet: return Ok(TDeviceClock::FormatShort(mClock.Now()));
    case TFramedOp::ClockSet: return ClockSet(data);
    case TFramedOp::Open: return Open(data);
    case TFramedOp::Storno: return Storno(data);
    case TFramedOp::Item: return Item(data);
    case TFramedOp::Total: return Total(data);
    case TFramedOp::Text: {
      TRefusal refusal = mBook.PrintText(platform::AnsiToUtf8(data));
      return refusal == TRefusal::None ? Ok() : Refused(refusal);
    }
    case TFramedOp::Close: return Close();
    case TFramedOp::Cancel: {
      TRefusal refusal = mBook.Cancel(mClock.Now());
      return refusal == TRefusal::None ? Ok() : Refused(refusal);
    }
    case TFramedOp::Diagnostic: return Ok(DiagnosticData());
    case TFramedOp::Number: return Ok(ReceiptNumberText(mBook.LastNumber()));
    case TFramedOp::Report: return Report(data);
    case TFramedOp::PeriodReport: return PeriodReport(data);
    case TFramedOp::Cash: return Cash(data);
  }
  return Refused(TRefusal::UnknownCommand);
}

TReply TFramedDevice::Storno(const std::string&) { return Refused(TRefusal::UnknownCommand); }

TReply TFramedDevice::OpenInBook(const std::string& operatorCode, const std::string& unp,
                                 std::optional<TStornoRef> storno) {
  if (operatorCode.empty()) return Refused(TRefusal::Syntax);
  if (storno) {
    storno->Reason = platform::AnsiToUtf8(storno->Reason);
    storno->DocNo = platform::AnsiToUtf8(storno->DocNo);
    storno->DocDateTime = platform::AnsiToUtf8(storno->DocDateTime);
    storno->FpMem = platform::AnsiToUtf8(storno->FpMem);
  }
  TRefusal refusal =
      mBook.Open(platform::AnsiToUtf8(operatorCode), platform::AnsiToUtf8(unp), std::move(storno));
  if (refusal != TRefusal::None) return Refused(refusal);
  return Ok(std::to_string(mBook.Day().Receipts) + "," + ReceiptNumberText(mBook.CurrentNumber()));
}

TReply TFramedDevice::ClockSet(const std::string& data) {
  std::optional<TCivilTime> time = ParseDeviceDateTime(data);
  if (!time) return Refused(TRefusal::Syntax);
  mClock.Set(*time);
  return Ok();
}

// text1 [LF text2] TAB group price [* quantity] [, percent | ; amount]
TReply TFramedDevice::Item(const std::string& data) {
  std::size_t tab = data.find(kTab);
  if (tab == std::string::npos || tab + 2 > data.size()) return Refused(TRefusal::Syntax);
  std::string texts = data.substr(0, tab);
  std::string rest = data.substr(tab + 1);
  TReceiptLine sale;
  std::size_t lineFeed = texts.find(kLineFeed);
  sale.Text1 = platform::AnsiToUtf8(texts.substr(0, lineFeed));
  if (lineFeed != std::string::npos) sale.Text2 = platform::AnsiToUtf8(texts.substr(lineFeed + 1));
  sale.TaxGroup = platform::AnsiToUtf8(rest.substr(0, 1));
  std::size_t end = rest.find_first_of(",;", 1);
  std::string amounts = rest.substr(1, end == std::string::npos ? std::string::npos : end - 1);
  std::size_t star = amounts.find('*');
  std::optional<TMicro> price = ParseDecimal(amounts.substr(0, star));
  std::optional<TMicro> quantity =
      star == std::string::npos ? std::optional<TMicro>(kMicroPerUnit) : ParseDecimal(amounts.substr(star + 1));
  if (!price || !quantity || *quantity <= 0 || sale.TaxGroup == "-" || sale.TaxGroup == "+")
    return Refused(TRefusal::Syntax);
  sale.Price = *price;
  sale.Quantity = *quantity;
  TRefusal refusal = mBook.Sell(std::move(sale));
  return refusal == TRefusal::None ? Ok() : Refused(refusal);
}

// text1 [LF text2] TAB code [amount]
TReply TFramedDevice::Total(const std::string& data) {
  std::size_t tab = data.find(kTab);
  std::string payment = tab == std::string::npos ? data : data.substr(tab + 1);
  if (payment.empty()) return Refused(TRefusal::Syntax);
  const char code = payment[0];
  std::optional<TCents> amount;
  if (payment.size() > 1) {
    std::optional<TMicro> value = ParseDecimal(payment.substr(1));
    if (!value) return Refused(TRefusal::Syntax);
    amount = MicroToCents(*value);
  }
  TPayKind kind = TPayKind::Other;
  std::size_t at = mPaymentCodes.find(code);
  if (at == 0) kind = TPayKind::Cash;
  if (at == 1) kind = TPayKind::Card;
  if (at == 2) kind = TPayKind::Delayed;
  TRefusal refusal = mBook.Pay(kind, platform::AnsiToUtf8(std::string(1, code)), amount);
  if (refusal != TRefusal::None) return Refused(refusal);
  const TReceipt& receipt = *mBook.OpenReceipt();
  if (receipt.Due() > 0) return Ok("D" + FormatMoney(receipt.Due()));
  return Ok("R" + FormatMoney(receipt.Change()));
}

TReply TFramedDevice::Close() {
  TRefusal refusal = mBook.Close(mClock.Now());
  if (refusal != TRefusal::None) return Refused(refusal);
  return Ok(std::to_string(mBook.Day().Receipts) + "," + ReceiptNumberText(mBook.LastNumber()));
}

TReply TFramedDevice::Report(const std::string& data) {
  if (data != "0" && data != "1" && data != "2") return Refused(TRefusal::Syntax);
  const bool zeroing = data == "1";
  const TDayTotals day = mBook.Day();
  TRefusal refusal = mBook.Report(zeroing, mClock.Now());
  if (refusal != TRefusal::None) return Refused(refusal);
  return Ok(ReceiptNumberText(mBook.ZReports()) + "," + FormatMoney(day.Sales) + "," + FormatMoney(day.Storno));
}

TReply TFramedDevice::PeriodReport(const std::string& data) {
  std::vector<std::string> dates = SplitFields(data, ',');
  if (dates.size() != 2) return Refused(TRefusal::Syntax);
  std::optional<TCivilTime> from = ParseDdMmYy(dates[0]);
  std::optional<TCivilTime> to = ParseDdMmYy(dates[1]);
  if (!from || !to) return Refused(TRefusal::Syntax);
  TRefusal refusal = mBook.PeriodReport(*from, *to, mClock.Now());
  return refusal == TRefusal::None ? Ok() : Refused(refusal);
}

// The answer says P (done) or F (refused) and the drawer's counters.
TReply TFramedDevice::Cash(const std::string& data) {
  TCents amount = 0;
  if (!data.empty()) {
    std::optional<TMicro> value = ParseDecimal(data);
    if (!value) return Refused(TRefusal::Syntax);
    amount = MicroToCents(*value);
  }
  TRefusal refusal = mBook.CashInOut(amount, mClock.Now());
  if (refusal == TRefusal::Syntax) return Refused(refusal);
  return Counters(refusal == TRefusal::None);
}

TReply TFramedDevice::Counters(bool ok) const {
  return Ok(std::string(ok ? "P" : "F") + "," + FormatMoney(mBook.Cash()) + "," + FormatMoney(mBook.CashInTotal()) +
            "," + FormatMoney(mBook.CashOutTotal()));
}

}  // namespace emulator

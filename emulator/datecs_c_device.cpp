// Datecs family C: the wide frame, TAB-ended fields, eight status bytes. Replies start with an
// error code field, "0" when all went well; a refused request answers with the negative error code
// alone and an error bit in the status.
#include "emulator/datecs_c_device.h"

#include <algorithm>

#include "emulator/framed_device.h"
#include "emulator/wide_codec.h"
#include "platform/code_page.h"

namespace emulator {

namespace {

constexpr std::size_t kStatusBytes = 8;
constexpr char kTab = '\t';

enum class TOp { Storno, Open, Item, Total, Text, Close, Cancel, ClockSet, ClockGet, Report, Cash, Diagnostic };

const std::pair<int, TOp> kCommands[] = {
    {0x2B, TOp::Storno},      //
    {0x30, TOp::Open},        //
    {0x31, TOp::Item},        //
    {0x35, TOp::Total},       //
    {0x36, TOp::Text},        //
    {0x38, TOp::Close},       // the reply carries the receipt number
    {0x3C, TOp::Cancel},      //
    {0x3D, TOp::ClockSet},    // DD-MM-YY HH:MM:SS[ DST]
    {0x3E, TOp::ClockGet},    //
    {0x45, TOp::Report},      // X or Z
    {0x46, TOp::Cash},        // 0 in, 1 out; amount without sign
    {0x5A, TOp::Diagnostic},  //
};

// The device's error codes for the refusals it makes on its own.
struct TRefusalRow {
  TRefusal Refusal;
  long Code;
  const char* Bit;
};
const TRefusalRow kRefusals[] = {
    {TRefusal::Syntax, -111002, "0.0"},          // ERR_R_SYNTAX
    {TRefusal::UnknownCommand, -111003, "0.1"},  // ERR_R_NPOSSIBLE
    {TRefusal::NotAllowed, -111003, "1.1"},      // ERR_R_NPOSSIBLE
    {TRefusal::ReceiptOpen, -111047, "1.1"},     // ERR_R_OPEN_FISCALBON
    {TRefusal::NoReceipt, -111016, "1.1"},       // ERR_R_CLOSED_BON
    {TRefusal::NoCash, -111017, "1.1"},          // ERR_R_PAY_NOCASH
};

// Tax groups are numbered on this family; the receipt shows their letters.
const char* const kTaxGroups[] = {"А", "Б", "В", "Г", "Д", "Е", "Ж", "З"};

// Fields of a TAB-ended list: "a\tb\t" gives a and b.
std::vector<std::string> TabFields(const std::string& data) {
  if (data.empty() || data.back() != kTab) return {};
  return SplitFields(data.substr(0, data.size() - 1), kTab);
}

bool AllDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

class TDatecsCDevice : public IPersonality {
public:
  explicit TDatecsCDevice(const TDeviceSetup& setup)
      : mClock(setup.ClockOffsetSeconds, setup.Now), mBook(setup.Identity, setup.LastReceiptNo, setup.Printer) {}

  const IWireCodec& Codec() const override { return mCodec; }

  TReply Handle(const TRequest& request) override {
    for (const auto& [code, op] : kCommands)
      if (code == request.Command) return Do(op, request.Data);
    return Refused(TRefusal::UnknownCommand);
  }

  TReply RefuseWithError(const TRequest&, long code) override {
    TReply reply = Ok("");
    reply.Data = std::to_string(code < 0 ? code : -code);
    SetBit(reply.Status, "1.1");
    return reply;
  }

  void ForceStatus(TReply& reply, const std::string& status) const override { SetBit(reply.Status, status); }

  std::string CheckFault(const TFaultRule& fault) const override {
    int byte = 0, bit = 0;
    if (fault.Kind == TFaultKind::Status && !ParseBitCode(fault.Text, kStatusBytes, byte, bit))
      return "status needs a bit as BYTE.BIT, byte 0 to 7 and bit 0 to 7, as in status=2.3";
    if (fault.Kind == TFaultKind::Error && fault.Number == 0) return "the error code must not be 0";
    return "";
  }

private:
  TReply Do(TOp op, const std::string& data) {
    switch (op) {
      case TOp::Open: return Open(data, false);
      case TOp::Storno: return Open(data, true);
      case TOp::Item: return Item(data);
      case TOp::Total: return Total(data);
      case TOp::Text: {
        std::vector<std::string> f = TabFields(data);
        if (f.size() != 1) return Refused(TRefusal::Syntax);
        return Result(mBook.PrintText(platform::AnsiToUtf8(f[0])));
      }
      case TOp::Close: {
        TRefusal refusal = mBook.Close(mClock.Now());
        if (refusal != TRefusal::None) return Refused(refusal);
        return Ok(ReceiptNumberText(mBook.LastNumber()) + "\t");
      }
      case TOp::Cancel: return Result(mBook.Cancel(mClock.Now()));
      case TOp::ClockSet: return ClockSet(data);
      case TOp::ClockGet: return Ok(TDeviceClock::FormatShort(mClock.Now()) + "\t");
      case TOp::Report: return Report(data);
      case TOp::Cash: return Cash(data);
      case TOp::Diagnostic: {
        // Comma-separated, without the error code field.
        const TIdentity& id = mBook.Identity();
        TReply reply = Ok("");
        reply.Data = id.Model + ",1.00BG 08Jul20 1200,C7AF,00," + id.FpNo + "," + id.FpMem;
        return reply;
      }
    }
    return Refused(TRefusal::UnknownCommand);
  }

  std::string StatusNow() const {
    std::string status(kStatusBytes, static_cast<char>(0x80));
    for (const char* code : {"4.2", "4.1", "5.4", "5.3"}) SetBit(status, code);
    if (mBook.IsOpen()) SetBit(status, "2.3");
    return status;
  }

  // "0", TAB, then the fields given (each already TAB-ended).
  TReply Ok(const std::string& fields) const {
    TReply reply;
    reply.Data = "0\t" + fields;
    reply.Status = StatusNow();
    return reply;
  }

  TReply Refused(TRefusal refusal) const {
    TReply reply;
    reply.Status = StatusNow();
    for (const TRefusalRow& row : kRefusals) {
      if (row.Refusal != refusal) continue;
      reply.Data = std::to_string(row.Code);
      SetBit(reply.Status, row.Bit);
    }
    return reply;
  }

  TReply Result(TRefusal refusal) const { return refusal == TRefusal::None ? Ok("") : Refused(refusal); }

  // op TAB password TAB [unp TAB] till TAB TAB  (the last field, an invoice mark, stays empty)
  // storno: op TAB password TAB unp TAB till TAB reason TAB doc no TAB DDMMYYYYHHMM TAB fiscal memory TAB
  TReply Open(const std::string& data, bool storno) {
    std::vector<std::string> f = TabFields(data);
    std::optional<TStornoRef> ref;
    std::string unp;
    if (storno) {
      if (f.size() != 8 || !AllDigits(f[3]) || f[6].size() != 12 || !AllDigits(f[6])) return Refused(TRefusal::Syntax);
      unp = f[2];
      ref = TStornoRef{platform::AnsiToUtf8(f[4]), platform::AnsiToUtf8(f[5]), f[6], platform::AnsiToUtf8(f[7])};
    } else {
      if (f.size() != 4 && f.size() != 5) return Refused(TRefusal::Syntax);
      const std::size_t till = f.size() - 2;
      if (!AllDigits(f[till]) || !f[till + 1].empty()) return Refused(TRefusal::Syntax);
      if (f.size() == 5) unp = f[2];
    }
    if (f[0].empty()) return Refused(TRefusal::Syntax);
    TRefusal refusal = mBook.Open(platform::AnsiToUtf8(f[0]), platform::AnsiToUtf8(unp), std::move(ref));
    if (refusal != TRefusal::None) return Refused(refusal);
    return Ok(ReceiptNumberText(mBook.CurrentNumber()) + "\t");
  }

  // name TAB vat group TAB price TAB quantity TAB discount type TAB discount TAB department TAB
  TReply Item(const std::string& data) {
    std::vector<std::string> f = TabFields(data);
    if (f.size() != 7 || f[1].size() != 1 || f[1][0] < '1' || f[1][0] > '8') return Refused(TRefusal::Syntax);
    std::optional<TMicro> price = ParseDecimal(f[2]);
    std::optional<TMicro> quantity = f[3].empty() ? std::optional<TMicro>(kMicroPerUnit) : ParseDecimal(f[3]);
    if (!price || !quantity || *quantity <= 0) return Refused(TRefusal::Syntax);
    TReceiptLine sale;
    sale.Text1 = platform::AnsiToUtf8(f[0]);
    sale.TaxGroup = kTaxGroups[f[1][0] - '1'];
    sale.Price = *price;
    sale.Quantity = *quantity;
    return Result(mBook.Sell(std::move(sale)));
  }

  // payment type TAB [amount] TAB; the reply tells what is still due (D) or the change (R).
  TReply Total(const std::string& data) {
    std::vector<std::string> f = TabFields(data);
    if (f.size() != 2 || f[0].size() != 1) return Refused(TRefusal::Syntax);
    std::optional<TCents> amount;
    if (!f[1].empty()) {
      std::optional<TMicro> value = ParseDecimal(f[1]);
      if (!value) return Refused(TRefusal::Syntax);
      amount = MicroToCents(*value);
    }
    const char code = f[0][0];
    TPayKind kind = code == '0' ? TPayKind::Cash : code == '1' ? TPayKind::Card : code == '3' ? TPayKind::Delayed
                                                                                              : TPayKind::Other;
    TRefusal refusal = mBook.Pay(kind, f[0], amount);
    if (refusal != TRefusal::None) return Refused(refusal);
    const TReceipt& receipt = *mBook.OpenReceipt();
    if (receipt.Due() > 0) return Ok("D\t" + FormatMoney(receipt.Due()) + "\t");
    return Ok("R\t" + FormatMoney(receipt.Change()) + "\t");
  }

  TReply ClockSet(const std::string& data) {
    std::vector<std::string> f = TabFields(data);
    if (f.size() != 1) return Refused(TRefusal::Syntax);
    std::string text = f[0];
    // The host marks summer time; the device's clock is local time either way.
    if (text.size() > 4 && text.compare(text.size() - 4, 4, " DST") == 0) text.resize(text.size() - 4);
    std::optional<TCivilTime> time = ParseDeviceDateTime(text);
    if (!time) return Refused(TRefusal::Syntax);
    mClock.Set(*time);
    return Ok("");
  }

  TReply Report(const std::string& data) {
    std::vector<std::string> f = TabFields(data);
    if (f.size() != 1 || (f[0] != "X" && f[0] != "Z")) return Refused(TRefusal::Syntax);
    const TDayTotals day = mBook.Day();
    TRefusal refusal = mBook.Report(f[0] == "Z", mClock.Now());
    if (refusal != TRefusal::None) return Refused(refusal);
    return Ok(ReceiptNumberText(mBook.ZReports()) + "\t" + FormatMoney(day.Sales) + "\t" + FormatMoney(day.Storno) +
              "\t");
  }

  TReply Cash(const std::string& data) {
    std::vector<std::string> f = TabFields(data);
    if (f.size() != 2 || (f[0] != "0" && f[0] != "1")) return Refused(TRefusal::Syntax);
    std::optional<TMicro> value = ParseDecimal(f[1]);
    if (!value || *value < 0) return Refused(TRefusal::Syntax);
    const TCents amount = MicroToCents(*value);
    TRefusal refusal = mBook.CashInOut(f[0] == "0" ? amount : -amount, mClock.Now());
    if (refusal != TRefusal::None) return Refused(refusal);
    return Ok(FormatMoney(mBook.Cash()) + "\t" + FormatMoney(mBook.CashInTotal()) + "\t" +
              FormatMoney(mBook.CashOutTotal()) + "\t");
  }

  TWideCodec mCodec;
  TDeviceClock mClock;
  TReceiptBook mBook;
};

}  // namespace

std::unique_ptr<IPersonality> CreateDatecsCDevice(const TDeviceSetup& setup) {
  return std::make_unique<TDatecsCDevice>(setup);
}

}  // namespace emulator

// Tremol: commands without output are acknowledged with two status characters (device state, then
// the outcome of the command, "0" "0" when all is well); commands with output answer a data frame.
#include "emulator/tremol_device.h"

#include "emulator/framed_device.h"
#include "emulator/tremol_codec.h"
#include "model/text.h"
#include "platform/code_page.h"

namespace emulator {

namespace {

enum class TOp { Open, Item, Total, Text, Close, Cancel, Numbers, ClockGet, ReceiptInfo, Report };

const std::pair<int, TOp> kCommands[] = {
    {0x30, TOp::Open},         // fiscal or storno receipt
    {0x31, TOp::Item},         //
    {0x35, TOp::Total},        //
    {0x37, TOp::Text},         //
    {0x38, TOp::Close},        //
    {0x39, TOp::Cancel},       //
    {0x60, TOp::Numbers},      // device number;fiscal memory number
    {0x68, TOp::ClockGet},     //
    {0x72, TOp::ReceiptInfo},  // the current receipt, its number in field 20
    {0x7F, TOp::Report},       // X or Z
};

// Outcome characters of a refused command.
char OutcomeOf(TRefusal refusal) {
  switch (refusal) {
    case TRefusal::Syntax: return '4';          // syntax error
    case TRefusal::UnknownCommand: return '1';  // invalid command
    case TRefusal::NoCash: return '8';          // insufficient amount on hand
    default: return '2';                        // illegal command
  }
}

class TTremolDevice : public IPersonality {
public:
  explicit TTremolDevice(const TDeviceSetup& setup)
      : mClock(setup.ClockOffsetSeconds, setup.Now), mBook(setup.Identity, setup.LastReceiptNo, setup.Printer) {}

  const IWireCodec& Codec() const override { return mCodec; }

  TReply Handle(const TRequest& request) override {
    for (const auto& [code, op] : kCommands)
      if (code == request.Command) return Do(op, request.Data);
    return Refused(TRefusal::UnknownCommand);
  }

  TReply RefuseWithError(const TRequest&, long) override { return Refused(TRefusal::NotAllowed); }

  void ForceStatus(TReply& reply, const std::string& status) const override {
    reply.Kind = TReply::TKind::Ack;
    reply.Data.clear();
    reply.Status = platform::Utf8ToAnsi(status);
  }

  std::string CheckFault(const TFaultRule& fault) const override {
    if (fault.Kind == TFaultKind::Status && platform::Utf8ToAnsi(fault.Text).size() != 2)
      return "a Tremol status is two characters, device state and outcome, as in status=40";
    if (fault.Kind == TFaultKind::Error) return "Tremol devices have no error numbers; choose status=XY instead";
    return "";
  }

private:
  TReply Do(TOp op, const std::string& data) {
    switch (op) {
      case TOp::Open: return Open(data);
      case TOp::Item: return Item(data);
      case TOp::Total: return Total(data);
      case TOp::Text: return Ack(mBook.PrintText(platform::AnsiToUtf8(data)));
      case TOp::Close: return Ack(mBook.Close(mClock.Now()));
      case TOp::Cancel: return Ack(mBook.Cancel(mClock.Now()));
      case TOp::Numbers: {
        const TIdentity& id = mBook.Identity();
        return DataReply(id.FpNo + ";" + id.FpMem);
      }
      case TOp::ClockGet: return DataReply(TDeviceClock::FormatLong(mClock.Now()));
      case TOp::ReceiptInfo: return ReceiptInfo();
      case TOp::Report:
        if (data != "X" && data != "Z") return Refused(TRefusal::Syntax);
        return Ack(mBook.Report(data == "Z", mClock.Now()));
    }
    return Refused(TRefusal::UnknownCommand);
  }

  char StateChar() const {
    if (!mBook.IsOpen()) return '0';
    const TReceipt& receipt = *mBook.OpenReceipt();
    return !receipt.Payments.empty() && receipt.Due() == 0 ? '7' : '4';
  }

  TReply Ack(TRefusal refusal) const {
    if (refusal != TRefusal::None) return Refused(refusal);
    TReply reply;
    reply.Kind = TReply::TKind::Ack;
    reply.Status = "00";
    return reply;
  }

  TReply Refused(TRefusal refusal) const {
    TReply reply;
    reply.Kind = TReply::TKind::Ack;
    reply.Status = std::string{StateChar(), OutcomeOf(refusal)};
    return reply;
  }

  static TReply DataReply(const std::string& data) {
    TReply reply;
    reply.Data = data;
    return reply;
  }

  // op;password(6);1;1;0[$unp]
  // storno: op;password(6);0;1;@;reason;doc no(6);DD-MM-YY HH:MM;fiscal memory(8);unp
  TReply Open(const std::string& data) {
    std::vector<std::string> f = SplitFields(data, ';');
    if (f.size() == 10 && f[4] == "@") {
      TStornoRef ref{platform::AnsiToUtf8(f[5]), model::Trim(platform::AnsiToUtf8(f[6])), platform::AnsiToUtf8(f[7]),
                     model::Trim(platform::AnsiToUtf8(f[8]))};
      if (f[0].empty() || f[5].empty()) return Refused(TRefusal::Syntax);
      return Ack(mBook.Open(platform::AnsiToUtf8(f[0]), platform::AnsiToUtf8(f[9]), std::move(ref)));
    }
    if (f.size() != 5 || f[0].empty() || f[4].empty() || f[4][0] != '0' || (f[4].size() > 1 && f[4][1] != '$'))
      return Refused(TRefusal::Syntax);
    const std::string unp = f[4].size() > 2 ? f[4].substr(2) : "";
    return Ack(mBook.Open(platform::AnsiToUtf8(f[0]), platform::AnsiToUtf8(unp), std::nullopt));
  }

  // name(36);group;price*quantity,discount:value  (the name may hold ";")
  TReply Item(const std::string& data) {
    std::size_t amounts = data.rfind(';');
    std::size_t group = amounts == std::string::npos || amounts == 0 ? std::string::npos : data.rfind(';', amounts - 1);
    if (group == std::string::npos || amounts - group != 2) return Refused(TRefusal::Syntax);
    std::string numbers = data.substr(amounts + 1, data.find(',', amounts) - amounts - 1);
    std::size_t star = numbers.find('*');
    std::optional<TMicro> price = ParseDecimal(numbers.substr(0, star));
    std::optional<TMicro> quantity =
        star == std::string::npos ? std::optional<TMicro>(kMicroPerUnit) : ParseDecimal(numbers.substr(star + 1));
    if (!price || !quantity || *quantity <= 0) return Refused(TRefusal::Syntax);
    TReceiptLine sale;
    sale.Text1 = model::Trim(platform::AnsiToUtf8(data.substr(0, group)));
    sale.TaxGroup = platform::AnsiToUtf8(data.substr(group + 1, 1));
    sale.Price = *price;
    sale.Quantity = *quantity;
    return Ack(mBook.Sell(std::move(sale)));
  }

  // type;0;[amount]
  TReply Total(const std::string& data) {
    std::vector<std::string> f = SplitFields(data, ';');
    if (f.size() != 3 || f[0].size() != 1) return Refused(TRefusal::Syntax);
    std::optional<TCents> amount;
    if (!f[2].empty()) {
      std::optional<TMicro> value = ParseDecimal(f[2]);
      if (!value) return Refused(TRefusal::Syntax);
      amount = MicroToCents(*value);
    }
    const char code = f[0][0];
    TPayKind kind = code == '0' ? TPayKind::Cash : code == '1' ? TPayKind::Card : code == '2' ? TPayKind::Delayed
                                                                                              : TPayKind::Other;
    return Ack(mBook.Pay(kind, f[0], amount));
  }

  // Twenty-one fields, none empty: open flag, sales count, subtotals per tax group, payment state,
  // ..., the receipt number in field 20 and the closing count after it.
  TReply ReceiptInfo() const {
    const TReceipt* receipt = mBook.OpenReceipt();
    std::vector<std::string> f;
    f.push_back(receipt ? "1" : "0");
    f.push_back(std::to_string(receipt ? receipt->SaleCount() : 0));
    for (const char* group : {"А", "Б", "В", "Г", "Д", "Е", "Ж", "З"}) {
      TCents subtotal = 0;
      if (receipt)
        for (const TReceiptLine& line : receipt->Lines)
          if (!line.IsText && line.TaxGroup == group) subtotal += line.Amount;
      f.push_back(FormatMoney(subtotal));
    }
    f.push_back(receipt && !receipt->Payments.empty() ? "1" : "0");
    f.push_back(FormatMoney(receipt ? receipt->Paid() : 0));
    f.push_back(receipt && receipt->Storno ? "1" : "0");
    while (f.size() < 19) f.push_back("0");
    f.push_back(ReceiptNumberText(mBook.CurrentNumber()));
    f.push_back(std::to_string(mBook.Day().Receipts));
    std::string text;
    for (const std::string& field : f) text += (text.empty() ? "" : ";") + field;
    return DataReply(platform::Utf8ToAnsi(text));
  }

  TTremolCodec mCodec;
  TDeviceClock mClock;
  TReceiptBook mBook;
};

}  // namespace

std::unique_ptr<IPersonality> CreateTremolDevice(const TDeviceSetup& setup) {
  return std::make_unique<TTremolDevice>(setup);
}

}  // namespace emulator

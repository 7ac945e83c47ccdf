#include "emulator/daisy_device.h"

namespace emulator {

namespace {

const std::vector<TFramedCommand> kDaisyCommands = {
    {0x30, TFramedOp::Open},          // fiscal or storno receipt
    {0x31, TFramedOp::Item},          //
    {0x35, TFramedOp::Total},         //
    {0x36, TFramedOp::Text},          //
    {0x38, TFramedOp::Close},         //
    {0x3D, TFramedOp::ClockSet},      // DD-MM-YY HH:MM:SS
    {0x3E, TFramedOp::ClockGet},      //
    {0x45, TFramedOp::Report},        // 0 X, 1 Z
    {0x46, TFramedOp::Cash},          // signed amount
    {0x4F, TFramedOp::PeriodReport},  // DDMMYY,DDMMYY
    {0x5A, TFramedOp::Diagnostic},    //
    {0x71, TFramedOp::Number},        // last receipt number
    {0x82, TFramedOp::Cancel},        //
};

// A fiscalised device with serial and fiscal-memory numbers and tax rates set.
const TFramedStatusStyle kDaisyStatus = {
    /*Always*/ {"5.5", "5.4", "5.3"},
    /*ReceiptOpen*/ {"2.3"},
    /*StornoOpen*/ {},
    /*Syntax*/ {"0.0", "0.5"},
    /*UnknownCommand*/ {"0.1", "0.5"},
    /*NotAllowed*/ {"1.1", "0.5"},
};

constexpr long kErrorReceiptOpen = 19;

class TDaisyDevice : public TFramedDevice {
public:
  explicit TDaisyDevice(const TDeviceSetup& setup) : TFramedDevice(setup, kDaisyCommands, kDaisyStatus, "PCN") {}

protected:
  // op,password,unp  [TAB R reason,doc no,DD-MM-YY HH:MM TAB fiscal memory]
  TReply Open(const std::string& data) override {
    std::vector<std::string> parts = SplitFields(data, '\t');
    std::vector<std::string> head = SplitFields(parts[0], ',');
    if (head.size() != 3 || (parts.size() != 1 && parts.size() != 3)) return Refused(TRefusal::Syntax);
    std::optional<TStornoRef> storno;
    if (parts.size() == 3) {
      std::vector<std::string> ref = SplitFields(parts[1], ',');
      if (ref.size() != 3 || ref[0].size() != 2 || ref[0][0] != 'R') return Refused(TRefusal::Syntax);
      storno = TStornoRef{ref[0].substr(1), ref[1], ref[2], parts[2]};
    }
    return OpenInBook(head[0], head[2], std::move(storno));
  }

  std::string DiagnosticData() const override {
    const TIdentity& id = mBook.Identity();
    return id.Model + " 02.01 15Mar23 1200,3F8A,00000000,BG," + id.FpNo + "," + id.FpMem;
  }

  bool HasErrorNumbers() const override { return true; }

  void MarkRefusal(std::string& status, TRefusal refusal) const override {
    TFramedDevice::MarkRefusal(status, refusal);
    if (refusal == TRefusal::ReceiptOpen) status[3] = static_cast<char>(0x80 | kErrorReceiptOpen);
  }
};

}  // namespace

std::unique_ptr<IPersonality> CreateDaisyDevice(const TDeviceSetup& setup) {
  return std::make_unique<TDaisyDevice>(setup);
}

}  // namespace emulator

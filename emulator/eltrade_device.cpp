// Eltrade: the classic frame; one command opens both fiscal and storno receipts, card payments
// are "L", and the diagnostic reply has seven fields.
#include "emulator/eltrade_device.h"

namespace emulator {

namespace {

const std::vector<TFramedCommand> kEltradeCommands = {
    {0x31, TFramedOp::Item},        //
    {0x35, TFramedOp::Total},       //
    {0x36, TFramedOp::Text},        //
    {0x38, TFramedOp::Close},       //
    {0x3C, TFramedOp::Cancel},      //
    {0x3D, TFramedOp::ClockSet},    // DD-MM-YY HH:MM:SS
    {0x3E, TFramedOp::ClockGet},    //
    {0x45, TFramedOp::Report},      // 0 X, 1 Z
    {0x46, TFramedOp::Cash},        // signed amount
    {0x5A, TFramedOp::Diagnostic},  //
    {0x71, TFramedOp::Number},      // last receipt number
    {0x90, TFramedOp::Open},        // fiscal or storno receipt
};

// Bit 7 of every status byte is always set; fiscalised with numbers, tax number and rates set.
const TFramedStatusStyle kEltradeStatus = {
    /*Always*/ {"4.2", "4.1", "5.4", "5.3", "5.1"},
    /*ReceiptOpen*/ {"2.3"},
    /*StornoOpen*/ {},
    /*Syntax*/ {"0.0", "0.5"},
    /*UnknownCommand*/ {"0.1", "0.5"},
    /*NotAllowed*/ {"1.1", "0.5"},
};

class TEltradeDevice : public TFramedDevice {
public:
  explicit TEltradeDevice(const TDeviceSetup& setup) : TFramedDevice(setup, kEltradeCommands, kEltradeStatus, "PLN") {}

protected:
  // op,[unp,]   or storno: op,unp,S,fiscal memory,reason,doc no,YYYY-MM-DDTHH:MM:SS
  TReply Open(const std::string& data) override {
    std::vector<std::string> f = SplitFields(data, ',');
    if (f.size() == 7 && f[2] == "S") {
      if (f[6].size() != 19 || f[6][10] != 'T' || f[4].empty()) return Refused(TRefusal::Syntax);
      return OpenInBook(f[0], f[1], TStornoRef{f[4], f[5], f[6], f[3]});
    }
    if ((f.size() != 2 && f.size() != 3) || !f.back().empty()) return Refused(TRefusal::Syntax);
    return OpenInBook(f[0], f.size() == 3 ? f[1] : "", std::nullopt);
  }

  std::string DiagnosticData() const override {
    const TIdentity& id = mBook.Identity();
    return id.Model + ",ELT 2.03,01Feb24 0930,1B2C,00," + id.FpNo + "," + id.FpMem;
  }
};

}  // namespace

std::unique_ptr<IPersonality> CreateEltradeDevice(const TDeviceSetup& setup) {
  return std::make_unique<TEltradeDevice>(setup);
}

}  // namespace emulator

// Datecs families A and B: the same commands on the classic frame; they differ in the layouts of
// receipt opening and storno opening, and family A reports an open storno receipt in bit 1.4.
#include "emulator/datecs_ab_device.h"

#include <algorithm>

namespace emulator {

namespace {

const std::vector<TFramedCommand> kDatecsCommands = {
    {0x2E, TFramedOp::Storno},      //
    {0x30, TFramedOp::Open},        //
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
};

// Fiscalised, serial and fiscal-memory numbers and tax number set, tax rates set, memory formatted.
TFramedStatusStyle DatecsStatus(bool stornoBit) {
  return {
      /*Always*/ {"4.2", "4.1", "5.4", "5.3", "5.1"},
      /*ReceiptOpen*/ {"2.3"},
      /*StornoOpen*/ stornoBit ? std::vector<std::string>{"1.4"} : std::vector<std::string>{},
      /*Syntax*/ {"0.0", "0.5"},
      /*UnknownCommand*/ {"0.1", "0.5"},
      /*NotAllowed*/ {"1.1", "0.5"},
  };
}

bool AllDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

class TDatecsDevice : public TFramedDevice {
public:
  TDatecsDevice(const TDeviceSetup& setup, bool familyA)
      : TFramedDevice(setup, kDatecsCommands, DatecsStatus(familyA), "PCN"), mFamilyA(familyA) {}

protected:
  // A: op,password,till[,unp]    B: op,password,[unp,]till
  TReply Open(const std::string& data) override {
    std::vector<std::string> f = SplitFields(data, ',');
    if (f.size() != 3 && f.size() != 4) return Refused(TRefusal::Syntax);
    const std::string& till = mFamilyA ? f[2] : f.back();
    std::string unp = f.size() == 4 ? (mFamilyA ? f[3] : f[2]) : "";
    if (!AllDigits(till)) return Refused(TRefusal::Syntax);
    return OpenInBook(f[0], unp, std::nullopt);
  }

  // A: op,password,till,unp,<reason><doc no>,unp,DDMMYYYYHHMM,fiscal memory
  // B: op,password,unp,till,reason,doc no,DDMMYYYYHHMM,fiscal memory
  TReply Storno(const std::string& data) override {
    std::vector<std::string> f = SplitFields(data, ',');
    if (f.size() != 8 || f[6].size() != 12 || !AllDigits(f[6])) return Refused(TRefusal::Syntax);
    TStornoRef ref;
    ref.DocDateTime = f[6];
    ref.FpMem = f[7];
    std::string unp;
    if (mFamilyA) {
      if (!AllDigits(f[2]) || f[4].size() < 2 || f[3] != f[5]) return Refused(TRefusal::Syntax);
      unp = f[3];
      ref.Reason = f[4].substr(0, 1);
      ref.DocNo = f[4].substr(1);
    } else {
      if (!AllDigits(f[3]) || f[4].empty()) return Refused(TRefusal::Syntax);
      unp = f[2];
      ref.Reason = f[4];
      ref.DocNo = f[5];
    }
    return OpenInBook(f[0], unp, std::move(ref));
  }

  std::string DiagnosticData() const override {
    const TIdentity& id = mBook.Identity();
    return id.Model + ",1.00BG 23Oct23 1200,7D5C,00000000," + id.FpNo + "," + id.FpMem;
  }

private:
  bool mFamilyA;
};

}  // namespace

std::unique_ptr<IPersonality> CreateDatecsADevice(const TDeviceSetup& setup) {
  return std::make_unique<TDatecsDevice>(setup, true);
}

std::unique_ptr<IPersonality> CreateDatecsBDevice(const TDeviceSetup& setup) {
  return std::make_unique<TDatecsDevice>(setup, false);
}

}  // namespace emulator

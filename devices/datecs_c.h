#pragma once
// Datecs devices of protocol family C. Their frame widens the framed protocol: four-character length,
// command and checksum fields, eight status bytes, and data as TAB-separated, TAB-ended fields.
//   request 01 LEN*4 SEQ CMD*4 data 05 CS*4 03                 (LEN = 0x20 + 10 + n)
//   reply   01 LEN*4 SEQ CMD*4 data 04 S0..S7 05 CS*4 03       (LEN = 0x20 + 19 + n)
// A four-character field is a 16-bit value as four nibbles + 0x30, most significant first.
#include <string>

#include "protocol/framed_engine.h"

namespace devices {

class TFpDatecsC final : public protocol::TFPBaisicDaisyDatecs {
public:
  using driver::TFpBasic::SetDateTime;

  TFpDatecsC();

  // The message of the first device error row with that code ("-111047"); empty when there is none.
  static std::string GetErrorByCode(const std::string& parCode);

  void InitVendorData() override;
  driver::TFpResultPtr FiscalBonStart(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                                      const std::string& parUnp) override;
  driver::TFpResultPtr FiscalBonStorno(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                                       const std::string& parUnp, const std::string& parStornoReason,
                                       const std::string& parStornoDocNo, model::TDateTime parStornoDocDateTime,
                                       const std::string& parStornoFpMem) override;
  // Throws for a VAT group the device mapping does not know; nothing is sent then.
  driver::TFpResultPtr FiscalBonItem(const std::string& parText1, const std::string& parText2,
                                     const std::string& parDepartment, long double parPrice,
                                     long double parQuantity) override;
  driver::TFpResultPtr FiscalBonTextLine(const std::string& parText) override;
  driver::TFpResultPtr FiscalBonTotal(const std::string& parText1, const std::string& parText2,
                                      const std::string& parPaymentCode, long double parAmount) override;
  driver::TFpResultPtr FiscalBonEnd() override;
  driver::TFpResultPtr CashInOut(long double parAmount) override;
  driver::TFpResultPtr XReport() override;
  driver::TFpResultPtr ZReport() override;

  driver::TFpResultPtr GetStatus(bool parFast) override;
  model::TDateTime GetDateTime() override;
  void SetDateTime(model::TDateTime parDateTime, model::TFpResult& parResult) override;
  bool CheckModel(const model::TFpResult& parFpResult) override;

  void ParseResponse(const std::uint8_t* parBuffer, std::size_t parStart, std::size_t parCount,
                     model::TFpResult& Result) override;
  void DecodeStatusBytes(model::TFpResult& Result, const std::uint8_t* parStatus, std::size_t parCount) override;
  std::size_t BuildRequestFrame(std::uint8_t* parBuffer, int parSequenceNo, std::uint8_t parCommand,
                                const std::string& parData) override;
  bool ValidateResponseFrame(const std::uint8_t* parBuffer, std::size_t parStart, std::size_t parCount,
                             int parSequenceNo, model::TFpResult& Result) override;
  // The 256-byte frame buffer less the 16 bytes of framing.
  std::size_t MaxRequestData() const override { return 240; }
};

}  // namespace devices

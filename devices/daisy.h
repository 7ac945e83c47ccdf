#pragma once
// Daisy fiscal devices: command codes, status bits, the device error numbers carried in status
// byte 3, and the data layouts of receipts, sale items and the short period report.
#include <string>
#include <vector>

#include "model/fp_result.h"
#include "protocol/framed_engine.h"

namespace devices {

using driver::TFpResultPtr;
using model::TDateTime;

// One row of the device error table: number, what went wrong, what the operator should do.
struct TDaisyErrorRow {
  const char* Code;
  const char* Text;
  const char* ResolveSuggestions;
};
// The device error table in the order the device documents it.
const std::vector<TDaisyErrorRow>& DaisyErrorRows();

class TFPDaisy final : public protocol::TFPBaisicDaisyDatecs {
public:
  TFPDaisy();

  void InitVendorData() override;
  TFpResultPtr FiscalBonStart(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                              const std::string& parUnp) override;
  TFpResultPtr FiscalBonStorno(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                               const std::string& parUnp, const std::string& parStornoReason,
                               const std::string& parStornoDocNo, TDateTime parStornoDocDateTime,
                               const std::string& parStornoFpMem) override;
  TFpResultPtr FiscalBonItem(const std::string& parText1, const std::string& parText2,
                             const std::string& parDepartment, long double parPrice,
                             long double parQuantity) override;
  TFpResultPtr ReportPeriodShort(TDateTime parFrom, TDateTime parTo) override;
  TFpResultPtr GetStatus(bool parFast) override;
  // Adds the device error number of status byte 3 and the receipt-open flag, then the bit decoding.
  void DecodeStatusBytes(model::TFpResult& Result, const std::uint8_t* parStatus, std::size_t parCount) override;

  // The first entry whose code equals the text exactly; null when there is none.
  const model::TFpError* FindError(const std::string& parCode) const;
  const std::vector<model::TFpError>& ErrorCodes() const { return mErrorCodes; }

private:
  void FillErrorCodes();

  std::vector<model::TFpError> mErrorCodes;
};

}  // namespace devices

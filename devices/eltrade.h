#pragma once
// Eltrade fiscal printers: the framed protocol unchanged, with their own command codes, status texts
// and receipt layouts.
#include <string>

#include "protocol/framed_engine.h"

namespace devices {

class TFpEltrade final : public protocol::TFPBaisicDaisyDatecs {
public:
  TFpEltrade();

  void InitVendorData() override;
  driver::TFpResultPtr FiscalBonStart(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                                      const std::string& parUnp) override;
  driver::TFpResultPtr FiscalBonStorno(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                                       const std::string& parUnp, const std::string& parStornoReason,
                                       const std::string& parStornoDocNo, model::TDateTime parStornoDocDateTime,
                                       const std::string& parStornoFpMem) override;
  driver::TFpResultPtr FiscalBonItem(const std::string& parText1, const std::string& parText2,
                                     const std::string& parDepartment, long double parPrice,
                                     long double parQuantity) override;
  driver::TFpResultPtr GetStatus(bool parFast) override;
  void DecodeStatusBytes(model::TFpResult& Result, const std::uint8_t* parStatus, std::size_t parCount) override;
};

}  // namespace devices

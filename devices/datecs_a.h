#pragma once
// Datecs devices of protocol family A (FP-800, FP-2000, FP-650, SK1-21F, SK1-31F, FMP-10, FP-700).
#include "devices/datecs_ab.h"

namespace devices {

class TFpDatecsA final : public TFpDatecsAB {
public:
  TFpDatecsA();

  void InitVendorData() override;
  TFpResultPtr FiscalBonStart(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                              const std::string& parUnp) override;
  TFpResultPtr FiscalBonStorno(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                               const std::string& parUnp, const std::string& parStornoReason,
                               const std::string& parStornoDocNo, TDateTime parStornoDocDateTime,
                               const std::string& parStornoFpMem) override;
};

}  // namespace devices

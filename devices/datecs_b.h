#pragma once
// Datecs devices of protocol family B (DP-05, DP-25, DP-35, WP-50, DP-150).
#include "devices/datecs_ab.h"

namespace devices {

class TFpDatecsB final : public TFpDatecsAB {
public:
  TFpDatecsB();

  void InitVendorData() override;
  TFpResultPtr FiscalBonStart(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                              const std::string& parUnp) override;
  TFpResultPtr FiscalBonStorno(const std::string& parOperatorCode, const std::string& parOperatorPassword,
                               const std::string& parUnp, const std::string& parStornoReason,
                               const std::string& parStornoDocNo, TDateTime parStornoDocDateTime,
                               const std::string& parStornoFpMem) override;
};

}  // namespace devices

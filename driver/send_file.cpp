// Placeholder until the receipt script interpreter lands.
#include "driver/fp_basic.h"

namespace driver {

TFpResultPtr TFpBasic::SendFile(const std::string&, TDateTime) { return std::make_unique<TFpResult>(); }

}  // namespace driver

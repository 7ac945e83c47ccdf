// Placeholder until discovery lands: no device is ever found.
#include "discovery/fp_manager.h"

#include <stdexcept>

namespace discovery {

std::unique_ptr<driver::TFpBasic> TFpManagerBasic::GetDevice(const std::string&) {
  throw std::runtime_error("Автоматични настройки, но не е намерено фискално устройство!");
}
std::unique_ptr<driver::TFpBasic> TFpManagerBasic::CreateFp(model::TFpDeviceType) { return nullptr; }
model::TFpDeviceInfoList TFpManagerBasic::ListComDevices() { return {}; }

}  // namespace discovery

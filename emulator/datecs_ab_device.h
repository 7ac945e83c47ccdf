#pragma once
#include <memory>

#include "emulator/framed_device.h"

namespace emulator {

std::unique_ptr<IPersonality> CreateDatecsADevice(const TDeviceSetup& setup);
std::unique_ptr<IPersonality> CreateDatecsBDevice(const TDeviceSetup& setup);

}  // namespace emulator

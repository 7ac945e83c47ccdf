#pragma once
#include <memory>

#include "emulator/framed_device.h"

namespace emulator {

std::unique_ptr<IPersonality> CreateEltradeDevice(const TDeviceSetup& setup);

}  // namespace emulator

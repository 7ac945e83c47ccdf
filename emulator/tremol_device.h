#pragma once
#include <memory>

#include "emulator/personality.h"

namespace emulator {

std::unique_ptr<IPersonality> CreateTremolDevice(const TDeviceSetup& setup);

}  // namespace emulator

#pragma once
// The families the emulator can play, each with a sensible default device.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/personality.h"

namespace emulator {

struct TFamilyInfo {
  std::string Name;     // as given to --family
  std::string Summary;  // one line for --help
  TIdentity Defaults;
  std::unique_ptr<IPersonality> (*Create)(const TDeviceSetup& setup);
};

const std::vector<TFamilyInfo>& Families();
// Null when there is no such family.
const TFamilyInfo* FindFamily(std::string_view name);

}  // namespace emulator

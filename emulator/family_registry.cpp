#include "emulator/family_registry.h"

#include "emulator/daisy_device.h"

namespace emulator {

const std::vector<TFamilyInfo>& Families() {
  static const std::vector<TFamilyInfo> kFamilies = {
      {"daisy", "Daisy: classic frame, error number in status byte 3", {"CompactM", "DY448967", "36607003"},
       &CreateDaisyDevice},
  };
  return kFamilies;
}

const TFamilyInfo* FindFamily(std::string_view name) {
  for (const TFamilyInfo& family : Families())
    if (family.Name == name) return &family;
  return nullptr;
}

}  // namespace emulator

#include "emulator/family_registry.h"

#include "emulator/daisy_device.h"
#include "emulator/datecs_ab_device.h"
#include "emulator/datecs_c_device.h"
#include "emulator/eltrade_device.h"
#include "emulator/tremol_device.h"

namespace emulator {

const std::vector<TFamilyInfo>& Families() {
  static const std::vector<TFamilyInfo> kFamilies = {
      {"daisy", "Daisy: classic frame, error number in status byte 3", {"CompactM", "DY448967", "36607003"},
       &CreateDaisyDevice},
      {"datecs-a", "Datecs family A: classic frame, models FP-800 FP-2000 FP-650 SK1-21F SK1-31F FMP-10 FP-700",
       {"FP-700", "DT517985", "02517985"}, &CreateDatecsADevice},
      {"datecs-b", "Datecs family B: classic frame, models DP-05 DP-25 DP-35 WP-50 DP-150",
       {"DP-25", "DT636414", "02636414"}, &CreateDatecsBDevice},
      {"datecs-c", "Datecs family C: wide frame, TAB fields, eight status bytes, negative error codes",
       {"FP-700MX", "DT279013", "02279013"}, &CreateDatecsCDevice},
      {"eltrade", "Eltrade: classic frame, seven-field diagnostic reply", {"A3-KL", "ED311662", "44311662"},
       &CreateEltradeDevice},
      {"tremol", "Tremol: own frames, acknowledgements with two status characters",
       {"FP01-KL", "ZK133759", "50163145"}, &CreateTremolDevice},
  };
  return kFamilies;
}

const TFamilyInfo* FindFamily(std::string_view name) {
  for (const TFamilyInfo& family : Families())
    if (family.Name == name) return &family;
  return nullptr;
}

}  // namespace emulator

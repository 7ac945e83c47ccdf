// The driver for each device family.
#include "devices/daisy.h"
#include "devices/datecs_a.h"
#include "devices/datecs_b.h"
#include "devices/datecs_c.h"
#include "devices/eltrade.h"
#include "protocol/tremol.h"
#include "discovery/fp_manager.h"

namespace discovery {

namespace {

struct TFamilyRow {
  model::TFpDeviceType Type;
  std::unique_ptr<driver::TFpBasic> (*Create)();
};

template <class TDriver>
std::unique_ptr<driver::TFpBasic> Make() {
  return std::make_unique<TDriver>();
}

const TFamilyRow kFamilies[] = {
    {model::TFpDeviceType::Daisy, &Make<devices::TFPDaisy>},
    {model::TFpDeviceType::DatecsA, &Make<devices::TFpDatecsA>},
    {model::TFpDeviceType::DatecsB, &Make<devices::TFpDatecsB>},
    {model::TFpDeviceType::DatecsC, &Make<devices::TFpDatecsC>},
    {model::TFpDeviceType::Tremol, &Make<protocol::TFPTremol>},
    {model::TFpDeviceType::Eltrade, &Make<devices::TFpEltrade>},
};

}  // namespace

std::unique_ptr<driver::TFpBasic> TFpManagerBasic::CreateFp(model::TFpDeviceType parFpType) {
  for (const auto& row : kFamilies)
    if (row.Type == parFpType) return row.Create();
  return nullptr;
}

}  // namespace discovery

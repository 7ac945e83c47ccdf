#pragma once
// Vendor tables as the devices document them: one row per command or status bit, in device order.
#include <cstddef>

#include "model/fp_command.h"
#include "model/status_bits.h"
#include "model/vendor_const.h"

namespace devices {

struct TStatusRow {
  const char* Code;
  bool IsForError;
  const char* Text;
};

template <std::size_t N>
void AddStatusRows(model::TFPStatusList& parList, const TStatusRow (&parRows)[N]) {
  for (const auto& row : parRows) parList.Add(row.Code, row.IsForError, row.Text);
}

struct TCommandRow {
  model::TFpCommand Command;
  model::TVendorCode Code;
};

template <std::size_t N>
void AddCommandRows(model::TFPVendorConstList<model::TFpCommand>& parTable, const TCommandRow (&parRows)[N]) {
  for (const auto& row : parRows) parTable.Add(row.Command, row.Code);
}

}  // namespace devices

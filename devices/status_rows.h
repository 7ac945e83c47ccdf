#pragma once
// A status-bit table as the devices document it: one row per bit, in device order.
#include <cstddef>

#include "model/status_bits.h"

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

}  // namespace devices

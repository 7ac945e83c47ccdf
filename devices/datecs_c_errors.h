#pragma once
// The device error table of the Datecs family-C devices, built once on first use and only read afterwards.
#include <string>
#include <vector>

namespace devices {

struct TDatecsCErrorRow {
  std::string Code;   // negative decimal number, as the device sends it
  std::string Value;  // symbolic name, a blank, the message
};

// Every row in table order, duplicate codes included.
const std::vector<TDatecsCErrorRow>& DatecsCErrorRows();
// The value of the first row with that code; empty when there is none.
std::string DatecsCErrorByCode(const std::string& parCode);

}  // namespace devices

#pragma once
#include <cstdint>

#include "model/enum_names.h"

namespace model {

// Serial speeds; brCustom stands for the custom speed, 9600.
enum TBaudRate : std::uint8_t {
  brCustom, br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400, br56000, br57600,
  br115200, br128000, br256000,
};

template <>
struct TEnumNames<TBaudRate> {
  static constexpr std::array<std::string_view, 16> Names = {
      "brCustom", "br110",   "br300",   "br600",   "br1200",  "br2400",   "br4800",   "br9600",
      "br14400",  "br19200", "br38400", "br56000", "br57600", "br115200", "br128000", "br256000"};
};

// Bits per second of a speed; 0 for a value that names no speed (such as 255).
int BaudRateToBitsPerSecond(TBaudRate rate);

}  // namespace model

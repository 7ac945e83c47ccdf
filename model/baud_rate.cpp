#include "model/baud_rate.h"

#include <iterator>

namespace model {

int BaudRateToBitsPerSecond(TBaudRate rate) {
  // Indexed by the enumeration; brCustom is the custom speed, which is 9600.
  static constexpr int kBits[] = {9600,  110,   300,   600,   1200,  2400,   4800,   9600,
                                  14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
  static_assert(std::size(kBits) == TEnumNames<TBaudRate>::Names.size());
  const auto i = static_cast<std::size_t>(rate);
  return i < std::size(kBits) ? kBits[i] : 0;
}

}  // namespace model

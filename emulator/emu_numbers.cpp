#include "emulator/emu_numbers.h"

#include <cstdlib>

namespace emulator {

namespace {

constexpr TMicro kLimit = 1000000000LL * kMicroPerUnit;

// Rounds numerator / denominator half away from zero; denominator > 0.
std::int64_t RoundDiv(__int128 numerator, __int128 denominator) {
  __int128 quotient = numerator / denominator;
  __int128 remainder = numerator % denominator;
  if (remainder < 0) remainder = -remainder;
  if (remainder * 2 >= denominator) quotient += numerator < 0 ? -1 : 1;
  return static_cast<std::int64_t>(quotient);
}

std::string FixedPoint(std::int64_t value, int decimals) {
  std::int64_t scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  std::int64_t magnitude = value < 0 ? -value : value;
  std::string fraction = std::to_string(magnitude % scale);
  fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
  return (value < 0 ? "-" : "") + std::to_string(magnitude / scale) + "." + fraction;
}

}  // namespace

std::optional<TMicro> ParseDecimal(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  TMicro whole = 0;
  int wholeDigits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    whole = whole * 10 + (text[i++] - '0');
    if (++wholeDigits > 10) return std::nullopt;
  }
  TMicro fraction = 0;
  int fractionDigits = 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      if (++fractionDigits > 6) return std::nullopt;
      fraction = fraction * 10 + (text[i++] - '0');
    }
  }
  if (i != text.size() || wholeDigits + fractionDigits == 0) return std::nullopt;
  for (int d = fractionDigits; d < 6; ++d) fraction *= 10;
  TMicro value = whole * kMicroPerUnit + fraction;
  if (value > kLimit) return std::nullopt;
  return negative ? -value : value;
}

TCents LineAmount(TMicro price, TMicro quantity) {
  return RoundDiv(static_cast<__int128>(price) * quantity, static_cast<__int128>(kMicroPerUnit) * 10000);
}

TCents MicroToCents(TMicro value) { return RoundDiv(value, 10000); }

std::string FormatMoney(TCents cents) { return FixedPoint(cents, 2); }

std::string FormatQuantity(TMicro quantity) { return FixedPoint(RoundDiv(quantity, 1000), 3); }

}  // namespace emulator

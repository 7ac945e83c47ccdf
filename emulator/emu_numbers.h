#pragma once
// Decimal texts of the wire as exact fixed-point values: prices and quantities in millionths,
// money in stotinki, so totals of many lines never drift.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace emulator {

using TMicro = std::int64_t;  // value x 1 000 000
using TCents = std::int64_t;  // value x 100

constexpr TMicro kMicroPerUnit = 1000000;

// "12", "-1.5", "0.125", "+3." -> millionths. Rejects empty text, exponents, thousands separators,
// more than six decimals and values beyond a billion.
std::optional<TMicro> ParseDecimal(std::string_view text);

// Amount of one sale line, rounded half away from zero to stotinki.
TCents LineAmount(TMicro price, TMicro quantity);
TCents MicroToCents(TMicro value);

// "12.50", "-0.07"
std::string FormatMoney(TCents cents);
// "1.000", "0.125"
std::string FormatQuantity(TMicro quantity);

}  // namespace emulator

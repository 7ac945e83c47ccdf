#include "driver/script_line.h"

#include <cmath>
#include <cstdint>

#include "model/errors.h"
#include "model/fp_util.h"
#include "model/text.h"

namespace driver {

std::vector<std::string> SplitScriptLines(std::string_view parText) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < parText.size(); ++i) {
    const char c = parText[i];
    if (c != '\r' && c != '\n') continue;
    lines.emplace_back(parText.substr(start, i - start));
    if (c == '\r' && i + 1 < parText.size() && parText[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < parText.size()) lines.emplace_back(parText.substr(start));
  return lines;
}

std::vector<std::string> SplitScriptLine(std::string_view parLine) {
  std::vector<std::string> fields = model::SplitAll(parLine, ";");
  for (auto& field : fields) field = model::Trim(field);
  return fields;
}

namespace {

// Expects the decimal mark already normalised to ".". The digits are gathered into an integer and
// scaled once, so the result is the correctly rounded value for prices and quantities of ordinary
// length and does not depend on any locale.
std::optional<long double> ParseDecimal(std::string_view s) {
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  constexpr int kMaxDigits = 19;  // what fits in 64 bits
  std::uint64_t mantissa = 0;
  int significant = 0;
  long long exponent = 0;
  bool point = false;
  bool digits = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '.') {
      if (point) return std::nullopt;
      point = true;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    digits = true;
    if (significant < kMaxDigits) {
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
      if (mantissa != 0) ++significant;
      if (point) --exponent;
    } else if (!point) {
      ++exponent;  // integer digit beyond the precision kept
    }
  }
  if (!digits) return std::nullopt;
  long double scale = 1.0L;
  for (long long k = exponent < 0 ? -exponent : exponent; k > 0 && std::isfinite(scale); --k) scale *= 10.0L;
  long double value = static_cast<long double>(mantissa);
  value = exponent < 0 ? value / scale : value * scale;
  if (!std::isfinite(value)) return std::nullopt;
  return negative ? -value : value;
}

}  // namespace

std::optional<long double> TryScriptStrToFloat(std::string_view parText) {
  return ParseDecimal(model::TFpUtil::MendDecimalSeparator(std::string(parText)));
}

long double ScriptStrToFloat(std::string_view parText) {
  const std::string mended = model::TFpUtil::MendDecimalSeparator(std::string(parText));
  if (auto value = ParseDecimal(mended)) return *value;
  throw model::EConvertError("'" + mended + "' is not a valid floating point value");
}

}  // namespace driver

#pragma once
// Text helpers of the receipt script: lines, fields and numbers.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace driver {

// Lines separated by CR LF, LF or CR. A break at the very end adds no line; empty lines stay (the
// interpreter skips them) and every line keeps its text exactly as written.
std::vector<std::string> SplitScriptLines(std::string_view parText);

// Splits at every ";" (n separators give n + 1 fields) and trims blanks and control characters.
std::vector<std::string> SplitScriptLine(std::string_view parLine);

// Decimal text with "," or "." as the decimal mark and an optional sign; no grouping, no exponent,
// no blanks. Independent of the C locale. Empty when the whole text is not such a number.
std::optional<long double> TryScriptStrToFloat(std::string_view parText);
// As above; raises model::EConvertError "'<text>' is not a valid floating point value", quoting the
// text with its decimal mark normalised (the form the conversion saw).
long double ScriptStrToFloat(std::string_view parText);

}  // namespace driver

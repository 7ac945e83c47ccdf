#include "model/vendor_const.h"

#include <charconv>

#include "model/errors.h"
#include "model/text.h"

namespace model {

const char* const kUndefinedVendorCommand = "Недефинирана команда за вендора!";

namespace {

// Decimal number text (blanks around it allowed), read without regard to the locale.
bool ParseNumber(const std::string& text, double& out) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  const char* first = t.data();
  if (*first == '+' && t.size() > 1 && t[1] != '-') ++first;
  auto [end, ec] = std::from_chars(first, t.data() + t.size(), out);
  return ec == std::errc() && end == t.data() + t.size();
}

}  // namespace

long long TVendorCode::AsInteger() const {
  if (IsByte()) return std::get<std::uint8_t>(mValue);
  if (IsNull()) throw EConvertError("The vendor code is empty");
  const std::string t = Trim(std::get<std::string>(mValue));
  long long v = 0;
  const char* first = t.data();
  if (t.size() > 1 && *first == '+' && t[1] != '-') ++first;
  auto [end, ec] = std::from_chars(first, t.data() + t.size(), v);
  if (t.empty() || ec != std::errc() || end != t.data() + t.size())
    throw EConvertError("'" + std::get<std::string>(mValue) + "' is not a valid integer value");
  return v;
}

std::string TVendorCode::AsText() const {
  if (IsByte()) return std::to_string(std::get<std::uint8_t>(mValue));
  if (IsText()) return std::get<std::string>(mValue);
  return {};
}

bool TVendorCode::Equals(const TVendorCode& other) const {
  if (IsNull() || other.IsNull()) return IsNull() && other.IsNull();
  if (IsByte() && other.IsByte()) return std::get<std::uint8_t>(mValue) == std::get<std::uint8_t>(other.mValue);
  if (IsText() && other.IsText()) return std::get<std::string>(mValue) == std::get<std::string>(other.mValue);
  const TVendorCode& number = IsByte() ? *this : other;
  const std::string& text = IsText() ? std::get<std::string>(mValue) : std::get<std::string>(other.mValue);
  double value = 0;
  if (!ParseNumber(text, value)) throw EConvertError("'" + text + "' is not a valid number");
  return value == static_cast<double>(std::get<std::uint8_t>(number.mValue));
}

template <class T>
TVendorCode TFPVendorConstList<T>::GetVendorCode(T parCommand) const {
  for (const auto& entry : mList) {
    if (entry->Command != parCommand) continue;
    if (entry->VendorCode.IsNull()) break;
    return entry->VendorCode;
  }
  throw ERuvexError(kUndefinedVendorCommand);
}

template <class T>
T TFPVendorConstList<T>::Get(const TVendorCode& parVendorCode) const {
  for (const auto& entry : mList)
    if (entry->VendorCode.Equals(parVendorCode)) return entry->Command;
  return static_cast<T>(0);
}

template class TFPVendorConstList<TFpCommand>;
template class TFPVendorConstList<TFpResultType>;

}  // namespace model

#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/enum_names.h"
#include "model/text.h"

namespace model {

// Stateless byte and text helpers.
class TFpUtil {
public:
  static bool BitIsSet(std::uint8_t parValue, int parBitNo);
  static std::string BufferToString(const std::uint8_t* parBuffer, std::size_t parCount);
  static std::string BufferToHexString(const std::uint8_t* parBuffer, std::size_t parCount);
  static std::string ByteToBinaryString(std::uint8_t parValue);
  // Every "," and "." becomes "." (the separator the number conversion of this system expects).
  static std::string MendDecimalSeparator(const std::string& parString);
  // General format, up to 15 significant digits, "." as decimal mark, no grouping: 2, 1.5, 0.1, -20.
  static std::string FloatToStr(long double value);
  // At most parPartCount parts; the last part keeps every further separator.
  static void SplitString(const std::string& parString, const std::string& parSeparator, int parPartCount,
                          std::vector<std::string>& parList);

  // Enumerator by declared name, ASCII case folding, no trimming; 255 when empty, longer than 255 or unknown.
  template <class T>
  static T StrToEnum(std::string_view name) {
    if (name.empty() || name.size() > 255) return static_cast<T>(255);
    const auto& names = TEnumNames<T>::Names;
    for (std::size_t i = 0; i < names.size(); ++i)
      if (IEquals(names[i], name)) return static_cast<T>(i);
    return static_cast<T>(255);
  }
  template <class T>
  static std::string EnumToStr(T value) {
    const auto& names = TEnumNames<T>::Names;
    auto i = static_cast<std::size_t>(value);
    return i < names.size() ? std::string(names[i]) : std::to_string(i);
  }
};

}  // namespace model

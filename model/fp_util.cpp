#include "model/fp_util.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace model {

bool TFpUtil::BitIsSet(std::uint8_t parValue, int parBitNo) {
  if (parBitNo < 0 || parBitNo > 7) return false;
  return (parValue >> parBitNo) & 1;
}

std::string TFpUtil::BufferToString(const std::uint8_t* parBuffer, std::size_t parCount) {
  std::string s = "(";
  for (std::size_t i = 0; i < parCount; ++i) s.append(std::to_string(parBuffer[i])).append(", ");
  return s + ")";
}

std::string TFpUtil::BufferToHexString(const std::uint8_t* parBuffer, std::size_t parCount) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string s;
  s.reserve(parCount * 3);
  for (std::size_t i = 0; i < parCount; ++i) {
    s += kHex[parBuffer[i] >> 4];
    s += kHex[parBuffer[i] & 0x0F];
    s += ' ';
  }
  return s;
}

std::string TFpUtil::ByteToBinaryString(std::uint8_t parValue) {
  std::string s(8, '0');
  for (int bit = 0; bit < 8; ++bit)
    if (BitIsSet(parValue, bit)) s[7 - bit] = '1';
  return s;
}

std::string TFpUtil::MendDecimalSeparator(const std::string& parString) {
  // Numbers are always converted with "." here, whatever the regional settings say.
  std::string s = parString;
  for (char& c : s)
    if (c == ',') c = '.';
  return s;
}

std::string TFpUtil::FloatToStr(long double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";

  // Fifteen significant digits as d.dddddddddddddde±x; to_chars ignores the locale.
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  std::string sci(buf, res.ptr);
  const bool negative = sci[0] == '-';
  if (negative) sci.erase(0, 1);
  const std::size_t ePos = sci.find('e');
  const int exponent = std::atoi(sci.c_str() + ePos + 1);
  std::string digits = sci.substr(0, 1) + sci.substr(2, ePos - 2);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out = negative ? "-" : "";
  if (exponent >= 15 || exponent < -5) {
    out += digits[0];
    if (digits.size() > 1) out.append(".").append(digits, 1);
    out.append("E").append(std::to_string(exponent));
  } else if (exponent < 0) {
    out.append("0.").append(static_cast<std::size_t>(-exponent - 1), '0').append(digits);
  } else {
    const auto intDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= intDigits) {
      out.append(digits).append(intDigits - digits.size(), '0');
    } else {
      out.append(digits, 0, intDigits).append(".").append(digits, intDigits);
    }
  }
  return out;
}

void TFpUtil::SplitString(const std::string& parString, const std::string& parSeparator, int parPartCount,
                          std::vector<std::string>& parList) {
  std::size_t start = 0;
  if (!parSeparator.empty()) {
    int count = 1;
    std::size_t p = parString.find(parSeparator, start);
    while (p != std::string::npos && count < parPartCount) {
      parList.push_back(parString.substr(start, p - start));
      start = p + parSeparator.size();
      p = parString.find(parSeparator, start);
      ++count;
    }
  }
  parList.push_back(parString.substr(start));
}

}  // namespace model

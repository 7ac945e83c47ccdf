#include "support/time_u.h"

#include <charconv>
#include <vector>

#include "model/errors.h"
#include "model/text.h"
#include "support/runtime.h"

namespace support {

namespace {

// Plain decimal digits only, so "09.1" or " 9" do not read as numbers.
bool ReadInt(std::string_view text, int& out) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  std::from_chars(text.data(), text.data() + text.size(), out);
  return true;
}

bool IsFpSeparator(char c) { return c == ' ' || c == '-' || c == '.' || c == ':' || c == '\r' || c == '\n'; }

// Quotes open a stretch closed by the same quote in which separators do not split; the quotes stay.
std::vector<std::string> FpTokens(const std::string& text) {
  std::vector<std::string> tokens;
  std::string token;
  char quote = 0;
  for (char c : text) {
    if (quote) {
      token += c;
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      token += c;
      quote = c;
    } else if (IsFpSeparator(c)) {
      if (!token.empty()) tokens.push_back(std::move(token));
      token.clear();
    } else {
      token += c;
    }
  }
  if (!token.empty()) tokens.push_back(std::move(token));
  return tokens;
}

// Characters [index, index + count) counted from 1, cut at the end of the text.
std::string Copy(const std::u16string& s, std::size_t index, std::size_t count) {
  if (index < 1 || index > s.size()) return {};
  return model::Utf16ToUtf8(s.substr(index - 1, count));
}

}  // namespace

model::TDateTime ParseFpDateTime(const std::string& text) {
  const std::vector<std::string> tokens = FpTokens(text);
  if (tokens.size() < 5) return 0;
  std::string year = tokens[2];
  if (model::Utf8Length(year) == 2) year = "20" + year;
  model::TDateTimeParts p;
  p.Millisecond = 0;
  p.Second = 0;
  if (!ReadInt(year, p.Year) || !ReadInt(tokens[1], p.Month) || !ReadInt(tokens[0], p.Day) ||
      !ReadInt(tokens[3], p.Hour) || !ReadInt(tokens[4], p.Minute) ||
      (tokens.size() >= 6 && !ReadInt(tokens[5], p.Second)))
    return 0;
  model::TDateTime value = 0;
  return model::TryEncodeDateTime(p, value) ? value : 0;
}

model::TDateTime ParseIsoDateTime(const std::string& text) {
  const std::string trimmed = model::Trim(text);
  std::u16string s = model::Utf8ToUtf16(trimmed);
  if (s.size() == 16) {
    s += u":00";
  } else if (s.size() == 10) {
    s += u" 00:00:00";
  }
  model::TDateTimeParts p;
  p.Millisecond = 0;
  model::TDateTime value = 0;
  if (!ReadInt(Copy(s, 1, 4), p.Year) || !ReadInt(Copy(s, 6, 2), p.Month) || !ReadInt(Copy(s, 9, 2), p.Day) ||
      !ReadInt(Copy(s, 12, 2), p.Hour) || !ReadInt(Copy(s, 15, 2), p.Minute) || !ReadInt(Copy(s, 18, 4), p.Second) ||
      !model::TryEncodeDateTime(p, value))
    throw model::EConvertError("'" + trimmed + "' is not a valid date and time");
  return value;
}

model::TDateTime Now() {
  const platform::TLocalTime t = TRuntime::Clock().LocalNow();
  model::TDateTime value = 0;
  model::TryEncodeDateTime({t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, t.Millisecond}, value);
  return value;
}

}  // namespace support

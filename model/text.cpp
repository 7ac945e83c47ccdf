#include "model/text.h"

#include <cstdint>

#include "platform/utf8.h"

namespace model {

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Byte offset just past the first n characters of s (or s.size()).
std::size_t Utf8Offset(std::string_view s, std::size_t n) {
  std::size_t i = 0;
  while (i < s.size() && n > 0) {
    ++i;
    while (i < s.size() && IsContinuation(static_cast<unsigned char>(s[i]))) ++i;
    --n;
  }
  return i;
}

constexpr char32_t kReplacement = platform::kUtf8Replacement;
using platform::AppendUtf8;

char AsciiLowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::size_t Utf8Length(std::string_view s) {
  std::size_t n = 0;
  for (char c : s)
    if (!IsContinuation(static_cast<unsigned char>(c))) ++n;
  return n;
}

std::string Utf8Left(std::string_view s, std::size_t n) { return std::string(s.substr(0, Utf8Offset(s, n))); }

std::string Utf8PadRight(std::string_view s, std::size_t n) {
  std::string out = Utf8Left(s, n);
  std::size_t len = Utf8Length(out);
  if (len < n) out.append(n - len, ' ');
  return out;
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    char32_t cp = platform::NextCodePoint(s, i);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t u = s[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      u = 0x10000 + ((u - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      u = kReplacement;  // lone surrogate
    }
    AppendUtf8(out, u);
  }
  return out;
}

bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t at = i;
    // Malformed input decodes to U+FFFD in one byte; a real U+FFFD takes three.
    if (platform::NextCodePoint(s, i) == kReplacement && i - at == 1) return false;
  }
  return true;
}

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return std::string(s.substr(b, e - b));
}

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLowerChar(c);
  return out;
}

bool IEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLowerChar(a[i]) != AsciiLowerChar(b[i])) return false;
  return true;
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

std::vector<std::string> SplitAll(std::string_view s, std::string_view sep) {
  std::vector<std::string> parts;
  if (sep.empty()) {
    parts.emplace_back(s);
    return parts;
  }
  std::size_t start = 0;
  for (;;) {
    std::size_t p = s.find(sep, start);
    if (p == std::string_view::npos) break;
    parts.emplace_back(s.substr(start, p - start));
    start = p + sep.size();
  }
  parts.emplace_back(s.substr(start));
  return parts;
}

}  // namespace model

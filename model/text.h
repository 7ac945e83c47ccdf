#pragma once
// UTF-8 text helpers. Counting is in characters (code points), never bytes.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace model {

std::size_t Utf8Length(std::string_view s);
// First n characters.
std::string Utf8Left(std::string_view s, std::size_t n);
// Cut or padded with blanks to exactly n characters.
std::string Utf8PadRight(std::string_view s, std::size_t n);

// Malformed UTF-8 becomes U+FFFD; lone surrogates in UTF-16 likewise.
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);
// Well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view s);

// Removes leading and trailing blanks and control characters (code 32 and below).
std::string Trim(std::string_view s);
std::string AsciiLower(std::string_view s);
bool IEquals(std::string_view a, std::string_view b);  // ASCII case folding
bool StartsWith(std::string_view s, std::string_view prefix);

// Splits at every occurrence of sep; empty parts are kept; an empty text gives one empty part.
std::vector<std::string> SplitAll(std::string_view s, std::string_view sep);

}  // namespace model

#pragma once
// The one UTF-8 encoder and decoder of the system, shared by the code-page conversions and the
// text helpers.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

inline constexpr char32_t kUtf8Replacement = 0xFFFD;

// Decodes one code point at s[i] and advances i. A malformed sequence (stray continuation byte,
// truncated, overlong, surrogate or beyond U+10FFFF) yields U+FFFD and consumes one byte.
char32_t NextCodePoint(std::string_view s, std::size_t& i);
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace platform

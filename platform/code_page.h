#pragma once
// The system ANSI code page (Windows-1251 on the systems served) <-> UTF-8.
#include <string>

namespace platform {

std::string AnsiToUtf8(const std::string& ansi);
// Characters the code page cannot represent become '?'.
std::string Utf8ToAnsi(const std::string& utf8);

}  // namespace platform

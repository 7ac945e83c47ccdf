// The system ANSI code page (CP_ACP); Windows-1251 on the Bulgarian systems served.
#include "platform/code_page.h"
#include "platform/win32/wide.h"

namespace platform {

std::string AnsiToUtf8(const std::string& ansi) {
  if (ansi.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
  return win32::Narrow(wide);
}

std::string Utf8ToAnsi(const std::string& utf8) {
  std::wstring wide = win32::Widen(utf8);
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, "?", nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, "?", nullptr);
  return out;
}

}  // namespace platform

#pragma once
// UTF-8 <-> UTF-16 for the wide Win32 calls, and the text of the last Win32 error.
#include <windows.h>

#include <string>

namespace platform::win32 {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
// "<what>: <system message> (code N)"
std::string LastErrorMessage(const std::string& what, DWORD code = GetLastError());

}  // namespace platform::win32

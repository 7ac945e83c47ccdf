#include "platform/system.h"
#include "platform/win32/wide.h"

#include <shellapi.h>

#include <stdexcept>

namespace platform {

std::string ExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) throw std::runtime_error(win32::LastErrorMessage("Cannot determine the executable path"));
    if (n < buffer.size()) {
      buffer.resize(n);
      return win32::Narrow(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::vector<std::string> CommandLineArguments(int, char**) {
  // The wide command line keeps Cyrillic arguments intact whatever the ANSI code page is.
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; argv && i < count; ++i) args.push_back(win32::Narrow(argv[i]));
  if (argv) LocalFree(argv);
  return args;
}

std::string HostName() {
  // NetBIOS names are upper case; settings keys carry the name in lower case, Cyrillic included.
  wchar_t buffer[256];
  DWORD size = 256;
  if (!GetComputerNameW(buffer, &size)) return {};
  std::wstring lower(size, L'\0');
  if (size > 0 && LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, buffer, static_cast<int>(size), lower.data(),
                               static_cast<int>(size)) != static_cast<int>(size))
    lower.assign(buffer, size);
  return win32::Narrow(lower);
}

std::vector<std::string> SerialPortNames() {
  std::vector<std::string> names;
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
    return names;
  for (DWORD index = 0;; ++index) {
    wchar_t valueName[256];
    DWORD valueNameSize = 256;
    wchar_t data[256];
    DWORD dataSize = sizeof data;
    DWORD type = 0;
    LONG rc = RegEnumValueW(key, index, valueName, &valueNameSize, nullptr, &type, reinterpret_cast<BYTE*>(data),
                            &dataSize);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS || type != REG_SZ) continue;
    std::wstring name(data, dataSize / sizeof(wchar_t));
    while (!name.empty() && name.back() == L'\0') name.pop_back();
    names.push_back(win32::Narrow(name));
  }
  RegCloseKey(key);
  return names;
}

}  // namespace platform

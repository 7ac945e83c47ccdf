// windows.h (through wide.h) must come before shellapi.h.
#include "platform/win32/wide.h"

#include <shellapi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/system.h"

namespace {

TEST(Win32System, ExecutablePathIsTheFullPathOfThisProgram) {
  const std::string path = platform::ExecutablePath();
  ASSERT_GE(path.size(), 3u);
  EXPECT_EQ(path.substr(1, 2), ":\\") << path;
  EXPECT_NE(path.find("win32_tests.exe"), std::string::npos) << path;
}

TEST(Win32System, ArgumentsComeFromTheWideCommandLine) {
  // argv is ignored: the wide command line is the source, so Cyrillic survives any ANSI code page.
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  ASSERT_NE(wide, nullptr);
  std::vector<std::string> expected;
  for (int i = 1; i < count; ++i) expected.push_back(platform::win32::Narrow(wide[i]));
  LocalFree(wide);
  EXPECT_EQ(platform::CommandLineArguments(0, nullptr), expected);
}

TEST(Win32System, HostNameIsTheComputerNameInLowerCase) {
  wchar_t buffer[256];
  DWORD size = 256;
  ASSERT_TRUE(GetComputerNameW(buffer, &size));
  const std::string host = platform::HostName();
  ASSERT_FALSE(host.empty());
  EXPECT_EQ(host.size(), platform::win32::Narrow(std::wstring(buffer, size)).size());
  for (char c : host) EXPECT_FALSE(c >= 'A' && c <= 'Z') << host;
}

// A value written into the serial-port map for the test's duration; Windows lets only
// administrators write there, wine lets everyone.
class SerialMapEntry {
public:
  SerialMapEntry(const wchar_t* name, DWORD type, const std::wstring& data) : mName(name) {
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_READ | KEY_WRITE, nullptr, &mKey, nullptr) != ERROR_SUCCESS) {
      mKey = nullptr;
      return;
    }
    mWritten = RegSetValueExW(mKey, name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                              static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  ~SerialMapEntry() {
    if (mWritten) RegDeleteValueW(mKey, mName.c_str());
    if (mKey) RegCloseKey(mKey);
  }
  bool Written() const { return mWritten; }

private:
  std::wstring mName;
  HKEY mKey = nullptr;
  bool mWritten = false;
};

TEST(Win32System, SerialPortNamesAreTheDataOfTheSerialCommValues) {
  SerialMapEntry port(L"\\Device\\RuvexTest0", REG_SZ, L"COM77");
  SerialMapEntry notAName(L"\\Device\\RuvexTest1", REG_EXPAND_SZ, L"%COM78%");
  if (!port.Written()) GTEST_SKIP() << "the serial-port map is not writable here";
  const auto names = platform::SerialPortNames();
  EXPECT_EQ(std::count(names.begin(), names.end(), "COM77"), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "%COM78%"), 0);
  for (const auto& n : names) EXPECT_FALSE(n.empty() || n.back() == '\0') << n;
}

TEST(Win32CodePage, SystemCodePageIsTheOneOfTheTillsServed) {
  // The wine stage runs with a Bulgarian locale; a real till has 1251 too.
  if (GetACP() != 1251) GTEST_SKIP() << "ANSI code page " << GetACP();
  EXPECT_EQ(platform::Utf8ToAnsi("Няма отговор!"), "\xCD\xFF\xEC\xE0 \xEE\xF2\xE3\xEE\xE2\xEE\xF0!");
  EXPECT_EQ(platform::AnsiToUtf8("\x98"), "\xEF\xBF\xBD");  // a hole in the code page, as the other build reads it
  EXPECT_EQ(platform::Utf8ToAnsi("\xC2\x98"), "?");       // nor does the C1 control get through
  EXPECT_EQ(platform::Utf8ToAnsi("é"), "?");              // no best-fit "e"
}

TEST(Win32Clock, DaylightSavingFollowsTheTimeZoneRules) {
  TIME_ZONE_INFORMATION tzi;
  GetTimeZoneInformation(&tzi);
  auto& clock = platform::SystemClock();
  if (tzi.DaylightDate.wMonth == 0) {
    EXPECT_FALSE(clock.IsDaylightSaving({2024, 7, 15, 12, 0, 0, 0}));
    EXPECT_FALSE(clock.IsDaylightSaving({2024, 1, 15, 12, 0, 0, 0}));
    return;
  }
  // Northern-hemisphere rules with the EU change dates (the wine stage runs with TZ=Europe/Sofia).
  if (tzi.Bias != -120 || tzi.DaylightDate.wMonth != 3) GTEST_SKIP() << "time zone bias " << tzi.Bias;
  EXPECT_TRUE(clock.IsDaylightSaving({2024, 7, 15, 12, 0, 0, 0}));
  EXPECT_FALSE(clock.IsDaylightSaving({2024, 1, 15, 12, 0, 0, 0}));
  EXPECT_FALSE(clock.IsDaylightSaving({2024, 3, 31, 2, 30, 0, 0}));
  EXPECT_TRUE(clock.IsDaylightSaving({2024, 3, 31, 4, 30, 0, 0}));
  EXPECT_TRUE(clock.IsDaylightSaving({2024, 10, 27, 2, 30, 0, 0}));
  EXPECT_FALSE(clock.IsDaylightSaving({2024, 10, 27, 4, 30, 0, 0}));
}

TEST(Win32Clock, LocalNowIsTheWallClockAndSleepAdvancesTheMonotonicClock) {
  SYSTEMTIME before;
  GetLocalTime(&before);
  const platform::TLocalTime now = platform::SystemClock().LocalNow();
  EXPECT_EQ(now.Year, before.wYear);
  EXPECT_EQ(now.Month, before.wMonth);
  auto& clock = platform::SystemClock();
  const auto start = clock.MonotonicMs();
  platform::SystemSleeper().SleepMs(30);
  EXPECT_GE(clock.MonotonicMs() - start, 30);
  platform::SystemSleeper().SleepMs(-5);
}

}  // namespace

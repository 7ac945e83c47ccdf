#include "platform/clock.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

std::int64_t FileTimeMinutes(const SYSTEMTIME& st) {
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);
  ULARGE_INTEGER v;
  v.LowPart = ft.dwLowDateTime;
  v.HighPart = ft.dwHighDateTime;
  return static_cast<std::int64_t>(v.QuadPart / (10'000'000ULL * 60));
}

class Win32Clock : public IClock {
public:
  TLocalTime LocalNow() const override {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
  }
  std::int64_t MonotonicMs() const override { return static_cast<std::int64_t>(GetTickCount64()); }
  bool IsDaylightSaving(const TLocalTime& t) const override {
    // The offset of local from universal time at that moment tells which rule is in force.
    TIME_ZONE_INFORMATION tzi;
    if (!GetTimeZoneInformationForYear(static_cast<USHORT>(t.Year), nullptr, &tzi)) return false;
    if (tzi.DaylightDate.wMonth == 0 || tzi.DaylightBias == 0) return false;
    SYSTEMTIME local{};
    local.wYear = static_cast<WORD>(t.Year);
    local.wMonth = static_cast<WORD>(t.Month);
    local.wDay = static_cast<WORD>(t.Day);
    local.wHour = static_cast<WORD>(t.Hour);
    local.wMinute = static_cast<WORD>(t.Minute);
    local.wSecond = static_cast<WORD>(t.Second);
    SYSTEMTIME utc;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc)) return false;
    std::int64_t offset = FileTimeMinutes(local) - FileTimeMinutes(utc);
    return offset == -(static_cast<std::int64_t>(tzi.Bias) + tzi.DaylightBias);
  }
};

class Win32Sleeper : public ISleeper {
public:
  void SleepMs(int ms) override { Sleep(ms > 0 ? static_cast<DWORD>(ms) : 0); }
};

}  // namespace

IClock& SystemClock() {
  static Win32Clock clock;
  return clock;
}

ISleeper& SystemSleeper() {
  static Win32Sleeper sleeper;
  return sleeper;
}

}  // namespace platform
